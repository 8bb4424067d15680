#include "WatchedPaths.h"

#include <set>

#include <QDir>
#include <QFileInfo>

namespace {

// The folder that holds `file`, or the nearest one above it that exists.
QString nearestFolderOf(const QString& file) {
  QString folder = QFileInfo(file).absolutePath();
  while (!QFileInfo(folder).isDir()) {
    const QString up = QFileInfo(folder).absolutePath();
    if (up == folder) return QString();
    folder = up;
  }
  return folder;
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
  if (!info.exists()) return {};
  return {true, info.size(), info.lastModified()};
}

void WatchedPaths::follow() {
  std::set<QString> wanted;
  for (const auto& [file, stamp] : stamps_) {
    if (QFileInfo::exists(file)) wanted.insert(file);
    const QString folder = nearestFolderOf(file);
    if (!folder.isEmpty()) wanted.insert(folder);
  }
  QStringList gone;
  for (const QString& path : watcher_.files() + watcher_.directories()) {
    if (wanted.erase(path) == 0) gone.append(path);
  }
  if (!gone.isEmpty()) watcher_.removePaths(gone);
  QStringList added(wanted.begin(), wanted.end());
  if (!added.isEmpty()) watcher_.addPaths(added);
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
