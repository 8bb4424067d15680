#pragma once

#include <span>
#include <vector>

#include <QtGlobal>

#include "CharUnits.h"

struct TableRow;

// The 4-character codes of one table, each mapped to the first row that
// holds it. A search asks one lookup per quoted 6-character window instead
// of comparing every row at every position, with the same answer: at a given
// position the first matching row wins. Codes of any other length can never
// match a window, so they are not indexed.
class CodeIndex {
 public:
  void build(std::span<const TableRow> rows);
  bool isEmpty() const { return size_ == 0; }
  // The index of the first row with the code, or -1.
  qsizetype lowestRow(quint64 key) const {
    if (key == 0) return zeroKeyRow_;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.key == key) return s.row;
      if (s.key == 0) return -1;
    }
  }

  // Calls f(key) for every code held, in no particular order.
  template <typename F>
  void forEachKey(F f) const {
    if (zeroKeyRow_ >= 0) f(quint64(0));
    for (const Slot& s : slots_) {
      if (s.key != 0) f(s.key);
    }
  }
  // How many distinct codes it holds, at most.
  qsizetype size() const { return size_; }

  // Packs four characters into a key; bytes and 16-bit characters of the same
  // codes give the same key, so ASCII text can be searched without decoding.
  template <typename Char>
  static quint64 keyOf(const Char* four) {
    return (quint64(unitOf(four[0])) << 48) | (quint64(unitOf(four[1])) << 32) |
           (quint64(unitOf(four[2])) << 16) | quint64(unitOf(four[3]));
  }

 private:
  // A flat table with linear probing, at most three quarters full; key 0 marks an
  // empty slot, so the code of four NUL characters is kept aside.
  struct Slot {
    quint64 key;
    qsizetype row;
  };
  std::size_t slotOf(quint64 key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  std::vector<Slot> slots_{Slot{0, -1}};
  std::size_t mask_ = 0;
  int shift_ = 63;
  qsizetype size_ = 0;
  qsizetype zeroKeyRow_ = -1;
};
