// "Print Report" for real: a CUPS scheduler of the test's own with a queue
// that keeps its documents, read back with pdftotext.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "PdfText.h"
#include "PrivateCups.h"
#include "RunningProgram.h"

namespace {

const QString kQueue = QStringLiteral("vornel-test");
const QByteArray kAlertScript =
    "SetCameraState(\"isoa\", 1)\r\n"
    "owner = GetFileTag(\"ownr\")\r\n";

}  // namespace

class TestPrinting : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void printBeforeAnyScan();
  void printAfterAScan();
  void typedTextIsPrinted();
  void twoClicksTwoDocuments();
  void refusedJobIsReported();
  void noPrinterAtAll();
  void cleanupTestCase();

 private:
  // Clicks "Print Report" and returns the lines of each new document.
  QList<QStringList> clickPrint(RunningProgram& running, int clicks = 1);

  PrivateCups cups_;
};

void TestPrinting::initTestCase() {
  QString error;
  QVERIFY2(cups_.start(&error), qPrintable(error));
  QVERIFY2(cups_.addDefaultQueue(kQueue, &error), qPrintable(error));
}

void TestPrinting::cleanupTestCase() {
  cups_.stop();
}

QList<QStringList> TestPrinting::clickPrint(RunningProgram& running, int clicks) {
  const QStringList before = cups_.spooledDocuments();
  for (int i = 0; i < clicks; ++i) QTest::mouseClick(running.form().cmdPrint, Qt::LeftButton);
  QList<QStringList> documents;
  for (const QString& path : cups_.spooledDocuments()) {
    if (before.contains(path)) continue;
    QString error;
    documents.append(pdftext::lines(path, &error));
    if (!error.isEmpty()) documents.last().append(QStringLiteral("pdftotext: ") + error);
  }
  return documents;
}

void TestPrinting::printBeforeAnyScan() {
  RunningProgram running;
  QVERIFY(running.start());
  const QList<QStringList> documents = clickPrint(running);
  QVERIFY2(running.prompts.messages.isEmpty(),
           qPrintable(running.prompts.messages.value(0).text + cups_.errorLog()));
  QCOMPARE(documents.size(), 1);
  QCOMPARE(documents[0],
           pdftext::asRead({"Select a Vornel Script file to process", "Script Report"}));
}

void TestPrinting::printAfterAScan() {
  RunningProgram running;
  QVERIFY(running.start());
  const QString path = running.script(QStringLiteral("portrait.csm"), kAlertScript);
  running.prompts.answers = {path};
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);

  const QList<QStringList> documents = clickPrint(running);
  QCOMPARE(documents.size(), 1);
  QCOMPARE(
      documents[0],
      pdftext::asRead(
          {"File " + path + " Selected", "2 Alerts. ",
           "1 SetCameraState(\"isoa\",1):  Auto ISO isoa overrides any fixed ISO, check the "
           "order of calls",
           "2 owner=GetFileTag(\"ownr\"):  Owner tag ownr is user data, not set by the camera"}));
  QVERIFY(running.prompts.messages.isEmpty());
}

void TestPrinting::typedTextIsPrinted() {
  RunningProgram running;
  QVERIFY(running.start());
  running.form().txtReport->moveCursor(QTextCursor::End);
  QTest::keyClick(running.form().txtReport, Qt::Key_Return);
  QTest::keyClicks(running.form().txtReport, QStringLiteral("checked by hand"));

  const QList<QStringList> documents = clickPrint(running);
  QCOMPARE(documents.size(), 1);
  QCOMPARE(documents[0], pdftext::asRead({"Select a Vornel Script file to process", "Script Report",
                                          "checked by hand"}));
}

void TestPrinting::twoClicksTwoDocuments() {
  RunningProgram running;
  QVERIFY(running.start());
  const QList<QStringList> documents = clickPrint(running, 2);
  QCOMPARE(documents.size(), 2);
  QCOMPARE(documents[0], documents[1]);
  QCOMPARE(documents[0].size(), 2);
  const QStringList spooled = cups_.spooledDocuments();
  QString error;
  for (const QString& path : spooled.mid(spooled.size() - 2)) {
    for (double height : pdftext::wordHeights(path, &error)) {
      // 11 points in DejaVu: word boxes 12.8 points high.
      QVERIFY2(height > 12.2 && height < 13.4, qPrintable(QString::number(height)));
    }
  }
  QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestPrinting::refusedJobIsReported() {
  RunningProgram running;
  QVERIFY(running.start());
  running.form().txtReport->setFocus();
  QString error;
  QVERIFY2(cups_.setAcceptingJobs(kQueue, false, &error), qPrintable(error));
  const QString status = running.program.windowServices()->statusText();
  const QString report = running.program.windowServices()->reportText();

  const QList<QStringList> documents = clickPrint(running);
  QVERIFY2(cups_.setAcceptingJobs(kQueue, true, &error), qPrintable(error));

  QVERIFY(documents.isEmpty());
  QCOMPARE(running.prompts.messages.size(), 1);
  QCOMPARE(running.prompts.messages[0].title, QStringLiteral("Print Failed"));
  QVERIFY2(running.prompts.messages[0].text.contains(kQueue),
           qPrintable(running.prompts.messages[0].text));
  QCOMPARE(running.program.windowServices()->statusText(), status);
  QCOMPARE(running.program.windowServices()->reportText(), report);
  QVERIFY(running.form().isVisible());
}

void TestPrinting::noPrinterAtAll() {
  QString error;
  QVERIFY2(cups_.removeQueue(kQueue, &error), qPrintable(error));
  RunningProgram running;
  QVERIFY(running.start());
  const QString status = running.program.windowServices()->statusText();

  QVERIFY(clickPrint(running).isEmpty());
  QCOMPARE(running.prompts.messages.size(), 1);
  QCOMPARE(running.prompts.messages[0].title, QStringLiteral("Print Failed"));
  QVERIFY2(running.prompts.messages[0].text.contains(QStringLiteral("no default printer")),
           qPrintable(running.prompts.messages[0].text));
  QCOMPARE(running.program.windowServices()->statusText(), status);
  QCOMPARE(running.program.windowServices()->reportText(), QStringLiteral("Script Report"));

  // The program goes on: a scan still works.
  running.prompts.answers = {running.script(QStringLiteral("a.csm"), kAlertScript)};
  QTest::mouseClick(running.form().cmdOpen, Qt::LeftButton);
  QVERIFY(running.program.windowServices()->statusText().endsWith(QStringLiteral("2 Alerts. ")));
  QVERIFY(running.form().isVisible());
}

QTEST_MAIN(TestPrinting)
#include "test_ui_printing.moc"
