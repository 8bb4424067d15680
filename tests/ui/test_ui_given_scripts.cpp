// Scripts handed to the desktop program rather than chosen in its dialog:
// files dropped on the main window, and the script given at launch, which
// waits for the main window to be on screen.

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

#include "RunningProgram.h"
#include "SpecialFiles.h"

namespace {

const QByteArray kAlertScript =
    "SetCameraState(\"isoa\", 1)\r\n"
    "owner = GetFileTag(\"ownr\")\r\n";
const QString kAlertReport = QStringLiteral(
    "1 SetCameraState(\"isoa\",1):  Auto ISO isoa overrides any fixed ISO, check the order of "
    "calls\r\n"
    "2 owner=GetFileTag(\"ownr\"):  Owner tag ownr is user data, not set by the camera");
const QString kStartStatus = QStringLiteral("Select a Vornel Script file to process");
const QString kDesignReport = QStringLiteral("Script Report");

// What the window shows: status, report, and each message box as
// "title: text", with the test's folder written as "<dir>".
QStringList windowShows(RunningProgram& running) {
  QStringList seen{running.program.windowServices()->statusText(),
                   running.program.windowServices()->reportText()};
  for (const FakePrompts::Message& m : running.prompts.messages) {
    seen.append(m.title + QStringLiteral(": ") + m.text);
  }
  return seen.replaceInStrings(running.scripts.path(), QStringLiteral("<dir>"));
}

// The texts the status label showed each time it was painted.
class LabelPaints : public QObject {
 public:
  explicit LabelPaints(QLabel* label) : label_(label) { label->installEventFilter(this); }
  QStringList labels;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) labels.append(label_->text());
    return false;
  }

 private:
  QLabel* label_;
};

}  // namespace

class TestGivenScripts : public QObject {
  Q_OBJECT

 private slots:
  void drop_data();
  void drop();
  void textDroppedOnTheReportIsStillText();
  void scriptGivenAtLaunchWaitsForTheMainWindow();
  void cleanup();
};

void TestGivenScripts::drop_data() {
  QTest::addColumn<QStringList>("files");  // names in the test's folder, as an address has them
  QTest::addColumn<bool>("onReport");      // dropped on the report box, else on the label
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<QStringList>("shown");

  const QStringList alerts{"File <dir>/night.csm Selected\r2 Alerts. ", kAlertReport};
  const QStringList untouched{kStartStatus, kDesignReport};
  for (const bool onReport : {false, true}) {
    const char* on = onReport ? "on the report" : "on the label";
    QTest::addRow("a script %s", on) << QStringList{"night.csm"} << onReport << true << alerts;
    QTest::addRow("a script in capitals %s", on)
        << QStringList{"NIGHT.CSM"} << onReport << true
        << QStringList{"File <dir>/NIGHT.CSM Selected\r2 Alerts. ", kAlertReport};
    QTest::addRow("a script that cannot be read %s", on)
        << QStringList{"gone.csm"} << onReport << true
        << QStringList{"File <dir>/gone.csm Selected\rCould not read the file", kDesignReport,
                       "Scan Failed: Cannot read <dir>/gone.csm: No such file or directory"};
    // The window cannot wait for a pipe's writer, nor read a device.
    QTest::addRow("a pipe %s", on)
        << QStringList{"pipe.csm"} << onReport << true
        << QStringList{"File <dir>/pipe.csm Selected\rCould not read the file", kDesignReport,
                       "Scan Failed: Cannot read <dir>/pipe.csm: Is a pipe: only files are read"};
    QTest::addRow("a device %s", on)
        << QStringList{"zero.csm"} << onReport << true
        << QStringList{"File <dir>/zero.csm Selected\rCould not read the file", kDesignReport,
                       "Scan Failed: Cannot read <dir>/zero.csm: Is a character device: only files "
                       "are read"};
    QTest::addRow("a name that is no UTF-8 %s", on)
        << QStringList{"bad%FF%FE.csm"} << onReport << true
        << QStringList{"File <dir>/bad\uFFFD\uFFFD.csm Selected\r2 Alerts. ", kAlertReport};
    QTest::addRow("a text file %s", on)
        << QStringList{"notes.txt"} << onReport << false << untouched;
    QTest::addRow("a script with another extension after it %s", on)
        << QStringList{"night.csm.bak"} << onReport << false << untouched;
    QTest::addRow("two scripts %s", on)
        << QStringList{"night.csm", "day.csm"} << onReport << false << untouched;
    QTest::addRow("a script and a text file %s", on)
        << QStringList{"night.csm", "notes.txt"} << onReport << false << untouched;
    QTest::addRow("a remote script %s", on)
        << QStringList{"https://example.org/night.csm"} << onReport << false << untouched;
  }
}

