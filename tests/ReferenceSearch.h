#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The code search written as the plain double loop, positions outside and
// rows inside, one 6-character comparison per pair. The indexed search must
// give exactly its answers. `lastStartFromEnd` is how many characters before
// the end the last window starts (6: the window may end on the last character).
inline qint64 referenceFindCode(const QString& statement, const QStringList& names, qint64 count,
                                qint64 lastStartFromEnd = 6) {
  const qint64 length = statement.size();
  if (length <= 6) return 0;
  for (qint64 p = 0; p <= length - lastStartFromEnd; ++p) {
    for (qint64 row = 1; row <= count; ++row) {
      const QString quoted = QLatin1Char('"') + names[row] + QLatin1Char('"');
      if (statement.mid(p, 6) == quoted) return row;
    }
  }
  return 0;
}
