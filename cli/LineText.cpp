#include "LineText.h"

#include <algorithm>

#include "SystemText.h"

namespace {

bool isEscaped(QChar c) {
  return c == u'\\' || needsEscaping(c.unicode());
}

}  // namespace

QString lineShown(QStringView text) {
  QString shown;
  shown.reserve(text.size());
  for (const QChar c : text) {
    if (c == u'\\') {
      shown += QStringLiteral("\\\\");
    } else if (!needsEscaping(c.unicode())) {
      shown += c;
    } else if (c.unicode() <= 0xff) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
  }
  return shown;
}

QByteArray lineText(QStringView text) {
  if (std::none_of(text.begin(), text.end(), isEscaped)) return encodeSystemText(text);
  return encodeSystemText(lineShown(text));
}
