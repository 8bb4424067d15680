#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bit masks of where three given byte values stand in a group of 64 bytes
// (bit i for byte i). Scanning a script group by group this way costs a few
// instructions per 64 bytes instead of a branch per byte.
struct ByteMasks {
  static constexpr int kGroup = 64;

  std::uint64_t a = 0;
  std::uint64_t b = 0;
  std::uint64_t c = 0;

  static ByteMasks of(const char* group, char x, char y, char z) {
    ByteMasks m;
#if defined(__SSE2__)
    const __m128i vx = _mm_set1_epi8(x);
    const __m128i vy = _mm_set1_epi8(y);
    const __m128i vz = _mm_set1_epi8(z);
    for (int part = 0; part < 4; ++part) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group + 16 * part));
      const int shift = 16 * part;
      m.a |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, vx)))) << shift;
      m.b |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, vy)))) << shift;
      m.c |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, vz)))) << shift;
    }
#else
    for (int i = 0; i < kGroup; ++i) {
      m.a |= std::uint64_t(group[i] == x) << i;
      m.b |= std::uint64_t(group[i] == y) << i;
      m.c |= std::uint64_t(group[i] == z) << i;
    }
#endif
    return m;
  }

  // The same for the last, shorter group of a range: the missing bytes are
  // zero, which match none of the bytes looked for (callers never look for 0).
  static ByteMasks ofTail(const char* group, int size, char x, char y, char z) {
    char padded[kGroup] = {};
    std::memcpy(padded, group, static_cast<size_t>(size));
    return of(padded, x, y, z);
  }
};

// How many bytes of [p, p + n) equal `x`. Counts 16 bytes a step without a
// popcount instruction, which the baseline x86-64 target lacks.
inline qsizetype countByte(const char* p, qsizetype n, char x) {
  qsizetype count = 0;
  qsizetype i = 0;
#if defined(__SSE2__)
  const __m128i vx = _mm_set1_epi8(x);
  while (n - i >= 16) {
    // Each step adds 0xff (-1) per match to a byte lane; 255 steps cannot overflow it.
    __m128i lanes = _mm_setzero_si128();
    const qsizetype steps = std::min<qsizetype>((n - i) / 16, 255);
    for (qsizetype s = 0; s < steps; ++s, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, vx));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
  }
#endif
  for (; i < n; ++i) count += p[i] == x;
  return count;
}

// Bits below position `bit` (0..64).
inline std::uint64_t bitsBelow(int bit) {
  return bit >= 64 ? ~0ull : (1ull << bit) - 1;
}
inline int highestBit(std::uint64_t m) {
  return 63 - __builtin_clzll(m);
}
inline int lowestBit(std::uint64_t m) {
  return __builtin_ctzll(m);
}
