#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Turns bytes in the system code page (UTF-8 on Linux) into text. An invalid
// byte becomes U+FFFD; decoding never fails and never drops a character,
// not even a byte-order mark.
inline bool isAsciiText(QByteArrayView bytes) {
  unsigned char any = 0;
  for (const char c : bytes) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

inline QString decodeSystemText(QByteArrayView bytes) {
  // ASCII reads the same in every code page the program runs under, and
  // copies faster than it decodes.
  if (isAsciiText(bytes)) return QString::fromLatin1(bytes);
#if defined(Q_OS_UNIX)
  // Qt takes the code page of Unix systems to be UTF-8. Its decoder drops a
  // byte-order mark at the start; here that is a character like any other,
  // however many stand there.
  const QByteArrayView mark("\xEF\xBB\xBF");
  qsizetype marks = 0;
  while (bytes.sliced(marks * mark.size()).startsWith(mark)) ++marks;
  if (marks == 0) return QString::fromUtf8(bytes);
  return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(bytes.sliced(marks * mark.size()));
#else
  return QString::fromLocal8Bit(bytes);
#endif
}

// Whether a report never writes `c` as it is: a C0 or C1 control character
// or DEL (a line end above all, or the ESC that starts a terminal's
// command), or a Unicode bidi control, which turns the text after it
// around. Each format escapes such a character in its own way.
inline bool needsEscaping(char16_t c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
         (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// The reverse: text in the system code page, for writing to a terminal. A
// path's bytes that are no UTF-8 are written as they were read.
QByteArray encodeNativePath(QStringView path);
inline QByteArray encodeSystemText(QStringView text) {
#if defined(Q_OS_UNIX)
  return encodeNativePath(text);
#else
  return text.toLocal8Bit();
#endif
}

// Appends `text` as encodeSystemText() encodes it. Text that is all ASCII,
// as nearly every statement and message is, is written straight into
// `bytes`, with no encoded copy of its own: a report of many alerts spends
// much of its time here.
inline void appendSystemText(QStringView text, QByteArray* bytes) {
  char16_t any = 0;
  for (const QChar c : text) any |= c.unicode();
  if (any >= 0x80) {
    *bytes += encodeSystemText(text);
    return;
  }
  const qsizetype at = bytes->size();
  bytes->resize(at + text.size());
  char* to = bytes->data() + at;
  for (const QChar c : text) *to++ = static_cast<char>(c.unicode());
}
