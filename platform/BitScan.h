#pragma once

#include <cstdint>

// Small helpers for walking the set bits of a 64-bit mask.

// Bits below position `bit` (0..64).
inline std::uint64_t bitsBelow(int bit) {
  return bit >= 64 ? ~0ull : (1ull << bit) - 1;
}
inline int lowestBit(std::uint64_t m) {
  return __builtin_ctzll(m);
}
