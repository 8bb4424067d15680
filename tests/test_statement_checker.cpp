// Choosing the table by call name and finding quoted codes.

#include <QRandomGenerator>
#include <QTest>

#include "CodeSearch.h"
#include "FakePlatform.h"
#include "PublicSubs.h"
#include "ReferenceSearch.h"
#include "TestTables.h"

namespace {

const QStringList kParams = {"zmod", "isoa", "zmod", "abc", "abcde", "both"};
const QStringList kTags = {"ownr", "expo", "both", "ownr"};

// Runs CheckStatement on one statement and names the alerts it raised,
// "P<row>" or "T<row>", in order.
QStringList alertsFor(const QString& statement, bool hasEquals) {
  FakeFileSystem fs;
  FakeWindow window;
  PublicSubs engine(fs, window);
  engine.Tables = makeTables(kParams, kTags);
  engine.Statement = statement;
  engine.StatementLength = statement.size();
  engine.HasEquals = hasEquals;
  engine.LineNumber = 1;
  engine.CheckStatement(engine.Statement);
  QStringList alerts;
  for (const QString& line :
       engine.reportInProgress().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
    const QString message = line.section(QStringLiteral(":  "), -1);
    alerts.append(
        (message.startsWith(QLatin1String("param")) ? QStringLiteral("P") : QStringLiteral("T")) +
        message.section(QLatin1Char(' '), -1));
  }
  if (alerts.size() != engine.AlertCount) alerts.append(QStringLiteral("<count differs>"));
  return alerts;
}

QString randomStatement(QRandomGenerator& random, const QStringList& codes) {
  static const QString pieces[] = {"\"", "\"", "x", "=", "(", ",", "Get", u"\u00e9"_qs, "a"};
  QString s;
  const int parts = random.bounded(12);
  for (int i = 0; i < parts; ++i) {
    if (random.bounded(3) == 0) {
      s += QLatin1Char('"') + codes[random.bounded(codes.size())] + QLatin1Char('"');
    } else {
      s += pieces[random.bounded(int(std::size(pieces)))];
    }
  }
  return s;
}

QStringList randomCodes(QRandomGenerator& random, int count) {
  static const QString letters = u"ab\"\u00e9x"_qs;
  QStringList codes{QString()};
  for (int i = 0; i < count; ++i) {
    // Mostly four characters; some three or five, which can never match.
    const int length = 3 + (random.bounded(5) == 0 ? random.bounded(3) : 1);
    QString code;
    for (int c = 0; c < length; ++c) code += letters[random.bounded(int(letters.size()))];
    codes.append(code);
  }
  return codes;
}

}  // namespace

class StatementCheckerTest : public QObject {
  Q_OBJECT

