#include "LineBlockReader.h"

#include <cstring>

#include "ByteSearch.h"
#include "TextLines.h"

LineBlockReader::LineBlockReader(ByteSource& source, qint64 begin, qint64 end, QByteArray& buffer)
    : source_(source),
      byOffset_(true),
      position_(begin),
      end_(end),
      buffer_(buffer),
      atFileStart_(begin == 0) {}

LineBlockReader::LineBlockReader(ByteSource& source, QByteArray& buffer)
    : source_(source),
      byOffset_(source.size() >= 0),
      position_(0),
      end_(source.size()),
      buffer_(buffer),
      atFileStart_(true) {}

void LineBlockReader::skipByteOrderMark() {
  const QByteArrayView mark = textlines::kByteOrderMark;
  const QByteArrayView read(buffer_.constData(), filled_);
  if (read.size() < mark.size() && mark.startsWith(read) && !ended_) return;  // too little to tell
  atFileStart_ = false;
  if (read.startsWith(mark)) begin_ = searched_ = mark.size();
}

qint64 LineBlockReader::readMore() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.constData() + begin_, std::size_t(filled_ - begin_));
    filled_ -= begin_;
    searched_ -= begin_;
    begin_ = 0;
  }
  // A script read by offset needs no more room than it has bytes left, so
  // that a small one takes a small buffer, not a fresh mapping to fault in.
  const qint64 left = byOffset_ ? qMax<qint64>(end_ - position_, 1) : kChunk;
  if (buffer_.size() - filled_ < qMin<qint64>(kChunk / 2, left)) {
    const qsizetype fits = qsizetype(qMin<qint64>(kChunk, filled_ + left));
    buffer_.resize(qMax(fits, 2 * buffer_.size()));
  }
  qint64 room = buffer_.size() - filled_;
  qint64 n;
  if (byOffset_) {
    room = qMin(room, end_ - position_);
    n = room > 0 ? source_.readAt(position_, buffer_.data() + filled_, room, &error_) : 0;
    if (n > 0) position_ += n;
  } else {
    n = source_.read(buffer_.data() + filled_, room, &error_);
  }
  if (n > 0) filled_ += n;
  return n;
}

qint64 LineBlockReader::offsetOf(qsizetype index) const {
  return position_ - (filled_ - index);
}

void LineBlockReader::passLineFeedAfter(qsizetype cr) {
  begin_ = cr + 1;
  if (begin_ < filled_) {
    if (buffer_[begin_] == textlines::kLineFeed) ++begin_;
  } else {
    skipLineFeed_ = true;
  }
  searched_ = begin_;
}

bool LineBlockReader::next(QByteArrayView* block) {
  for (;;) {
    if (atFileStart_) skipByteOrderMark();
    if (skipLineFeed_ && begin_ < filled_) {
      if (buffer_[begin_] == textlines::kLineFeed) ++begin_;
      skipLineFeed_ = false;
      searched_ = qMax(searched_, begin_);
    }
    const char* const bytes = buffer_.constData();
    if (kind_ == Block::LongLineStart || kind_ == Block::LongLineMiddle) {
      // The line too long to hold goes on to its line end, the first CR.
      const qsizetype end = textlines::lineEndFrom(QByteArrayView(bytes, filled_), begin_);
      if (end < filled_ || ended_) {
        const qsizetype stop = end < filled_ ? end + 1 : filled_;
        *block = QByteArrayView(bytes + begin_, stop - begin_);
        longLineEnd_ = offsetOf(end);
        kind_ = Block::LongLineEnd;
        if (end < filled_) {
          passLineFeedAfter(end);
        } else {
          begin_ = searched_ = filled_;
        }
        return true;
      }
      if (begin_ < filled_) {
        *block = QByteArrayView(bytes + begin_, filled_ - begin_);
        kind_ = Block::LongLineMiddle;
        begin_ = searched_ = filled_;
        return true;
      }
    } else {
      kind_ = Block::Lines;
      if (const char* cr = findLastByte(bytes + searched_, std::size_t(filled_ - searched_),
                                        textlines::kLineEnd)) {
        const qsizetype end = cr - bytes;
        *block = QByteArrayView(bytes + begin_, end + 1 - begin_);
        passLineFeedAfter(end);
        return true;
      }
      searched_ = filled_;
      if (ended_) {
        if (begin_ == filled_) return false;
        *block = QByteArrayView(bytes + begin_, filled_ - begin_);
        begin_ = searched_ = filled_;
        return true;
      }
      // A line this long is not held: it is handed out in pieces, and read
      // again whole only if it must be. A stream cannot be read again.
      if (byOffset_ && !atFileStart_ && filled_ - begin_ >= longLine_) {
        longLineStart_ = offsetOf(begin_);
        *block = QByteArrayView(bytes + begin_, filled_ - begin_);
        kind_ = Block::LongLineStart;
        begin_ = searched_ = filled_;
        return true;
      }
      if (!byOffset_ && filled_ - begin_ >= kLongestStreamLine) {
        lineTooLong_ = true;
        error_ = QStringLiteral(
                     "a line longer than %1 MiB, which only a file can be checked for, "
                     "not a stream")
                     .arg(kLongestStreamLine >> 20);
        return false;
      }
    }
    const qint64 n = readMore();
    if (n < 0) return false;
    if (n == 0) ended_ = true;
  }
}

bool LineBlockReader::readLongLine(QByteArray* line) {
  line->resize(longLineEnd_ - longLineStart_);
  for (qsizetype at = 0; at < line->size();) {
    const qint64 n =
        source_.readAt(longLineStart_ + at, line->data() + at, line->size() - at, &error_);
    if (n <= 0) {
      if (n == 0) error_ = QStringLiteral("the file became shorter while it was read");
      return false;
    }
    at += n;
  }
  return true;
}
