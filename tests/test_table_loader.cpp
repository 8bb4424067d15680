// Loading tags.txt and param.txt, and refusing malformed files precisely.

#include <algorithm>

#include <QRandomGenerator>
#include <QTest>

#include "FakePlatform.h"
#include "LineEndSource.h"
#include "TableLoader.h"

namespace {

const QString kFolder = QStringLiteral("/opt/vornel/share/vornel-script-checker");
const QString kTags = kFolder + QStringLiteral("/tags.txt");
const QString kParams = kFolder + QStringLiteral("/param.txt");

struct Loaded {
  bool ok;
  QString error;
  Tables tables;
};

Loaded load(const QByteArray& tags, const QByteArray& params, qint64 readSize = 1 << 20,
            HelperThread* helper = nullptr) {
  FakeFileSystem fs;
  fs.setReadSize(readSize);
  fs.add(kTags, tags);
  fs.add(kParams, params);
  Loaded result;
  TableFault fault;
  result.ok = loadTables(fs, kFolder, &result.tables, &fault, helper);
  result.error = result.ok ? QString() : fault.message();
  return result;
}

// "code|message|note" for each row.
QStringList rows(const ReferenceTable& table) {
  QStringList out;
  for (const TableRow& row : table.rows())
    out.append(QStringList{row.code.toString(), row.message.toString(), row.note.toString()}.join(
        QLatin1Char('|')));
  return out;
}

// The table format read the way a field reader takes a file: field after
// field from a stream of bytes, each record's line counted first. The
// loader must agree with it on every file, row for row or fault for fault.
class FieldReader {
 public:
  explicit FieldReader(QByteArray bytes) : b_(std::move(bytes)) {}

  QString load(bool tags, QStringList* rows) {
    qint64 lines = 0;
    for (qsizetype at = 0; at < b_.size(); ++lines) {
      const qsizetype cr = b_.indexOf('\r', at);
      at = cr < 0 ? b_.size() : cr + (cr + 1 < b_.size() && b_[cr + 1] == '\n' ? 2 : 1);
    }
    for (qint64 line = 1; line <= lines; ++line) {
      QList<Field> fields;
      QString fault;
      do {
        Field f;
        if (!readField(&f)) {
          fault = fields.isEmpty() ? "blank line" : "unexpected end of file";
        } else if (f.unclosed) {
          fault = QStringLiteral("field %1: missing closing quote").arg(fields.size() + 1);
        } else if (f.junk) {
          fault = QStringLiteral("field %1: text after the closing quote").arg(fields.size() + 1);
        }
        if (!fault.isEmpty()) return QStringLiteral("line %1: %2").arg(line).arg(fault);
        fields.append(f);
      } while (!fields.last().endsLine && (tags || fields.size() < 2));
      const bool blank = fields.size() == 1 && !fields[0].quoted && fields[0].text.isEmpty();
      if (blank)
        fault = "blank line";
      else if (tags && fields.size() != 3) {
        fault = QStringLiteral("expected 3 fields, found %1").arg(fields.size());
        if (std::any_of(fields.begin(), fields.end(),
                        [](const Field& f) { return f.text.contains('\n'); }))
          fault +=
              " (a line ends in LF alone in a table whose first line ends in CR: end every line "
              "alike)";
      } else if (!tags && fields.size() < 2)
        fault = "expected a code, a message and a note, found 1 field";
      else if (!tags && fields[1].endsLine)
        fault = "expected a comma after the message (an empty note still needs it)";
      if (!fault.isEmpty()) return QStringLiteral("line %1: %2").arg(line).arg(fault);
      const QByteArray note = tags ? fields[2].text : restOfLine();
      const qsizetype lineFeed = note.indexOf('\n');
      if (!tags && lineFeed >= 0 && !note.sliced(lineFeed).trimmed().isEmpty()) {
        return QStringLiteral(
                   "line %1: the note runs on past a line feed (the lines end in LF "
                   "alone; table lines must end in CR LF or CR)")
            .arg(line);
      }
      rows->append(QString::fromUtf8(fields[0].text + '|' + fields[1].text + '|' + note));
    }
    return QString();
  }

 private:
  struct Field {
    QByteArray text;
    bool quoted = false, unclosed = false, junk = false, endsLine = false;
  };
  int peek() const { return at_ < b_.size() ? static_cast<unsigned char>(b_[at_]) : -1; }
  void endOfField(Field* f) {
    f->endsLine = peek() != ',';
    if (peek() == '\r') {
      if (++at_ < b_.size() && b_[at_] == '\n') ++at_;
    } else if (peek() == ',') {
      ++at_;
    }
  }
  bool readField(Field* f) {
    while (peek() == ' ') ++at_;
    if (peek() < 0) return false;
    if (peek() == '"') {
      f->quoted = true;
      for (++at_; peek() >= 0 && peek() != '"' && peek() != '\r'; ++at_) f->text += b_[at_];
      if (peek() != '"') {
        f->unclosed = true;
        return true;
      }
      for (++at_; peek() >= 0 && peek() != ',' && peek() != '\r'; ++at_) f->junk |= peek() != ' ';
    } else {
      for (; peek() >= 0 && peek() != ',' && peek() != '\r'; ++at_) f->text += b_[at_];
      while (f->text.endsWith(' ')) f->text.chop(1);
    }
    endOfField(f);
    return true;
  }
  QByteArray restOfLine() {
    QByteArray text;
    for (; peek() >= 0 && peek() != '\r'; ++at_) text += b_[at_];
    if (peek() == '\r' && ++at_ < b_.size() && b_[at_] == '\n') ++at_;
    return text;
  }

