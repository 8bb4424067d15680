#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A source of bytes opened for sequential input. The file channel reads
// scripts and tables through this, so tests can feed it from memory.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Reads up to `max` bytes into `into`. Returns the number read, 0 at the
  // end of the stream, or -1 on a read error (see errorString()).
  virtual qint64 read(char* into, qint64 max) = 0;
  // Moves the read position to `offset` bytes from the start. False, with
  // errorString() set, when the stream cannot go there.
  virtual bool seek(qint64 offset) = 0;
  // The stream's length in bytes as it stands, or -1 when it has none (a
  // pipe, say).
  virtual qint64 size() const = 0;
  // What tells this file from any other, and from itself after a change:
  // two opens that give the same non-empty identity read the same bytes.
  // Empty when the stream cannot tell, or when the file changed so recently
  // that a further change might not show.
  virtual QByteArray identity() const { return {}; }
  virtual QString errorString() const = 0;
};
