#pragma once

#include <QByteArray>

#include "ByteSource.h"

// Bytes held in memory, read by offset as a regular file is: a script an
// editor holds open, handed to the scanner without touching the disk.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}

  qint64 size() const override { return bytes_.size(); }
  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override;
  qint64 read(char* into, qint64 max, QString* error) override;

 private:
  const QByteArray bytes_;
  qint64 position_ = 0;
};
