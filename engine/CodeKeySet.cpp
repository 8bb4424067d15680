#include "CodeKeySet.h"

void CodeKeySet::build(const CodeIndex& first, const CodeIndex& second) {
  const qint64 codes = first.size() + second.size();
  int bits = 4;
  while ((qint64(1) << bits) < codes + codes / 3 + 2) ++bits;  // at most three quarters full
  slots_.assign(std::size_t(1) << bits, 0);
  mask_ = slots_.size() - 1;
  shift_ = 64 - bits;
  hasZeroKey_ = false;
  std::size_t words = 1;
  while (qint64(words) * 64 < 16 * codes) words *= 2;
  filter_.assign(words, 0);
  filterMask_ = words - 1;
  // A code key holds four 16-bit characters; only codes of ASCII characters
  // can be matched by a window of ASCII bytes.
  auto add = [this](quint64 key) {
    if ((key & 0xff80ff80ff80ff80ull) != 0) return;
    const char bytes[4] = {char(key >> 48), char(key >> 32), char(key >> 16), char(key)};
    insert(keyOf(bytes));
  };
  first.forEachKey(add);
  second.forEachKey(add);
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
