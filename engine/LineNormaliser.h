#pragma once

#include <QtGlobal>

#include "CharUnits.h"
#include "StatementSyntax.h"

// Reduces a raw script line to the compact statement the checker reads: the
// comment from the first "#" on is cut, tabs, line feeds and form feeds
// vanish, and a space survives only between a kept letter or digit and a raw
// letter or digit after it (and only once a word has begun). Works on bytes
// of an ASCII line and on 16-bit characters alike, with the same result.

namespace normaliser {

struct Result {
  qsizetype length = 0;
  bool hasEquals = false;
};

// Writes the statement for raw[0..n) to `out`, which has room for n
// characters, or only its first `most` characters. With `rawIndex`, which
// has room for n as well, notes for each statement character the index of
// the raw character it was copied from.
template <typename Char>
Result normalise(const Char* raw, qsizetype n, Char* out, qsizetype most = -1,
                 qsizetype* rawIndex = nullptr) {
  using syntax::Treatment;
  Result r;
  bool word = false;
  auto keep = [&](qsizetype i) {
    if (rawIndex) rawIndex[r.length] = i;
    out[r.length++] = raw[i];
  };
  for (qsizetype i = 0; i < n && r.length != most; ++i) {
    switch (syntax::treatmentOf(unitOf(raw[i]))) {
      case Treatment::Space:
        if (word && i + 1 < n && syntax::isWordCharacter(unitOf(out[r.length - 1])) &&
            syntax::isWordCharacter(unitOf(raw[i + 1]))) {
          keep(i);
        }
        break;
      case Treatment::Equals:
        r.hasEquals = true;
        keep(i);
        break;
      case Treatment::Dropped:
        break;
      case Treatment::Comment:
        return r;
      case Treatment::Kept:
      case Treatment::LineEnd:  // never in a line; kept as any other character if it were
        keep(i);
        word = true;
    }
  }
  return r;
}

}  // namespace normaliser
