// The built program started as the desktop entry starts it, with a script
// on its command line, on a desktop of the test's own; its windows are read
// through the accessibility bus, as a screen reader reads them.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "AccessibleDesktop.h"

namespace {

constexpr int kShownWithinMs = 30000;

const QString kProgramName = QStringLiteral("vornel-script-checker");
const QString kMainWindow = QStringLiteral("filler: Vornel Script Checker 1.0");
const QByteArray kAlertScript =
    "SetCameraState(\"isoa\", 1)\r\n"
    "owner = GetFileTag(\"ownr\")\r\n";
const QString kAlertReport = QStringLiteral(
    "contents: 1 SetCameraState(\"isoa\",1):  Auto ISO isoa overrides any fixed ISO, check the "
    "order "
    "of calls\n"
    "2 owner=GetFileTag(\"ownr\"):  Owner tag ownr is user data, not set by the camera");

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The lines of the tree that a user reads: the main window, message boxes,
// labels and the text of text boxes; objects without a name are left out.
QStringList readable(const QStringList& tree) {
  QStringList lines;
  for (const QString& line : tree) {
    if (line.endsWith(QLatin1String(": "))) continue;
    for (const char* kind : {"filler: Vornel", "alert message: ", "label: ", "contents: "}) {
      if (line.startsWith(QLatin1String(kind))) lines.append(line);
    }
  }
  return lines;
}

}  // namespace

class TestScriptArgument : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void scriptOnTheCommandLine_data();
  void scriptOnTheCommandLine();
  void cleanupTestCase();

 private:
  AccessibleDesktop desktop_;
};

void TestScriptArgument::initTestCase() {
  QString error;
  QVERIFY2(desktop_.start(&error), qPrintable(error));
}

void TestScriptArgument::cleanupTestCase() {
  desktop_.stop();
}

void TestScriptArgument::scriptOnTheCommandLine_data() {
  QTest::addColumn<QStringList>("arguments");  // "<dir>" is the scripts' folder
  QTest::addColumn<QStringList>("shown");      // the readable lines, once settled
  QTest::addColumn<QString>("saidOnStderr");

  const QString selectAScript = QStringLiteral("label: Select a Vornel Script file to process");
  QTest::newRow("a script with alerts")
      << QStringList{"night.csm"}
      << QStringList{kMainWindow, "label: File night.csm Selected\n2 Alerts. ", kAlertReport} << "";
  QTest::newRow("a script that cannot be read")
      << QStringList{"<dir>/gone.csm"}
      << QStringList{kMainWindow, "label: File <dir>/gone.csm Selected\nCould not read the file",
                     "contents: Script Report", "alert message: Scan Failed",
                     "label: Cannot read <dir>/gone.csm: No such file or directory"}
      << "";
  QTest::newRow("two scripts")
      << QStringList{"night.csm", "day.csm"}
      << QStringList{kMainWindow, "label: File night.csm Selected\n2 Alerts. ", kAlertReport}
      << "vornel-script-checker: scans one script at a time, night.csm; ignored: day.csm\n";
  QTest::newRow("Qt's options are no scripts")
      << QStringList{"-platform", "xcb", "night.csm"}
      << QStringList{kMainWindow, "label: File night.csm Selected\n2 Alerts. ", kAlertReport} << "";
  QTest::newRow("no script") << QStringList()
                             << QStringList{kMainWindow, selectAScript, "contents: Script Report"}
                             << "";
}

void TestScriptArgument::scriptOnTheCommandLine() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, shown);
  QFETCH(QString, saidOnStderr);

  QTemporaryDir scripts;
  QVERIFY(writeFile(scripts.filePath(QStringLiteral("night.csm")), kAlertScript));
  QVERIFY(writeFile(scripts.filePath(QStringLiteral("day.csm")), kAlertScript));
  arguments.replaceInStrings(QStringLiteral("<dir>"), scripts.path());
  shown.replaceInStrings(QStringLiteral("<dir>"), scripts.path());

  QProcess program;
  program.setProcessEnvironment(desktop_.environment());
  program.setWorkingDirectory(scripts.path());
  program.start(QStringLiteral(VORNEL_CHECKER_PATH), arguments);
  QVERIFY(program.waitForStarted());

  // Read until the window shows what it should, or has shown the same for
  // a while once the main window is up.
  QStringList seen;
  QElapsedTimer waited;
  waited.start();
  qint64 mainShownAt = -1;
  while (waited.elapsed() < kShownWithinMs && program.state() == QProcess::Running) {
    seen = readable(desktop_.read(kProgramName));
    if (seen == shown) break;
    if (mainShownAt < 0 && seen.contains(kMainWindow)) mainShownAt = waited.elapsed();
    QTest::qWait(200);
  }
  // Nothing more comes: no late scan, no further box.
  QTest::qWait(500);
  seen = readable(desktop_.read(kProgramName));
  program.kill();
  program.waitForFinished();
  QVERIFY2(seen == shown,
           qPrintable(QStringLiteral("shown:\n") + seen.join(QLatin1Char('\n')) +
                      QStringLiteral("\nexpected:\n") + shown.join(QLatin1Char('\n'))));

  QStringList said;
  for (const QByteArray& line : program.readAllStandardError().split('\n')) {
    if (line.startsWith("vornel-script-checker: "))
      said.append(QString::fromLocal8Bit(line) + "\n");
  }
  QCOMPARE(said.join(QString()), saidOnStderr);
}

QTEST_MAIN(TestScriptArgument)
#include "test_ui_script_argument.moc"
