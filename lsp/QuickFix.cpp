#include "QuickFix.h"

#include "Directive.h"
#include "SystemText.h"

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

bool fitsDirective(const QString& code) {
  for (const QChar c : code) {
    if (c == u',' || c == u' ' || c.category() == QChar::Other_Control) return false;
  }
  return !code.isEmpty();
}

// Where a code joins the list of the line's first well-formed `disable=`
// directive: the index just past its last code. -1 when the line has none;
// -2 when that directive names `code` already.
qsizetype listEndOfDisable(QStringView line, const QString& code) {
  const QLatin1StringView marker(directive::kMarker, directive::kMarkerSize);
  for (qsizetype hash = line.indexOf(u'#'); hash >= 0; hash = line.indexOf(u'#', hash + 1)) {
    qsizetype at = hash + 1;
    while (at < line.size() && isBlank(line[at])) ++at;
    if (!line.sliced(at).startsWith(marker)) continue;
    const QStringView after = line.sliced(at + marker.size());
    Directive found;
    directive::parse(after, &found);
    if (!found.error.isEmpty() || found.scope != Directive::Scope::Line) continue;
    if (found.codes.contains(code)) return -2;
    qsizetype end = after.indexOf(QLatin1StringView(" -- "));
    if (end < 0) end = after.size();
    while (end > 0 && isBlank(after[end - 1])) --end;
    return at + marker.size() + end;
  }
  return -1;
}

}  // namespace

bool disableCodeEdit(const QByteArray& text, TextPosition position, const QString& code,
                     TextEdit* edit) {
  if (!fitsDirective(code)) return false;
  const ScriptLine line =
      textpositions::scriptLineAt(text, textpositions::offsetOf(text, position));
  const QByteArrayView raw = QByteArrayView(text).sliced(line.start, line.end - line.start);
  const QString decoded = decodeSystemText(raw);
  const qsizetype listEnd = listEndOfDisable(decoded, code);
  if (listEnd == -2) return false;
  qint64 offset = line.end;
  if (listEnd >= 0) {
    offset = line.start + encodeSystemText(QStringView(decoded).first(listEnd)).size();
    edit->newText = u',' + code;
  } else {
    edit->newText = QStringLiteral("  # ") + QLatin1StringView(directive::kMarker) +
                    QStringLiteral(" disable=") + code;
  }
  edit->range.start = edit->range.end = textpositions::positionOf(text, offset);
  return true;
}
