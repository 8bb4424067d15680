#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// For the parsers that read files by path: a temporary folder of the
// process, removed when it ends, and the files written into it.
namespace fuzzcheck {

inline QString scratchFolder() {
  static QTemporaryDir dir;
  return dir.path();
}

inline bool writeFile(const QString& path, QByteArrayView bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace fuzzcheck
