#include "Directive.h"

#include "CodePoints.h"
#include "SystemText.h"
#include "TextLines.h"

namespace directive {

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text) {
  while (!text.isEmpty() && isBlank(text.front())) text = text.sliced(1);
  while (!text.isEmpty() && isBlank(text.back())) text.chop(1);
  return text;
}

}  // namespace

void parse(QStringView afterMarker, Directive* directive) {
  QStringView rest = trimmed(afterMarker);
  const qsizetype reasonAt = rest.indexOf(QLatin1StringView(" -- "));
  if (reasonAt >= 0) {
    directive->reason = trimmed(rest.sliced(reasonAt + 4)).toString();
    rest = trimmed(rest.first(reasonAt));
  }
  const qsizetype equals = rest.indexOf(u'=');
  const QStringView keyword = trimmed(equals >= 0 ? rest.first(equals) : rest);
  if (keyword == QLatin1StringView("disable")) {
    directive->scope = Directive::Scope::Line;
  } else if (keyword == QLatin1StringView("disable-next-line")) {
    directive->scope = Directive::Scope::NextLine;
  } else if (keyword == QLatin1StringView("disable-file")) {
    directive->scope = Directive::Scope::File;
  } else {
    directive->error = QStringLiteral("unknown directive '%1'").arg(keyword);
    return;
  }
  if (equals < 0) {
    directive->error = QStringLiteral("'%1' needs '=' and the codes it silences").arg(keyword);
    return;
  }
  for (const QStringView item : rest.sliced(equals + 1).split(u',')) {
    const QStringView code = trimmed(item);
    if (code.isEmpty()) continue;
    if (code.contains(u' ') || code.contains(u'\t')) {
      directive->error = QStringLiteral("'%1' is not a code").arg(code);
      return;
    }
    directive->codes.append(code.toString());
  }
  if (directive->codes.isEmpty()) directive->error = QStringLiteral("names no code");
}

Directive readAt(QByteArrayView bytes, qsizetype hash, qsizetype markerEnd, qint64 line) {
  const qsizetype start = textlines::lineStartBefore(bytes, hash);
  const qsizetype end = textlines::lineEndFrom(bytes, markerEnd);
  Directive found;
  found.line = line;
  const QString before = decodeSystemText(bytes.sliced(start, hash - start));
  found.column = codePointColumn(before, before.size());
  const QString after = decodeSystemText(bytes.sliced(markerEnd, end - markerEnd));
  found.text = QLatin1StringView(kMarker) + after;
  parse(after, &found);
  return found;
}

}  // namespace directive
