#include "LineText.h"

#include <algorithm>

#include "SystemText.h"

namespace {

bool isControl(QChar c) {
  return (c < u' ' && c != u'\t') || c == u'\x7f';
}

}  // namespace

QString lineShown(QStringView text) {
  QString shown;
  shown.reserve(text.size());
  for (const QChar c : text) {
    if (isControl(c)) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return shown;
}

QByteArray lineText(QStringView text) {
  if (std::none_of(text.begin(), text.end(), isControl)) return encodeSystemText(text);
  return encodeSystemText(lineShown(text));
}
