#include "RowExplanation.h"

#include "Rules.h"
#include "TableCheck.h"

QString explainRow(const Tables& tables, TableKind table, const TableRow& row) {
  const bool shadowed = tables[table].find(row.code) != &row - tables[table].rows().data();
  return QStringLiteral("%1 in %2, %3 line %4%5\n  message: %6\n  note: %7\n")
      .arg(shownCode(row.code), rules::tableName(table),
           table == TableKind::Tags ? tables.tagsPath : tables.paramsPath)
      .arg(row.line)
      .arg(shadowed ? QStringLiteral(" (never reported: an earlier row lists it)") : QString())
      .arg(row.message, row.note);
}
