#include "InputFile.h"

#include <algorithm>
#include <cstring>

#include "ScriptMasks.h"
#include "SystemText.h"

InputFile::InputFile(FileSystem& files) : files_(files) {}

bool InputFile::open(const QString& path) {
  close();
  path_ = path;
  error_.clear();
  QString reason;
  stream_ = files_.openForInput(path, &reason);
  if (!stream_) {
    error_ = reason.isEmpty() ? QStringLiteral("cannot be opened") : reason;
    return false;
  }
  if (buffer_.size() < kChunkSize) buffer_.resize(kChunkSize);
  return true;
}

void InputFile::close() {
  stream_.reset();
  begin_ = end_ = 0;
  streamEnded_ = false;
  skipLineFeed_ = false;
  streamPosition_ = 0;
  stopAt_ = -1;
}

bool InputFile::skipTo(qint64 offset) {
  if (!stream_ || failed()) return false;
  begin_ = end_ = 0;
  streamEnded_ = false;
  skipLineFeed_ = false;
  if (!stream_->seek(offset)) {
    error_ = stream_->errorString();
    if (error_.isEmpty()) error_ = QStringLiteral("cannot move to byte %1").arg(offset);
    return false;
  }
  streamPosition_ = offset;
  return true;
}

qint64 InputFile::readFailed() {
  error_ = stream_->errorString();
  if (error_.isEmpty()) error_ = QStringLiteral("read error");
  return -1;
}

qint64 InputFile::lineStartAfter(qint64 offset) {
  if (!skipTo(offset)) return -1;
  char bytes[4096];
  qint64 at = offset;
  bool afterCr = false;
  for (;;) {
    const qint64 n = stream_->read(bytes, sizeof bytes);
    if (n < 0) return readFailed();
    if (n == 0) return afterCr && skipTo(at) ? at : -1;
    qint64 i = 0;
    if (!afterCr) {
      const void* cr = std::memchr(bytes, '\r', static_cast<size_t>(n));
      if (!cr) {
        at += n;
        continue;
      }
      i = static_cast<const char*>(cr) - bytes + 1;
      afterCr = true;
    }
    // The byte after the CR, in this read or the next.
    if (i < n) {
      const qint64 start = at + i + (bytes[i] == '\n' ? 1 : 0);
      return skipTo(start) ? start : -1;
    }
    at += n;
  }
}

qint64 InputFile::position() {
  ensureAvailable();  // settles a LF that may still belong to the last line
  return failed() ? -1 : streamPosition_ - (end_ - begin_);
}

QString InputFile::errorString() const {
  return path_ + QStringLiteral(": ") + error_;
}

qint64 InputFile::readMore() {
  if (!stream_ || streamEnded_ || failed()) return 0;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.constData() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - end_ < kChunkSize / 2) buffer_.resize(buffer_.size() * 2);
  qint64 room = buffer_.size() - end_;
  if (stopAt_ >= 0) room = std::min(room, std::max<qint64>(stopAt_ - streamPosition_, 0));
  const qint64 n = room > 0 ? stream_->read(buffer_.data() + end_, room) : 0;
  if (n < 0) return readFailed();
  if (n == 0) streamEnded_ = true;
  end_ += n;
  streamPosition_ += n;
  return n;
}

bool InputFile::ensureAvailable() {
  for (;;) {
    if (begin_ < end_) {
      if (!skipLineFeed_) return true;
      skipLineFeed_ = false;
      if (buffer_[begin_] == '\n') ++begin_;
      continue;
    }
    if (readMore() <= 0) return false;
  }
}

bool InputFile::atEnd() {
  return !ensureAvailable();
}

int InputFile::peekByteSlowly() {
  return ensureAvailable() ? static_cast<unsigned char>(buffer_[begin_]) : -1;
}

void InputFile::consumeLineEndAfterCr() {
  // The CR itself has been consumed; a LF right behind it belongs to it.
  if (begin_ < end_) {
    if (buffer_[begin_] == '\n') ++begin_;
  } else {
    skipLineFeed_ = true;
  }
}

bool InputFile::readLineBytes(QByteArrayView* line) {
  if (!ensureAvailable()) return false;
  qsizetype scanned = begin_;
  for (;;) {
    const char* from = buffer_.constData() + scanned;
    const void* cr = std::memchr(from, '\r', end_ - scanned);
    if (cr) {
      const qsizetype at = static_cast<const char*>(cr) - buffer_.constData();
      *line = QByteArrayView(buffer_.constData() + begin_, at - begin_);
      begin_ = at + 1;
      consumeLineEndAfterCr();
      return true;
    }
    const qsizetype before = end_ - begin_;
    const qint64 n = readMore();  // moves the pending bytes to the front
    if (n < 0) return false;
    scanned = begin_ + before;
    if (n == 0) {
      *line = QByteArrayView(buffer_.constData() + begin_, end_ - begin_);
      begin_ = end_;
      return true;
    }
  }
}

