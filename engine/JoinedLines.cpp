#include "JoinedLines.h"

#include <utility>
#include <vector>

#include "Baseline.h"
#include "LineEndSource.h"
#include "ScriptScanner.h"

namespace {

constexpr qint64 kChunk = qint64(1) << 20;

// The lines a script has when read with LF line ends, numbered as that
// reading numbers them, first and last, that each line joined under CR line
// ends is made of: a CR or CR LF ends both kinds of line, a lone LF only
// the first, except at the very end, where it ends the last line whatever
// the setting.
bool joinedSpans(ByteSource& script, std::vector<std::pair<qint64, qint64>>* spans,
                 QString* error) {
  const qint64 size = script.size();
  QByteArray chunk(qMin(kChunk, qMax<qint64>(size, 1)), Qt::Uninitialized);
  qint64 line = 1;
  qint64 first = 1;
  bool joins = false;
  char previous = 0;
  for (qint64 at = 0; at < size;) {
    const qint64 n = script.readAt(at, chunk.data(), qMin<qint64>(chunk.size(), size - at), error);
    if (n < 0) return false;
    if (n == 0) break;
    for (qint64 i = 0; i < n; ++i, ++at) {
      const char c = chunk[i];
      if (c == textlines::kLineEnd) {
        if (joins) spans->emplace_back(first, line);
        first = ++line;
        joins = false;
      } else if (c == textlines::kLineFeed && previous != textlines::kLineEnd) {
        joins = joins || at + 1 < size;
        ++line;
      }
      previous = c;
    }
  }
  if (joins) spans->emplace_back(first, previous == textlines::kLineFeed ? line - 1 : line);
  return true;
}

// Counts the table alerts of the spans' lines, which come in line order as
// the spans do.
class SpanAlerts : public DiagnosticSink {
 public:
  SpanAlerts(const std::vector<std::pair<qint64, qint64>>& spans, QHash<QString, qint64>* alerts)
      : spans_(spans), alerts_(alerts) {}

  void diagnostic(const Diagnostic& d) override {
    if (!d.isTableAlert()) return;
    while (next_ < spans_.size() && spans_[next_].second < d.line) ++next_;
    if (next_ < spans_.size() && spans_[next_].first <= d.line) ++(*alerts_)[Baseline::keyOf(d)];
  }

 private:
  const std::vector<std::pair<qint64, qint64>>& spans_;
  QHash<QString, qint64>* alerts_;
  std::size_t next_ = 0;
};

}  // namespace

bool readJoinedLines(ByteSource& script, const ScriptScanner& scanner, JoinedLines* held,
                     QString* error) {
  std::vector<std::pair<qint64, qint64>> spans;
  if (!joinedSpans(script, &spans, error)) return false;
  held->alerts.clear();
  if (!spans.empty()) {
    LineEndSource withLineFeeds(script, textlines::LineEnds::Any);
    SpanAlerts sink(spans, &held->alerts);
    const ScanResult scan = scanner.scan(withLineFeeds, sink);
    if (!scan.ok()) {
      *error = scan.error;
      return false;
    }
  }
  held->alertsKnown = true;
  return true;
}