  QByteArray b_;
  qsizetype at_ = 0;
};

}  // namespace

class TableLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  void loadsAsAFieldReaderReads() {
    QRandomGenerator random(21);
    static const char* const kPieces[] = {"ab", "\"",   ",",        " ",       "\r\n", "\r",
                                          "\n", "x\"y", "\xc3\xa9", "\"q,r\"", ""};
    auto randomTable = [&] {
      QByteArray bytes;
      const int lines = random.bounded(6);
      for (int l = 0; l < lines; ++l) {
        const int pieces = random.bounded(8);
        for (int p = 0; p < pieces; ++p) bytes += kPieces[random.bounded(11)];
        if (l + 1 < lines || random.bounded(2)) bytes += random.bounded(5) == 0 ? "\r" : "\r\n";
      }
      return bytes;
    };
    int good = 0;
    for (int round = 0; round < 3000; ++round) {
      const QByteArray tags = randomTable();
      const bool tagTable = round % 2 == 0;
      const Loaded got = tagTable ? load(tags, "") : load("", tags, 1 + random.bounded(4));
      QStringList expectedRows;
      // The reader knows CR line ends only: a table whose first line ends
      // in LF alone is handed to it as the loader reads it.
      const QString fault = FieldReader(lineends::asRead(tags, textlines::LineEnds::Auto))
                                .load(tagTable, &expectedRows);
      const QString path = tagTable ? kTags : kParams;
      QCOMPARE(got.error, fault.isEmpty() ? QString() : path + ": " + fault);
      if (got.ok) {
        QCOMPARE(rows(tagTable ? got.tables.tags : got.tables.params), expectedRows);
        ++good;
      }
    }
    QVERIFY(good > 300);  // well-formed tables too, not only faults
  }

  void wellFormedTables_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QStringList>("tagRows");
    QTest::addColumn<QStringList>("paramRows");
    QTest::newRow("quoted and unquoted")
        << QByteArray("\"xq4t\",\"Tag xq4t, not written\",none\r\nab12,plain message,a note\r\n")
        << QByteArray("\"pz7m\",\"Parameter pz7m\",range 0, 1 or 2\r\n")
        << QStringList{"xq4t|Tag xq4t, not written|none", "ab12|plain message|a note"}
        << QStringList{"pz7m|Parameter pz7m|range 0, 1 or 2"};
    QTest::newRow("empty files") << QByteArray() << QByteArray() << QStringList{} << QStringList{};
    QTest::newRow("last lines without line end") << QByteArray("a,b,c") << QByteArray("p,q,r")
                                                 << QStringList{"a|b|c"} << QStringList{"p|q|r"};
    QTest::newRow("raw note with quotes and commas, empty message")
        << QByteArray("t,\"\",n\r")
        << QByteArray("\"p1p1\",\"\", \"quoted\", and more\r\np2p2,m,\r\n") << QStringList{"t||n"}
        << QStringList{"p1p1|| \"quoted\", and more", "p2p2|m|"};
    QTest::newRow("param line ending at its comma, end of file")
        << QByteArray() << QByteArray("p,m,") << QStringList{} << QStringList{"p|m|"};
    QTest::newRow("a byte-order mark opens the files")
        << QByteArray("\xEF\xBB\xBF\"expo\",m,n\r\n") << QByteArray("\xEF\xBB\xBFp,q,r\r\n")
        << QStringList{"expo|m|n"} << QStringList{"p|q|r"};
    QTest::newRow("a byte-order mark elsewhere is a character")
        << QByteArray("a,b,c\r\n\xEF\xBB\xBF\"expo\",m,n\r\n") << QByteArray()
        << QStringList{"a|b|c", QStringLiteral("\uFEFF\"expo\"|m|n")} << QStringList{};
    QTest::newRow("a line feed that ends a note")
        << QByteArray() << QByteArray("a,b,c\r\np,q,r\n\r\ns,t,u \n \r\n") << QStringList{}
        << QStringList{"a|b|c", "p|q|r\n", "s|t|u \n "};
    QTest::newRow("LF line ends, as the first line's")
        << QByteArray("a,b,c\nd,e,f\n") << QByteArray("p,q,r\ns,t,u\r\nv,w,x\n")
        << QStringList{"a|b|c", "d|e|f"} << QStringList{"p|q|r", "s|t|u", "v|w|x"};
    QTest::newRow("odd-length codes load") << QByteArray("abc,m,n\r\nabcde,m,n\r\n") << QByteArray()
                                           << QStringList{"abc|m|n", "abcde|m|n"} << QStringList{};
  }

  void wellFormedTables() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    QFETCH(QStringList, tagRows);
    QFETCH(QStringList, paramRows);
    const Loaded got = load(tags, params);
    QVERIFY2(got.ok, qPrintable(got.error));
    QCOMPARE(rows(got.tables.tags), tagRows);
    QCOMPARE(rows(got.tables.params), paramRows);
    QCOMPARE(got.tables.tagsPath, kTags);
    QCOMPARE(got.tables.paramsPath, kParams);
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
    QTest::newRow("tags: LF line ends after a CR LF")
        << QByteArray("x,y,z\r\na,b,c\nd,e,f\n") << goodParams
        << kTags +
               ": line 2: expected 3 fields, found 5 (a line ends in LF alone in a table whose "
               "first line ends in CR: end every line alike)";
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
    QTest::newRow("params: LF line ends after a CR")
        << goodTags << QByteArray("x,y,z\rp,q,r\ns,t,u\n")
        << kParams +
               ": line 2: the note runs on past a line feed (a line ends in LF alone in a table "
               "whose first line ends in CR: end every line alike)";
    const QString notText =
        ": line 1: holds NUL bytes: the file is not text in the system code page (UTF-8); a "
        "table saved as UTF-16 must be saved as UTF-8";
    QTest::newRow("tags: UTF-16")
        << QString("\"expo\",m,n\r\n").toUtf8().prepend('\0')  // UTF-16 BE without a mark
        << goodParams << kTags + notText;
    QTest::newRow("params: UTF-16 with its mark")
        << goodTags << QByteArray(reinterpret_cast<const char*>(u"\uFEFFp,q,r\r\n"), 14)
        << kParams + notText;
    QTest::newRow("tags: a line of endless commas")
        << QByteArray("a,b,c\r\n") + QByteArray(8 << 20, ',') << goodParams
        << kTags + ": line 2: expected 3 fields, found at least 4";
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
    Tables tables;
    TableFault fault;
    QVERIFY(!loadTables(fs, kFolder, &tables, &fault));
    QCOMPARE(fault.message(), kParams + QStringLiteral(": Permission denied"));
    QVERIFY(tables.tags.isEmpty());  // a failed load leaves the tables as they were

    FakeFileSystem empty;
    QVERIFY(!loadTables(empty, kFolder, &tables, &fault));
    QCOMPARE(fault.message(), kTags + QStringLiteral(": No such file or directory"));
  }

  // Large parameters load on the helper beside the tags, with the same
  // rows and the same fault, the tags' told first.
  void largeParametersOnTheHelper_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QByteArray large;
    for (int i = 0; i < 30000; ++i) large += QByteArray::number(1000 + i % 9000) + ",m,n\r\n";
    QTest::newRow("both load") << QByteArray("a,b,c\r\n") << large;
    QTest::newRow("a fault in the tags") << QByteArray("a,b\r\n") << large;
    QTest::newRow("a fault in the parameters") << QByteArray("a,b,c\r\n") << large + "p\r\n";
    QTest::newRow("faults in both") << QByteArray("a,b\r\n") << large + "p\r\n";
  }

  void largeParametersOnTheHelper() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    HelperThread helper;
    const Loaded alone = load(tags, params);
    const Loaded helped = load(tags, params, 1 << 20, &helper);
    QCOMPARE(helped.ok, alone.ok);
    QCOMPARE(helped.error, alone.error);
    QCOMPARE(rows(helped.tables.tags), rows(alone.tables.tags));
    QCOMPARE(helped.tables.params.size(), alone.tables.params.size());
    if (alone.ok) QCOMPARE(rows(helped.tables.params), rows(alone.tables.params));
  }

  void largeTablesLoadWhole() {
    QByteArray tags;
    for (int i = 0; i < 40000; ++i) tags += QByteArray::number(1000 + i % 9000) + ",m,n\r\n";
    const Loaded got = load(tags, "p,q,r\r\n");
    QVERIFY2(got.ok, qPrintable(got.error));
    QCOMPARE(got.tables.tags.size(), qsizetype(40000));
    QCOMPARE(got.tables.tags.row(39999).code, QStringLiteral("%1").arg(1000 + 39999 % 9000));
    QCOMPARE(got.tables.tags.row(39999).line, 40000);
    // Codes repeat every 9000 rows: the first row of each is found.
    QCOMPARE(got.tables.tags.find(u"1000"), qsizetype(0));
    QCOMPARE(got.tables.tags.find(u"100"), qsizetype(-1));
  }
};

QTEST_GUILESS_MAIN(TableLoaderTest)
#include "test_table_loader.moc"