bool InputFile::bufferedLine(QByteArrayView* line) {
  if (!ensureAvailable()) return false;
  const char* const from = buffer_.constData() + begin_;
  const void* cr = std::memchr(from, '\r', static_cast<size_t>(end_ - begin_));
  if (cr == nullptr) return false;
  *line = QByteArrayView(from, static_cast<const char*>(cr) - from);
  return true;
}

bool InputFile::readLine(QString* line) {
  QByteArrayView bytes;
  if (!readLineBytes(&bytes)) return false;
  *line = decodeSystemText(bytes);
  return true;
}

namespace {

// The index just past the last CR in [from, to), or -1.
qsizetype afterLastCr(const char* bytes, qsizetype from, qsizetype to) {
  const void* cr = memrchr(bytes + from, '\r', static_cast<size_t>(to - from));
  return cr ? static_cast<const char*>(cr) - bytes + 1 : -1;
}

}  // namespace

qint64 InputFile::countRemainingLines() {
  qint64 count = 0;
  bool lineOpen = false;  // bytes seen since the last line end
  while (ensureAvailable()) {
    const char* const bytes = buffer_.constData();
    count += countByte(bytes + begin_, end_ - begin_, '\r');
    const qsizetype after = afterLastCr(bytes, begin_, end_);
    if (after < 0) {
      lineOpen = true;
    } else if (after == end_) {
      lineOpen = false;
      skipLineFeed_ = true;
    } else {
      lineOpen = after + (bytes[after] == '\n' ? 1 : 0) < end_;
    }
    begin_ = end_;
  }
  if (failed()) return -1;
  return lineOpen ? count + 1 : count;
}

void InputFile::takeBlock(qsizetype end, bool endsInCr, QByteArrayView* block) {
  *block = QByteArrayView(buffer_.constData() + begin_, end - begin_);
  begin_ = end;
  if (endsInCr) consumeLineEndAfterCr();
}

bool InputFile::readLineBlock(qint64 maxLines, QByteArrayView* block) {
  if (maxLines <= 0 || !ensureAvailable()) return false;
  qsizetype scanned = begin_;
  for (;;) {
    const char* const bytes = buffer_.constData();
    const qsizetype end = afterLastCr(bytes, scanned, end_);
    if (end > 0) {
      // Every line holds at least one byte, so the lines need counting only
      // when there are more bytes than lines asked for.
      if (end - begin_ <= maxLines || countByte(bytes + begin_, end - begin_, '\r') <= maxLines) {
        takeBlock(end, true, block);
        return true;
      }
      // More lines than asked for: near the end of a file that grew since it was counted.
      qsizetype at = begin_;
      for (qint64 i = 0; i < maxLines; ++i) {
        at = static_cast<const char*>(std::memchr(bytes + at, '\r', end - at)) - bytes + 1;
      }
      takeBlock(at, true, block);
      return true;
    }
    // Not one whole line in the buffer: read on, or the rest is the last line.
    const qsizetype pending = end_ - begin_;
    const qint64 n = readMore();
    if (n < 0) return false;
    scanned = begin_ + pending;
    if (n == 0) {
      takeBlock(end_, false, block);
      return true;
    }
  }
}

template <typename Stop>
void InputFile::appendUntil(QByteArray* into, Stop stop) {
  while (peekByte() >= 0) {
    const char* const from = buffer_.constData() + begin_;
    const char* const to = buffer_.constData() + end_;
    const char* at = from;
    while (at < to && !stop(*at)) ++at;
    into->append(from, at - from);
    begin_ += at - from;
    if (at < to) return;
  }
}

bool InputFile::readField(Field* field) {
  *field = Field{};
  while (peekByte() == ' ') skipByte();
  int c = peekByte();
  if (c < 0) return false;

  QByteArray& bytes = fieldBytes_;
  bytes.resize(0);
  auto finish = [&](FieldEnd end) {
    field->end = end;
    field->text = decodeSystemText(bytes);
    return !failed();
  };
  // Consumes the comma or line end at the read position, if any.
  auto takeSeparator = [&](int at) -> bool {
    if (at == ',') {
      skipByte();
      return finish(FieldEnd::Comma);
    }
    if (at == '\r') {
      skipByte();
      consumeLineEndAfterCr();
      return finish(FieldEnd::LineEnd);
    }
    return finish(FieldEnd::EndOfFile);
  };

  if (c == '"') {
    field->quoted = true;
    skipByte();
    appendUntil(&bytes, [](char b) { return b == '"' || b == '\r'; });
    c = peekByte();
    if (c != '"') {
      field->closingQuoteMissing = true;
      return takeSeparator(c);
    }
    skipByte();
    while ((c = peekByte()) >= 0 && c != ',' && c != '\r') {
      if (c != ' ') field->textAfterQuote = true;
      skipByte();
    }
    return takeSeparator(c);
  }

  appendUntil(&bytes, [](char b) { return b == ',' || b == '\r'; });
  while (bytes.endsWith(' ')) bytes.chop(1);
  return takeSeparator(peekByte());
}
