#include "ScriptMasks.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VORNEL_X86 1
#endif

namespace scriptmasks {

namespace {

constexpr char kQuote = static_cast<char>(syntax::kQuote);
constexpr char kLineEnd = static_cast<char>(syntax::kLineEnd);
constexpr char kComment = static_cast<char>(syntax::kComment);
constexpr char kLineFeed = '\n';

// The bytes of group g: straight from the script, or for the short or empty
// last group from a zero-padded copy.
inline const char* groupAt(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t g, char* padded) {
  const std::ptrdiff_t at = g * ScriptMasks::kGroup;
  if (n - at >= ScriptMasks::kGroup) return bytes + at;
  std::memset(padded, 0, ScriptMasks::kGroup);
  if (n > at) std::memcpy(padded, bytes + at, static_cast<std::size_t>(n - at));
  return padded;
}

void maskGroupScalar(const char* group, ScriptMasks* m, std::uint32_t* lineEnds) {
  ScriptMasks r;
  for (int i = 0; i < ScriptMasks::kGroup; ++i) {
    const char c = group[i];
    const std::uint64_t bit = std::uint64_t(1) << i;
    if (c == kQuote) r.quotes |= bit;
    if (c == kLineEnd) r.lineEnds |= bit;
    if (c == kLineFeed) r.lineFeeds |= bit;
    if (c == kComment) r.hashes |= bit;
    if (isLooseByte(static_cast<unsigned char>(c))) r.loose |= bit;
  }
  r.lineEndsBefore = *lineEnds;
  *lineEnds += static_cast<std::uint32_t>(std::popcount(r.lineEnds));
  *m = r;
}

// Each kernel has its own loop over the groups: a function built for a wider
// instruction set inlines only into another one.
std::int64_t maskScalar(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                        ScriptMasks* out) {
  char padded[ScriptMasks::kGroup];
  std::uint32_t lineEnds = 0;
  for (std::ptrdiff_t g = 0; g < groups; ++g)
    maskGroupScalar(groupAt(bytes, n, g, padded), &out[g], &lineEnds);
  return lineEnds;
}

#if VORNEL_X86

#define VORNEL_SSE2 [[gnu::target("sse2")]]
#define VORNEL_AVX2 [[gnu::target("avx2,popcnt")]]

VORNEL_SSE2 inline std::uint64_t bits16(__m128i v) {
  return std::uint16_t(_mm_movemask_epi8(v));
}

// The bytes each vector kernel compares against, set up once for all the
// groups of a call rather than again for every group.
struct Sse2Bytes {
  __m128i quote, lineEnd, lineFeed, comment, space, tab, lastDropped;
};

VORNEL_SSE2 inline Sse2Bytes sse2Bytes() {
  return {_mm_set1_epi8(kQuote),   _mm_set1_epi8(kLineEnd), _mm_set1_epi8(kLineFeed),
          _mm_set1_epi8(kComment), _mm_set1_epi8(' '),      _mm_set1_epi8(9),
          _mm_set1_epi8(3)};
}

VORNEL_SSE2 inline void maskGroupSse2(const char* group, const Sse2Bytes& k, ScriptMasks* m,
                                      std::uint32_t* lineEnds) {
  std::uint64_t quotes = 0, ends = 0, hashes = 0, loose = 0, feeds = 0;
  for (int part = 0; part < 4; ++part) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group + 16 * part));
    const int shift = 16 * part;
    quotes |= bits16(_mm_cmpeq_epi8(v, k.quote)) << shift;
    ends |= bits16(_mm_cmpeq_epi8(v, k.lineEnd)) << shift;
    feeds |= bits16(_mm_cmpeq_epi8(v, k.lineFeed)) << shift;
    hashes |= bits16(_mm_cmpeq_epi8(v, k.comment)) << shift;
    // 9..12 by one unsigned range test, then space, then the high bit.
    const __m128i fromTab = _mm_sub_epi8(v, k.tab);
    const __m128i range = _mm_cmpeq_epi8(_mm_min_epu8(fromTab, k.lastDropped), fromTab);
    const std::uint64_t high = bits16(v);
    loose |= (bits16(_mm_or_si128(range, _mm_cmpeq_epi8(v, k.space))) | high) << shift;
  }
  *m = ScriptMasks{quotes, ends, hashes, loose, feeds, *lineEnds};
  // Counted here, where popcount is one instruction when the processor has it.
  *lineEnds += static_cast<std::uint32_t>(std::popcount(ends));
}

