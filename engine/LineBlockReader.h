#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include "ByteSource.h"

// Reads a stretch of a script as blocks of whole lines, in large reads. A
// source with a size is read by offset, so that several readers can share
// one open file; a stream is read in order, once.
class LineBlockReader {
 public:
  // Bytes [begin, end) of a source with a size. The reader keeps what it
  // reads in `buffer`, which a caller may reuse from reader to reader.
  LineBlockReader(ByteSource& source, qint64 begin, qint64 end, QByteArray& buffer);
  // All of a stream, or all of a source with a size.
  LineBlockReader(ByteSource& source, QByteArray& buffer);

  // The next block: whole lines, the last one ended by its CR, or by the end
  // of the stretch. A LF right after that CR belongs to the line end and is
  // in no block; a LF after any other CR stays in the block, at the start of
  // the next line. The view is valid until the next call. False at the end,
  // or when a read failed, which error() then tells.
  bool next(QByteArrayView* block);
  const QString& error() const { return error_; }

  // What the last block holds: whole lines, or, of a source read by offset,
  // a piece of a line too long to hold. The end piece holds its line end.
  enum class Block { Lines, LongLineStart, LongLineMiddle, LongLineEnd };
  Block block() const { return kind_; }
  // After the end piece of a long line: the whole line, read again, without
  // its line end. False when it cannot be read, which error() then tells.
  bool readLongLine(QByteArray* line);
  // Whether reading stopped at a line of a stream too long to hold.
  bool lineTooLong() const { return lineTooLong_; }

  // Lines read by offset from this length on come in pieces; a stream's
  // line may not be longer than the other.
  static constexpr qsizetype kLongLine = qsizetype(4) << 20;
  static constexpr qsizetype kLongestStreamLine = qsizetype(64) << 20;
  // For tests: where pieces begin.
  void setLongLine(qsizetype length) { longLine_ = length; }

 private:
  static constexpr qsizetype kChunk = 256 * 1024;

  // Moves the unread bytes to the front, grows the buffer when they fill
  // it, and reads more behind them. Returns the bytes read, 0 at the end,
  // -1 on a failed read.
  qint64 readMore();
  // Passes over a UTF-8 byte-order mark at the start of the file, which
  // marks its encoding and is no part of its first line.
  void skipByteOrderMark();
  // The offset in the source of buffer index `index`, when read by offset.
  qint64 offsetOf(qsizetype index) const;
  // Moves past the CR at `cr`, and the LF right after it.
  void passLineFeedAfter(qsizetype cr);

  ByteSource& source_;
  const bool byOffset_;
  qint64 position_;  // where the next read starts, when read by offset
  const qint64 end_;
  QByteArray& buffer_;
  qsizetype begin_ = 0;     // first unread byte
  qsizetype filled_ = 0;    // end of the bytes read
  qsizetype searched_ = 0;  // no CR stands in [begin_, searched_)
  bool ended_ = false;
  bool skipLineFeed_ = false;  // the last block ended on a CR at the buffer's end
  bool atFileStart_;           // a byte-order mark may stand before the first line
  qsizetype longLine_ = kLongLine;
  Block kind_ = Block::Lines;
  qint64 longLineStart_ = 0;  // offsets of a long line's start and its line end
  qint64 longLineEnd_ = 0;
  bool lineTooLong_ = false;
  QString error_;
};
