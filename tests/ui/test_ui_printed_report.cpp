// What a print holds, without a printer: the lines of the status and the
// report, and the PDF document made of them, read back with poppler.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PdfText.h"
#include "PrintedReport.h"

namespace {

QString writePdf(const QTemporaryDir& dir, const QByteArray& pdf) {
  const QString path = dir.filePath(QStringLiteral("report.pdf"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return QString();
  return path;
}

}  // namespace

class TestPrintedReport : public QObject {
  Q_OBJECT

 private slots:
  void lines_data();
  void lines();
  void documentHoldsTheLinesInOrder();
  void elevenPointFont();
  void longReportsBreakIntoPages();
  void longLinesWrapWithoutLoss();
};

void TestPrintedReport::lines_data() {
  QTest::addColumn<QString>("status");
  QTest::addColumn<QString>("report");
  QTest::addColumn<QStringList>("printed");

  QTest::newRow("before any scan")
      << "Select a Vornel Script file to process"
      << "Script Report" << QStringList{"Select a Vornel Script file to process", "Script Report"};
  QTest::newRow("no alerts: the empty report is an empty line")
      << "File a.csm Selected\r0 Alerts. "
      << "" << QStringList{"File a.csm Selected", "0 Alerts. ", ""};
  QTest::newRow("alerts") << "File a.csm Selected\r2 Alerts. "
                          << "1 a:  m\r\n3 b:  n"
                          << QStringList{"File a.csm Selected", "2 Alerts. ", "1 a:  m", "3 b:  n"};
  QTest::newRow("no file chosen") << "No File Selected\rSelect a Vornel Script file to Process"
                                  << "1 a:  m"
                                  << QStringList{"No File Selected",
                                                 "Select a Vornel Script file to Process",
                                                 "1 a:  m"};
  QTest::newRow("typed LF and a trailing CR LF") << "s"
                                                 << "1 a:  m\nnote\r\n"
                                                 << QStringList{"s", "1 a:  m", "note", ""};
  QTest::newRow("empty status") << ""
                                << "r" << QStringList{"", "r"};
}

void TestPrintedReport::lines() {
  QFETCH(QString, status);
  QFETCH(QString, report);
  QFETCH(QStringList, printed);
  QCOMPARE(printedreport::lines(status, report), printed);
}

void TestPrintedReport::documentHoldsTheLinesInOrder() {
  const QStringList lines = {"File /s/portrait.csm Selected", "2 Alerts.",
                             "2 zoom=GetCameraState(\"zmod\",0):  Zoom mode zmod resets",
                             "6 owner=GetFileTag(\"ownr\"):  Owner tag ownr is user data"};
  QTemporaryDir dir;
  const QString path =
      writePdf(dir, printedreport::renderPdf(lines, QPageSize(QPageSize::A4), "Report"));
  QVERIFY(!path.isEmpty());
  QString error;
  QCOMPARE(pdftext::lines(path, &error), pdftext::asRead(lines));
  QVERIFY2(error.isEmpty(), qPrintable(error));
  QCOMPARE(pdftext::pageCount(path, &error), 1);
}

void TestPrintedReport::elevenPointFont() {
  QTemporaryDir dir;
  const QString path = writePdf(
      dir, printedreport::renderPdf({"Status line", "Report line"}, QPageSize(QPageSize::A4), "R"));
  QString error;
  const QList<double> heights = pdftext::wordHeights(path, &error);
  QVERIFY2(error.isEmpty(), qPrintable(error));
  QCOMPARE(heights.size(), 4);
  // A DejaVu word box is 1.16 em high: 12.8 points at 11 points, 11.6 at
  // 10 and 13.9 at 12.
  for (double height : heights)
    QVERIFY2(height > 12.2 && height < 13.4, qPrintable(QString::number(height)));
}

void TestPrintedReport::longReportsBreakIntoPages() {
  QStringList lines;
  for (int i = 1; i <= 150; ++i) lines.append(QStringLiteral("%1 alert line").arg(i));
  QTemporaryDir dir;
  const QString path =
      writePdf(dir, printedreport::renderPdf(lines, QPageSize(QPageSize::A4), "Report"));
  QString error;
  QVERIFY(pdftext::pageCount(path, &error) >= 3);
  // No line is lost or cut at a page break, and nothing is added: no page
  // numbers, no header.
  QCOMPARE(pdftext::lines(path, &error), pdftext::asRead(lines));
}

void TestPrintedReport::longLinesWrapWithoutLoss() {
  QStringList words;
  for (int i = 1; i <= 60; ++i) words.append(QStringLiteral("word%1").arg(i));
  const QString longLine = QStringLiteral("7 x=\"wbpr\":  ") + words.join(QLatin1Char(' '));
  QTemporaryDir dir;
  const QString path =
      writePdf(dir, printedreport::renderPdf({"Status", longLine}, QPageSize(QPageSize::A4), "R"));
  QString error;
  const QStringList read = pdftext::lines(path, &error);
  QVERIFY2(read.size() > 2, "the long line takes several lines on paper");
  QCOMPARE(read.first(), QStringLiteral("Status"));
  QCOMPARE(read.mid(1).join(QLatin1Char(' ')), pdftext::asRead({longLine}).first());
}

QTEST_MAIN(TestPrintedReport)
#include "test_ui_printed_report.moc"
