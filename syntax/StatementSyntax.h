#pragma once

// The script's syntax as far as a statement goes, written once: which
// characters a statement keeps, drops or keeps only between words, where a
// comment starts and where a line ends. The normaliser follows it character
// by character; the byte-mask kernels and the window filter are built from
// it and checked against it when they compile; the table checks tell from
// it which codes no statement can hold.
namespace syntax {

inline constexpr char16_t kQuote = u'"';
inline constexpr char16_t kComment = u'#';  // it and everything after it is left out
inline constexpr char16_t kLineEnd = u'\r';
inline constexpr char16_t kEquals = u'=';
inline constexpr char16_t kSpace = u' ';

enum class Treatment {
  Kept,     // appended; opens a word
  Equals,   // appended; the line holds "=" (it opens no word)
  Dropped,  // never appended: tab, line feed, form feed
  Space,    // appended only between a kept letter or digit and a raw one
  Comment,  // ends the statement
  LineEnd,  // never reaches a statement: it ends the line
};

constexpr Treatment treatmentOf(char16_t c) {
  switch (c) {
    case u'\t':
    case u'\n':
    case u'\f':
      return Treatment::Dropped;
    case kSpace:
      return Treatment::Space;
    case kEquals:
      return Treatment::Equals;
    case kComment:
      return Treatment::Comment;
    case kLineEnd:
      return Treatment::LineEnd;
    default:
      return Treatment::Kept;
  }
}

// Letters and digits for the space rule: ASCII only, no underscore.
constexpr bool isWordCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A byte of a script in the system code page stands for one character only
// when it is ASCII; any other byte is part of a character to decode first.
constexpr bool isAsciiByte(unsigned char b) {
  return b < 0x80;
}

// A byte a statement may leave out, or that must be decoded before anyone
// can tell: what the byte masks call loose.
constexpr bool mayVanish(unsigned char b) {
  return !isAsciiByte(b) || treatmentOf(b) == Treatment::Dropped ||
         treatmentOf(b) == Treatment::Space;
}

}  // namespace syntax
