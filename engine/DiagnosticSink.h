#pragma once

#include <QtGlobal>

#include "Diagnostic.h"
#include "Directive.h"

struct JoinedLines;

// Where a scan hands its diagnostics, one at a time and in line order, as
// it finds them; a line that gives two alerts gives the parameter alert
// first, and a directive in a line's comment comes before the line's
// alerts. Called on the thread that runs the scan.
class DiagnosticSink {
 public:
  virtual ~DiagnosticSink() = default;
  virtual void diagnostic(const Diagnostic& diagnostic) = 0;
  virtual void directive(const Directive& directive) { Q_UNUSED(directive); }
  // What the joined lines hold, just before the line-ends diagnostic, for
  // a baseline being written.
  virtual void joinedLines(const JoinedLines& held) { Q_UNUSED(held); }
};
