#pragma once

#include <memory>

#include <QString>

#include "ByteStream.h"

// Opens files for sequential input. The real provider reads the disk; the
// test fake serves files from memory and can make them fail or shrink.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Returns nullptr and sets `error` to the reason when `path` cannot be
  // opened for reading.
  virtual std::unique_ptr<ByteStream> openForInput(const QString& path, QString* error) = 0;
};