 private slots:
  void dispatch_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("hasEquals");
    QTest::addColumn<QStringList>("alerts");
    auto row = [](const char* tag, const QString& s, bool eq, const QStringList& alerts) {
      QTest::newRow(tag) << s << eq << alerts;
    };
    row("GetCameraState", "GetCameraState(\"zmod\")", false, {"P1"});
    row("GetParameterState", "GetParameterState(\"isoa\")", false, {"P2"});
    row("SetCameraState", "SetCameraState(\"zmod\",1)", false, {"P1"});
    row("SetParameterState", "SetParameterState(\"isoa\")", false, {"P2"});
    row("GetFileTag", "GetFileTag(\"ownr\")", false, {"T1"});
    row("RestoreCameraDefault", "RestoreCameraDefault(\"isoa\")", false, {"P2"});
    row("SetUserFileTag", "SetUserFileTag(\"expo\",\"x\")", false, {"T2"});
    row("RestoreParameterDefault", "RestoreParameterDefault(\"zmod\")", false, {"P1"});
    row("tag code in a parameter call", "GetCameraState(\"ownr\")", true, {});
    row("parameter code in a tag call", "GetFileTag(\"zmod\")", true, {});
    row("call name in other case, no equals", "getcamerastate(\"zmod\")", false, {});
    row("call name in other case, equals", "getcamerastate(\"zmod\")", true, {"P1"});
    row("call after an assignment", "x=GetCameraState(\"zmod\")", true, {"P1"});
    row("no call, no equals", "print(\"zmod\")", false, {});
    row("both tables, parameter first", "x=\"both\"+\"x\"", true, {"P6", "T3"});
    row("parameter code ends the statement", "a=\"isoa\"", true, {"P2"});
    row("tag code ends the statement", "a=\"expo\"", true, {"T2"});
    row("tag code before a parenthesis", "a=\"expo\")", true, {"T2"});
    row("call name followed by letters", "SetCameraStateX(\"zmod\")", false, {"P1"});
    row("code without quotes", "x=zmod", true, {});
    row("code inside a longer quote", "x=\"zmodx\"", true, {});
    row("leftmost code wins", "x=\"isoa\"+\"zmod\"", true, {"P2"});
    row("three-character code never matches", "x=\"abc\"+1", true, {});
    row("five-character code never matches", "x=\"abcde\"", true, {});
    row("six characters are not searched", "=\"zmod", true, {});
    row("seven characters are", "=\"zmod\"", true, {"P1"});
    row("duplicate parameter rows: lowest", "x=\"zmod\"", true, {"P1"});
    row("duplicate tag rows: lowest", "x=\"ownr\"", true, {"T1"});
    row("call name shorter than statement start", "GetFile", true, {});
  }

  void dispatch() {
    QFETCH(QString, statement);
    QFETCH(bool, hasEquals);
    QFETCH(QStringList, alerts);
    QCOMPARE(alertsFor(statement, hasEquals), alerts);
  }

  void matchIndexKeepsItsValueWithoutAHit() {
    FakeFileSystem fs;
    FakeWindow window;
    PublicSubs engine(fs, window);
    engine.Tables = makeTables(kParams, kTags);
    engine.MatchIndex = 77;
    engine.Statement = QStringLiteral("x=\"none\"+\"zzzz\"");
    engine.StatementLength = engine.Statement.size();
    QCOMPARE(engine.FindParameter(), 0);
    QCOMPARE(engine.FindTag(), 0);
    QCOMPARE(engine.MatchIndex, 77);
    engine.Statement = QStringLiteral("x=\"both\"");
    engine.StatementLength = engine.Statement.size();
    QCOMPARE(engine.FindParameter(), 6);
    QCOMPARE(engine.MatchIndex, 6);
    QCOMPARE(engine.FindTag(), 3);
    QCOMPARE(engine.MatchIndex, 3);
  }

  // The indexed search against the plain double loop, on random tables and
  // statements, through the engine and through the byte search that the scan
  // uses for ASCII statements.
  void indexedSearchMatchesTheDoubleLoop() {
    QRandomGenerator random(2024);
    FakeFileSystem fs;
    FakeWindow window;
    PublicSubs engine(fs, window);
    int hits = 0;
    for (int table = 0; table < 100; ++table) {
      const QStringList params = randomCodes(random, 1 + random.bounded(12));
      const QStringList tags = randomCodes(random, random.bounded(6));
      engine.Tables = makeTables(params.mid(1), tags.mid(1));
      for (int round = 0; round < 1000; ++round) {
        const QString statement = randomStatement(random, params + tags.mid(1));
        engine.Statement = statement;
        engine.StatementLength = statement.size();
        const qint64 param = referenceFindCode(statement, params, params.size() - 1);
        const qint64 tag = referenceFindCode(statement, tags, tags.size() - 1);
        QCOMPARE(engine.FindParameter(), param);
        QCOMPARE(engine.FindTag(), tag);
        hits += param > 0;
        if (statement.toLatin1() == statement.toUtf8()) {
          const QByteArray bytes = statement.toLatin1();
          QCOMPARE(
              codesearch::findQuotedCode(bytes.constData(), bytes.size(), engine.Tables.ParamIndex),
              param);
        }
      }
    }
    // The random statements must exercise hits, not only misses.
    QVERIFY(hits > 10000);
  }
};

QTEST_GUILESS_MAIN(StatementCheckerTest)
#include "test_statement_checker.moc"
