#pragma once

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Copies n bytes into 16-bit characters while checking that all of them are
// ASCII, in one pass: the check and the copy each cost a table of 20,000 rows
// a pass over its text otherwise. False when a byte is outside ASCII; what
// was written to `out` is then not to be used.
inline bool widenAscii(const char* bytes, qsizetype n, char16_t* out) {
  qsizetype i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; n - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    if (_mm_movemask_epi8(v) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  unsigned char any = 0;
  for (; i < n; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    any |= c;
    out[i] = c;
  }
  return any < 0x80;
}
