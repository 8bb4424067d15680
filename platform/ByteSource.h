#pragma once

#include <QString>
#include <QtGlobal>

#include "FileIdentity.h"

// One open file, read through one descriptor for as long as it is open, so
// that whatever happens to its path meanwhile (a rename, a new file in its
// place) every read sees the same file. A regular file has a size and is
// read at any offset, from several threads at once; anything else (a pipe,
// a terminal, standard input) is a stream, read once in order.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The size in bytes when the source is read by offset, taken when it was
  // opened: bytes added later are not read. -1 for a stream.
  virtual qint64 size() const = 0;

  // Reads up to `max` bytes at `offset` into `into`, for a source with a
  // size. Returns the number read, 0 at the end, or -1 with `error` set to
  // the reason. Safe to call from several threads at once.
  virtual qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) = 0;

  // Reads the next up to `max` bytes in order: a stream from where the last
  // read ended, a file from its start on the first call. Returns as
  // readAt() does.
  virtual qint64 read(char* into, qint64 max, QString* error) = 0;

  // Which file was opened, the same whatever name it was opened by; false
  // for what has no name of its own, as standard input.
  virtual bool identity(FileIdentity* identity) const {
    Q_UNUSED(identity);
    return false;
  }
};
