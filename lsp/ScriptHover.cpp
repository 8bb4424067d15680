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

const TableRow* rowAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
                      TableKind* table, lsp::TextRange* range) {
  const qint64 offset = textpositions::offsetOf(text, position);
  const ScriptLine line = textpositions::scriptLineAt(text, offset);
  const qint64 column = textpositions::columnOf(text, line, offset);
  MemorySource source(editortext::forChecking(text.sliced(line.start, line.end - line.start)));
  AllAlerts found;
  setup.scanner.scan(source, found);
  for (const Diagnostic& alert : found.alerts) {
    if (column < alert.column || column >= alert.endColumn) continue;
    *table = alert.table;
    ForwardPositions positions(text);
    range->start = positions.positionOf(textpositions::offsetOfColumn(text, line, alert.column));
    range->end = positions.positionOf(textpositions::offsetOfColumn(text, line, alert.endColumn));
    return alert.row;
  }
  return nullptr;
}

bool hoverAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             ScriptHover* hover) {
  TableKind table;
  const TableRow* row = rowAt(setup, text, position, &table, &hover->range);
  if (!row) return false;
  hover->text = explainRow(setup.tables, table, *row).trimmed();
  return true;
}
