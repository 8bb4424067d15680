#pragma once

#include <QStringList>

#include "ReferenceTables.h"

// Tables built in memory: row i gets the code codes[i-1] and the message
// "param row i" or "tag row i".
inline ReferenceTables makeTables(const QStringList& paramCodes, const QStringList& tagCodes) {
  ReferenceTables t;
  t.ParamCount = paramCodes.size();
  t.ParamNames = QStringList{QString()} + paramCodes;
  t.ParamMessages = QStringList{QString()};
  t.ParamNotes = QStringList(t.ParamCount + 1);
  for (qint64 i = 1; i <= t.ParamCount; ++i)
    t.ParamMessages.append(QStringLiteral("param row %1").arg(i));
  t.TagCount = tagCodes.size();
  t.TagNames = QStringList{QString()} + tagCodes;
  t.TagMessages = QStringList{QString()};
  t.TagNotes = QStringList(t.TagCount + 1);
  for (qint64 i = 1; i <= t.TagCount; ++i)
    t.TagMessages.append(QStringLiteral("tag row %1").arg(i));
  t.ParamIndex.build(t.ParamNames, t.ParamCount);
  t.TagIndex.build(t.TagNames, t.TagCount);
  return t;
}
