#include "WatchedPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool identityAt(const QString& path, FileIdentity* identity) {
  return identityOf(QFile::encodeName(path), identity);
}

}  // namespace

WatchedPaths::WatchedPaths(std::function<void()> changed) : changed_(std::move(changed)) {
  // A file written in place tells only its own watch.
  QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] {
    follow();
    restamp();
    changed_();
  });
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] {
    follow();
    if (restamp()) changed_();
  });
}

void WatchedPaths::watch(const QStringList& files) {
  stamps_.clear();
  for (const QString& file : files) {
    if (!file.isEmpty()) stamps_[QDir::cleanPath(QFileInfo(file).absoluteFilePath())] = {};
  }
  follow();
  restamp();
}

WatchedPaths::Stamp WatchedPaths::stampOf(const QString& file) {
  const QFileInfo info(file);
  Stamp stamp;
  if (!info.exists() || !identityAt(file, &stamp.identity)) return {};
  stamp.exists = true;
  stamp.size = info.size();
  stamp.modified = info.lastModified();
  return stamp;
}

void WatchedPaths::follow() {
  std::map<QString, FileIdentity> wanted;
  for (const auto& [file, stamp] : stamps_) {
    QString path = file;
    for (;;) {
      if (FileIdentity identity; identityAt(path, &identity)) wanted.emplace(path, identity);
      const QString up = QFileInfo(path).absolutePath();
      if (up == path) break;
      path = up;
    }
  }
  // The watcher drops a watch whose file or folder went itself; one that
  // stayed on a file or folder its path no longer leads to is placed again.
  std::map<QString, FileIdentity> kept;
  QStringList gone;
  for (const QString& path : watcher_.files() + watcher_.directories()) {
    const auto found = wanted.find(path);
    const auto placed = following_.find(path);
    if (found != wanted.end() && placed != following_.end() && placed->second == found->second) {
      kept.insert(*found);
      wanted.erase(found);
    } else {
      gone.append(path);
    }
  }
  if (!gone.isEmpty()) watcher_.removePaths(gone);
  QStringList added;
  for (const auto& [path, identity] : wanted) added.append(path);
  // A folder that cannot be watched is tried again at the next change.
  const QStringList failed = added.isEmpty() ? QStringList() : watcher_.addPaths(added);
  for (const auto& [path, identity] : wanted) {
    if (!failed.contains(path)) kept.emplace(path, identity);
  }
  following_ = std::move(kept);
}

bool WatchedPaths::restamp() {
  bool differs = false;
  for (auto& [file, stamp] : stamps_) {
    const Stamp now = stampOf(file);
    if (now == stamp) continue;
    stamp = now;
    differs = true;
  }
  return differs;
}
