// Scans run from the "Open Script" button of the real main window, with the
// sample tables and a test-double dialog.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "RunningProgram.h"
#include "ShownLines.h"

namespace {

const QString kAlertScriptReport = QStringLiteral(
    "1 SetCameraState(\"isoa\",1):  Auto ISO isoa overrides any fixed ISO, check the order of "
    "calls\r\n"
    "3 owner=GetFileTag(\"ownr\"):  Owner tag ownr is user data, not set by the camera");
const QByteArray kAlertScript =
    "SetCameraState( \"isoa\", 1 )\r\n"
    "# nothing to see here: \"zmod\"\r\n"
    "owner = GetFileTag(\"ownr\")   # who took it\r\n";

// What the status label and the report box showed each time the label was
// painted.
class LabelPaints : public QObject {
 public:
  explicit LabelPaints(FrmMain& form) : form_(form) { form.lblInfo->installEventFilter(this); }
  QStringList labels;
  QStringList reports;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      labels.append(form_.lblInfo->text());
      reports.append(form_.txtReport->toPlainText());
    }
    return false;
  }

 private:
  FrmMain& form_;
};

QString shown(QString status) {
  return status.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

class TestScans : public QObject {
  Q_OBJECT

 private slots:
  void completedScan_data();
  void completedScan();
  void scanShowsItsProgressBeforeTheReport();
  void cancelledDialogKeepsTheReport();
  void unreadableScriptKeepsTheReport();
  void cleanup();
};

void TestScans::completedScan_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<QString>("report");
  QTest::addColumn<QString>("alerts");
  QTest::addColumn<QStringList>("messages");

  QTest::newRow("two alerts") << kAlertScript << kAlertScriptReport << "2 Alerts. "
                              << QStringList();
  QTest::newRow("no alerts") << QByteArray("x = 1\r\nSetCameraState(\"none\", 1)\r\n") << ""
                             << "0 Alerts. " << QStringList{"Scan Complete: No problems found!"};
  QTest::newRow("empty script") << QByteArray() << ""
                                << "0 Alerts. " << QStringList{"Scan Complete: No problems found!"};
}

void TestScans::completedScan() {
  QFETCH(QByteArray, script);
  QFETCH(QString, report);
  QFETCH(QString, alerts);
  QFETCH(QStringList, messages);

  RunningProgram running;
  QVERIFY(running.start());
  const QString path = running.script(QStringLiteral("portrait.csm"), script);
  running.prompts.answers = {path};
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);

  QCOMPARE(running.prompts.dialogFilters, QStringList{QStringLiteral("Vornel Scripts (*.csm)")});
  QCOMPARE(running.prompts.dialogParents, QList<QWidget*>{&running.form()});
  const QString status = QStringLiteral("File ") + path + QStringLiteral(" Selected\r") + alerts;
  QCOMPARE(running.program.windowServices()->statusText(), status);
  QCOMPARE(running.form().lblInfo->text(), shown(status));
  QCOMPARE(running.program.windowServices()->reportText(), report);
  QCOMPARE(running.form().txtReport->toPlainText(), QString(report).replace("\r\n", "\n"));
  QStringList shownMessages;
  for (const auto& m : running.prompts.messages) shownMessages.append(m.title + ": " + m.text);
  QCOMPARE(shownMessages, messages);
  for (const auto& m : running.prompts.messages) QCOMPARE(m.parent, &running.form());
}

void TestScans::scanShowsItsProgressBeforeTheReport() {
  RunningProgram running;
  QVERIFY(running.start());
  QVERIFY(QTest::qWaitForWindowExposed(&running.form()));
  QCoreApplication::processEvents();
  const QString path = running.script(QStringLiteral("a.csm"), kAlertScript);
  running.prompts.answers = {path};

  LabelPaints paints(running.form());
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);
  const QStringList labelsDuringScan = paints.labels;
  const QStringList reportsDuringScan = paints.reports;

  // One forced repaint, while the file line and "Processing..." show and the
  // report box still holds what it held before.
  QCOMPARE(labelsDuringScan, QStringList{QStringLiteral("File ") + path +
                                         QStringLiteral(" Selected\nProcessing...")});
  QCOMPARE(reportsDuringScan[0], QStringLiteral("Script Report"));
}

void TestScans::cancelledDialogKeepsTheReport() {
  RunningProgram running;
  QVERIFY(running.start());
  running.prompts.answers = {running.script(QStringLiteral("a.csm"), kAlertScript), QString()};
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);
  QCOMPARE(running.program.windowServices()->reportText(), kAlertScriptReport);

  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);
  QCOMPARE(running.prompts.dialogFilters.size(), 2);
  QCOMPARE(running.program.windowServices()->statusText(),
           QStringLiteral("No File Selected\rSelect a Vornel Script file to Process"));
  QCOMPARE(running.form().lblInfo->text(),
           QStringLiteral("No File Selected\nSelect a Vornel Script file to Process"));
  QCOMPARE(running.program.windowServices()->reportText(), kAlertScriptReport);
  QCOMPARE(shownLines(running.form().txtReport->document()).size(), 2);
  QVERIFY(running.prompts.messages.isEmpty());
}

void TestScans::unreadableScriptKeepsTheReport() {
  RunningProgram running;
  QVERIFY(running.start());
  const QString missing = QDir(running.scripts.path()).filePath(QStringLiteral("gone.csm"));
  running.prompts.answers = {running.script(QStringLiteral("a.csm"), kAlertScript), missing};
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);

  QCOMPARE(running.prompts.messages.size(), 1);
  QCOMPARE(running.prompts.messages[0].title, QStringLiteral("Scan Failed"));
  QVERIFY2(running.prompts.messages[0].text.contains(missing),
           qPrintable(running.prompts.messages[0].text));
  QCOMPARE(running.program.windowServices()->reportText(), kAlertScriptReport);
  QVERIFY(running.form().isVisible());
}

void TestScans::cleanup() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    QVERIFY2(!window->isVisible(), qPrintable(window->objectName() + " was left open"));
  }
}

QTEST_MAIN(TestScans)
#include "test_ui_scans.moc"