void TestGivenScripts::drop() {
  QFETCH(QStringList, files);
  QFETCH(bool, onReport);
  QFETCH(bool, accepted);
  QFETCH(QStringList, shown);

  RunningProgram running;
  QVERIFY(running.start());
  for (const QString name : {"night.csm", "NIGHT.CSM", "day.csm", "night.csm.bak"}) {
    QVERIFY(!running.script(name, kAlertScript).isEmpty());
  }
  QVERIFY(
      !running.script(QStringLiteral("notes.txt"), "SetCameraState(\"isoa\", 1)\r\n").isEmpty());
  const QByteArray folder = QFile::encodeName(running.scripts.path());
  const QByteArray badName = folder + "/bad\xFF\xFE.csm";  // which QTemporaryDir cannot remove
  const auto removeBadName = qScopeGuard([&] { ::unlink(badName.constData()); });
  QCOMPARE(::link(folder + "/night.csm", badName.constData()), 0);
  QVERIFY(makeFile(running.scripts.filePath("pipe.csm"), "fifo"));
  QVERIFY(makeFile(running.scripts.filePath("zero.csm"), "zero"));
  QList<QUrl> urls;
  for (const QString& file : files) {
    urls.append(file.contains(QLatin1Char(':'))
                    ? QUrl(file)
                    : QUrl(QUrl::fromLocalFile(running.scripts.path()).toString() + '/' + file));
  }
  QMimeData data;
  data.setUrls(urls);
  QWidget* target = onReport ? running.form().txtReport->viewport()
                             : static_cast<QWidget*>(running.form().lblInfo);
  const QPointF at(target->width() / 2, target->height() / 2);

  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                        Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  // Sent where the window system sends them: to the widget under the
  // pointer that takes drops, the main window itself above the label.
  QWidget* receiver = onReport ? target : &running.form();
  QApplication::sendEvent(receiver, &enter);
  QCOMPARE(enter.isAccepted(), accepted);
  QApplication::sendEvent(receiver, &drop);
  QCOMPARE(drop.isAccepted(), accepted);
  // The scan runs from the event loop, once the drop has been answered.
  QCOMPARE(running.program.windowServices()->statusText(), kStartStatus);
  ::alarm(10);  // a scan that waits for a pipe's writer ends the test
  QCoreApplication::processEvents();
  ::alarm(0);

  QCOMPARE(windowShows(running), shown);
  QVERIFY(running.prompts.dialogFilters.isEmpty());
  for (const FakePrompts::Message& m : running.prompts.messages) {
    QCOMPARE(m.parent, &running.form());
  }
}

// Text dragged from elsewhere still lands in the report box, where the
// user may edit it.
void TestGivenScripts::textDroppedOnTheReportIsStillText() {
  RunningProgram running;
  QVERIFY(running.start());
  QMimeData data;
  data.setText(QStringLiteral("checked by hand"));
  QWidget* box = running.form().txtReport->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(box, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(box, &drop);
  QTest::qWait(20);
  QVERIFY2(running.form().txtReport->toPlainText().contains(QStringLiteral("checked by hand")),
           qPrintable(running.form().txtReport->toPlainText()));
  QCOMPARE(running.program.windowServices()->statusText(), kStartStatus);
  QVERIFY(running.prompts.messages.isEmpty());
}

void TestGivenScripts::scriptGivenAtLaunchWaitsForTheMainWindow() {
  RunningProgram running;
  const QString path = running.script(QStringLiteral("night.csm"), kAlertScript);
  QVERIFY(running.program.Main(path));
  QTest::qWait(50);
  QCOMPARE(running.program.windowServices()->statusText(), kStartStatus);

  LabelPaints paints(running.form().lblInfo);
  running.program.FinishSplash();
  QCOMPARE(windowShows(running),
           (QStringList{"File <dir>/night.csm Selected\r2 Alerts. ", kAlertReport}));
  QVERIFY(running.form().isVisible());
  QVERIFY(!running.program.frmSplash());
  // The user saw the scan run in the window, whose first paint came before.
  QCOMPARE(paints.labels.value(0), kStartStatus);
  QVERIFY2(paints.labels.contains("File " + path + " Selected\nProcessing..."),
           qPrintable(paints.labels.join(" | ")));
  QVERIFY(running.prompts.dialogFilters.isEmpty());
}

void TestGivenScripts::cleanup() {
  for (QWidget* window : QApplication::topLevelWidgets()) window->close();
}

QTEST_MAIN(TestGivenScripts)
#include "test_ui_given_scripts.moc"
