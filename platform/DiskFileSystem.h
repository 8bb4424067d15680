#pragma once

#include <atomic>

#include <QtGlobal>

#include "FileSystem.h"

// The file system of the machine. Each open file is one descriptor, read
// with pread() when it is a regular file and with read() otherwise.
class DiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<ByteSource> open(const QString& path, QString* error) override;
  std::unique_ptr<ByteSource> openScriptFile(const QString& path, QString* error) override;
  std::unique_ptr<ByteSource> openFile(const QString& path, QString* error) override;
  // The same for a path given as the bytes the system knows it by.
  std::unique_ptr<ByteSource> openNative(const QByteArray& path, QString* error) override;
  std::unique_ptr<ByteSource> openListedFile(const QByteArray& path, QString* error) override;
  // Standard input, as a source of its own; a redirected regular file is
  // read by offset like any other.
  std::unique_ptr<ByteSource> openStandardInput(QString* error) override;

 private:
  // The device whose file system was last found not to be the kernel's.
  std::atomic<quint64> ordinaryDevice_{~quint64(0)};
};
