#pragma once

#include <QChar>

// The 16-bit code of a character, whether it comes as a byte of ASCII text
// or as a decoded character, so one template serves both kinds of text.
inline char16_t unitOf(char c) {
  return static_cast<unsigned char>(c);
}
inline char16_t unitOf(QChar c) {
  return c.unicode();
}
inline char16_t unitOf(char16_t c) {
  return c;
}
