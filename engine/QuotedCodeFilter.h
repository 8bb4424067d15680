#pragma once

#include <array>

#include <QtGlobal>

#include "CodeKeySet.h"
#include "LineNormaliser.h"

namespace quotedcode {

enum Class : unsigned char { kPlain = 0, kDropped = 1, kSpace = 2, kEnd = 4, kOutsideAscii = 8 };

constexpr std::array<unsigned char, 256> makeClasses() {
  std::array<unsigned char, 256> classes{};
  for (int c = 0x80; c < 256; ++c) classes[c] = kOutsideAscii;
  classes['\t'] = classes['\n'] = classes['\f'] = kDropped;
  classes[' '] = kSpace;
  classes['\r'] = classes['#'] = kEnd;
  return classes;
}

// How the statement treats each byte, as far as a window after a quotation mark goes.
inline constexpr std::array<unsigned char, 256> kClass = makeClasses();

}  // namespace quotedcode

// Tells from a raw line's bytes, without normalising the line, whether the
// statement window that begins at a quotation mark could hold a listed code.
// It reads the five statement characters that follow the mark straight from
// the raw bytes, by the normaliser's own rules: tabs, line feeds and form
// feeds vanish, a space stays only between a kept letter or digit and a raw
// one, and "#" or the line end ends the statement. A "no" is certain; a
// "yes" (also given for any byte outside ASCII) sends the line to the full
// check, which has the last word.
class QuotedCodeFilter {
 public:
  void build(const ReferenceTables& tables) {
    codes_.build(tables);
    codesHoldQuote_ = false;
    for (qint64 row = 1; row <= tables.ParamCount; ++row) {
      codesHoldQuote_ = codesHoldQuote_ || tables.ParamNames[row].contains(QLatin1Char('"'));
    }
    for (qint64 row = 1; row <= tables.TagCount; ++row) {
      codesHoldQuote_ = codesHoldQuote_ || tables.TagNames[row].contains(QLatin1Char('"'));
    }
  }

  // Whether any code has a quotation mark in it, so that a window can hold
  // more than its two.
  bool codesHoldQuote() const { return codesHoldQuote_; }

  // `at` is the index of a quotation mark in bytes[0..n), which ends at a CR
  // or at the end of the line.
  bool mayHoldCode(const char* bytes, qsizetype n, qsizetype at) const {
    // Most windows are five plain bytes, which the statement keeps as they are.
    if (at + 5 < n) {
      const auto* u = reinterpret_cast<const unsigned char*>(bytes + at + 1);
      using namespace quotedcode;
      if ((kClass[u[0]] | kClass[u[1]] | kClass[u[2]] | kClass[u[3]] | kClass[u[4]]) == kPlain) {
        return u[4] == '"' && codes_.contains(CodeIndex::keyOf(bytes + at + 1));
      }
    }
    return walk(bytes, n, at);
  }

 private:
  bool walk(const char* bytes, qsizetype n, qsizetype at) const {
    using namespace quotedcode;
    char window[5];
    int got = 0;
    char16_t previous = u'"';
    for (qsizetype i = at + 1; got < 5; ++i) {
      if (i >= n) return false;
      const auto c = static_cast<unsigned char>(bytes[i]);
      switch (kClass[c]) {
        case kOutsideAscii:
          return true;
        case kEnd:
          return false;
        case kDropped:
          continue;
        case kSpace:
          if (!normaliser::isAsciiLetterOrDigit(previous) || i + 1 >= n ||
              !normaliser::isAsciiLetterOrDigit(static_cast<unsigned char>(bytes[i + 1]))) {
            continue;
          }
          break;
        default:
          break;
      }
      window[got++] = static_cast<char>(c);
      previous = c;
    }
    return window[4] == '"' && codes_.contains(CodeIndex::keyOf(window));
  }

  CodeKeySet codes_;
  bool codesHoldQuote_ = false;
};
