#pragma once

#include "FileSystem.h"

// The file system of the machine, read with large unbuffered reads.
class DiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<ByteStream> openForInput(const QString& path, QString* error) override;
};
