#include "ScriptCheck.h"

#include "AnyLineEndSource.h"
#include "SuppressionFilter.h"

namespace {

// Names the script in each diagnostic, and silences, on their way to
// `next`, those of the codes and rules the project disables and the alerts
// the baseline holds, as many of each as it holds.
class ExternalSilencer : public DiagnosticSink {
 public:
  ExternalSilencer(DiagnosticSink& next, const CheckSettings& settings, const QString& path)
      : next_(next), settings_(settings), path_(path) {
    if (settings.baseline) baselined_ = settings.baseline->countsFor(path);
  }

  void diagnostic(const Diagnostic& in) override {
    Diagnostic d = in;
    d.path = path_;
    if (d.silenced == Diagnostic::Silenced::No) silence(&d);
    next_.diagnostic(d);
  }
  void directive(const Directive& directive) override { next_.directive(directive); }

 private:
  void silence(Diagnostic* d) {
    if (!settings_.disabled.isEmpty() &&
        (settings_.disabled.contains(d->isTableAlert() ? d->code() : d->ruleId()))) {
      d->silenced = Diagnostic::Silenced::External;
      d->silencedBecause = QStringLiteral("disabled in ") + settings_.disabledBy;
      return;
    }
    if (baselined_.isEmpty() || !Baseline::holdsSuch(*d)) return;
    const auto left = baselined_.find(Baseline::keyOf(*d));
    if (left != baselined_.end() && *left > 0) {
      --*left;
      d->silenced = Diagnostic::Silenced::External;
      d->silencedBecause = QStringLiteral("in the baseline");
    }
  }

  DiagnosticSink& next_;
  const CheckSettings& settings_;
  const QString& path_;
  QHash<QString, qint64> baselined_;
};

Diagnostic loneLineFeedsDiagnostic(const LoneLineFeeds& found) {
  Diagnostic d;
  d.rule = Rule::LineEnds;
  d.line = found.line;
  d.column = found.column;
  d.endColumn = found.column + 1;
  d.text = QStringLiteral(
               "the script's lines end in LF alone, which ends no statement: %1 joined into "
               "the lines before them; keep CR LF in git with '*.csm -text' or "
               "'*.csm eol=crlf' in .gitattributes, or set 'line-ends = any'")
               .arg(found.count == 1 ? QStringLiteral("1 line was")
                                     : QStringLiteral("%1 lines were").arg(found.count));
  return d;
}

}  // namespace

ScriptCheck::ScriptCheck(const ScriptScanner& scanner, const Tables& tables, CheckSettings settings)
    : scanner_(scanner), tables_(tables), settings_(std::move(settings)) {}

ScanResult ScriptCheck::check(ByteSource& given, const QString& path, DiagnosticSink& sink,
                              HelperThread* helper, ScanWorkspace* workspace) const {
  ExternalSilencer external(sink, settings_, path);
  AnyLineEndSource anyLineEnd(given);
  ByteSource& script = settings_.lineEnds == textlines::LineEnds::Any ? anyLineEnd : given;
  ScanResult scan;
  if (!settings_.directives) {
    scan = scanner_.scan(script, external, helper, workspace);
  } else {
    // A script that can be read again is searched again when too many alerts wait.
    SuppressionFilter directives(external, tables_, script.size() >= 0 ? &script : nullptr,
                                 settings_.unusedDisables);
    scan = scanner_.scan(script, directives, helper, workspace);
    directives.finish();
  }
  if (settings_.tellLoneLineFeeds && scan.loneLineFeeds.count > 0)
    external.diagnostic(loneLineFeedsDiagnostic(scan.loneLineFeeds));
  return scan;
}
