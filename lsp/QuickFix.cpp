#include "QuickFix.h"

#include <vector>

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

// A well-formed directive of a line, and the index just past its last code.
struct Written {
  Directive directive;
  qsizetype listEnd;
};

// Looks after every `#`, as the scanner does.
std::vector<Written> directivesOf(QStringView line) {
  const QLatin1StringView marker(directive::kMarker, directive::kMarkerSize);
  std::vector<Written> found;
  for (qsizetype hash = line.indexOf(u'#'); hash >= 0; hash = line.indexOf(u'#', hash + 1)) {
    qsizetype at = hash + 1;
    while (at < line.size() && isBlank(line[at])) ++at;
    if (!line.sliced(at).startsWith(marker)) continue;
    const QStringView after = line.sliced(at + marker.size());
    Written written{Directive{}, 0};
    directive::parse(after, &written.directive);
    if (!written.directive.error.isEmpty()) continue;
    qsizetype end = after.indexOf(QLatin1StringView(" -- "));
    if (end < 0) end = after.size();
    while (end > 0 && isBlank(after[end - 1])) --end;
    written.listEnd = at + marker.size() + end;
    found.push_back(std::move(written));
  }
  return found;
}

// A script line's text, decoded.
QString textOf(const QByteArray& text, const ScriptLine& line) {
  return decodeSystemText(QByteArrayView(text).sliced(line.start, line.end - line.start));
}

// The byte offset of index `index` of the decoded text of `line`.
qint64 offsetOfIndex(const QString& decoded, const ScriptLine& line, qsizetype index) {
  return line.start + encodeSystemText(QStringView(decoded).first(index)).size();
}

void insertAt(const QByteArray& text, qint64 offset, const QString& newText, TextEdit* edit) {
  edit->range.start = edit->range.end = textpositions::positionOf(text, offset);
  edit->newText = newText;
}

// The line end a new line before `line` takes: the one `line` has.
QString lineEndOf(const QByteArray& text, const ScriptLine& line) {
  if (line.end + 1 < text.size() && text[line.end + 1] == '\n') return QStringLiteral("\r\n");
  return line.end < text.size() ? QStringLiteral("\r") : QStringLiteral("\r\n");
}

}  // namespace

bool disableCodeEdit(const QByteArray& text, TextPosition position, const QString& code,
                     TextEdit* edit) {
  if (!fitsDirective(code)) return false;
  const ScriptLine line =
      textpositions::scriptLineAt(text, textpositions::offsetOf(text, position));
  const QString decoded = textOf(text, line);
  const std::vector<Written> written = directivesOf(decoded);
  for (const Written& w : written) {
    if (w.directive.scope != Directive::Scope::Line) continue;
    if (w.directive.codes.contains(code)) return false;
    insertAt(text, offsetOfIndex(decoded, line, w.listEnd), u',' + code, edit);
    return true;
  }
  const QString marker = QStringLiteral("# ") + QLatin1StringView(directive::kMarker);
  if (written.empty()) {
    insertAt(text, line.end, QStringLiteral("  ") + marker + QStringLiteral(" disable=") + code,
             edit);
    return true;
  }
  if (line.number > 1) {
    const ScriptLine above = textpositions::scriptLineAt(text, line.start - 1);
    const QString aboveText = textOf(text, above);
    for (const Written& w : directivesOf(aboveText)) {
      if (w.directive.scope != Directive::Scope::NextLine) continue;
      if (w.directive.codes.contains(code)) return false;
      insertAt(text, offsetOfIndex(aboveText, above, w.listEnd), u',' + code, edit);
      return true;
    }
  }
  qsizetype indent = 0;
  while (indent < decoded.size() && isBlank(decoded[indent])) ++indent;
  insertAt(text, line.start,
           decoded.first(indent) + marker + QStringLiteral(" disable-next-line=") + code +
               lineEndOf(text, line),
           edit);
  return true;
}
