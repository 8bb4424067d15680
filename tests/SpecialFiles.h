#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Makes a file of the kind named at `path`, in a test's own folder: "file"
// (holding `bytes`), "sparse" (`size` bytes that take no disk), "folder",
// "fifo", "null", "zero" and "full" (device nodes as /dev/null, /dev/zero
// and /dev/full are),
// or "link:<target>". False when it cannot.
inline bool makeFile(const QString& path, const QString& kind, const QByteArray& bytes = {},
                     qint64 size = 0) {
  const QByteArray native = QFile::encodeName(path);
  QFile file(path);
  if (kind == QStringLiteral("file"))
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  if (kind == QStringLiteral("sparse")) return file.open(QIODevice::WriteOnly) && file.resize(size);
  if (kind == QStringLiteral("folder")) return QDir().mkdir(path);
  if (kind == QStringLiteral("fifo")) return ::mkfifo(native.constData(), 0600) == 0;
  if (kind == QStringLiteral("null") || kind == QStringLiteral("zero") ||
      kind == QStringLiteral("full")) {
    const int minor = kind == QStringLiteral("null") ? 3 : kind == QStringLiteral("zero") ? 5 : 7;
    const dev_t device = makedev(1, unsigned(minor));
    return ::mknod(native.constData(), S_IFCHR | 0600, device) == 0;
  }
  if (kind.startsWith(QStringLiteral("link:"))) return QFile::link(kind.mid(5), path);
  return false;
}

// What `path` itself is, without following a link: its kind and inode.
inline QString kindAndInode(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("nothing");
  return QStringLiteral("%1 %2").arg(st.st_mode & S_IFMT, 0, 8).arg(st.st_ino);
}
