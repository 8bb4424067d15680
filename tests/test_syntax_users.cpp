// The script's syntax and the code that follows it agree: a directive as the
// quick fix writes it reads back the same, the quick fix's finder sees on a
// line what the scan sees, and a code the table check says never matches is
// one no scan reports.

#include <QTest>

#include "Directive.h"
#include "FakePlatform.h"
#include "ScriptScanner.h"
#include "SystemText.h"
#include "TableCheck.h"
#include "TestTables.h"
#include "TextLines.h"

namespace {

using Scope = Directive::Scope;

QString describe(const Directive& d) {
  return QStringLiteral("%1:%2 %3=%4 -- '%5' from '%6'")
      .arg(d.line)
      .arg(d.column)
      .arg(directive::keywordOf(d.scope), d.codes.join(u'|'), d.reason, d.text);
}

// What a scan hands over: its alerts, and its well-formed directives.
struct Seen : DiagnosticSink {
  int alerts = 0;
  QStringList directives;
  void diagnostic(const Diagnostic&) override { ++alerts; }
  void directive(const Directive& d) override {
    if (d.error.isEmpty()) directives.append(describe(d));
  }
};

Seen scanned(const Tables& tables, const QByteArray& script) {
  FakeFileSystem files;
  files.add(QStringLiteral("/s.csm"), script);
  QString error;
  Seen seen;
  ScriptScanner(tables).scan(*files.open(QStringLiteral("/s.csm"), &error), seen);
  return seen;
}

// The finder's directives of each line of `script`, described as the scan's.
QStringList foundIn(const QByteArray& script) {
  QStringList found;
  qint64 line = 1;
  for (qsizetype at = 0; at < script.size(); ++line) {
    const qsizetype end = textlines::lineEndFrom(script, at);
    for (directive::Found one : directive::findIn(decodeSystemText(script.sliced(at, end - at)))) {
      one.directive.line = line;
      found.append(describe(one.directive));
    }
    at = textlines::nextLineStart(script, end);
  }
  return found;
}

}  // namespace

class SyntaxUsersTest : public QObject {
  Q_OBJECT

 private slots:
  // Written, read back, found where the scan finds it, and one more code
  // added at the list's end.
  void written_data() {
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("one code") << Scope::Line << QStringList{"zmod"} << QString();
    QTest::newRow("two codes, a reason")
        << Scope::NextLine << QStringList{"zmod", "ownr"} << "the rig";
    QTest::newRow("a tab and a separator in the reason")
        << Scope::File << QStringList{"isoa"} << "old\trig -- kept";
    QTest::newRow("upper case, '#' and '='")
        << Scope::Line << QStringList{"ZMOD", "a#c=", "=x"} << "#1";
  }

