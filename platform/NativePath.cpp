#include "NativePath.h"

#include "SystemText.h"

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when there is none:
// no overlong forms, no surrogates, nothing past U+10FFFF.
qsizetype validSequence(QByteArrayView bytes, qsizetype at) {
  const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  qsizetype length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (qsizetype i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

QString decodeNativePath(QByteArrayView bytes) {
  QString path;
  path.reserve(bytes.size());
  qsizetype run = 0;  // start of the valid bytes not yet decoded
  for (qsizetype at = 0; at < bytes.size();) {
    const qsizetype length = validSequence(bytes, at);
    if (length > 0) {
      at += length;
      continue;
    }
    path += decodeSystemText(bytes.sliced(run, at - run));
    path += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at])));
    run = ++at;
  }
  path += decodeSystemText(bytes.sliced(run));
  return path;
}

QByteArray encodeNativePath(QStringView path) {
  QByteArray bytes;
  qsizetype run = 0;  // start of the text not yet encoded
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t c = path[i].unicode();
    // A character of U+DC80 to U+DCFF after a high surrogate is half of a
    // character past 16 bits, not a byte.
    if (!isEscapedPathByte(c) || (i > 0 && path[i - 1].isHighSurrogate())) continue;
    bytes += path.sliced(run, i - run).toUtf8();
    bytes += char(c - 0xDC00);
    run = i + 1;
  }
  if (run == 0) return path.toUtf8();
  bytes += path.sliced(run).toUtf8();
  return bytes;
}
