#pragma once

#include <functional>
#include <map>

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QStringList>

#include "FileIdentity.h"

// Files watched by their paths rather than by the files that stand there
// now. Editors and checkouts replace a file by renaming a new one over it,
// or delete it and make it again; deploy tools do the same to the folder
// that holds it, or switch a link to another folder; and a watch on the
// old file or folder ends with it, or stays on it where it went. So every
// folder on the way to each path is watched as well, up to the top of the
// tree, each watch is placed again when its path comes to lead to another
// file or folder, and a file made where there was none, even in a folder
// made since, counts as a change. Other files coming and going in those
// folders do not.
class WatchedPaths {
 public:
  explicit WatchedPaths(std::function<void()> changed);

  // Watches `files`, which need not exist, in place of those before.
  void watch(const QStringList& files);

 private:
  struct Stamp {
    bool exists = false;
    FileIdentity identity;  // a file renamed over another is another file, whatever its size
    qint64 size = 0;
    QDateTime modified;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  static Stamp stampOf(const QString& file);
  // Watches what stands at the paths now, and the folders above them.
  void follow();
  // Stamps every path again; whether any stamp differs.
  bool restamp();

  std::function<void()> changed_;
  QFileSystemWatcher watcher_;
  std::map<QString, Stamp> stamps_;
  std::map<QString, FileIdentity> following_;  // what each watch was placed on
};
