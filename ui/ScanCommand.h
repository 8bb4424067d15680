#pragma once

#include <cstddef>

#include <QtGlobal>

#include "FileSystem.h"
#include "HelperThread.h"
#include "ScriptCheck.h"
#include "WindowServices.h"

// How an "Open Script" command ended, and the alerts of a completed scan.
struct ScanCommandResult {
  enum class Outcome { NoFileChosen, Completed, Failed };
  Outcome outcome = Outcome::NoFileChosen;
  qint64 alerts = 0;
};

// The longest report the window shows, in characters: 32 Mi, 64 MiB of
// text, some 700,000 alerts of a typical length. The text box holds its
// own copy and lays it out, several times that in memory.
inline constexpr qsizetype kMostReportCharacters = qsizetype(32) << 20;

// The heap the desktop program keeps ready for huge pages, from its start
// (preferHugePagesForLargeBlocks()): a long report is written three times
// over at once (the report, the text shown and the box's document).
inline constexpr std::size_t kReportMemory = std::size_t(128) << 20;

// The filter of the "Open Script" dialog; a file it shows is a script.
QString scriptFilter();

// The "Open Script" command: asks for a script and scans it as
// scanChosenScript() does. No script chosen leaves the report as it was.
ScanCommandResult runScanCommand(WindowServices& window, FileSystem& files,
                                 const ScriptCheck& check, HelperThread* helper,
                                 qsizetype mostReportCharacters = kMostReportCharacters);

// What follows the choice of a script, wherever it was chosen: the dialog,
// the command line or a drop. Shows the progress in the status label, scans
// `path` and shows the report and the summary, with a message box when
// nothing was found. A script that cannot be read ends with a message box,
// and the report box keeps the previous report; so does one that is no
// file, such as a pipe, which the window would otherwise wait on. So does a
// report longer than `mostReportCharacters`, and the status label goes back
// to what it said before. The name shown has U+FFFD for each byte of `path`
// that is no UTF-8.
ScanCommandResult scanChosenScript(WindowServices& window, FileSystem& files,
                                   const ScriptCheck& check, HelperThread* helper,
                                   const QString& path,
                                   qsizetype mostReportCharacters = kMostReportCharacters);
