#pragma once

#include <QStringList>

#include "ReferenceTables.h"

namespace testtables {

// Fills one table: row i gets codes[i-1] and the message "<label> row i".
inline void fill(const QStringList& codes, const char* label, qint64* count, QStringList* names,
                 QStringList* messages, QStringList* notes, CodeIndex* index) {
  *count = codes.size();
  *names = QStringList{QString()} + codes;
  *messages = QStringList{QString()};
  for (qint64 i = 1; i <= *count; ++i)
    messages->append(QStringLiteral("%1 row %2").arg(label).arg(i));
  *notes = QStringList(*count + 1);
  index->build(*names, *count);
}

}  // namespace testtables

// Tables built in memory: row i gets the code codes[i-1] and the message
// "param row i" or "tag row i".
inline ReferenceTables makeTables(const QStringList& paramCodes, const QStringList& tagCodes) {
  ReferenceTables t;
  testtables::fill(paramCodes, "param", &t.ParamCount, &t.ParamNames, &t.ParamMessages,
                   &t.ParamNotes, &t.ParamIndex);
  testtables::fill(tagCodes, "tag", &t.TagCount, &t.TagNames, &t.TagMessages, &t.TagNotes,
                   &t.TagIndex);
  return t;
}
