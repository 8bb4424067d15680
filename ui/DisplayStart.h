#pragma once

#include <QtGlobal>

// The desktop program needs a display. Where it has none, Qt ends it with
// lines about platform plugins and an abort: a core dump and status 134.
// While a DisplayStart lives (around the construction of the application),
// that failure is one line on standard error instead,
// "vornel-script-checker: cannot open a display: <Qt's reason>", and the
// program ends with status 1. What the platform plugins said on a start
// that succeeds is passed on when it ends.
class DisplayStart {
 public:
  DisplayStart();
  ~DisplayStart();
  DisplayStart(const DisplayStart&) = delete;
  DisplayStart& operator=(const DisplayStart&) = delete;
};
