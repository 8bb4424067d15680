#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "ByteSource.h"
#include "TextLines.h"

// A script read with the line ends its setting chooses. Where a lone LF is
// to end a line, every LF that follows no CR is handed out as a CR: the
// bytes keep their offsets, so a script is still read by offset in
// stretches, and a line keeps its columns; a LF after a CR stays, and a
// CR LF twin of the script reads the same. Under auto the script's first
// line end decides: a lone LF there, and lone LFs end lines throughout.
class LineEndSource : public ByteSource {
 public:
  LineEndSource(ByteSource& script, textlines::LineEnds lineEnds);

  // Settles what auto means for a script that can be read at any offset,
  // by reading up to its first line end, as the first read does anyway;
  // to be called before reads from several threads. False with `error`
  // set when that read fails.
  bool settle(QString* error);
  // Whether lone LFs end lines: settled, or for a stream the first line
  // end read so far.
  bool loneLineFeedsEndLines() const { return turn_ == Turn::Yes; }
  // Whether the script's last byte is a LF that follows no CR, which ends
  // the last line whatever the setting and so joins nothing to it. Read
  // from the script's end, or, for a stream read to its end, remembered.
  bool endsInLoneLineFeed(QString* error);

  qint64 size() const override { return script_.size(); }
  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override;
  qint64 read(char* into, qint64 max, QString* error) override;

 private:
  enum class Turn { Undecided, Yes, No };
  void settleFrom(QByteArrayView bytes);

  ByteSource& script_;
  Turn turn_;
  // The last two bytes read() gave, as the script holds them.
  char lastRead_ = 0;
  char beforeLastRead_ = 0;
};

namespace lineends {

// Turns the lone LFs of `bytes` into CRs; `before` is the byte before them
// as the script holds it (0 at its start). Returns the last byte as it was.
char turnLoneLineFeeds(char* bytes, qint64 n, char before);
// Whether, under `lineEnds`, a lone LF ends a line in a script that starts
// with `text` (all of it, or at least up to its first line end).
bool loneLineFeedsEndLines(QByteArrayView text, textlines::LineEnds lineEnds);
// A whole text as the check reads it under `lineEnds`.
QByteArray asRead(QByteArray text, textlines::LineEnds lineEnds);

}  // namespace lineends
