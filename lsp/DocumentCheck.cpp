#include "DocumentCheck.h"

#include <algorithm>
#include <vector>

#include <QJsonObject>

#include "EditorText.h"
#include "LineEndSource.h"
#include "MemorySource.h"
#include "ProtocolValues.h"
#include "TextPositions.h"

namespace {

constexpr int kError = 1;
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

// Keeps what nothing silences, up to the most shown.
class Kept : public DiagnosticSink {
 public:
  void diagnostic(const Diagnostic& d) override {
    if (d.silenced != Diagnostic::Silenced::No) return;
    ++count;
    // The script's line ends are told of however many alerts it gives.
    if (qsizetype(kept.size()) < kMostDiagnostics || d.rule == Rule::LineEnds) kept.push_back(d);
  }

  std::vector<Diagnostic> kept;
  qint64 count = 0;
};

// LSP's DiagnosticSeverity of the severity in force.
int lspSeverity(Severity severity) {
  return severity == Severity::Error     ? kError
         : severity == Severity::Warning ? kWarning
                                         : kInformation;
}

QJsonObject diagnostic(const lsp::TextRange& range, int severity, const QString& message,
                       const QString& code) {
  QJsonObject object{{QLatin1StringView("range"), lsp::toJson(range)},
                     {QLatin1StringView("severity"), severity},
                     {QLatin1StringView("source"), QLatin1StringView("vornel-scan")},
                     {QLatin1StringView("message"), message}};
  if (!code.isEmpty()) object.insert(QLatin1StringView("code"), code);
  return object;
}

}  // namespace

std::vector<lsp::TextRange> rangesOf(const QByteArray& text, const std::vector<Diagnostic>& found) {
  ForwardPositions lines(text);
  std::vector<std::pair<qint64, std::size_t>> offsets;  // byte offset, 2 * diagnostic (+1: its end)
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Diagnostic& f = found[i];
    const ScriptLine line = lines.scriptLine(f.line);
    qint64 start = textpositions::offsetOfColumn(text, line, f.column);
    // A fault at a line's end, a field missing, marks the line: an empty
    // range is hard to see and to point at.
    if (f.endColumn == 0 && start >= line.end) start = line.start;
    offsets.emplace_back(start, 2 * i);
    offsets.emplace_back(
        f.endColumn > 0 ? textpositions::offsetOfColumn(text, line, f.endColumn) : line.end,
        2 * i + 1);
  }
  // A line's parameter alert comes before its tag alert, wherever each stands.
  std::sort(offsets.begin(), offsets.end());
  ForwardPositions positions(text);
  std::vector<lsp::TextRange> ranges(found.size());
  for (const auto& [offset, slot] : offsets) {
    lsp::TextRange& range = ranges[slot / 2];
    (slot % 2 ? range.end : range.start) = positions.positionOf(offset);
  }
  return ranges;
}

DocumentCheck checkDocument(const CheckSetup& setup, const QByteArray& editorText,
                            const std::atomic<bool>& stop) {
  DocumentCheck check;
  const QByteArray text = editortext::forChecking(editorText);
  StoppableSource source(text, stop);
  Kept kept;
  if (!setup.check.check(source, QString(), kept).ok()) {
    check.stopped = true;
    return check;
  }
  // The line-ends diagnostic comes last; the ranges are found in line order.
  std::stable_sort(kept.kept.begin(), kept.kept.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
  // Where a lone LF ends a line for the check, it does for the positions;
  // a CR in its place ends the same editor line.
  const std::vector<lsp::TextRange> ranges =
      rangesOf(lineends::asRead(text, setup.check.settings().lineEnds), kept.kept);
  check.warnings.reserve(kept.kept.size());
  for (std::size_t i = 0; i < kept.kept.size(); ++i) {
    const Diagnostic& d = kept.kept[i];
    check.warnings.push_back({ranges[i], d.row, d.row ? QString() : d.text,
                              d.row ? QString() : d.ruleId(), d.severity()});
  }
  check.count = kept.count;
  return check;
}

DocumentCheck tableDocumentCheck(const QByteArray& editorText, std::vector<Diagnostic> found) {
  // The rows' faults come before the codes in both tables; ranges are
  // found in line order.
  std::stable_sort(found.begin(), found.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
  const QByteArray text = editortext::forChecking(editorText);
  const std::vector<lsp::TextRange> ranges =
      rangesOf(lineends::asRead(text, textlines::LineEnds::Auto), found);
  DocumentCheck check;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Diagnostic& d = found[i];
    check.warnings.push_back({ranges[i], nullptr, d.text, d.ruleId(), d.severity()});
  }
  check.count = qint64(found.size());
  return check;
}

QJsonArray diagnosticsOf(const DocumentCheck& check) {
  QJsonArray diagnostics;
  for (const DocumentCheck::Warning& w : check.warnings) {
    // A row without a message is shown by its code, as in every report.
    const QString message = !w.row                     ? w.message
                            : w.row->message.isEmpty() ? w.row->code.toString()
                                                       : w.row->message.toString();
    diagnostics.append(diagnostic(w.range, lspSeverity(w.severity), message,
                                  w.row ? w.row->code.toString() : w.rule));
  }
  if (check.count > kMostDiagnostics) {
    diagnostics.append(
        diagnostic({}, kInformation,
                   QStringLiteral("vornel-scan shows %1 of the %2 warnings in this script")
                       .arg(kMostDiagnostics)
                       .arg(check.count),
                   QString()));
  }
  return diagnostics;
}
