#include "QuickFix.h"

#include <vector>

#include "Directive.h"
#include "EditorText.h"
#include "SystemText.h"

namespace {

// A script line's text, decoded: a lone surrogate half as U+FFFD, which
// takes as many bytes.
QString textOf(const QByteArray& text, const ScriptLine& line) {
  return decodeSystemText(editortext::forChecking(text.sliced(line.start, line.end - line.start)));
}

// The byte offset of index `index` of the decoded text of `line`.
qint64 offsetOfIndex(const QString& decoded, const ScriptLine& line, qsizetype index) {
  return line.start + encodeSystemText(QStringView(decoded).first(index)).size();
}

void insertAt(const QByteArray& text, qint64 offset, const QString& newText, TextEdit* edit) {
  edit->range.start = edit->range.end = textpositions::positionOf(text, offset);
  edit->newText = newText;
}

// What a new directive gives as its reason, for the writer to replace:
// a directive without one tells a reader nothing of why the alert is wrong.
constexpr QStringView kReasonToFillIn(u"reason");

// The line end a new line before `line` takes: the one `line` has.
QString lineEndOf(const QByteArray& text, const ScriptLine& line) {
  if (line.end + 1 < text.size() && text[line.end + 1] == '\n') return QStringLiteral("\r\n");
  return line.end < text.size() ? QStringLiteral("\r") : QStringLiteral("\r\n");
}

}  // namespace

bool disableCodeEdit(const QByteArray& text, TextPosition position, const QString& code,
                     TextEdit* edit) {
  if (!directive::fitsDirective(code)) return false;
  const ScriptLine line =
      textpositions::scriptLineAt(text, textpositions::offsetOf(text, position));
  const QString decoded = textOf(text, line);
  const std::vector<directive::Found> written = directive::findIn(decoded);
  for (const directive::Found& w : written) {
    if (w.directive.scope != Directive::Scope::Line) continue;
    if (w.directive.codes.contains(code)) return false;
    insertAt(text, offsetOfIndex(decoded, line, w.listEnd), directive::appendedCode(code), edit);
    return true;
  }
  if (written.empty()) {
    insertAt(
        text, line.end,
        QStringLiteral("  ") + directive::write(Directive::Scope::Line, {code}, kReasonToFillIn),
        edit);
    return true;
  }
  if (line.number > 1) {
    const ScriptLine above = textpositions::scriptLineAt(text, line.start - 1);
    const QString aboveText = textOf(text, above);
    for (const directive::Found& w : directive::findIn(aboveText)) {
      if (w.directive.scope != Directive::Scope::NextLine) continue;
      if (w.directive.codes.contains(code)) return false;
      insertAt(text, offsetOfIndex(aboveText, above, w.listEnd), directive::appendedCode(code),
               edit);
      return true;
    }
  }
  qsizetype indent = 0;
  while (indent < decoded.size() && directive::isBlank(decoded[indent].unicode())) ++indent;
  insertAt(text, line.start,
           decoded.first(indent) +
               directive::write(Directive::Scope::NextLine, {code}, kReasonToFillIn) +
               lineEndOf(text, line),
           edit);
  return true;
}
