// Loading tags.txt and param.txt, and refusing malformed files precisely.

#include <QRandomGenerator>
#include <QTest>

#include "FakePlatform.h"
#include "TableLoader.h"

namespace {

const QString kFolder = QStringLiteral("/opt/vornel/share/vornel-script-checker");
const QString kTags = kFolder + QStringLiteral("/tags.txt");
const QString kParams = kFolder + QStringLiteral("/param.txt");

struct Loaded {
  bool ok;
  QString error;
  ReferenceTables tables;
  QString status;
};

Loaded load(const QByteArray& tags, const QByteArray& params, qint64 readSize = 1 << 20) {
  FakeFileSystem fs;
  fs.setReadSize(readSize);
  fs.add(kTags, tags);
  fs.add(kParams, params);
  FakeWindow window;
  InputFile file(fs);
  // One helper for every load, as a program keeps one.
  static HelperThread helper;
  Loaded result;
  result.ok = LoadReferenceTables(file, window, kFolder, &result.tables, &result.error, helper);
  result.status = window.status;
  return result;
}

QStringList rows(const QStringList& a, const QStringList& b, const QStringList& c) {
  QStringList out;
  for (qsizetype i = 0; i < a.size(); ++i)
    out.append(a[i] + QLatin1Char('|') + b[i] + QLatin1Char('|') + c[i]);
  return out;
}

}  // namespace

class TableLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  // A plain line in the buffer is taken whole, anything else field by field;
  // reading one byte at a time, no line is ever whole in the buffer. Both
  // ways must give the same rows or the same failure.
  void wholeLinesReadAsFieldByField() {
    QRandomGenerator random(21);
    static const char* const kPieces[] = {"ab", "\"",   ",",        " ",       "\r\n", "\r",
                                          "\n", "x\"y", "\xc3\xa9", "\"q,r\"", ""};
    auto randomTable = [&] {
      QByteArray bytes;
      const int lines = random.bounded(6);
      for (int l = 0; l < lines; ++l) {
        const int pieces = random.bounded(8);
        for (int p = 0; p < pieces; ++p) bytes += kPieces[random.bounded(11)];
        bytes += random.bounded(5) == 0 ? "\r" : "\r\n";
      }
      return bytes;
    };
    for (int round = 0; round < 3000; ++round) {
      const QByteArray tags = randomTable();
      const QByteArray params = randomTable();
      const Loaded whole = load(tags, params);
      const Loaded bytewise = load(tags, params, 1);
      QCOMPARE(whole.ok, bytewise.ok);
      QCOMPARE(whole.error, bytewise.error);
      if (!whole.ok) continue;
      const ReferenceTables& a = whole.tables;
      const ReferenceTables& b = bytewise.tables;
      QCOMPARE(rows(a.TagNames, a.TagMessages, a.TagNotes),
               rows(b.TagNames, b.TagMessages, b.TagNotes));
      QCOMPARE(rows(a.ParamNames, a.ParamMessages, a.ParamNotes),
               rows(b.ParamNames, b.ParamMessages, b.ParamNotes));
    }
  }

  void wellFormedTables_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QStringList>("tagRows");
    QTest::addColumn<QStringList>("paramRows");
    QTest::newRow("quoted and unquoted")
        << QByteArray("\"xq4t\",\"Tag xq4t, not written\",none\r\nab12,plain message,a note\r\n")
        << QByteArray("\"pz7m\",\"Parameter pz7m\",range 0, 1 or 2\r\n")
        << QStringList{"||", "xq4t|Tag xq4t, not written|none", "ab12|plain message|a note"}
        << QStringList{"||", "pz7m|Parameter pz7m|range 0, 1 or 2"};
    QTest::newRow("empty files") << QByteArray() << QByteArray() << QStringList{"||"}
                                 << QStringList{"||"};
    QTest::newRow("last lines without line end")
        << QByteArray("a,b,c") << QByteArray("p,q,r") << QStringList{"||", "a|b|c"}
        << QStringList{"||", "p|q|r"};
    QTest::newRow("raw note with quotes and commas, empty message")
        << QByteArray("t,\"\",n\r")
        << QByteArray("\"p1p1\",\"\", \"quoted\", and more\r\np2p2,m,\r\n")
        << QStringList{"||", "t||n"} << QStringList{"||", "p1p1|| \"quoted\", and more", "p2p2|m|"};
    QTest::newRow("param line ending at its comma, end of file")
        << QByteArray() << QByteArray("p,m,") << QStringList{"||"} << QStringList{"||", "p|m|"};
    QTest::newRow("odd-length codes load")
        << QByteArray("abc,m,n\r\nabcde,m,n\r\n") << QByteArray()
        << QStringList{"||", "abc|m|n", "abcde|m|n"} << QStringList{"||"};
  }

  void wellFormedTables() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    QFETCH(QStringList, tagRows);
    QFETCH(QStringList, paramRows);
    const Loaded got = load(tags, params);
    QVERIFY2(got.ok, qPrintable(got.error));
    const ReferenceTables& t = got.tables;
    QCOMPARE(rows(t.TagNames, t.TagMessages, t.TagNotes), tagRows);
    QCOMPARE(rows(t.ParamNames, t.ParamMessages, t.ParamNotes), paramRows);
    QCOMPARE(t.TagCount, tagRows.size() - 1);
    QCOMPARE(t.ParamCount, paramRows.size() - 1);
    QCOMPARE(got.status, QStringLiteral("Select a Vornel Script file to process"));
  }

  void malformedTables_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QString>("error");
    const QByteArray goodTags = "a,b,c\r\n";
    const QByteArray goodParams = "p,q,r\r\n";
    QTest::newRow("tags: four fields") << QByteArray("a,b,c\r\nd,e,f,g\r\nh,i,j\r\n") << goodParams
                                       << kTags + ": line 2: expected 3 fields, found 4";
    QTest::newRow("tags: five fields") << QByteArray("a,b,c,d,e\r\n") << goodParams
                                       << kTags + ": line 1: expected 3 fields, found 5";
    QTest::newRow("tags: two fields") << QByteArray("a,b\r\nc,d,e\r\n") << goodParams
                                      << kTags + ": line 1: expected 3 fields, found 2";
    QTest::newRow("tags: blank line between")
        << QByteArray("a,b,c\r\n\r\nd,e,f\r\n") << goodParams << kTags + ": line 2: blank line";
    QTest::newRow("tags: blank line at the end")
        << QByteArray("a,b,c\r\n\r\n") << goodParams << kTags + ": line 2: blank line";
    QTest::newRow("tags: spaces at the end")
        << QByteArray("a,b,c\r\n  ") << goodParams << kTags + ": line 2: blank line";
    QTest::newRow("tags: LF line ends")
        << QByteArray("a,b,c\nd,e,f\n") << goodParams
        << kTags +
               ": line 1: expected 3 fields, found 5 (the lines end in LF alone; table lines "
               "must end in CR LF or CR)";
    QTest::newRow("tags: unclosed quote") << QByteArray("a,\"b,c\r\n") << goodParams
                                          << kTags + ": line 1: field 2: missing closing quote";
    QTest::newRow("tags: text after quote")
        << QByteArray("a,\"b\"x,c\r\n") << goodParams
        << kTags + ": line 1: field 2: text after the closing quote";
    QTest::newRow("params: no comma after message")
        << goodTags << QByteArray("p,q\r\nr,s,t\r\n")
        << kParams + ": line 1: expected a comma after the message (an empty note still needs it)";
    QTest::newRow("params: one field")
        << goodTags << QByteArray("p,q,r\r\npq\r\n")
        << kParams + ": line 2: expected a code, a message and a note, found 1 field";
    QTest::newRow("params: blank line")
        << goodTags << QByteArray("\r\np,q,r\r\n") << kParams + ": line 1: blank line";
  }

  void malformedTables() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    QFETCH(QString, error);
    const Loaded got = load(tags, params);
    QVERIFY(!got.ok);
    QCOMPARE(got.error, error);
  }

  void unopenableTableNamesItsPath() {
    FakeFileSystem fs;
    fs.add(kTags, "a,b,c\r\n");
    fs.failOpen(kParams, QStringLiteral("Permission denied"));
    FakeWindow window;
    InputFile file(fs);
    ReferenceTables tables;
    QString error;
    HelperThread helper;
    QVERIFY(!LoadReferenceTables(file, window, kFolder, &tables, &error, helper));
    QCOMPARE(error, kParams + QStringLiteral(": Permission denied"));
    QVERIFY(!file.isOpen());

    FakeFileSystem empty;
    InputFile other(empty);
    QVERIFY(!LoadReferenceTables(other, window, kFolder, &tables, &error, helper));
    QCOMPARE(error, kTags + QStringLiteral(": No such file or directory"));
  }

  void largeTablesLoadWhole() {
    QByteArray tags;
    for (int i = 0; i < 40000; ++i) tags += QByteArray::number(1000 + i % 9000) + ",m,n\r\n";
    const Loaded got = load(tags, "p,q,r\r\n");
    QVERIFY2(got.ok, qPrintable(got.error));
    QCOMPARE(got.tables.TagCount, qint64(40000));
    QCOMPARE(got.tables.TagNames.last(), QStringLiteral("%1").arg(1000 + 39999 % 9000));
    // Codes repeat every 9000 rows: the index keeps the first row of each.
    QCOMPARE(got.tables.TagIndex.lowestRow(CodeIndex::keyOf(u"1000")), qint64(1));
  }
};

QTEST_GUILESS_MAIN(TableLoaderTest)
#include "test_table_loader.moc"
