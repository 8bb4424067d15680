// The classic report: the lines alerts give, as the desktop program's
// report text and as vornel-scan writes them.

#include <QTest>

#include "ClassicReport.h"
#include "TestTables.h"

namespace {

Diagnostic alertOf(const Tables& tables, qint64 line, const QString& statement, TableKind table,
                   qsizetype row) {
  Diagnostic a;
  a.line = line;
  a.statement = statement;
  a.table = table;
  a.row = &tables[table].row(row);
  return a;
}

}  // namespace

class ClassicReportTest : public QObject {
  Q_OBJECT

 private slots:
  void reportText_data() {
    QTest::addColumn<QList<qint64>>("lineNumbers");
    QTest::addColumn<QString>("report");
    QTest::newRow("first alert has no line break")
        << QList<qint64>{7} << "7 x=\"zmod\":  param row 1";
    QTest::newRow("CR LF between alerts, none at the end")
        << QList<qint64>{7, 120} << "7 x=\"zmod\":  param row 1\r\n120 x=\"zmod\":  param row 1";
    QTest::newRow("line numbers past 16 bits")
        << QList<qint64>{40000} << "40000 x=\"zmod\":  param row 1";
    QTest::newRow("no alerts, no text") << QList<qint64>{} << "";
  }

  void reportText() {
    QFETCH(QList<qint64>, lineNumbers);
    QFETCH(QString, report);
    const Tables tables = makeTables({"zmod"}, {});
    classic::ReportText text;
    for (const qint64 n : lineNumbers)
      text.diagnostic(alertOf(tables, n, QStringLiteral("x=\"zmod\""), TableKind::Params, 0));
    QCOMPARE(text.text(), report);
    QCOMPARE(text.alerts(), lineNumbers.size());
  }

  // Each alert takes its message from its own table's row; an empty message
  // leaves the colon and two spaces.
  void messagesComeFromTheirOwnTable() {
    Tables tables = makeTables({"aaaa", "bbbb"}, {"cccc"});
    ReferenceTableBuilder tags;
    tags.addRow(tags.addText(QStringView(u"cccc")), tags.addText(QStringView()),
                tags.addText(QStringView(u"a note")), 1);
    tables.tags = tags.build();
    classic::ReportText text;
    text.diagnostic(alertOf(tables, 3, QStringLiteral("s"), TableKind::Params, 1));
    text.diagnostic(alertOf(tables, 3, QStringLiteral("s"), TableKind::Tags, 0));
    QCOMPARE(text.text(), QStringLiteral("3 s:  param row 2\r\n3 s:  "));
  }

  // Appended to what the report holds already, in the system code page.
  void linesForATerminal_data() {
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("ASCII") << qint64(12) << u"x=\"zmod\""_qs
                           << QByteArray("12 x=\"zmod\":  param row 1\n");
    QTest::newRow("outside ASCII") << qint64(12) << u"x=\"\u00e9xmo\""_qs
                                   << QByteArray("12 x=\"\xc3\xa9xmo\":  param row 1\n");
    QTest::newRow("a byte no UTF-8 decodes, as it was read")
        << qint64(3) << u"x=\"\xdcffzmo\""_qs << QByteArray("3 x=\"\xffzmo\":  param row 1\n");
    QTest::newRow("the last character outside ASCII")
        << qint64(3) << u"x=\u00e9"_qs << QByteArray("3 x=\xc3\xa9:  param row 1\n");
    QTest::newRow("line numbers of every length")
        << qint64(1234567890123) << u"x"_qs << QByteArray("1234567890123 x:  param row 1\n");
    QTest::newRow("line 0") << qint64(0) << u""_qs << QByteArray("0 :  param row 1\n");
  }

  void linesForATerminal() {
    QFETCH(qint64, line);
    QFETCH(QString, statement);
    QFETCH(QByteArray, written);
    const Tables tables = makeTables({u"zmod"_qs}, {});
    QByteArray out("before\n");
    classic::appendLine(alertOf(tables, line, statement, TableKind::Params, 0), &out);
    QCOMPARE(out, "before\n" + written);
  }

  void statusTexts_data() {
    QTest::addColumn<int>("pathLength");
    QTest::addColumn<bool>("cut");
    QTest::newRow("60 characters shown whole") << 60 << false;
    QTest::newRow("61 characters cut to 60") << 61 << true;
  }

  void statusTexts() {
    QFETCH(int, pathLength);
    QFETCH(bool, cut);
    const QString path = QStringLiteral("/") + QString(pathLength - 5, QLatin1Char('d')) + ".csm";
    const QString shown = cut ? path.left(60) + "..." : path;
    QCOMPARE(classic::fileLine(path), "File " + shown + " Selected");
    QCOMPARE(classic::summary(path, 3), "File " + shown + " Selected\r3 Alerts. ");
    QCOMPARE(classic::cannotRead(path, "gone"), "Cannot read " + path + ": gone");
  }
};

QTEST_GUILESS_MAIN(ClassicReportTest)
#include "test_classic_report.moc"
