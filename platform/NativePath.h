#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system knows a path as bytes, which need not be UTF-8. As text, a
// path is decoded as UTF-8 with each byte that is no part of valid UTF-8
// kept as a character of its own, U+DC80 to U+DCFF, which valid text never
// holds; encoding turns those back into their bytes. So every path, however
// it is spelled, goes back to the system as the bytes it came from, and is
// written to a terminal or a file name list the same way.
QString decodeNativePath(QByteArrayView bytes);
QByteArray encodeNativePath(QStringView path);

// Whether `c` stands for a byte of a path that is no UTF-8.
inline bool isEscapedPathByte(char16_t c) {
  return c >= 0xDC80 && c <= 0xDCFF;
}
