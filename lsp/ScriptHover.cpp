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

bool hoverAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             ScriptHover* hover) {
  const qint64 offset = textpositions::offsetOf(text, position);
  const ScriptLine line = textpositions::scriptLineAt(text, offset);
  const qint64 column = textpositions::columnOf(text, line, offset);
  MemorySource source(editortext::forChecking(text.sliced(line.start, line.end - line.start)));
  AllAlerts found;
  setup.scanner.scan(source, found);
  for (const Diagnostic& alert : found.alerts) {
    if (column < alert.column || column >= alert.endColumn) continue;
    hover->text = explainRow(setup.tables, alert.table, *alert.row).trimmed();
    ForwardPositions positions(text);
    hover->range.start =
        positions.positionOf(textpositions::offsetOfColumn(text, line, alert.column));
    hover->range.end =
        positions.positionOf(textpositions::offsetOfColumn(text, line, alert.endColumn));
    return true;
  }
  return false;
}
