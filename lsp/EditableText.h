#pragma once

#include <vector>

#include <QByteArray>
#include <QByteArrayView>

#include "ProtocolValues.h"

// A document's text while the edits of one change are made to it, each in
// LSP positions on the text the edit before left. The text keeps a gap
// where the last edit was, and the LSP line starts behind the gap are kept
// as distances from the text's end, so that an edit moves neither the text
// nor the line starts behind it. Edits that go through the text one way,
// forwards or backwards, as "replace all" sends them, thus cost the text's
// size once and their own size each, not the text's size each.
class EditableText {
 public:
  explicit EditableText(QByteArray text);

  // As LSP has it: a character past its line's end stands for the line's
  // end, a line past the last for the text's end. `with` is as
  // editortext::fromUtf16() makes it, and the edit may split a surrogate
  // pair or join two halves, as editortext::splice() tells.
  void replace(const lsp::TextRange& range, const QByteArray& with);
  // The text with every edit made; the object is empty afterwards.
  QByteArray take();

 private:
  qint64 size() const { return buffer_.size() - (gapEnd_ - gapStart_); }
  char at(qint64 offset) const;
  // Moves the gap to the start of the line, and counts the characters along it.
  TextPlace placeOf(const TextPosition& position);
  void moveGapTo(qint64 offset);
  void widenGap(qint64 bytes);
  // Whether a line starts at `offset`, by the bytes around it.
  bool lineStartsAt(qint64 offset) const;

  QByteArray buffer_;
  qint64 gapStart_ = 0;
  qint64 gapEnd_ = 0;
  std::vector<qint64> startsBefore_;  // line starts up to the gap, from 0 up
  std::vector<qint64> startsAfter_;   // those after it, as distances from the end, nearest last
};
