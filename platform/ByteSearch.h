#pragma once

#include <cstddef>
#include <cstring>

// Byte searches the C library offers on some systems only.

// The last byte `c` in [p, p + n), or nullptr.
inline const char* findLastByte(const char* p, std::size_t n, char c) {
#if defined(__GLIBC__)
  return static_cast<const char*>(::memrchr(p, c, n));
#else
  while (n > 0) {
    if (p[--n] == c) return p + n;
  }
  return nullptr;
#endif
}

// The first byte `c` in [p, p + n), or nullptr.
inline const char* findByte(const char* p, std::size_t n, char c) {
  return static_cast<const char*>(std::memchr(p, c, n));
}
