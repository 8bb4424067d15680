#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "ByteSource.h"

// Opens files for reading. The real provider reads the disk; the test fake
// serves files from memory and can make them fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Returns nullptr and sets `error` to the reason when `path` cannot be
  // opened for reading. A pipe opens as a stream.
  virtual std::unique_ptr<ByteSource> open(const QString& path, QString* error) = 0;
  // The same for a path given as the bytes the system knows it by.
  virtual std::unique_ptr<ByteSource> openNative(const QByteArray& path, QString* error);
  // The same for a file a folder's listing has just found.
  virtual std::unique_ptr<ByteSource> openListedFile(const QByteArray& path, QString* error) {
    return openNative(path, error);
  }
  // Standard input, as a source of its own.
  virtual std::unique_ptr<ByteSource> openStandardInput(QString* error);
  // A script that must be a file, for a reader that cannot wait: a pipe is
  // refused at once, without waiting for a writer, as a device or a socket
  // is; /dev/null is an empty script. Refused as openFile() refuses, but
  // a file of /proc or /sys as no script.
  virtual std::unique_ptr<ByteSource> openScriptFile(const QString& path, QString* error) {
    return openFile(path, error);
  }
  // The same for a file that is read whole, which is never a stream: a
  // pipe is refused at once, without waiting for a writer.
  virtual std::unique_ptr<ByteSource> openFile(const QString& path, QString* error) = 0;
};

// Reads what is left of `source` into `bytes`. False with `error` set to
// the reason when a read fails; `bytes` then holds what was read.
bool readAll(ByteSource& source, QByteArray* bytes, QString* error);
