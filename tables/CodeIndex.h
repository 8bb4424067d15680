#pragma once

#include <QHash>
#include <QStringList>
#include <QtGlobal>

#include "CharUnits.h"

// The 4-character codes of one table, each mapped to the lowest row that
// holds it. A search asks one lookup per quoted 6-character window instead of
// comparing every row at every position, with the same answer: at a given
// position the lowest matching row wins. Codes of any other length can never
// match a window, so they are not indexed.
class CodeIndex {
 public:
  // Indexes rows 1 to `count` of `names`.
  void build(const QStringList& names, qint64 count);
  bool isEmpty() const { return rows_.isEmpty(); }
  // 0 when no row holds the code.
  qint64 lowestRow(quint64 key) const { return rows_.value(key, 0); }

  // Packs four characters into a key; bytes and 16-bit characters of the same
  // codes give the same key, so ASCII text can be searched without decoding.
  template <typename Char>
  static quint64 keyOf(const Char* four) {
    return (quint64(unitOf(four[0])) << 48) | (quint64(unitOf(four[1])) << 32) |
           (quint64(unitOf(four[2])) << 16) | quint64(unitOf(four[3]));
  }

 private:
  QHash<quint64, qint64> rows_;
};
