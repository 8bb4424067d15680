#include "Directive.h"

#include <algorithm>
#include <iterator>

#include "CodePoints.h"
#include "SystemText.h"
#include "TextLines.h"

namespace directive {

namespace {

constexpr Directive::Scope kScopes[] = {Directive::Scope::Line, Directive::Scope::NextLine,
                                        Directive::Scope::File};

bool isBlankChar(QChar c) {
  return isBlank(c.unicode());
}

QStringView trimmed(QStringView text) {
  while (!text.isEmpty() && isBlankChar(text.front())) text = text.sliced(1);
  while (!text.isEmpty() && isBlankChar(text.back())) text.chop(1);
  return text;
}

}  // namespace

QLatin1StringView keywordOf(Directive::Scope scope) {
  switch (scope) {
    case Directive::Scope::Line:
      return QLatin1StringView("disable");
    case Directive::Scope::NextLine:
      return QLatin1StringView("disable-next-line");
    case Directive::Scope::File:
      return QLatin1StringView("disable-file");
  }
  return {};
}

void parse(QStringView afterMarker, Directive* directive, qsizetype* listEnd) {
  QStringView rest = trimmed(afterMarker);
  const qsizetype reasonAt = rest.indexOf(kReasonSeparator);
  if (reasonAt >= 0) {
    directive->reason = trimmed(rest.sliced(reasonAt + kReasonSeparator.size())).toString();
    rest = trimmed(rest.first(reasonAt));
  }
  const qsizetype equals = rest.indexOf(QChar(kCodesFollow));
  const QStringView keyword = trimmed(equals >= 0 ? rest.first(equals) : rest);
  const auto scope = std::find_if(std::begin(kScopes), std::end(kScopes),
                                  [&](Directive::Scope s) { return keyword == keywordOf(s); });
  if (scope == std::end(kScopes)) {
    directive->error = QStringLiteral("unknown directive '%1'").arg(keyword);
    return;
  }
  directive->scope = *scope;
  if (equals < 0) {
    directive->error = QStringLiteral("'%1' needs '=' and the codes it silences").arg(keyword);
    return;
  }
  for (const QStringView item : rest.sliced(equals + 1).split(QChar(kCodeSeparator))) {
    const QStringView code = trimmed(item);
    if (code.isEmpty()) continue;
    if (std::any_of(code.begin(), code.end(), isBlankChar)) {
      directive->error = QStringLiteral("'%1' is not a code").arg(code);
      return;
    }
    directive->codes.append(code.toString());
  }
  if (directive->codes.isEmpty()) directive->error = QStringLiteral("names no code");
  if (listEnd) *listEnd = rest.data() + rest.size() - afterMarker.data();
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

std::vector<Found> findIn(QStringView line) {
  const QLatin1StringView marker(kMarker, kMarkerSize);
  const QChar hashMark(syntax::kComment);
  std::vector<Found> found;
  for (qsizetype hash = line.indexOf(hashMark); hash >= 0;
       hash = line.indexOf(hashMark, hash + 1)) {
    qsizetype at = hash + 1;
    while (at < line.size() && isBlankChar(line[at])) ++at;
    if (!line.sliced(at).startsWith(marker)) continue;
    const qsizetype markerEnd = at + marker.size();
    Found one;
    one.directive.column = codePointColumn(line, hash);
    one.directive.text = marker + line.sliced(markerEnd).toString();
    parse(line.sliced(markerEnd), &one.directive, &one.listEnd);
    if (!one.directive.error.isEmpty()) continue;
    one.listEnd += markerEnd;
    found.push_back(std::move(one));
  }
  return found;
}

bool fitsDirective(QStringView code) {
  // A control character could end the line or vanish from it.
  for (const QChar c : code) {
    if (c == kCodeSeparator || isBlankChar(c) || c.category() == QChar::Other_Control) return false;
  }
  return !code.isEmpty();
}

QString write(Directive::Scope scope, const QStringList& codes, QStringView reason) {
  QString text = QChar(syntax::kComment);
  text += u' ';
  text += QLatin1StringView(kMarker, kMarkerSize);
  text += u' ';
  text += keywordOf(scope);
  text += kCodesFollow;
  text += codes.join(QChar(kCodeSeparator));
  if (!reason.isEmpty()) {
    text += kReasonSeparator;
    text += reason;
  }
  return text;
}

QString appendedCode(QStringView code) {
  return QChar(kCodeSeparator) + code.toString();
}

}  // namespace directive
