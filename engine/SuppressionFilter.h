#pragma once

#include <vector>

#include <QHash>
#include <QList>
#include <QString>

#include "ByteSource.h"
#include "DiagnosticSink.h"
#include "Directive.h"
#include "HeldAlerts.h"
#include "Tables.h"

// Applies a script's directives to its alerts on their way to `next`: an
// alert a directive silences goes on marked so, with the directive's
// reason. The directives' own diagnostics go on among the alerts, in line
// order: a comment that is no directive, and, when asked for, a directive
// that silences nothing or names a code no table lists. A disable-file directive silences alerts
// that come before it, so alerts are held until the script ends. When many wait, they go on, and
// every later one at once: a script that can be read again is first
// searched for such directives; of a stream, the alerts go on as the
// directives seen so far decide, and a disable-file directive that comes
// later is told of as silencing only the alerts after it.
class SuppressionFilter : public DiagnosticSink {
 public:
  // `script`, when not null, is read again (by offset) if too many alerts wait.
  SuppressionFilter(DiagnosticSink& next, const Tables& tables, ByteSource* script,
                    bool unusedDisables);

  void directive(const Directive& directive) override;
  void diagnostic(const Diagnostic& alert) override;
  // The script has ended: hands on what is held, and what only the end
  // can tell of the directives. Those come after the alerts when there
  // were too many alerts to hold.
  void finish();

  // Alerts beyond which a script that can be read again is searched first.
  static constexpr std::size_t kMostHeld = 50000;

 private:
  struct Noted {
    Directive directive;
    QList<bool> used;   // for each code
    bool told = false;  // its not-a-directive diagnostic has gone on
  };
  // Its index in noted_.
  qsizetype note(const Directive& directive);
  // The diagnostics of the directives, in line order, that have not gone
  // on; before the end, only those of comments that are no directive.
  std::vector<Diagnostic> directiveDiagnostics(bool atEnd);
  // Hands on the alerts held, among the directives' diagnostics.
  void handOnHeld(bool atEnd);
  // Marks `alert` silenced when a directive says so.
  void decide(Diagnostic* alert);
  // Finds every disable-file directive of the script before its alerts go on.
  void searchWholeScript();

  DiagnosticSink& next_;
  const Tables& tables_;
  ByteSource* script_;
  std::vector<Noted> noted_;
  QHash<qint64, QList<qsizetype>> byLine_;  // script line -> noted_ indexes
  QList<qsizetype> fileWide_;
  HeldAlerts held_;
  bool handingOnAtOnce_ = false;
  const bool unusedDisables_;
};
