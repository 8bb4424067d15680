#include "CodeIndex.h"

void CodeIndex::build(const QStringList& names, qint64 count) {
  rows_.clear();
  rows_.reserve(count);
  for (qint64 row = 1; row <= count; ++row) {
    const QString& code = names[row];
    // Rows are visited top down, so the first insert for a code is its lowest row.
    if (code.size() != 4) continue;
    const quint64 key = keyOf(code.constData());
    if (!rows_.contains(key)) rows_.insert(key, row);
  }
}
