// The built program started as the desktop entry starts it, with a script
// on its command line, on a desktop of the test's own; its windows are read
// through the accessibility bus, as a screen reader reads them.

#include <signal.h>
#include <sys/stat.h>

#include <functional>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
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

// Reads the program's readable lines until they are `expected` or the
// time is up, then once more a moment later: nothing more may come.
QStringList settledView(const AccessibleDesktop& desktop, const QStringList& expected,
                        const std::function<bool()>& running) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kShownWithinMs && running()) {
    if (readable(desktop.read(kProgramName)) == expected) break;
    QTest::qWait(200);
  }
  QTest::qWait(500);
  return readable(desktop.read(kProgramName));
}

QString described(const QStringList& seen, const QStringList& expected) {
  return QStringLiteral("shown:\n") + seen.join(QLatin1Char('\n')) +
         QStringLiteral("\nexpected:\n") + expected.join(QLatin1Char('\n'));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestScriptArgument : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void scriptOnTheCommandLine_data();
  void scriptOnTheCommandLine();
  void openedFromTheFileManager();
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
  QTest::addColumn<QStringList>("arguments");  // "<dir>" is the scripts' folder, "\ooo" a byte
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
  // The window does not wait for a writer: it answers, and closes.
  QTest::newRow("a pipe")
      << QStringList{"<dir>/pipe.csm"}
      << QStringList{kMainWindow, "label: File <dir>/pipe.csm Selected\nCould not read the file",
                     "contents: Script Report", "alert message: Scan Failed",
                     "label: Cannot read <dir>/pipe.csm: Is a pipe: only files are read"}
      << "";
  QTest::newRow("a name that is no UTF-8")
      << QStringList{"bad\\377\\376.csm"}
      << QStringList{kMainWindow, "label: File bad\uFFFD\uFFFD.csm Selected\n2 Alerts. ",
                     kAlertReport}
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
  const QByteArray folder = QFile::encodeName(scripts.path());
  const QByteArray badName = folder + "/bad\xFF\xFE.csm";  // which QTemporaryDir cannot remove
  const auto removeBadName = qScopeGuard([&] { ::unlink(badName.constData()); });
  QCOMPARE(::link(folder + "/night.csm", badName.constData()), 0);
  QCOMPARE(::mkfifo(folder + "/pipe.csm", 0600), 0);
  arguments.replaceInStrings(QStringLiteral("<dir>"), scripts.path());
  shown.replaceInStrings(QStringLiteral("<dir>"), scripts.path());

  QProcess program;
  program.setProcessEnvironment(desktop_.environment());
  program.setWorkingDirectory(scripts.path());
  // Through the shell, which turns each "\ooo" into its byte and then runs
  // the program in its place: QProcess passes its arguments as text.
  program.start(QStringLiteral("/bin/sh"),
                QStringList{"-c",
                            "p=$1; shift; for a; do set -- \"$@\" \"$(printf %b \"$a\")\"; "
                            "shift; done; exec \"$p\" \"$@\"",
                            "sh", VORNEL_CHECKER_PATH} +
                    arguments);
  QVERIFY(program.waitForStarted());

  const QStringList seen =
      settledView(desktop_, shown, [&] { return program.state() == QProcess::Running; });
  // Whether the program ended by itself is told before it is closed here.
  const QString ended = program.state() == QProcess::Running ? QStringLiteral("still running")
                        : program.exitStatus() == QProcess::CrashExit
                            ? QStringLiteral("crashed")
                            : QStringLiteral("exited with status %1").arg(program.exitCode());
  // Closed as its user closes it: the message box first, if any.
  if (desktop_.closeWindow(QStringLiteral("Scan Failed"))) QTest::qWait(500);
  desktop_.closeWindow(QStringLiteral("Vornel Script Checker 1.0"));
  const bool closed = program.waitForFinished(kShownWithinMs);
  if (!closed) program.kill();
  program.waitForFinished();
  const QByteArray stderrText = program.readAllStandardError();
  QVERIFY2(seen == shown,
           qPrintable(described(seen, shown) + QStringLiteral("\nthe program: ") + ended +
                      QStringLiteral("; its stderr:\n") + QString::fromLocal8Bit(stderrText)));
  QVERIFY(closed);
  QCOMPARE(program.exitCode(), 0);

  QStringList said;
  for (const QByteArray& line : stderrText.split('\n')) {
    if (line.startsWith("vornel-script-checker: "))
      said.append(QString::fromLocal8Bit(line) + "\n");
  }
  QCOMPARE(said.join(QString()), saidOnStderr);
}

