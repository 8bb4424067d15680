#include "EditableText.h"

#include <cstring>

#include "EditorText.h"
#include "TextPositions.h"

EditableText::EditableText(QByteArray text) : buffer_(std::move(text)) {
  gapStart_ = gapEnd_ = buffer_.size();
  startsBefore_.push_back(0);
  // Every change pays for this, one key typed too: a plain loop, not at().
  const char* data = buffer_.constData();
  for (qint64 i = 0; i < gapStart_; ++i) {
    if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == gapStart_ || data[i + 1] != '\n')))
      startsBefore_.push_back(i + 1);
  }
}

char EditableText::at(qint64 offset) const {
  return buffer_.at(offset < gapStart_ ? offset : offset + (gapEnd_ - gapStart_));
}

bool EditableText::lineStartsAt(qint64 offset) const {
  const char before = at(offset - 1);
  return before == '\n' || (before == '\r' && (offset == size() || at(offset) != '\n'));
}

TextPlace EditableText::placeOf(const TextPosition& position) {
  const qint64 line = position.line;
  const qint64 before = qint64(startsBefore_.size());
  if (line >= before + qint64(startsAfter_.size())) return {size()};
  const qint64 start =
      line < before ? startsBefore_[std::size_t(line)]
                    : size() - startsAfter_[startsAfter_.size() - 1 - std::size_t(line - before)];
  moveGapTo(start);
  const QByteArrayView rest(buffer_.constData() + gapEnd_, buffer_.size() - gapEnd_);
  TextPlace place = textpositions::placeOf(rest, {0, position.character});
  place.offset += start;
  return place;
}

void EditableText::moveGapTo(qint64 offset) {
  char* data = buffer_.data();
  if (offset < gapStart_) {
    const qint64 moved = gapStart_ - offset;
    std::memmove(data + gapEnd_ - moved, data + offset, std::size_t(moved));
    gapStart_ -= moved;
    gapEnd_ -= moved;
  } else if (offset > gapStart_) {
    const qint64 moved = offset - gapStart_;
    std::memmove(data + gapStart_, data + gapEnd_, std::size_t(moved));
    gapStart_ += moved;
    gapEnd_ += moved;
  }
  const qint64 end = size();
  while (startsBefore_.size() > 1 && startsBefore_.back() > offset) {
    startsAfter_.push_back(end - startsBefore_.back());
    startsBefore_.pop_back();
  }
  while (!startsAfter_.empty() && end - startsAfter_.back() <= offset) {
    startsBefore_.push_back(end - startsAfter_.back());
    startsAfter_.pop_back();
  }
}

void EditableText::widenGap(qint64 bytes) {
  const qint64 gap = gapEnd_ - gapStart_;
  if (gap >= bytes) return;
  // Room for more than this edit, so that many insertions widen it seldom;
  // grown where it is when the allocator can, not copied to a new buffer.
  const qint64 wider = bytes + size() / 4 + 64;
  const qint64 after = buffer_.size() - gapEnd_;
  buffer_.resize(buffer_.size() + wider - gap);
  char* data = buffer_.data();
  std::memmove(data + gapStart_ + wider, data + gapEnd_, std::size_t(after));
  gapEnd_ = gapStart_ + wider;
}

void EditableText::replace(const lsp::TextRange& range, const QByteArray& with) {
  const TextPlace start = placeOf(range.start);
  const TextPlace end = placeOf(range.end);
  moveGapTo(start.offset);
  const editortext::Splice splice = editortext::splice(
      QByteArrayView(buffer_.constData(), gapStart_),
      QByteArrayView(buffer_.constData() + gapEnd_, buffer_.size() - gapEnd_), start, end, with);
  const qint64 from = start.offset - splice.takenBefore;
  const qint64 to = start.offset + splice.takenAfter;
  moveGapTo(from);
  // The line starts from `from` to `to` may change; those behind stay.
  if (from > 0 && startsBefore_.back() == from) startsBefore_.pop_back();
  const qint64 oldSize = size();
  while (!startsAfter_.empty() && oldSize - startsAfter_.back() <= to) startsAfter_.pop_back();
  gapEnd_ += to - from;
  const QByteArray& bytes = splice.bytes;
  widenGap(bytes.size());
  std::memcpy(buffer_.data() + gapStart_, bytes.constData(), std::size_t(bytes.size()));
  gapStart_ += bytes.size();
  for (qint64 offset = qMax<qint64>(from, 1); offset <= gapStart_; ++offset) {
    if (lineStartsAt(offset)) startsBefore_.push_back(offset);
  }
}

QByteArray EditableText::take() {
  moveGapTo(size());
  buffer_.truncate(gapStart_);
  buffer_.squeeze();  // the gap would be kept as long as the document
  startsBefore_.clear();
  startsAfter_.clear();
  gapStart_ = gapEnd_ = 0;
  return std::move(buffer_);
}
