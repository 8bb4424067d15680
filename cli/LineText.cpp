#include "LineText.h"

#include <algorithm>

#include "SystemText.h"

QByteArray lineText(QStringView text) {
  const auto isControl = [](QChar c) { return (c < u' ' && c != u'\t') || c == u'\x7f'; };
  if (std::none_of(text.begin(), text.end(), isControl)) return encodeSystemText(text);
  QString shown;
  for (const QChar c : text) {
    if (isControl(c)) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return encodeSystemText(shown);
}
