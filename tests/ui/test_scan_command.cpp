// The "Open Script" command against an in-memory file system and window:
// the status texts, the report and the message boxes of every outcome.

#include <QTemporaryDir>
#include <QTest>

#include "DiskFileSystem.h"
#include "FakePlatform.h"
#include "FakeWindow.h"
#include "RunScan.h"
#include "ScanCommand.h"
#include "TableLoader.h"
#include "TestTables.h"

namespace {

const QString kScript = QStringLiteral("/home/ann/night.csm");

struct Rig {
  FakeFileSystem fs;
  FakeWindow window;
  Tables tables = makeTables({"zmod", "isoa"}, {"ownr", "expo"});
  ScriptScanner scanner{tables};
  ScriptCheck check{scanner, tables, CheckSettings()};
  HelperThread helper;

  ScanCommandResult scan(const QString& path, const QByteArray& bytes) {
    fs.add(path, bytes);
    return scan(path);
  }
  ScanCommandResult scan(const QString& path, qsizetype mostReport = kMostReportCharacters) {
    window.answers = {path};
    window.statusHistory.clear();
    window.messageBoxes.clear();
    return runScanCommand(window, fs, check, &helper, mostReport);
  }
  // The same script chosen elsewhere than in the dialog.
  ScanCommandResult scanChosen(const QString& path, qsizetype mostReport = kMostReportCharacters) {
    window.statusHistory.clear();
    window.messageBoxes.clear();
    return scanChosenScript(window, fs, check, &helper, path, mostReport);
  }
};

// Everything a scan left in the window, message boxes and repaints included.
QStringList windowAfter(const FakeWindow& window, const ScanCommandResult& result) {
  QStringList seen = window.statusHistory;
  seen << "repainted: " + window.repaintedStatus.join(QLatin1Char('|'))
       << "report: " + window.report
       << QStringLiteral("outcome %1, %2 alerts").arg(int(result.outcome)).arg(result.alerts);
  for (const FakeWindow::MessageBox& box : window.messageBoxes) seen << box.title + ": " + box.text;
  return seen;
}

using Outcome = ScanCommandResult::Outcome;

}  // namespace

class ScanCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void statusTextsOfAScan() {
    Rig rig;
    const auto result = rig.scan(kScript, "x = 1\r\nSetCameraState(\"zmod\", 1)\r\nt=\"expo\"\r\n");
    QCOMPARE(result.outcome, Outcome::Completed);
    QCOMPARE(result.alerts, 2);
    QCOMPARE(rig.window.dialogFilter, QStringLiteral("Vornel Scripts (*.csm)|*.csm"));
    const QString file = QStringLiteral("File ") + kScript + QStringLiteral(" Selected");
    QCOMPARE(rig.window.statusHistory,
             (QStringList{file, file + "\rProcessing...",
                          file + "\rProcessing...\rContains 3 Lines", file + "\r2 Alerts. "}));
    QCOMPARE(rig.window.repaintedStatus, QStringList{file + "\rProcessing..."});
    QCOMPARE(rig.window.report, QStringLiteral("2 SetCameraState(\"zmod\",1):  param row 1\r\n"
                                               "3 t=\"expo\":  tag row 2"));
    QVERIFY(rig.window.messageBoxes.isEmpty());
    QCOMPARE(rig.fs.opens(kScript), 1);
  }

  void longPathsAreCutInTheStatus() {
    Rig rig;
    const QString path = QStringLiteral("/") + QString(60, QLatin1Char('d')) + ".csm";
    rig.scan(path, "x\r\n");
    QCOMPARE(rig.window.status, "File " + path.left(60) + "... Selected\r0 Alerts. ");
    QCOMPARE(rig.fs.opens(path), 1);  // opened under its full path
  }

  // A script given on the command line or dropped on the window goes the
  // dialog's way from the choice on, without showing the dialog.
  void chosenScriptGoesTheDialogsWay_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<qsizetype>("mostReport");
    QTest::addColumn<int>("outcome");
    QTest::newRow("alerts") << QByteArray("a=\"zmod\"\r\nb\r\nc=\"ownr\"\r\n") << true
                            << kMostReportCharacters << int(Outcome::Completed);
    QTest::newRow("no alerts") << QByteArray("x = 1\r\n") << true << kMostReportCharacters
                               << int(Outcome::Completed);
    QTest::newRow("missing") << QByteArray() << false << kMostReportCharacters
                             << int(Outcome::Failed);
    QTest::newRow("report too large")
        << QByteArray("a=\"zmod\"\r\n") << true << qsizetype(5) << int(Outcome::Failed);
  }

  void chosenScriptGoesTheDialogsWay() {
    QFETCH(QByteArray, script);
    QFETCH(bool, exists);
    QFETCH(qsizetype, mostReport);
    QFETCH(int, outcome);
    Rig byDialog;
    Rig given;
    for (Rig* rig : {&byDialog, &given}) {
      rig->scan(QStringLiteral("/before.csm"), "p=\"isoa\"\r\n");
      if (exists) rig->fs.add(kScript, script);
    }
    const ScanCommandResult dialogResult = byDialog.scan(kScript, mostReport);
    const int dialogsBefore = given.window.dialogsShown;
    const ScanCommandResult givenResult = given.scanChosen(kScript, mostReport);

    QCOMPARE(int(givenResult.outcome), outcome);
    QCOMPARE(windowAfter(given.window, givenResult), windowAfter(byDialog.window, dialogResult));
    QCOMPARE(given.window.dialogsShown, dialogsBefore);
    QCOMPARE(given.fs.opens(kScript), 1);
  }

  void noFileChosenChangesOnlyTheStatus() {
    Rig rig;
    rig.scan(kScript, "SetCameraState(\"zmod\")\r\n");
    const QString report = rig.window.report;
    QCOMPARE(rig.scan(QString()).outcome, Outcome::NoFileChosen);
    QCOMPARE(rig.window.status,
             QStringLiteral("No File Selected\rSelect a Vornel Script file to Process"));
    QCOMPARE(rig.window.report, report);
    QVERIFY(rig.window.messageBoxes.isEmpty());
  }

  void scansWithoutAlerts_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty script") << QByteArray() << qint64(0);
    QTest::newRow("LF line ends end lines") << QByteArray("a\nb\nc\n") << qint64(3);
    QTest::newRow("comments only") << QByteArray("# \"zmod\"\r\n  # x=\"ownr\"") << qint64(2);
  }

  void scansWithoutAlerts() {
    QFETCH(QByteArray, script);
    QFETCH(qint64, lines);
    Rig rig;
    rig.window.report = QStringLiteral("old report");
    rig.scan(kScript, script);
    QVERIFY(rig.window.statusHistory.contains(
        QStringLiteral("File %1 Selected\rProcessing...\rContains %2 Lines")
            .arg(kScript)
            .arg(lines)));
    QCOMPARE(rig.window.status, "File " + kScript + " Selected\r0 Alerts. ");
    QCOMPARE(rig.window.report, QString());
    QCOMPARE(rig.window.messageBoxes.size(), 1);
    QCOMPARE(rig.window.messageBoxes[0].text, QStringLiteral("No problems found!"));
    QCOMPARE(rig.window.messageBoxes[0].title, QStringLiteral("Scan Complete"));
  }

  // The desktop program and vornel-scan, given the same script and the
  // sample tables, show the same status and report: "N Alerts." and "No
  // problems found!" count table alerts only, whatever else vornel-scan
  // tells (its line-ends warning fails the run on its own line).
  void bothProgramsShowTheSameStatus_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("alerts");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("CR LF") << QByteArray("x = \"zmod\"\r\ny = \"expo\"\r\n") << 2 << 1;
    QTest::newRow("CR") << QByteArray("x = \"zmod\"\ry = \"expo\"\r") << 2 << 1;
    QTest::newRow("LF only") << QByteArray("# note\nx = \"zmod\"\ny = \"expo\"\n") << 2 << 1;
    QTest::newRow("LF only, no alert") << QByteArray("x=1\ny=2\n") << 0 << 0;
    QTest::newRow("CR LF first, then a LF that joins a comment")
        << QByteArray("x = \"zmod\"\r\n# note\ny = \"expo\"\r\n") << 1 << 1;
    QTest::newRow("mixed, no alert") << QByteArray("x=1\r\n# a\nb\r\n") << 0 << 1;
    QTest::newRow("a trailing LF") << QByteArray("x=1\r\ny=2\n") << 0 << 0;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFx = \"zmod\"\r\n") << 1 << 1;
    QTest::newRow("empty") << QByteArray() << 0 << 0;
  }

  void bothProgramsShowTheSameStatus() {
    QFETCH(QByteArray, script);
    QFETCH(int, alerts);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.csm"));
    QVERIFY(writeFile(path, script));
    const QString tablesFolder = QStringLiteral(VORNEL_SOURCE_DIR "/data");

    DiskFileSystem disk;
    Tables tables;
    TableFault fault;
    QVERIFY2(loadTables(disk, tablesFolder, &tables, &fault), qPrintable(fault.message()));
    ScriptScanner scanner(tables);
    const ScriptCheck check(scanner, tables, CheckSettings());
    FakeWindow window;
    scanChosenScript(window, disk, check, nullptr, path, kMostReportCharacters);
    const QString status = QStringLiteral("File %1 Selected\r%2 Alerts. ").arg(path).arg(alerts);
    QCOMPARE(window.status, status);
    QCOMPARE(window.messageBoxes.size(), alerts == 0 ? 1 : 0);

    const ScanRunResult run =
        runScan({QStringLiteral("--no-config"), QStringLiteral("--tables"), tablesFolder, path});
    QCOMPARE(run.exitCode, exitCode);
    QStringList told = run.err.split(u'\n', Qt::SkipEmptyParts);
    told.removeIf([](const QString& line) { return line.contains(QStringLiteral(": warning: ")); });
    QString shown = status;
    shown.replace(u'\r', u'\n');
    QCOMPARE(told, shown.split(u'\n') +
                       (alerts == 0 ? QStringList{"No problems found!"} : QStringList{}));
    // The report box parts its lines with CR LF; a report stream ends each in LF.
    QCOMPARE(QString::fromUtf8(run.out),
             window.report.isEmpty() ? QString() : window.report.replace("\r\n", "\n") + "\n");
  }

  void secondScanReplacesTheReport() {
    Rig rig;
    rig.scan(kScript, "a=\"zmod\"\r\nb=\"isoa\"\r\n");
    QCOMPARE(rig.scan(QStringLiteral("/b.csm"), "\r\nc=\"ownr\"\r\n").alerts, 1);
    QCOMPARE(rig.window.report, QStringLiteral("2 c=\"ownr\":  tag row 1"));
  }

  // A script that cannot be read ends the scan with a message; the previous
  // report stays, in one piece or read in stretches.
  void unreadableScripts_data() {
    QTest::addColumn<QString>("openFailure");
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<qint64>("splitFrom");
    QTest::addColumn<QString>("reason");
    const qint64 whole = ScriptScanner::kSplitFrom;
    QTest::newRow("missing") << QString() << qint64(-2) << whole << "No such file or directory";
    QTest::newRow("no permission")
        << "Permission denied" << qint64(-1) << whole << "Permission denied";
    QTest::newRow("read error") << QString() << qint64(12) << whole << "Input/output error";
    QTest::newRow("read error in stretches")
        << QString() << qint64(12) << qint64(0) << "Input/output error";
  }

  void unreadableScripts() {
    QFETCH(QString, openFailure);
    QFETCH(qint64, failAt);
    QFETCH(qint64, splitFrom);
    QFETCH(QString, reason);
    Rig rig;
    rig.scanner.setStretches(splitFrom, 8);
    rig.scan(QStringLiteral("/first.csm"), "a=\"zmod\"\r\n");
    const QString before = rig.window.report;
    const QString bad = QStringLiteral("/scripts/bad.csm");
    if (failAt != -2) rig.fs.add(bad, "b=\"isoa\"\r\nc=\"zmod\"\r\nd\r\n");
    if (failAt >= 0) rig.fs.failReadsAt(bad, failAt);
    if (!openFailure.isEmpty()) rig.fs.failOpen(bad, openFailure);
    QCOMPARE(rig.scan(bad).outcome, Outcome::Failed);
    QCOMPARE(rig.window.status, "File " + bad + " Selected\rCould not read the file");
    QCOMPARE(rig.window.messageBoxes.size(), 1);
    QCOMPARE(rig.window.messageBoxes[0].text, "Cannot read " + bad + ": " + reason);
    QCOMPARE(rig.window.messageBoxes[0].title, QStringLiteral("Scan Failed"));
    QCOMPARE(rig.window.report, before);
  }

  // A report longer than the window holds is not shown: a message box says
  // why, and the previous report and status stay.
  void reportsTooLargeToShow_data() {
    QTest::addColumn<qsizetype>("slack");
    QTest::addColumn<bool>("shown");
    QTest::newRow("as long as the limit") << qsizetype(0) << true;
    QTest::newRow("one character over") << qsizetype(-1) << false;
    QTest::newRow("far over") << qsizetype(-40) << false;
  }

  void reportsTooLargeToShow() {
    QFETCH(qsizetype, slack);
    QFETCH(bool, shown);
    Rig rig;
    rig.scan(kScript, "a=\"zmod\"\r\n");
    const QString report = rig.window.report;
    const QString status = rig.window.status;
    const QString big = QStringLiteral("/big.csm");
    const QString bigReport =
        QStringLiteral("1 b=\"isoa\":  param row 2\r\n2 c=\"ownr\":  tag row 1");
    rig.fs.add(big, "b=\"isoa\"\r\nc=\"ownr\"\r\n");
    const auto result = rig.scan(big, bigReport.size() + slack);
    if (shown) {
      QCOMPARE(result.outcome, Outcome::Completed);
      QCOMPARE(rig.window.report, bigReport);
      return;
    }
    QCOMPARE(result.outcome, Outcome::Failed);
    QCOMPARE(rig.window.report, report);
    QCOMPARE(rig.window.status, status);
    QCOMPARE(rig.window.messageBoxes.size(), 1);
    QCOMPARE(rig.window.messageBoxes[0].title, QStringLiteral("Scan Failed"));
    QCOMPARE(rig.window.messageBoxes[0].text,
             QStringLiteral("The report of /big.csm is too large to show: it passes %1 characters, "
                            "the most this window holds. vornel-scan reports scripts of any size.")
                 .arg(bigReport.size() + slack));
  }
};

QTEST_GUILESS_MAIN(ScanCommandTest)
#include "test_scan_command.moc"
