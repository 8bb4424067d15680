#include "EditorText.h"

#include <cstring>

namespace {

// The first of the three bytes of a surrogate half's code, and the range
// of the second: A0-AF for a high half, B0-BF for a low one.
constexpr unsigned char kHalfLead = 0xED;

unsigned char byteAt(QByteArrayView bytes, qsizetype at) {
  return static_cast<unsigned char>(bytes[at]);
}

bool isHalf(QByteArrayView bytes, qsizetype at, unsigned char second) {
  return at >= 0 && at + 3 <= bytes.size() && byteAt(bytes, at) == kHalfLead &&
         (byteAt(bytes, at + 1) & 0xF0) == second;
}
bool isHighHalf(QByteArrayView bytes, qsizetype at) {
  return isHalf(bytes, at, 0xA0);
}
bool isLowHalf(QByteArrayView bytes, qsizetype at) {
  return isHalf(bytes, at, 0xB0);
}

void appendUnit(QByteArray& bytes, char16_t unit) {
  bytes.append(char(0xE0 | (unit >> 12)));
  bytes.append(char(0x80 | ((unit >> 6) & 0x3F)));
  bytes.append(char(0x80 | (unit & 0x3F)));
}

void appendCodePoint(QByteArray& bytes, char32_t code) {
  bytes.append(char(0xF0 | (code >> 18)));
  bytes.append(char(0x80 | ((code >> 12) & 0x3F)));
  bytes.append(char(0x80 | ((code >> 6) & 0x3F)));
  bytes.append(char(0x80 | (code & 0x3F)));
}

// The halves of the four-byte character at `at`.
std::pair<char16_t, char16_t> halvesAt(QByteArrayView bytes, qsizetype at) {
  const char32_t code =
      char32_t(byteAt(bytes, at) & 0x07) << 18 | char32_t(byteAt(bytes, at + 1) & 0x3F) << 12 |
      char32_t(byteAt(bytes, at + 2) & 0x3F) << 6 | char32_t(byteAt(bytes, at + 3) & 0x3F);
  return {char16_t(0xD800 + ((code - 0x10000) >> 10)),
          char16_t(0xDC00 + ((code - 0x10000) & 0x3FF))};
}

char16_t unitAt(QByteArrayView bytes, qsizetype at) {
  return char16_t((byteAt(bytes, at) & 0x0F) << 12 | (byteAt(bytes, at + 1) & 0x3F) << 6 |
                  (byteAt(bytes, at + 2) & 0x3F));
}

// A lone high half that ends at `seam` and a lone low half that starts
// there become one character.
void joinAt(QByteArray& bytes, qsizetype seam) {
  if (!isHighHalf(bytes, seam - 3) || !isLowHalf(bytes, seam)) return;
  const char32_t code =
      0x10000 + (char32_t(unitAt(bytes, seam - 3) - 0xD800) << 10) + (unitAt(bytes, seam) - 0xDC00);
  QByteArray joined;
  appendCodePoint(joined, code);
  bytes.replace(seam - 3, 6, joined);
}

}  // namespace

namespace editortext {

QByteArray fromUtf16(QStringView text) {
  const char16_t* units = text.utf16();
  const qsizetype size = text.size();
  bool surrogates = false;
  for (qsizetype i = 0; i < size; ++i) surrogates |= (units[i] & 0xF800) == 0xD800;
  if (!surrogates) return text.toUtf8();
  QByteArray bytes;
  bytes.reserve(size * 3);
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t unit = units[i];
    if (unit < 0x80) {
      bytes.append(char(unit));
    } else if (unit < 0x800) {
      bytes.append(char(0xC0 | (unit >> 6)));
      bytes.append(char(0x80 | (unit & 0x3F)));
    } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
               QChar::isLowSurrogate(units[i + 1])) {
      appendCodePoint(bytes, QChar::surrogateToUcs4(unit, units[i + 1]));
      ++i;
    } else {
      appendUnit(bytes, unit);
    }
  }
  return bytes;
}

Splice splice(QByteArrayView before, QByteArrayView after, TextPlace from, TextPlace to,
              const QByteArray& with) {
  // An end before the start, or at the start's character when the start
  // is inside it, is the start.
  if (to.offset < from.offset || (to.offset == from.offset && from.betweenHalves)) to = from;
  Splice made{0, to.offset - from.offset, with};
  QByteArray head;
  QByteArray tail;
  if (from.betweenHalves) {
    appendUnit(head, halvesAt(after, 0).first);
  } else if (isHighHalf(before, before.size() - 3)) {
    // A lone high half just before the edit may pair with what it puts there.
    head = before.last(3).toByteArray();
    made.takenBefore = 3;
  }
  if (to.betweenHalves) {
    appendUnit(tail, halvesAt(after, made.takenAfter).second);
    made.takenAfter += 4;
  } else if (isLowHalf(after, made.takenAfter)) {
    tail = after.sliced(made.takenAfter, 3).toByteArray();
    made.takenAfter += 3;
  }
  if (head.isEmpty() && tail.isEmpty()) return made;
  made.bytes = head + with + tail;
  joinAt(made.bytes, head.size() + with.size());
  joinAt(made.bytes, head.size());
  return made;
}

QByteArray forChecking(const QByteArray& text) {
  QByteArray checked = text;
  for (qsizetype at = text.indexOf(char(kHalfLead)); at >= 0;
       at = text.indexOf(char(kHalfLead), at + 1)) {
    // The copy is made at the first half, if there is one.
    if (isHighHalf(text, at) || isLowHalf(text, at))
      std::memcpy(checked.data() + at, "\xEF\xBF\xBD", 3);
  }
  return checked;
}

}  // namespace editortext
