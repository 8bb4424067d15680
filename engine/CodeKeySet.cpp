#include "CodeKeySet.h"

void CodeKeySet::build(const ReferenceTables& tables) {
  const qint64 codes = tables.TagCount + tables.ParamCount;
  int bits = 4;
  while ((qint64(1) << bits) < 2 * codes + 2) ++bits;  // at most half full
  slots_.assign(std::size_t(1) << bits, 0);
  mask_ = slots_.size() - 1;
  shift_ = 64 - bits;
  hasZeroKey_ = false;
  auto add = [this](const QStringList& names, qint64 count) {
    for (qint64 row = 1; row <= count; ++row) {
      if (names[row].size() == 4) insert(CodeIndex::keyOf(names[row].constData()));
    }
  };
  add(tables.ParamNames, tables.ParamCount);
  add(tables.TagNames, tables.TagCount);
}

void CodeKeySet::insert(quint64 key) {
  if (key == 0) {
    hasZeroKey_ = true;
    return;
  }
  std::size_t slot = slotOf(key);
  while (slots_[slot] != 0 && slots_[slot] != key) slot = (slot + 1) & mask_;
  slots_[slot] = key;
}
