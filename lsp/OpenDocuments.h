#pragma once

#include <map>
#include <vector>

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include "ProtocolValues.h"

// The scripts the editor has open, as the editor has them: kept up to date
// from didOpen and didChange, forgotten at didClose. Only `.csm` scripts and
// files named as tables are kept; other documents are passed over.
class OpenDocuments {
 public:
  struct Document {
    QByteArray text;  // UTF-8, which the positions are counted in
    qint64 version = 0;
  };

  // Each takes a notification's params and returns what is wrong with them,
  // or an empty string; `uri` is set to the script it changed, or left
  // empty when the document is no script. Wrong params change nothing, and
  // neither does a change of which one part is wrong.
  QString open(const QJsonValue& params, QString* uri);
  QString change(const QJsonValue& params, QString* uri);
  QString close(const QJsonValue& params, QString* uri);

  // The params of didOpen or didChange read, and the text in them made
  // ready, which for a large script takes long: on any thread, since
  // nothing of the open scripts is looked at; then made on the open
  // scripts, as open() and change() make them.
  struct Change {
    struct Edit {
      bool whole = false;  // the whole text, not `range`
      lsp::TextRange range;
      QByteArray text;
    };
    QString problem;  // what is wrong with the params
    QString uri;
    bool script = false;  // a document that is kept: a script or a table
    bool opens = false;   // didOpen: one whole edit
    qint64 version = 0;
    std::vector<Edit> edits;
    QString editProblem;  // what is wrong with an edit, told once the script is known to be open
  };
  static Change readOpen(const QJsonValue& params);
  static Change readChange(const QJsonValue& params);
  QString make(Change change, QString* uri);

  const Document* find(const QString& uri) const;
  QStringList uris() const;

  // Whether a document is a script, by its name.
  static bool isScript(const QString& uri);
  // Whether a document is named as a table is, tags.txt or param.txt; the
  // server decides whether it is one of the tables in force.
  static bool isTableFile(const QString& uri);

 private:
  std::map<QString, Document> documents_;
};
