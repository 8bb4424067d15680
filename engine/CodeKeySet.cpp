#include "CodeKeySet.h"

void CodeKeySet::build(const QStringList& first, qint64 firstCount, const QStringList& second,
                       qint64 secondCount) {
  const qint64 codes = firstCount + secondCount;
  int bits = 4;
  while ((qint64(1) << bits) < 2 * codes + 2) ++bits;  // at most half full
  slots_.assign(std::size_t(1) << bits, 0);
  mask_ = slots_.size() - 1;
  shift_ = 64 - bits;
  hasZeroKey_ = false;
  std::size_t words = 1;
  while (qint64(words) * 64 < 16 * codes) words *= 2;
  filter_.assign(words, 0);
  filterMask_ = words - 1;
  auto add = [this](const QStringList& names, qint64 count) {
    for (qint64 row = 1; row <= count; ++row) {
      const QString& name = names[row];
      if (name.size() != 4) continue;
      char bytes[4];
      bool ascii = true;
      for (int i = 0; i < 4; ++i) {
        ascii = ascii && name[i].unicode() < 0x80;
        bytes[i] = static_cast<char>(name[i].unicode());
      }
      if (ascii) insert(keyOf(bytes));
    }
  };
  add(first, firstCount);
  add(second, secondCount);
}

void CodeKeySet::insert(std::uint32_t key) {
  const std::uint64_t hash = key * 0x9E3779B97F4A7C15ull;
  filter_[(hash >> 32) & filterMask_] |= filterBits(hash);
  if (key == 0) {
    hasZeroKey_ = true;
    return;
  }
  std::size_t slot = slotOf(key);
  while (slots_[slot] != 0 && slots_[slot] != key) slot = (slot + 1) & mask_;
  slots_[slot] = key;
}
