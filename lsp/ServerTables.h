#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QTimer>

#include "CheckSetup.h"
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

 private:
  void reload();
  void fail(const QString& message);
  // Where a project file would count: the one given, or each folder from
  // the workspace up to the one that has it, or to the top of the tree.
  QStringList projectFileCandidates(const QString& found) const;

  const ServerSettings settings_;
  Changed changed_;
  Failed failed_;
  QString workspace_;
  QString lastFailure_;
  QTimer reloadTimer_;
  WatchedPaths watched_;
};
