#pragma once

#include <vector>

#include <QtGlobal>

#include "ReferenceTables.h"

// The 4-character codes of both tables as one flat hash set of packed keys:
// one probe, usually within one cache line, whatever the tables' size.
class CodeKeySet {
 public:
  void build(const ReferenceTables& tables);

  bool contains(quint64 key) const {
    if (key == 0) return hasZeroKey_;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask_) {
      const quint64 k = slots_[slot];
      if (k == key) return true;
      if (k == 0) return false;
    }
  }

 private:
  std::size_t slotOf(quint64 key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void insert(quint64 key);

  std::vector<quint64> slots_{0};  // 0 marks an empty slot
  std::size_t mask_ = 0;
  int shift_ = 63;
  bool hasZeroKey_ = false;
};
