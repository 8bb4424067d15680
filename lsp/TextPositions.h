#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// An LSP position: a 0-based line, and UTF-16 code units into it.
struct TextPosition {
  qint64 line = 0;
  qint64 character = 0;
  friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// Where an LSP position falls in the bytes: the byte offset of the
// character it starts, or of the four-byte character it falls inside,
// between the character's two UTF-16 units.
struct TextPlace {
  qint64 offset = 0;
  bool betweenHalves = false;
};

// One line of a script as the scanner reads it: ended by CR or CR LF, a
// lone LF staying inside it.
struct ScriptLine {
  qint64 number = 1;  // 1-based, as alerts count lines
  qint64 start = 0;   // byte offset of its first byte
  qint64 end = 0;     // byte offset of its CR, or the end of the text
};

// Positions in a document held as UTF-8, which editors and the scanner
// count differently. LSP: 0-based lines ended by LF, CR LF or CR, and
// UTF-16 units within a line. The scanner: script lines and 1-based code
// points within one. The two meet at byte offsets.
namespace textpositions {

// The byte offset of an LSP position. As LSP has it, a character past the
// end of its line stands for the line's end, and a line past the last for
// the end of the text; a position between the two units of a character
// outside the 16-bit range stands for where that character starts.
qint64 offsetOf(QByteArrayView text, TextPosition position);
// The same, telling where a position falls between the two units of a
// character, as an edit may.
TextPlace placeOf(QByteArrayView text, TextPosition position);
// The LSP position of a byte offset at the start of a character.
TextPosition positionOf(QByteArrayView text, qint64 offset);
// The script line that holds the byte at `offset`.
ScriptLine scriptLineAt(QByteArrayView text, qint64 offset);
// The byte offset of 1-based code-point column `column` of `line`, at most
// its end; and the other way round.
qint64 offsetOfColumn(QByteArrayView text, const ScriptLine& line, qint64 column);
qint64 columnOf(QByteArrayView text, const ScriptLine& line, qint64 offset);

}  // namespace textpositions

// The same lookups for a whole scan's alerts in one pass over the text:
// each asks for a script line or an offset no earlier than the one before.
class ForwardPositions {
 public:
  explicit ForwardPositions(QByteArrayView text) : text_(text) {}

  // The script line `number`, or the last one when there are fewer.
  ScriptLine scriptLine(qint64 number);
  TextPosition positionOf(qint64 offset);

 private:
  QByteArrayView text_;
  ScriptLine script_;
  bool scriptEndKnown_ = false;
  qint64 at_ = 0;     // how far the LSP walk has come,
  qint64 line_ = 0;   // on which line,
  qint64 units_ = 0;  // and how many UTF-16 units into it
};
