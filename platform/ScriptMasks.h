#pragma once

#include <cstdint>

#include <QtGlobal>

// Where the bytes that shape a statement stand in a group of 64 script bytes
// (bit i for byte i). A scan reads these a group at a time, so that a stretch
// without quotation marks costs a few instructions per 64 bytes.
struct ScriptMasks {
  static constexpr int kGroup = 64;

  std::uint64_t quotes = 0;    // '"'
  std::uint64_t lineEnds = 0;  // CR
  std::uint64_t hashes = 0;    // '#', where a comment begins
  // Bytes a statement may drop or that need decoding: tab, LF, VT, FF,
  // space and anything outside ASCII. VT is kept by the normaliser; it is
  // here only because one range test is cheaper than three.
  std::uint64_t loose = 0;
  // The loose bytes a statement keeps all the same: VT and anything outside
  // ASCII. A loose byte not marked here is dropped or, a space, kept only
  // between letters or digits.
  std::uint64_t odd = 0;
  // Line ends in the groups before this one, of those masked in one call.
  std::uint32_t lineEndsBefore = 0;
};

// Masks `groups` groups of 64 bytes from `bytes`, of which the first `n` are
// real; the rest count as zero bytes, which match nothing. Returns the number
// of line ends in all of them. Uses AVX2 where the processor has it.
qint64 maskScript(const char* bytes, qsizetype n, qsizetype groups, ScriptMasks* out);

// The same without AVX2, for tests that compare the two; and whether
// maskScript() uses AVX2 on this processor.
qint64 maskScriptPortable(const char* bytes, qsizetype n, qsizetype groups, ScriptMasks* out);
bool canMaskScriptWide();

// How many bytes of [p, p + n) equal `x`.
qsizetype countByte(const char* p, qsizetype n, char x);
