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

 private:
  static constexpr qsizetype kChunk = 256 * 1024;

  // Moves the unread bytes to the front, grows the buffer when they fill
  // it, and reads more behind them. Returns the bytes read, 0 at the end,
  // -1 on a failed read.
  qint64 readMore();
  // Passes over a UTF-8 byte-order mark at the start of the file, which
  // marks its encoding and is no part of its first line.
  void skipByteOrderMark();

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
  QString error_;
};
