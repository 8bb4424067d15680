#include "DocumentCheck.h"

#include <algorithm>
#include <vector>

#include <QJsonObject>

#include "MemorySource.h"
#include "ProtocolValues.h"
#include "SuppressionFilter.h"
#include "TextPositions.h"

namespace {

constexpr int kWarning = 2;
constexpr int kInformation = 3;

// The script in memory, which stops giving bytes once the check is to stop.
class StoppableSource : public MemorySource {
 public:
  StoppableSource(const QByteArray& bytes, const std::atomic<bool>& stop)
      : MemorySource(bytes), stop_(stop) {}
  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override {
    return stopped(error) ? -1 : MemorySource::readAt(offset, into, max, error);
  }
  qint64 read(char* into, qint64 max, QString* error) override {
    return stopped(error) ? -1 : MemorySource::read(into, max, error);
  }

 private:
  bool stopped(QString* error) const {
    if (!stop_.load(std::memory_order_relaxed)) return false;
    *error = QStringLiteral("stopped");
    return true;
  }
  const std::atomic<bool>& stop_;
};

// What a diagnostic is about, in script lines and columns; an end column
// of 0 runs to the end of the line.
struct Finding {
  qint64 line;
  qint64 column;
  qint64 endColumn;
  const TableRow* row;  // null for a comment that is no directive
  QString message;
};

// Keeps the alerts that nothing silences, up to the most shown.
class Kept : public AlertSink {
 public:
  explicit Kept(const QStringList& disabled) : disabled_(disabled) {}
  void alert(const Alert& alert) override {
    if (alert.silenced != Alert::Silenced::No || disabled_.contains(alert.code())) return;
    ++count;
    if (qsizetype(findings.size()) < kMostDiagnostics)
      findings.push_back({alert.line, alert.column, alert.endColumn, alert.row, QString()});
  }

  std::vector<Finding> findings;
  qint64 count = 0;

 private:
  const QStringList& disabled_;
};

QJsonObject diagnostic(const lsp::TextRange& range, int severity, const QString& message,
                       const TableRow* row) {
  QJsonObject object{{QLatin1StringView("range"), lsp::toJson(range)},
                     {QLatin1StringView("severity"), severity},
                     {QLatin1StringView("source"), QLatin1StringView("vornel-scan")},
                     {QLatin1StringView("message"), message}};
  if (row) object.insert(QLatin1StringView("code"), row->code.toString());
  return object;
}

// The LSP ranges of the findings, in one pass over the text.
std::vector<lsp::TextRange> rangesOf(const QByteArray& text, const std::vector<Finding>& findings) {
  ForwardPositions lines(text);
  std::vector<std::pair<qint64, std::size_t>> offsets;  // byte offset, 2 * finding (+1: its end)
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    const ScriptLine line = lines.scriptLine(f.line);
    offsets.emplace_back(textpositions::offsetOfColumn(text, line, f.column), 2 * i);
    offsets.emplace_back(
        f.endColumn > 0 ? textpositions::offsetOfColumn(text, line, f.endColumn) : line.end,
        2 * i + 1);
  }
  // A line's parameter alert comes before its tag alert, wherever each stands.
  std::sort(offsets.begin(), offsets.end());
  ForwardPositions positions(text);
  std::vector<lsp::TextRange> ranges(findings.size());
  for (const auto& [offset, slot] : offsets) {
    lsp::TextRange& range = ranges[slot / 2];
    (slot % 2 ? range.end : range.start) = positions.positionOf(offset);
  }
  return ranges;
}

}  // namespace

DocumentCheck checkDocument(const CheckSetup& setup, const QByteArray& text,
                            const std::atomic<bool>& stop) {
  DocumentCheck check;
  StoppableSource source(text, stop);
  Kept kept(setup.disabled);
  SuppressionFilter directives(kept, setup.tables, &source);
  AlertSink& first = setup.inlineConfig ? static_cast<AlertSink&>(directives) : kept;
  const ScanResult scan = setup.scanner.scan(source, first);
  if (!scan.ok()) {
    check.stopped = true;
    return check;
  }
  // The filter holds alerts back until the script's end.
  if (setup.inlineConfig) directives.finish();
  qint64 total = kept.count;
  if (setup.inlineConfig) {
    for (const SuppressionFilter::Finding& f : directives.findings()) {
      if (f.kind != SuppressionFilter::Finding::Kind::Malformed) continue;
      ++total;
      if (qsizetype(kept.findings.size()) < kMostDiagnostics)
        kept.findings.push_back({f.line, f.column, 0, nullptr, f.message});
    }
  }
  std::vector<Finding> findings = std::move(kept.findings);
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  const std::vector<lsp::TextRange> ranges = rangesOf(text, findings);
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    check.diagnostics.append(
        diagnostic(ranges[i], kWarning, f.row ? f.row->message.toString() : f.message, f.row));
  }
  if (total > kMostDiagnostics) {
    check.diagnostics.append(
        diagnostic({}, kInformation,
                   QStringLiteral("vornel-scan shows %1 of the %2 warnings in this script")
                       .arg(kMostDiagnostics)
                       .arg(total),
                   nullptr));
  }
  return check;
}
