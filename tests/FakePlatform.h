#pragma once

#include <atomic>
#include <memory>

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include "FileSystem.h"

// An in-memory file system. An open file reads the bytes it held when it
// was opened, as a descriptor keeps reading its file whatever is done to
// its path. Files can fail to open or fail on a read, and can be served as
// streams, as pipes are.
class FakeFileSystem : public FileSystem {
 public:
  void add(const QString& path, const QByteArray& bytes) { files_[path] = bytes; }
  // `name` opens the file at `path`, as a link or a hard link does: the
  // same bytes and the same identity.
  void addName(const QString& name, const QString& path) { names_[name] = path; }
  void failOpen(const QString& path, const QString& reason) { openFailures_[path] = reason; }
  // A read of `path` that reaches byte `offset` fails ("Input/output
  // error"), after the bytes before it were delivered.
  void failReadsAt(const QString& path, qint64 offset) { readFailures_[path] = offset; }
  // At most this many bytes per read, to exercise buffer edges.
  void setReadSize(qint64 bytes) { readSize_ = bytes; }
  // Files open as streams without a size, read in order once.
  void setStreams(bool on) { streams_ = on; }
  int opens(const QString& path) const;
  // Bytes delivered from `path` so far, over all its opens.
  qint64 bytesRead(const QString& path) const;

  std::unique_ptr<ByteSource> open(const QString& path, QString* error) override;
  // Never a stream, whatever setStreams() says: a file read whole.
  std::unique_ptr<ByteSource> openFile(const QString& path, QString* error) override;

 private:
  std::unique_ptr<ByteSource> openAs(const QString& path, bool stream, QString* error);

  QHash<QString, QByteArray> files_;
  QHash<QString, QString> names_;  // another name -> the file's path
  QHash<QString, QString> openFailures_;
  QHash<QString, qint64> readFailures_;
  mutable QMutex lock_;  // sources are read from more than one thread
  QHash<QString, int> opens_;
  QHash<QString, std::shared_ptr<std::atomic<qint64>>> delivered_;
  qint64 readSize_ = 1 << 20;
  bool streams_ = false;
};
