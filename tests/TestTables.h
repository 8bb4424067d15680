#pragma once

#include <QStringList>

#include "Tables.h"

// A table built in memory: row i (from 1) gets codes[i-1], the message
// "<label> row i" and an empty note.
inline ReferenceTable makeTable(const QStringList& codes, const QString& label) {
  ReferenceTableBuilder builder;
  for (qsizetype i = 0; i < codes.size(); ++i) {
    const auto code = builder.addText(QStringView(codes[i]));
    const auto message = builder.addText(QStringLiteral("%1 row %2").arg(label).arg(i + 1));
    builder.addRow(code, message, builder.addText(QStringView()), i + 1);
  }
  return builder.build();
}

// Tables whose rows read "param row i" and "tag row i".
inline Tables makeTables(const QStringList& paramCodes, const QStringList& tagCodes) {
  Tables tables;
  tables.params = makeTable(paramCodes, QStringLiteral("param"));
  tables.tags = makeTable(tagCodes, QStringLiteral("tag"));
  return tables;
}
