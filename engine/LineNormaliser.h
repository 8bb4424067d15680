#pragma once

#include <QChar>
#include <QtGlobal>

#include "CharUnits.h"

// Reduces a raw script line to the compact statement the checker reads:
// the comment from the first "#" on is cut, tabs, line feeds and form feeds
// vanish, and a space survives only between a kept letter or digit and a raw
// letter or digit after it (and only once a word has begun). Works on bytes
// of an ASCII line and on 16-bit characters alike, with the same result.

namespace normaliser {

// Only these count for the space rule: no underscore, no accented letter.
inline bool isAsciiLetterOrDigit(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

struct Result {
  qsizetype length = 0;
  bool hasEquals = false;
};

// Writes the statement for raw[0..n) to `out`, which has room for n
// characters, or only its first `most` characters.
template <typename Char>
Result normalise(const Char* raw, qsizetype n, Char* out, qsizetype most = -1) {
  Result r;
  bool word = false;
  for (qsizetype i = 0; i < n && r.length != most; ++i) {
    const char16_t c = unitOf(raw[i]);
    switch (c) {
      case u' ':
        if (word && i + 1 < n && isAsciiLetterOrDigit(unitOf(out[r.length - 1])) &&
            isAsciiLetterOrDigit(unitOf(raw[i + 1]))) {
          out[r.length++] = raw[i];
        }
        break;
      case u'=':
        r.hasEquals = true;
        out[r.length++] = raw[i];
        break;
      case u'\n':
      case u'\t':
      case u'\f':
        break;
      case u'#':
        return r;
      default:
        out[r.length++] = raw[i];
        word = true;
    }
  }
  return r;
}

}  // namespace normaliser