// Opened as a file manager opens a script: gio finds the program through
// its desktop entry and the script's file type, and starts it with the
// script's full path.
void TestScriptArgument::openedFromTheFileManager() {
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  QVERIFY2(!gio.isEmpty(), "gio not found; scripts/install-deps installs libglib2.0-bin");
  QTemporaryDir home;
  const QDir dir(home.path());
  for (const char* sub : {"data/applications", "data/mime/packages", "config", "scripts"}) {
    QVERIFY(dir.mkpath(QString::fromLatin1(sub)));
  }
  QVERIFY(
      QFile::copy(QStringLiteral(VORNEL_DESKTOP_ENTRY),
                  dir.filePath(QStringLiteral("data/applications/vornel-script-checker.desktop"))));
  QVERIFY(
      QFile::copy(QStringLiteral(VORNEL_MIME_TYPES),
                  dir.filePath(QStringLiteral("data/mime/packages/vornel-script-checker.xml"))));
  QProcess mimeDatabase;
  mimeDatabase.setProcessChannelMode(QProcess::MergedChannels);
  mimeDatabase.start(QStringLiteral("update-mime-database"),
                     {dir.filePath(QStringLiteral("data/mime"))});
  QVERIFY(mimeDatabase.waitForFinished());
  QVERIFY2(mimeDatabase.exitCode() == 0, mimeDatabase.readAll().constData());
  // The default that installing the package makes it, written where a
  // user's own choice would stand.
  QVERIFY(writeFile(dir.filePath(QStringLiteral("config/mimeapps.list")),
                    "[Default Applications]\n"
                    "text/x-vornel-script=vornel-script-checker.desktop\n"));
  const QString script = dir.filePath(QStringLiteral("scripts/night.csm"));
  QVERIFY(writeFile(script, kAlertScript));

  QProcessEnvironment environment = desktop_.environment();
  environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
  environment.insert(QStringLiteral("XDG_DATA_DIRS"), dir.filePath(QStringLiteral("data")));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
  environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("config")));
  // The desktop entry names the program as installed, found on PATH.
  environment.insert(QStringLiteral("PATH"),
                     QFileInfo(QStringLiteral(VORNEL_CHECKER_PATH)).absolutePath() +
                         QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
  QProcess open;
  open.setProcessEnvironment(environment);
  open.setProcessChannelMode(QProcess::MergedChannels);
  open.start(gio, {QStringLiteral("open"), script});
  QVERIFY(open.waitForFinished(kShownWithinMs));
  QVERIFY2(open.exitCode() == 0, open.readAll().constData());

  const QStringList shown{kMainWindow, "label: File " + script + " Selected\n2 Alerts. ",
                          kAlertReport};
  const QStringList seen = settledView(desktop_, shown, [] { return true; });
  // gio has let go of the program; it is ended through the process the
  // accessibility bus knows it by.
  const qint64 program = desktop_.processOf(kProgramName);
  if (program > 0) ::kill(pid_t(program), SIGTERM);
  QVERIFY2(seen == shown, qPrintable(described(seen, shown)));
  QVERIFY(program > 0);
}

QTEST_MAIN(TestScriptArgument)
#include "test_ui_script_argument.moc"
