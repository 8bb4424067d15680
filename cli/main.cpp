// vornel-scan: checks one camera script against the reference tables without
// a window. stdout gets the report, stderr the status and messages; the exit
// status is 0 for no alert, 1 for alerts, 2 when the scan could not run.

#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "ClassicReport.h"
#include "DiskFileSystem.h"
#include "HelperThread.h"
#include "ScriptScanner.h"
#include "SystemText.h"
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
  write(stderr, encodeSystemText(QStringLiteral("vornel-scan: ") + message + QLatin1Char('\n')));
  return kCouldNotRun;
}

// The status as the window would show it, each CR a newline, then the
// message boxes' texts, each on a line of its own.
void writeStatus(QString status, const QString& message = QString()) {
  status.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  status += QLatin1Char('\n');
  if (!message.isEmpty()) status += message + QLatin1Char('\n');
  write(stderr, encodeSystemText(status));
}

// The report lines on stdout, written in large pieces as the alerts come.
class ReportLines : public AlertSink {
 public:
  ~ReportLines() override { flush(); }
  void alert(const Alert& alert) override {
    classic::appendLine(alert, &buffer_);
    ++alerts_;
    if (buffer_.size() >= kFlushAt) flush();
  }
  void flush() {
    write(stdout, buffer_);
    buffer_.resize(0);
  }
  qint64 alerts() const { return alerts_; }

 private:
  static constexpr qsizetype kFlushAt = 256 * 1024;
  QByteArray buffer_;
  qint64 alerts_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Started before anything else: a new thread can take milliseconds to
  // get a processor, which it does here while the arguments are read.
  HelperThread helper;
  helper.warmUp();
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
  const QString path = scripts.first();

  DiskFileSystem files;
  const QString folder =
      parser.isSet(tablesOption) ? parser.value(tablesOption) : fixedTableFolder();
  Tables tables;
  TableFault fault;
  if (!loadTables(files, folder, &tables, &fault, &helper)) return fail(fault.message());

  const ScriptScanner scanner(tables);
  ReportLines report;
  ScanResult scan;
  if (const std::unique_ptr<ByteSource> script = files.open(path, &scan.error))
    scan = scanner.scan(*script, report, &helper);
  report.flush();
  if (!scan.ok()) {
    writeStatus(classic::fileLine(path) + QLatin1Char('\r') + classic::kCouldNotRead,
                classic::cannotRead(path, scan.error));
    return kCouldNotRun;
  }
  writeStatus(classic::summary(path, report.alerts()),
              report.alerts() == 0 ? classic::kNoProblems : QString());
  return report.alerts() > 0 ? kAlerts : kNoAlerts;
}
