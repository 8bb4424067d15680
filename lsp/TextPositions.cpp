#include "TextPositions.h"

#include "TextLines.h"

namespace {

bool isContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// UTF-16 units of the character a UTF-8 byte starts; 0 for a byte inside one.
int unitsStartedBy(unsigned char b) {
  return isContinuation(b) ? 0 : b >= 0xF0 ? 2 : 1;
}

// Bytes of the character a UTF-8 byte starts.
int bytesStartedBy(unsigned char b) {
  return b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

bool isLineBreak(char c) {
  return c == '\n' || c == '\r';
}

}  // namespace

namespace textpositions {

qint64 offsetOf(QByteArrayView text, TextPosition position) {
  return placeOf(text, position).offset;
}

TextPlace placeOf(QByteArrayView text, TextPosition position) {
  const qint64 size = text.size();
  qint64 at = 0;
  for (qint64 line = 0; line < position.line; ++line) {
    while (at < size && !isLineBreak(text[at])) ++at;
    if (at == size) return {size};
    at += text[at] == '\r' && at + 1 < size && text[at + 1] == '\n' ? 2 : 1;
  }
  for (qint64 units = 0; at < size && !isLineBreak(text[at]);) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    units += unitsStartedBy(lead);
    if (units > position.character) return {at, units - position.character == 1 && lead >= 0xF0};
    at = qMin(size, at + bytesStartedBy(lead));
  }
  return {at};
}

TextPosition positionOf(QByteArrayView text, qint64 offset) {
  return ForwardPositions(text).positionOf(offset);
}

ScriptLine scriptLineAt(QByteArrayView text, qint64 offset) {
  for (ScriptLine line;; ++line.number) {
    line.end = textlines::lineEndFrom(text, line.start);
    if (line.end == text.size()) return line;
    const qint64 next = textlines::nextLineStart(text, line.end);
    if (offset < next) return line;
    line.start = next;
  }
}

qint64 offsetOfColumn(QByteArrayView text, const ScriptLine& line, qint64 column) {
  qint64 at = line.start;
  for (qint64 left = column - 1; left > 0 && at < line.end; --left) {
    at = qMin(line.end, at + bytesStartedBy(static_cast<unsigned char>(text[at])));
  }
  return at;
}

qint64 columnOf(QByteArrayView text, const ScriptLine& line, qint64 offset) {
  qint64 column = 1;
  for (qint64 at = line.start; at < offset && at < line.end; ++at)
    column += isContinuation(static_cast<unsigned char>(text[at])) ? 0 : 1;
  return column;
}

}  // namespace textpositions

ScriptLine ForwardPositions::scriptLine(qint64 number) {
  for (;;) {
    if (!scriptEndKnown_) {
      script_.end = textlines::lineEndFrom(text_, script_.start);
      scriptEndKnown_ = true;
    }
    if (script_.number >= number || script_.end == text_.size()) return script_;
    script_.start = textlines::nextLineStart(text_, script_.end);
    ++script_.number;
    scriptEndKnown_ = false;
  }
}

TextPosition ForwardPositions::positionOf(qint64 offset) {
  offset = qBound<qint64>(0, offset, text_.size());
  while (at_ < offset) {
    const char c = text_[at_];
    if (!isLineBreak(c)) {
      units_ += unitsStartedBy(static_cast<unsigned char>(c));
      ++at_;
      continue;
    }
    if (c == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') {
      if (at_ + 1 == offset) break;  // between the CR and the LF: the end of the line
      ++at_;
    }
    ++at_;
    ++line_;
    units_ = 0;
  }
  return {line_, units_};
}
