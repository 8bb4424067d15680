#pragma once

#include <cstddef>
#include <cstdint>

#include "StatementSyntax.h"

// Where the bytes that shape a statement stand in a group of 64 script bytes
// (bit i for byte i). A scan reads these a group at a time, so that a stretch
// without quotation marks costs a few instructions per 64 bytes.
struct ScriptMasks {
  static constexpr int kGroup = 64;

  std::uint64_t quotes = 0;    // '"'
  std::uint64_t lineEnds = 0;  // CR
  std::uint64_t hashes = 0;    // '#', where a comment begins
  // Bytes a statement may drop or that need decoding (see isLooseByte). The
  // few of them it keeps all the same (see isOddByte) have no mask: where it
  // matters, they are read from the bytes, a handful at a time.
  std::uint64_t loose = 0;
  std::uint64_t lineFeeds = 0;  // LF, which ends a statement only after a CR
  // Line ends in the groups before this one, of those masked in one call.
  std::uint32_t lineEndsBefore = 0;
};

namespace scriptmasks {

// What the masks mark, byte by byte. The vector kernels test one range,
// 9 to 12, for the bytes a statement drops; it holds the vertical tab too,
// which a statement keeps, so loose says "maybe" for it and isOddByte takes it
// back.
constexpr bool isLooseByte(unsigned char b) {
  return (b >= 9 && b <= 12) || b == syntax::kSpace || !syntax::isAsciiByte(b);
}
constexpr bool isOddByte(unsigned char b) {
  return b == '\v' || !syntax::isAsciiByte(b);
}

constexpr bool masksFollowTheSyntax() {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const bool vanishes = syntax::isAsciiByte(byte) && syntax::mayVanish(byte);
    if (syntax::mayVanish(byte) && !isLooseByte(byte)) return false;
    if (isOddByte(byte) != (isLooseByte(byte) && !vanishes)) return false;
  }
  return true;
}
static_assert(masksFollowTheSyntax(),
              "the loose bytes, less the odd ones, must be exactly the bytes a statement may drop");

enum class Kernel { Scalar, Sse2, Avx2 };

// Whether this build and this processor can run `kernel`. Scalar always can.
bool canRun(Kernel kernel);
// The fastest kernel this processor runs.
Kernel fastest();

// Masks `groups` groups of 64 bytes from `bytes`, of which the first `n` are
// real; the rest count as zero bytes, which match nothing. Returns the number
// of line ends in all of them. `kernel` must be one canRun() accepts.
std::int64_t mask(Kernel kernel, const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                  ScriptMasks* out);

}  // namespace scriptmasks

// The same with the fastest kernel.
std::int64_t maskScript(const char* bytes, std::ptrdiff_t n, std::ptrdiff_t groups,
                        ScriptMasks* out);
