#pragma once

#include <QStringView>
#include <QtGlobal>

// The 1-based column of the character at `index` of a decoded line, as
// alerts count columns: each Unicode code point once, so a character
// outside the 16-bit range, two UTF-16 units, counts one.
inline qint64 codePointColumn(QStringView line, qsizetype index) {
  qint64 column = 1;
  for (qsizetype i = 0; i < index; ++i) column += line[i].isLowSurrogate() ? 0 : 1;
  return column;
}
