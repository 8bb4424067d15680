#include "ScriptHover.h"

#include <vector>

#include "EditorText.h"
#include "MemorySource.h"
#include "RowExplanation.h"

namespace {

class AllAlerts : public DiagnosticSink {
 public:
  void diagnostic(const Diagnostic& alert) override { alerts.push_back(alert); }
  std::vector<Diagnostic> alerts;
};

}  // namespace

bool alertAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             Diagnostic* alert, lsp::TextRange* range) {
  const qint64 offset = textpositions::offsetOf(text, position);
  const ScriptLine line = textpositions::scriptLineAt(text, offset);
  const qint64 column = textpositions::columnOf(text, line, offset);
  MemorySource source(editortext::forChecking(text.sliced(line.start, line.end - line.start)));
  AllAlerts found;
  setup.scanner.scan(source, found);
  for (const Diagnostic& each : found.alerts) {
    if (column < each.column || column >= each.endColumn) continue;
    *alert = each;
    ForwardPositions positions(text);
    range->start = positions.positionOf(textpositions::offsetOfColumn(text, line, each.column));
    range->end = positions.positionOf(textpositions::offsetOfColumn(text, line, each.endColumn));
    return true;
  }
  return false;
}

bool hoverAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             ScriptHover* hover) {
  Diagnostic alert;
  if (!alertAt(setup, text, position, &alert, &hover->range)) return false;
  hover->text = explainRow(setup.tables, alert.table, *alert.row).trimmed();
  return true;
}
