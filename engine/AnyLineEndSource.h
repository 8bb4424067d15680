#pragma once

#include <QByteArray>

#include "ByteSource.h"

// A script read so that a lone LF ends a line too: every LF that follows no
// CR is handed out as a CR. The bytes keep their offsets, so a script is
// still read by offset in stretches, and a line keeps its columns; a LF
// after a CR stays, and a CR LF twin of the script reads the same.
class AnyLineEndSource : public ByteSource {
 public:
  explicit AnyLineEndSource(ByteSource& script) : script_(script) {}

  qint64 size() const override { return script_.size(); }
  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override;
  qint64 read(char* into, qint64 max, QString* error) override;

 private:
  ByteSource& script_;
  char lastRead_ = 0;  // the last byte read() gave, as the script holds it
};

namespace anylineends {

// Turns the lone LFs of `bytes` into CRs; `before` is the byte before them
// as the script holds it (0 at its start). Returns the last byte as it was.
char turnLoneLineFeeds(char* bytes, qint64 n, char before);
// The same for a whole text.
QByteArray withLoneLineFeedsTurned(QByteArray text);

}  // namespace anylineends
