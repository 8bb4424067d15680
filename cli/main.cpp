// vornel-scan: checks camera scripts against the reference tables, from the
// command line. The report goes to stdout (or --output), in one of several
// formats; errors and the summary go to stderr. Exit status 0 for no alert,
// 1 for alerts, 2 when something could not be checked or written.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <unistd.h>

#include "CliOptions.h"
#include "ConsoleMessages.h"
#include "DiskFileSystem.h"
#include "HelperThread.h"
#include "ReportOutput.h"
#include "ScanRun.h"
#include "ScriptScanner.h"
#include "SystemText.h"
#include "TableFolder.h"
#include "TableLoader.h"

namespace {

constexpr int kNoAlerts = 0;
constexpr int kAlerts = 1;
constexpr int kCouldNotRun = 2;

void writeOut(const QString& text) {
  const QByteArray bytes = encodeSystemText(text);
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
  std::fflush(stdout);
}

bool wantsColor(const CliOptions& options) {
  switch (options.color) {
    case CliOptions::Color::Always:
      return true;
    case CliOptions::Color::Never:
      return false;
    case CliOptions::Color::Auto:
      break;
  }
  const QByteArray noColor = qgetenv("NO_COLOR");
  return options.outputFile.isEmpty() && ::isatty(STDOUT_FILENO) && noColor.isEmpty() &&
         qgetenv("TERM") != "dumb";
}

// The classic report of one script is the desktop program's: no path before
// its lines, and its status on stderr.
bool isSingleScript(const CliOptions& options) {
  if (options.format != QStringLiteral("classic") || options.paths.size() != 1) return false;
  const QString& path = options.paths.first();
  FolderEntry::Kind kind;
  QString error;
  return path == QStringLiteral("-") || !kindOfPath(QFile::encodeName(path), &kind, &error) ||
         kind != FolderEntry::Kind::Folder;
}

}  // namespace

int main(int argc, char** argv) {
  // Started before anything else: a new thread can take milliseconds to get
  // a processor, which it does here while the arguments are read.
  HelperThread helper;
  helper.warmUp();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vornel-scan"));
  QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

  const CliParse parse = parseCommandLine(QCoreApplication::arguments());
  switch (parse.outcome) {
    case CliParse::Outcome::Help:
      writeOut(parse.text);
      return kNoAlerts;
    case CliParse::Outcome::Version:
      writeOut(QStringLiteral("vornel-scan %1\n").arg(QStringLiteral(PROJECT_VERSION)));
      return kNoAlerts;
    case CliParse::Outcome::Error:
      ConsoleMessages(false, false, false).error(parse.text);
      return kCouldNotRun;
    case CliParse::Outcome::Run:
      break;
  }
  const CliOptions& options = parse.options;
  const bool singleScript = isSingleScript(options);
  ConsoleMessages messages(singleScript, options.verbose, options.quiet);

  DiskFileSystem files;
  Tables tables;
  TableFault fault;
  const QString folder = options.tablesFolder.isEmpty() ? fixedTableFolder() : options.tablesFolder;
  if (!loadTables(files, folder, &tables, &fault, &helper)) {
    messages.error(fault.message());
    return kCouldNotRun;
  }

  RunFacts facts;
  facts.toolName = QStringLiteral("vornel-scan");
  facts.toolVersion = QStringLiteral(PROJECT_VERSION);
  facts.tables = &tables;
  facts.workingFolder = QDir::currentPath();
  facts.color = wantsColor(options);
  facts.singleScript = singleScript;
  const std::unique_ptr<ReportFormat> format = makeReportFormat(options.format, facts);

  ReportOutput output;
  if (!options.outputFile.isEmpty() && !output.openFile(options.outputFile)) {
    messages.error(output.error());
    return kCouldNotRun;
  }
  const ScriptScanner scanner(tables);
  RunSettings settings;
  settings.jobs = options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount());
  // One thread at a time borrows the helper for a large script; with -j 1,
  // one thread it is.
  ScanRun run(scanner, tables, *format, files,
              settings.jobs > 1 || singleScript ? &helper : nullptr, settings);
  ScriptWalk walk(options.paths, options.standardInputName, options.excludes);
  const RunTotals totals = run.run(walk, output, messages);
  const bool written = output.finish();
  if (!written) messages.error(output.error());
  messages.summary(totals);
  if (options.statistics) messages.statistics(totals, tables);

  if (!written || !totals.failures.isEmpty()) return kCouldNotRun;
  return totals.alerts > 0 && !options.exitZero ? kAlerts : kNoAlerts;
}
