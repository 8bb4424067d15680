#pragma once

#include <optional>
#include <set>
#include <vector>

#include <QJsonArray>
#include <QString>

#include "EditorTableFiles.h"
#include "OpenDocuments.h"
#include "Tables.h"

// The tables the editor has open: tags.txt and param.txt of the tables
// folder in force, as the editor holds them. Read by the one loader and
// checked by the one set of table checks, through the editor's text; while
// one has changes the editor has not saved, the tables in use are read from
// that text, and from the disk again once it is saved or closed.
class TableDocuments {
 public:
  explicit TableDocuments(const OpenDocuments& documents);
  TableDocuments(const TableDocuments&) = delete;
  TableDocuments& operator=(const TableDocuments&) = delete;

  // A table-named document the editor changed, and one it opened, saved or
  // closed; the second tells whether it had changes not saved.
  void edited(const QString& uri);
  bool saved(const QString& uri);

  // The files with the unsaved tables in place of the disk's.
  EditorTableFiles& unsavedFiles() { return unsavedFiles_; }

  // Which table of `folder` the document is, if any.
  std::optional<TableKind> tableOf(const QString& uri, const QString& folder) const;

  struct Published {
    QString uri;
    qint64 version = 0;
    QJsonArray diagnostics;
  };
  // The diagnostics of every open table-named document: the table checks'
  // for the tables of `folder`, none for the others.
  std::vector<Published> diagnostics(const QString& folder);
  // One symbol a row: its code, its message, its line. Rows past a line the
  // loader refuses are left out; those before it are there.
  QJsonArray symbols(const QString& uri, const QString& folder);

 private:
  bool textOf(const QString& path, bool unsavedOnly, QByteArray* text) const;

  const OpenDocuments& documents_;
  std::set<QString> unsaved_;  // uris
  EditorTableFiles unsavedFiles_;
  EditorTableFiles openFiles_;
};
