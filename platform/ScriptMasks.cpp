#include "ScriptMasks.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VORNEL_X86 1
#endif

namespace {

// The bytes of group g: straight from the script, or for the short or empty
// last group from a zero-padded copy.
inline const char* groupAt(const char* bytes, qsizetype n, qsizetype g, char* padded) {
  const qsizetype at = g * ScriptMasks::kGroup;
  if (n - at >= ScriptMasks::kGroup) return bytes + at;
  std::memset(padded, 0, ScriptMasks::kGroup);
  if (n > at) std::memcpy(padded, bytes + at, static_cast<size_t>(n - at));
  return padded;
}

template <typename GroupMasker>
qint64 maskGroups(const char* bytes, qsizetype n, qsizetype groups, ScriptMasks* out,
                  GroupMasker maskGroup) {
  std::uint32_t lineEnds = 0;
  char padded[ScriptMasks::kGroup];
  for (qsizetype g = 0; g < groups; ++g) {
    maskGroup(groupAt(bytes, n, g, padded), &out[g]);
    out[g].lineEndsBefore = lineEnds;
    lineEnds += static_cast<std::uint32_t>(__builtin_popcountll(out[g].lineEnds));
  }
  return lineEnds;
}

#if VORNEL_X86

// Loose bytes: 9..12 by one unsigned range test, space, and the high bit.
inline std::uint64_t looseOf16(__m128i v) {
  const __m128i fromTab = _mm_sub_epi8(v, _mm_set1_epi8(9));
  const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(fromTab, _mm_set1_epi8(3)), fromTab);
  const __m128i space = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
  return std::uint16_t(_mm_movemask_epi8(_mm_or_si128(control, space)) | _mm_movemask_epi8(v));
}

void maskGroup16(const char* group, ScriptMasks* m) {
  std::uint64_t quotes = 0, lineEnds = 0, hashes = 0, loose = 0, odd = 0;
  for (int part = 0; part < 4; ++part) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group + 16 * part));
    const int shift = 16 * part;
    quotes |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')))))
              << shift;
    lineEnds |=
        std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')))))
        << shift;
    hashes |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('#')))))
              << shift;
    loose |= looseOf16(v) << shift;
    odd |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\v'))) |
                                       _mm_movemask_epi8(v)))
           << shift;
  }
  *m = ScriptMasks{quotes, lineEnds, hashes, loose, odd, 0};
}

[[gnu::target("avx2,popcnt")]] inline std::uint64_t bits32(__m256i v) {
  return std::uint32_t(_mm256_movemask_epi8(v));
}

[[gnu::target("avx2,popcnt")]] inline void maskGroup32(const char* group, ScriptMasks* m) {
  std::uint64_t quotes = 0, lineEnds = 0, hashes = 0, loose = 0, odd = 0;
  for (int part = 0; part < 2; ++part) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(group + 32 * part));
    const int shift = 32 * part;
    quotes |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('"'))) << shift;
    lineEnds |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r'))) << shift;
    hashes |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('#'))) << shift;
    const __m256i fromTab = _mm256_sub_epi8(v, _mm256_set1_epi8(9));
    const __m256i control =
        _mm256_cmpeq_epi8(_mm256_min_epu8(fromTab, _mm256_set1_epi8(3)), fromTab);
    const __m256i space = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '));
    const std::uint64_t high = bits32(v);
    loose |= (bits32(_mm256_or_si256(control, space)) | high) << shift;
    odd |= (bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\v'))) | high) << shift;
  }
  *m = ScriptMasks{quotes, lineEnds, hashes, loose, odd, 0};
}

// Written out rather than through maskGroups(): a function built for AVX2
// inlines only into another one, and popcount is one instruction here.
[[gnu::target("avx2,popcnt")]] qint64 maskScriptAvx2(const char* bytes, qsizetype n,
                                                     qsizetype groups, ScriptMasks* out) {
  std::uint32_t lineEnds = 0;
  char padded[ScriptMasks::kGroup];
  for (qsizetype g = 0; g < groups; ++g) {
    maskGroup32(groupAt(bytes, n, g, padded), &out[g]);
    out[g].lineEndsBefore = lineEnds;
    lineEnds += static_cast<std::uint32_t>(__builtin_popcountll(out[g].lineEnds));
  }
  return lineEnds;
}

[[gnu::target("avx2")]] qsizetype countByteAvx2(const char* p, qsizetype n, char x) {
  qsizetype count = 0;
  qsizetype i = 0;
  const __m256i vx = _mm256_set1_epi8(x);
  while (n - i >= 32) {
    // Each step adds 0xff (-1) per match to a byte lane; 255 steps cannot overflow it.
    __m256i lanes = _mm256_setzero_si256();
    const qsizetype steps = std::min<qsizetype>((n - i) / 32, 255);
    for (qsizetype s = 0; s < steps; ++s, i += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
      lanes = _mm256_sub_epi8(lanes, _mm256_cmpeq_epi8(v, vx));
    }
    const __m256i sums = _mm256_sad_epu8(lanes, _mm256_setzero_si256());
    count += _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
             _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3);
  }
  for (; i < n; ++i) count += p[i] == x;
  return count;
}

qsizetype countByte16(const char* p, qsizetype n, char x) {
  qsizetype count = 0;
  qsizetype i = 0;
  const __m128i vx = _mm_set1_epi8(x);
  while (n - i >= 16) {
    __m128i lanes = _mm_setzero_si128();
    const qsizetype steps = std::min<qsizetype>((n - i) / 16, 255);
    for (qsizetype s = 0; s < steps; ++s, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, vx));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
  }
  for (; i < n; ++i) count += p[i] == x;
  return count;
}

#else

void maskGroupBytes(const char* group, ScriptMasks* m) {
  ScriptMasks r;
  for (int i = 0; i < ScriptMasks::kGroup; ++i) {
    const auto c = static_cast<unsigned char>(group[i]);
    const std::uint64_t bit = std::uint64_t(1) << i;
    if (c == '"') r.quotes |= bit;
    if (c == '\r') r.lineEnds |= bit;
    if (c == '#') r.hashes |= bit;
    if ((c >= 9 && c <= 12) || c == ' ' || c >= 0x80) r.loose |= bit;
    if (c == '\v' || c >= 0x80) r.odd |= bit;
  }
  *m = r;
}

#endif

bool detectWide() {
#if VORNEL_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
#else
  return false;
#endif
}

}  // namespace

bool canMaskScriptWide() {
  static const bool wide = detectWide();
  return wide;
}

qint64 maskScriptPortable(const char* bytes, qsizetype n, qsizetype groups, ScriptMasks* out) {
#if VORNEL_X86
  return maskGroups(bytes, n, groups, out, maskGroup16);
#else
  return maskGroups(bytes, n, groups, out, maskGroupBytes);
#endif
}

qint64 maskScript(const char* bytes, qsizetype n, qsizetype groups, ScriptMasks* out) {
#if VORNEL_X86
  if (canMaskScriptWide()) return maskScriptAvx2(bytes, n, groups, out);
#endif
  return maskScriptPortable(bytes, n, groups, out);
}

qsizetype countByte(const char* p, qsizetype n, char x) {
#if VORNEL_X86
  return canMaskScriptWide() ? countByteAvx2(p, n, x) : countByte16(p, n, x);
#else
  qsizetype count = 0;
  for (qsizetype i = 0; i < n; ++i) count += p[i] == x;
  return count;
#endif
}
