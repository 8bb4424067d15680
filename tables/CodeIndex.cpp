#include "CodeIndex.h"

#include "ReferenceTable.h"

void CodeIndex::build(std::span<const TableRow> rows) {
  const qsizetype count = qsizetype(rows.size());
  int bits = 4;
  while ((qint64(1) << bits) < count + count / 3 + 2) ++bits;  // at most three quarters full
  slots_.assign(std::size_t(1) << bits, Slot{0, -1});
  mask_ = slots_.size() - 1;
  shift_ = 64 - bits;
  size_ = 0;
  zeroKeyRow_ = -1;
  for (qsizetype row = 0; row < count; ++row) {
    const QStringView code = rows[std::size_t(row)].code;
    if (code.size() != 4) continue;
    const quint64 key = keyOf(code.data());
    ++size_;
    // Rows are visited top down, so the first entry for a code is its first row.
    if (key == 0) {
      if (zeroKeyRow_ < 0) zeroKeyRow_ = row;
      continue;
    }
    std::size_t slot = slotOf(key);
    while (slots_[slot].key != 0 && slots_[slot].key != key) slot = (slot + 1) & mask_;
    if (slots_[slot].key == 0) slots_[slot] = Slot{key, row};
  }
}