VORNEL_SSE2 std::int64_t maskSse2(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                                  ScriptMasks* out) {
  const Sse2Bytes k = sse2Bytes();
  std::uint32_t lineEnds = 0;
  // The groups the bytes fill read straight from them, the rest from a copy.
  const std::ptrdiff_t whole =
      std::min(groups, std::max<std::ptrdiff_t>(n, 0) / ScriptMasks::kGroup);
  for (std::ptrdiff_t g = 0; g < whole; ++g)
    maskGroupSse2(bytes + g * ScriptMasks::kGroup, k, &out[g], &lineEnds);
  char padded[ScriptMasks::kGroup];
  for (std::ptrdiff_t g = whole; g < groups; ++g)
    maskGroupSse2(groupAt(bytes, n, g, padded), k, &out[g], &lineEnds);
  return lineEnds;
}

VORNEL_AVX2 inline std::uint64_t bits32(__m256i v) {
  return std::uint32_t(_mm256_movemask_epi8(v));
}

struct Avx2Bytes {
  __m256i quote, lineEnd, lineFeed, comment, space, tab, lastDropped;
};

VORNEL_AVX2 inline Avx2Bytes avx2Bytes() {
  return {_mm256_set1_epi8(kQuote),   _mm256_set1_epi8(kLineEnd), _mm256_set1_epi8(kLineFeed),
          _mm256_set1_epi8(kComment), _mm256_set1_epi8(' '),      _mm256_set1_epi8(9),
          _mm256_set1_epi8(3)};
}

VORNEL_AVX2 inline void maskGroupAvx2(const char* group, const Avx2Bytes& k, ScriptMasks* m,
                                      std::uint32_t* lineEnds) {
  std::uint64_t quotes = 0, ends = 0, hashes = 0, loose = 0, feeds = 0;
  for (int part = 0; part < 2; ++part) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(group + 32 * part));
    const int shift = 32 * part;
    quotes |= bits32(_mm256_cmpeq_epi8(v, k.quote)) << shift;
    ends |= bits32(_mm256_cmpeq_epi8(v, k.lineEnd)) << shift;
    feeds |= bits32(_mm256_cmpeq_epi8(v, k.lineFeed)) << shift;
    hashes |= bits32(_mm256_cmpeq_epi8(v, k.comment)) << shift;
    const __m256i fromTab = _mm256_sub_epi8(v, k.tab);
    const __m256i range = _mm256_cmpeq_epi8(_mm256_min_epu8(fromTab, k.lastDropped), fromTab);
    const std::uint64_t high = bits32(v);
    loose |= (bits32(_mm256_or_si256(range, _mm256_cmpeq_epi8(v, k.space))) | high) << shift;
  }
  *m = ScriptMasks{quotes, ends, hashes, loose, feeds, *lineEnds};
  // Counted here, where popcount is one instruction when the processor has it.
  *lineEnds += static_cast<std::uint32_t>(std::popcount(ends));
}

VORNEL_AVX2 std::int64_t maskAvx2(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                                  ScriptMasks* out) {
  const Avx2Bytes k = avx2Bytes();
  std::uint32_t lineEnds = 0;
  const std::ptrdiff_t whole =
      std::min(groups, std::max<std::ptrdiff_t>(n, 0) / ScriptMasks::kGroup);
  for (std::ptrdiff_t g = 0; g < whole; ++g)
    maskGroupAvx2(bytes + g * ScriptMasks::kGroup, k, &out[g], &lineEnds);
  char padded[ScriptMasks::kGroup];
  for (std::ptrdiff_t g = whole; g < groups; ++g)
    maskGroupAvx2(groupAt(bytes, n, g, padded), k, &out[g], &lineEnds);
  return lineEnds;
}

bool detectSse2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
}

bool detectAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

#endif  // VORNEL_X86

}  // namespace

bool canRun(Kernel kernel) {
  switch (kernel) {
    case Kernel::Scalar:
      return true;
#if VORNEL_X86
    case Kernel::Sse2: {
      static const bool sse2 = detectSse2();
      return sse2;
    }
    case Kernel::Avx2: {
      static const bool avx2 = detectAvx2();
      return avx2;
    }
#else
    case Kernel::Sse2:
    case Kernel::Avx2:
      return false;
#endif
  }
  return false;
}

Kernel fastest() {
  static const Kernel kernel = canRun(Kernel::Avx2)   ? Kernel::Avx2
                               : canRun(Kernel::Sse2) ? Kernel::Sse2
                                                      : Kernel::Scalar;
  return kernel;
}

std::int64_t mask(Kernel kernel, const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                  ScriptMasks* out) {
  switch (kernel) {
#if VORNEL_X86
    case Kernel::Avx2:
      return maskAvx2(bytes, n, groups, out);
    case Kernel::Sse2:
      return maskSse2(bytes, n, groups, out);
#endif
    default:
      return maskScalar(bytes, n, groups, out);
  }
}

}  // namespace scriptmasks

std::int64_t maskScript(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                        ScriptMasks* out) {
  return scriptmasks::mask(scriptmasks::fastest(), bytes, n, groups, out);
}