  void written() {
    QFETCH(Scope, scope);
    QFETCH(QStringList, codes);
    QFETCH(QString, reason);
    for (const QString& code : codes) QVERIFY(directive::fitsDirective(code));
    const QString line = QStringLiteral("x = 1  ") + directive::write(scope, codes, reason);
    const std::vector<directive::Found> found = directive::findIn(line);
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found[0].directive.scope, scope);
    QCOMPARE(found[0].directive.codes, codes);
    QCOMPARE(found[0].directive.reason, reason);
    QCOMPARE(scanned({}, line.toUtf8()).directives, foundIn(line.toUtf8()));
    const QString added = QString(line).insert(found[0].listEnd, directive::appendedCode(u"expo"));
    QCOMPARE(directive::findIn(added)[0].directive.codes, codes + QStringList{"expo"});
  }

  // Lines written by hand: the finder and the scan see the same directives.
  void found_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("codes");  // of the first line's well-formed directives
    QTest::newRow("blanks everywhere")
        << QByteArray("x = 1 #\t vornel-scan:\tdisable = zmod ,\townr  -- why \r")
        << QStringList{"zmod", "ownr"};
    QTest::newRow("'#' in quotes")
        << QByteArray("x = \"a#b\" # vornel-scan: disable=zmod") << QStringList{"zmod"};
    QTest::newRow("CR ends the list")
        << QByteArray("# vornel-scan: disable=zmod\rownr -- x\r\n# vornel-scan: disable=isoa")
        << QStringList{"zmod"};
    QTest::newRow("LF stays in the code")
        << QByteArray("# vornel-scan: disable=zmod\n,ownr") << QStringList{"zmod\n", "ownr"};
    QTest::newRow("one after a malformed one")
        << QByteArray("# vornel-scan: disable=zmod # vornel-scan: disable-file=ownr")
        << QStringList{"ownr"};
    QTest::newRow("upper-case keyword")
        << QByteArray("# vornel-scan: DISABLE=zmod") << QStringList{};
    QTest::newRow("upper-case marker")
        << QByteArray("# VORNEL-SCAN: disable=zmod") << QStringList{};
    QTest::newRow("a space in a code")
        << QByteArray("# vornel-scan: disable=zm od,ownr") << QStringList{};
    QTest::newRow("only commas") << QByteArray("# vornel-scan: disable= , ,") << QStringList{};
    QTest::newRow("no spaces round the separator")
        << QByteArray("# vornel-scan: disable=zmod --why") << QStringList{};
  }

  void found() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, codes);
    QStringList first;
    const QString line = decodeSystemText(script.first(textlines::lineEndFrom(script, 0)));
    for (const directive::Found& one : directive::findIn(line)) first += one.directive.codes;
    QCOMPARE(first, codes);
    QCOMPARE(scanned({}, script).directives, foundIn(script));
  }

  // A code in a call, as a script quotes it: the table check's verdict
  // against the scan's; and whether the quick fix can name it.
  void codes_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("neverMatches");
    QTest::addColumn<bool>("fits");
    QTest::newRow("letters") << "zmod" << false << true;
    QTest::newRow("upper case") << "ZMOD" << false << true;
    QTest::newRow("'=' and digits") << "a=12" << false << true;
    QTest::newRow("a space between letters") << "ab c" << false << false;
    QTest::newRow("a space first") << " abc" << true << false;
    QTest::newRow("a space last") << "abc " << true << false;
    QTest::newRow("two spaces") << "a  b" << true << false;
    QTest::newRow("a comma") << "a,cd" << false << false;
    QTest::newRow("a space before a comma") << "ab ," << true << false;
    QTest::newRow("a space after a comma") << "a, c" << true << false;
    QTest::newRow("a tab") << "ab\tc" << true << false;
    QTest::newRow("a line feed") << "ab\nc" << true << false;
    QTest::newRow("a form feed") << "ab\fc" << true << false;
    QTest::newRow("a vertical tab") << "a\vcd" << false << false;
    QTest::newRow("'#'") << "a#cd" << true << true;
  }

  void codes() {
    QFETCH(QString, code);
    QFETCH(bool, neverMatches);
    QFETCH(bool, fits);
    FakeFileSystem files;
    files.add(QStringLiteral("/t/tags.txt"), "\"ownr\",m,n\r\n");
    // A first row that ends in CR LF, so that a LF in the code stays in it.
    files.add(QStringLiteral("/t/param.txt"), "\"zzzz\",m,\r\n\"" + code.toUtf8() + "\",m,\r\n");
    bool toldNever = false;
    for (const Diagnostic& f : checkTables(files, QStringLiteral("/t"))) {
      QVERIFY2(f.severity() != Severity::Error, qPrintable(f.message().toString()));
      toldNever = toldNever || f.rule == Rule::NeverMatches;
    }
    QCOMPARE(toldNever, neverMatches);
    const Tables tables = makeTables({code}, {});
    const QByteArray call = "SetCameraState(\"" + code.toUtf8() + "\", 1)";
    QCOMPARE(scanned(tables, call).alerts, neverMatches ? 0 : 1);
    QCOMPARE(directive::fitsDirective(code), fits);
  }
};

QTEST_GUILESS_MAIN(SyntaxUsersTest)
#include "test_syntax_users.moc"
