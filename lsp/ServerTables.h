#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QTimer>

#include "CheckSetup.h"
#include "EditorTableFiles.h"
#include "ServerSettings.h"
#include "WatchedPaths.h"

// The tables the server checks against, found as vornel-scan finds them
// (--tables, the project file of the workspace, the tables beside the
// program) and kept current: the tables and the project file are watched
// by their paths, and read again when they, or the editor, say they changed. Tables that
// cannot be read leave the last good ones in use.
class ServerTables {
 public:
  using Changed = std::function<void(std::shared_ptr<const CheckSetup> setup)>;
  // Why the tables or the project file could not be read, naming the file
  // and the line; told once, not again until something else goes wrong.
  using Failed = std::function<void(const QString& message)>;

  ServerTables(ServerSettings settings, Changed changed, Failed failed);

  // Reads the project file from `workspace` up, and the tables.
  void load(const QString& workspace);
  // Something that may be a table or the project file changed: reads them
  // again shortly, once for however many changes come together.
  void reloadSoon();
  // Whether a changed file is one of those, by its name.
  static bool mayConcern(const QString& path);

  // Reads the tables through `files` from now on, so that a table the
  // editor holds unsaved counts as it holds it. A line of such a table that
  // the loader refuses is no failure to tell: the editor shows it in the
  // table, and the last good tables stay in use. `read` is called after
  // every reading, good or not.
  void readThrough(EditorTableFiles* files, std::function<void()> read);
  // The folder the settings name for the tables, read or not; empty before
  // the settings were read.
  const QString& folder() const { return folder_; }

 private:
  void reload();
  void readTables();
  void fail(const QString& message);
  // Where a project file would count: the one given, or each folder from
  // the workspace up to the one that has it, or to the top of the tree.
  QStringList projectFileCandidates(const QString& found) const;

  const ServerSettings settings_;
  Changed changed_;
  Failed failed_;
  QString workspace_;
  QString folder_;
  EditorTableFiles* editorFiles_ = nullptr;
  std::function<void()> read_;
  QString lastFailure_;
  QTimer reloadTimer_;
  WatchedPaths watched_;
};
