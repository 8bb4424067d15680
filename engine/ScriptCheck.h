#pragma once

#include <QString>
#include <QStringList>

#include "Baseline.h"
#include "ByteSource.h"
#include "DiagnosticSink.h"
#include "HelperThread.h"
#include "RuleSelection.h"
#include "ScriptScanner.h"
#include "TextLines.h"

// What silences or adds to a script's diagnostics besides the tables.
struct CheckSettings {
  bool directives = false;      // directives in comments silence alerts
  bool unusedDisables = false;  // tell of directives that silence nothing
  // Which rules and rows are reported, and at what severity; what is not
  // reported is silenced, with what says so.
  RuleSelection rules;
  const Baseline* baseline = nullptr;  // alerts it holds are silenced
  // Which bytes end a line, and whether, when only CR and CR LF do, a
  // script with a lone LF that joins lines is told of (a line-ends
  // diagnostic).
  textlines::LineEnds lineEnds = textlines::LineEnds::Auto;
  bool tellLoneLineFeeds = false;
  // Tell the sink what a script's joined lines hold, for a baseline being
  // written, which records it with the line-ends diagnostic.
  bool recordJoinedLines = false;
};

// The one way a script is checked, whoever asks: the tables, the settings
// and one script in, every diagnostic out, in line order, silenced ones
// marked so; only the line-ends diagnostic, which is about the whole script
// and known only at its end, comes after the others. Holds nothing of a check between calls: one
// serves many scripts, on several threads at once.
class ScriptCheck {
 public:
  // `scanner`, `tables` and the baseline must outlive the check.
  ScriptCheck(const ScriptScanner& scanner, const Tables& tables, CheckSettings settings);

  // Reads `script`, shown as `path`, to its end. With `helper`, a large
  // script is read on two threads; with `workspace`, its buffers are reused.
  ScanResult check(ByteSource& script, const QString& path, DiagnosticSink& sink,
                   HelperThread* helper = nullptr, ScanWorkspace* workspace = nullptr) const;

  const ScriptScanner& scanner() const { return scanner_; }
  const Tables& tables() const { return tables_; }
  const CheckSettings& settings() const { return settings_; }

 private:
  const ScriptScanner& scanner_;
  const Tables& tables_;
  const CheckSettings settings_;
};
