#pragma once

#include <QtGlobal>

#include "FileSystem.h"
#include "HelperThread.h"
#include "ScriptScanner.h"
#include "WindowServices.h"

// How an "Open Script" command ended, and the alerts of a completed scan.
struct ScanCommandResult {
  enum class Outcome { NoFileChosen, Completed, Failed };
  Outcome outcome = Outcome::NoFileChosen;
  qint64 alerts = 0;
};

// The "Open Script" command: asks for a script, shows the progress in the
// status label, scans it and shows the report and the summary, with a
// message box when nothing was found. A script that cannot be read ends
// with a message box, and the report box keeps the previous report.
ScanCommandResult runScanCommand(WindowServices& window, FileSystem& files,
                                 const ScriptScanner& scanner, HelperThread* helper);
