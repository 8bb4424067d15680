// vornel-scan: checks one camera script against the reference tables without
// a window. stdout gets the report, stderr the status and messages; the exit
// status is 0 for no alert, 1 for alerts, 2 when the scan could not run.

#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "ConsoleOutput.h"
#include "ConsoleWindow.h"
#include "DiskFileSystem.h"
#include "HelperThread.h"
#include "PublicSubs.h"
#include "TableFolder.h"
#include "TableLoader.h"

namespace {

constexpr int kNoAlerts = 0;
constexpr int kAlerts = 1;
constexpr int kCouldNotRun = 2;

void write(FILE* to, const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
  std::fflush(to);
}

int fail(const QString& message) {
  write(stderr, (QStringLiteral("vornel-scan: ") + message + QLatin1Char('\n')).toLocal8Bit());
  return kCouldNotRun;
}

}  // namespace

int main(int argc, char** argv) {
  // Started before anything else: a new thread can take milliseconds to
  // get a processor, which it does here while the arguments are read. Left
  // running at exit, as the engine is (below).
  static HelperThread* const kHelper = new HelperThread;
  kHelper->warmUp();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vornel-scan"));
  QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Checks a Vornel camera script for codes listed in the reference tables.\n"
                     "Report on stdout, status on stderr; exit status 0 no alert, 1 alerts, "
                     "2 could not run."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  const QCommandLineOption tablesOption(
      QStringLiteral("tables"),
      QStringLiteral("Read tags.txt and param.txt from <dir> instead of the installed tables."),
      QStringLiteral("dir"));
  parser.addOption(tablesOption);
  parser.addPositionalArgument(QStringLiteral("script"),
                               QStringLiteral("The .csm script to check."));

  if (!parser.parse(QCoreApplication::arguments())) {
    return fail(parser.errorText() + QStringLiteral("\nUsage: vornel-scan [--tables DIR] SCRIPT"));
  }
  if (parser.isSet(helpOption)) {
    write(stdout, parser.helpText().toLocal8Bit());
    return kNoAlerts;
  }
  if (parser.isSet(versionOption)) {
    write(stdout,
          QStringLiteral("vornel-scan %1\n").arg(QStringLiteral(PROJECT_VERSION)).toLocal8Bit());
    return kNoAlerts;
  }
  const QStringList scripts = parser.positionalArguments();
  if (scripts.size() != 1 || scripts.first().isEmpty()) {
    return fail(QStringLiteral("expected one script\nUsage: vornel-scan [--tables DIR] SCRIPT"));
  }

  // Left to the end of the process rather than torn down: freeing tables of
  // many thousand rows, string by string, takes longer than scanning a small
  // script, and the system takes the memory back at exit in one piece. The
  // pointers are static so that leak checkers still see the objects in use.
  static DiskFileSystem* const kFiles = new DiskFileSystem;
  static ConsoleWindow* const kWindow = new ConsoleWindow(scripts.first());
  static PublicSubs* const kEngine = new PublicSubs(*kFiles, *kWindow, *kHelper);
  ConsoleWindow& window = *kWindow;
  PublicSubs& engine = *kEngine;
  const QString folder =
      parser.isSet(tablesOption) ? parser.value(tablesOption) : fixedTableFolder();
  QString error;
  if (!LoadReferenceTables(engine.FileNumber1, window, folder, &engine.Tables, &error,
                           engine.helperThread())) {
    return fail(error);
  }

  const PublicSubs::ScanOutcome outcome = engine.ScanScript();
  write(stdout, consoleoutput::reportForStdout(window.reportText()));
  write(stderr, consoleoutput::statusForStderr(window.statusText(), window.messages()));
  if (outcome != PublicSubs::ScanOutcome::Completed) return kCouldNotRun;
  return engine.AlertCount > 0 ? kAlerts : kNoAlerts;
}
