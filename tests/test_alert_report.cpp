// The report lines that alerts append.

#include <QTest>

#include "FakePlatform.h"
#include "PublicSubs.h"
#include "TestTables.h"

class AlertReportTest : public QObject {
  Q_OBJECT

 private slots:
  void lines_data() {
    QTest::addColumn<QList<qint64>>("lineNumbers");
    QTest::addColumn<QString>("report");
    QTest::newRow("first alert has no line break")
        << QList<qint64>{7} << "7 x=\"zmod\":  param row 1";
    QTest::newRow("CR LF between alerts, none at the end")
        << QList<qint64>{7, 120} << "7 x=\"zmod\":  param row 1\r\n120 x=\"zmod\":  param row 1";
    QTest::newRow("line numbers past 16 bits")
        << QList<qint64>{40000} << "40000 x=\"zmod\":  param row 1";
  }

  void lines() {
    QFETCH(QList<qint64>, lineNumbers);
    QFETCH(QString, report);
    FakeFileSystem fs;
    FakeWindow window;
    PublicSubs engine(fs, window);
    engine.Tables = makeTables({"zmod"}, {});
    engine.Statement = QStringLiteral("x=\"zmod\"");
    engine.MatchIndex = 1;
    for (const qint64 n : lineNumbers) {
      engine.LineNumber = n;
      engine.ReportParameterAlert();
    }
    QCOMPARE(engine.reportInProgress(), report);
    QCOMPARE(engine.AlertCount, lineNumbers.size());
  }

  void messagesComeFromTheirOwnTable() {
    FakeFileSystem fs;
    FakeWindow window;
    PublicSubs engine(fs, window);
    engine.Tables = makeTables({"aaaa", "bbbb"}, {"cccc", "dddd"});
    engine.Tables.TagMessages[2] = QString();  // an empty message in the table
    engine.Statement = QStringLiteral("s");
    engine.LineNumber = 3;
    engine.MatchIndex = 2;
    engine.ReportParameterAlert();
    engine.ReportTagAlert();
    QCOMPARE(engine.reportInProgress(), QStringLiteral("3 s:  param row 2\r\n3 s:  "));
  }
};

QTEST_GUILESS_MAIN(AlertReportTest)
#include "test_alert_report.moc"
