#pragma once

#include <array>
#include <cstdint>

#include <QtGlobal>

#include "CodeIndex.h"
#include "CodeKeySet.h"
#include "StatementSyntax.h"
#include "Tables.h"

namespace quotedcode {

enum Class : unsigned char { kPlain = 0, kDropped = 1, kSpace = 2, kEnd = 4, kOutsideAscii = 8 };

constexpr std::array<unsigned char, 256> makeClasses() {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    if (!syntax::isAsciiByte(byte)) {
      classes[b] = kOutsideAscii;
      continue;
    }
    switch (syntax::treatmentOf(byte)) {
      case syntax::Treatment::Dropped:
        classes[b] = kDropped;
        break;
      case syntax::Treatment::Space:
        classes[b] = kSpace;
        break;
      case syntax::Treatment::Comment:
      case syntax::Treatment::LineEnd:
        classes[b] = kEnd;
        break;
      default:
        classes[b] = kPlain;
    }
  }
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
  void build(const Tables& tables) {
    all_.build(tables.params.index(), tables.tags.index());
    openers_.fill(0);
    auto addOpener = [this](quint64 key) {
      const quint64 first = key >> 48;
      if (first < 0x80) openers_[first >> 6] |= std::uint64_t(1) << (first & 63);
    };
    tables.params.index().forEachKey(addOpener);
    tables.tags.index().forEachKey(addOpener);
  }

  // Whether some listed code begins with the byte `c`, for an ASCII `c`.
  // The window after a string's closing mark mostly begins with a comma, a
  // bracket or an operator, which begins no code: this turns such windows
  // away before their other bytes are read.
  bool mayOpenCode(unsigned char c) const { return c < 0x80 && (openers_[c >> 6] >> (c & 63) & 1); }

  // For a window whose five raw bytes the statement keeps as they are: the
  // four that follow the mark, the fifth being known to be a mark.
  bool isCode(const char* four) const { return all_.contains(CodeKeySet::keyOf(four)); }

  // `at` is the index of a quotation mark in bytes[0..n), which ends at a CR
  // or at the end of the line. With `index`, only the codes it holds count.
  bool mayHoldCode(const char* bytes, qsizetype n, qsizetype at,
                   const CodeIndex* index = nullptr) const {
    using namespace quotedcode;
    char window[5];
    int got = 0;
    char16_t previous = syntax::kQuote;
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
          if (!syntax::isWordCharacter(previous) || i + 1 >= n ||
              !syntax::isWordCharacter(static_cast<unsigned char>(bytes[i + 1]))) {
            continue;
          }
          break;
        default:
          break;
      }
      window[got++] = static_cast<char>(c);
      previous = c;
    }
    if (window[4] != static_cast<char>(syntax::kQuote)) return false;
    return index ? index->lowestRow(CodeIndex::keyOf(window)) >= 0
                 : all_.contains(CodeKeySet::keyOf(window));
  }

 private:
  CodeKeySet all_;
  std::array<std::uint64_t, 2> openers_{};  // first characters of the codes, by ASCII value
};
