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
  if (buffer_.size() - filled_ < kChunk / 2) buffer_.resize(qMax(kChunk, 2 * buffer_.size()));
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

bool LineBlockReader::next(QByteArrayView* block) {
  for (;;) {
    if (atFileStart_) skipByteOrderMark();
    if (skipLineFeed_ && begin_ < filled_) {
      if (buffer_[begin_] == textlines::kLineFeed) ++begin_;
      skipLineFeed_ = false;
      searched_ = qMax(searched_, begin_);
    }
    const char* const bytes = buffer_.constData();
    if (const char* cr = findLastByte(bytes + searched_, std::size_t(filled_ - searched_),
                                      textlines::kLineEnd)) {
      const qsizetype end = cr - bytes + 1;
      *block = QByteArrayView(bytes + begin_, end - begin_);
      begin_ = end;
      if (begin_ < filled_) {
        if (bytes[begin_] == textlines::kLineFeed) ++begin_;
      } else {
        skipLineFeed_ = true;
      }
      searched_ = begin_;
      return true;
    }
    searched_ = filled_;
    if (ended_) {
      if (begin_ == filled_) return false;
      *block = QByteArrayView(bytes + begin_, filled_ - begin_);
      begin_ = searched_ = filled_;
      return true;
    }
    const qint64 n = readMore();
    if (n < 0) return false;
    if (n == 0) ended_ = true;
  }
}
