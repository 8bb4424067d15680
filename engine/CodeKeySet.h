#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <QtGlobal>
#include "CodeIndex.h"

// The 4-character codes of one or both tables, as a flat hash set keyed by
// their four bytes: one probe, usually within one cache line, whatever the
// tables' size. Only codes of ASCII characters are held: a window of raw
// bytes is looked up here only when all its bytes are ASCII.
class CodeKeySet {
 public:
  // The codes of both indexes.
  void build(const CodeIndex& first, const CodeIndex& second);

  // The key of four bytes.
  static std::uint32_t keyOf(const char* four) {
    std::uint32_t key;
    std::memcpy(&key, four, sizeof key);
    return key;
  }

  bool contains(std::uint32_t key) const {
    // Most windows hold no code: a filter small enough to stay in the
    // nearest cache turns nearly all of them away before the table is read.
    const std::uint64_t hash = key * 0x9E3779B97F4A7C15ull;
    const std::uint64_t word = filter_[(hash >> 32) & filterMask_];
    const std::uint64_t bits = filterBits(hash);
    if ((word & bits) != bits) return false;
    if (key == 0) return hasZeroKey_;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask_) {
      const std::uint32_t k = slots_[slot];
      if (k == key) return true;
      if (k == 0) return false;
    }
  }

 private:
  std::size_t slotOf(std::uint32_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void insert(std::uint32_t key);

  // Two bits of one 64-bit word per code, at 16 bits of filter per code:
  // about 1% false hits, and small enough for the nearest cache up to a
  // few thousand codes.
  static std::uint64_t filterBits(std::uint64_t hash) {
    return (std::uint64_t(1) << (hash & 63)) | (std::uint64_t(1) << ((hash >> 6) & 63));
  }
  std::vector<std::uint64_t> filter_{0};
  std::size_t filterMask_ = 0;

  std::vector<std::uint32_t> slots_{0};  // 0 marks an empty slot
  std::size_t mask_ = 0;
  int shift_ = 63;
  bool hasZeroKey_ = false;
};
