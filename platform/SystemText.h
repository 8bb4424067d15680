#pragma once

#include <QByteArrayView>
#include <QString>

// Turns bytes in the system code page (UTF-8 on Linux) into text. An invalid
// byte becomes U+FFFD; decoding never fails and never drops a character.
inline QString decodeSystemText(QByteArrayView bytes) {
  return QString::fromLocal8Bit(bytes);
}
