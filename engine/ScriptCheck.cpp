#include "ScriptCheck.h"

#include "JoinedLines.h"
#include "LineEndSource.h"
#include "SuppressionFilter.h"

namespace {

// Names the script in each diagnostic and gives it the severity in force,
// and silences, on their way to `next`, those of the codes and rules the
// settings leave out and the alerts
// the baseline holds, as many of each as it holds; the line-ends
// diagnostic only while what its joined lines hold is what the baseline
// records with it, and otherwise it tells why.
class ExternalSilencer : public DiagnosticSink {
 public:
  ExternalSilencer(DiagnosticSink& next, const CheckSettings& settings, const QString& path)
      : next_(next), settings_(settings), path_(path) {
    if (settings.baseline) baselined_ = settings.baseline->countsFor(path);
  }

  void diagnostic(const Diagnostic& in) override {
    Diagnostic d = in;
    d.path = path_;
    d.severityInForce = settings_.rules.severityOf(d);
    if (d.silenced == Diagnostic::Silenced::No) silence(&d);
    next_.diagnostic(d);
  }
  void directive(const Directive& directive) override { next_.directive(directive); }
  void joinedLines(const JoinedLines& held) override {
    joined_ = &held;
    next_.joinedLines(held);
  }

  // Whether the baseline records the script's line-ends diagnostic.
  bool holdsLineEnds() const { return baselined_.value(Baseline::lineEndsKey()) > 0; }

 private:
  void silence(Diagnostic* d) {
    if (const QString& leftOut = settings_.rules.leftOut(*d); !leftOut.isEmpty()) {
      d->silenced = Diagnostic::Silenced::External;
      d->silencedBecause = leftOut;
      return;
    }
    if (baselined_.isEmpty() || !Baseline::holdsSuch(*d)) return;
    const auto left = baselined_.find(Baseline::keyOf(*d));
    if (left != baselined_.end() && *left > 0) {
      if (d->rule == Rule::LineEnds) {
        const QString beyond =
            settings_.baseline->lineEndsBeyond(path_, joined_ ? *joined_ : JoinedLines());
        if (!beyond.isEmpty()) {
          d->text += QStringLiteral("; ") + beyond;
          return;
        }
      }
      --*left;
      d->silenced = Diagnostic::Silenced::External;
      d->silencedBecause = QStringLiteral("in the baseline");
    }
  }

  DiagnosticSink& next_;
  const CheckSettings& settings_;
  const QString& path_;
  QHash<QString, qint64> baselined_;
  const JoinedLines* joined_ = nullptr;
};

Diagnostic loneLineFeedsDiagnostic(const LoneLineFeeds& found, qint64 joined) {
  Diagnostic d;
  d.rule = Rule::LineEnds;
  d.line = found.line;
  d.column = found.column;
  d.endColumn = found.column + 1;
  d.text = QStringLiteral(
               "a line ends in LF alone in a script whose first line ends in CR: %1 joined into "
               "the lines before; write every line end as CR LF (in git: '*.csm text "
               "eol=crlf' in .gitattributes, then 'git add --renormalize .'), or set "
               "'line-ends = any'")
               .arg(joined == 1 ? QStringLiteral("1 line was")
                                : QStringLiteral("%1 lines were").arg(joined));
  return d;
}

}  // namespace

ScriptCheck::ScriptCheck(const ScriptScanner& scanner, const Tables& tables, CheckSettings settings)
    : scanner_(scanner), tables_(tables), settings_(std::move(settings)) {}

ScanResult ScriptCheck::check(ByteSource& given, const QString& path, DiagnosticSink& sink,
                              HelperThread* helper, ScanWorkspace* workspace) const {
  ExternalSilencer external(sink, settings_, path);
  LineEndSource script(given, settings_.lineEnds);
  ScanResult scan;
  // A script that may be read by offset on two threads is settled first;
  // otherwise its first read settles it.
  if (helper && given.size() >= 0 && !script.settle(&scan.error)) return scan;
  if (!settings_.directives) {
    scan = scanner_.scan(script, external, helper, workspace);
  } else {
    // A script that can be read again is searched again when too many alerts wait.
    SuppressionFilter directives(external, tables_, script.size() >= 0 ? &script : nullptr,
                                 settings_.unusedDisables);
    scan = scanner_.scan(script, directives, helper, workspace);
    directives.finish();
  }
  if (settings_.tellLoneLineFeeds && scan.ok() && scan.loneLineFeeds.count > 0) {
    // A lone LF at the very end ends the last line whatever the setting.
    const qint64 joined =
        scan.loneLineFeeds.count - (script.endsInLoneLineFeed(&scan.error) ? 1 : 0);
    if (joined > 0) {
      // Only a baseline needs to know what the joined lines hold, and only
      // a script that can be read again tells it.
      JoinedLines held;
      held.joined = joined;
      if ((settings_.recordJoinedLines || external.holdsLineEnds()) && given.size() >= 0)
        readJoinedLines(given, scanner_, &held, &scan.error);
      external.joinedLines(held);
      external.diagnostic(loneLineFeedsDiagnostic(scan.loneLineFeeds, joined));
    }
  }
  return scan;
}
