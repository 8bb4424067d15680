// One script's check, in-process: the directives in its comments, the
// project's disable list and a baseline silence alerts, and the directives
// tell of themselves.

#include <QDir>
#include <QTest>

#include <algorithm>

#include "FakePlatform.h"
#include "ScriptCheck.h"
#include "SuppressionFilter.h"
#include "TestTables.h"

namespace {

const Tables& tables() {
  static const Tables made = makeTables({"zmod", "isoa"}, {"ownr"});
  return made;
}

// Each diagnostic as "line:column code", or a rule's name and message; "~"
// marks one something silences, followed by what said so.
struct Told : DiagnosticSink {
  QStringList lines;
  void diagnostic(const Diagnostic& d) override {
    QString line = QStringLiteral("%1%2:%3 ")
                       .arg(d.silenced == Diagnostic::Silenced::No ? "" : "~")
                       .arg(d.line)
                       .arg(d.column);
    line += d.isTableAlert() ? d.code().toString() : d.ruleId() + QStringLiteral(": ") + d.text;
    if (!d.silencedBecause.isEmpty()) line += QStringLiteral(" -- ") + d.silencedBecause;
    lines.append(line);
  }
};

CheckSettings withDirectives(bool unused = false) {
  CheckSettings settings;
  settings.directives = true;
  settings.unusedDisables = unused;
  return settings;
}

QStringList checked(const QByteArray& script, const CheckSettings& settings, bool stream = false) {
  FakeFileSystem files;
  files.add(QStringLiteral("s.csm"), script);
  files.setStreams(stream);
  QString error;
  const auto source = files.open(QStringLiteral("s.csm"), &error);
  const ScriptScanner scanner(tables());
  Told told;
  ScriptCheck(scanner, tables(), settings).check(*source, QStringLiteral("s.csm"), told);
  return told.lines;
}

QStringList without(QStringList lines, const QStringList& rules) {
  lines.removeIf([&](const QString& line) {
    return std::any_of(rules.begin(), rules.end(),
                       [&](const QString& r) { return line.contains(r); });
  });
  return lines;
}

const QByteArray kZoom = "x = \"zmod\"";

}  // namespace

class ScriptCheckTest : public QObject {
  Q_OBJECT

 private slots:
  void directives_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("none") << kZoom + "\r\ny = \"isoa\"\r" << QStringList{"1:5 zmod", "2:5 isoa"};
    QTest::newRow("this line") << kZoom + " # vornel-scan: disable=zmod\ry = \"isoa\"\r\n"
                               << QStringList{"~1:5 zmod", "2:5 isoa"};
    QTest::newRow("the next line")
        << QByteArray("# vornel-scan: disable-next-line=isoa\rx = \"isoa\"\r\ny = \"isoa\"\r")
        << QStringList{"~2:5 isoa", "3:5 isoa"};
    QTest::newRow("the next line comes after a CR, not after an LF")
        << QByteArray("# vornel-scan: disable-next-line=isoa -- old\nx = \"isoa\"\r\ny = \"isoa\"")
        << QStringList{"~2:5 isoa -- old\nx = \"isoa\""};
    QTest::newRow("the whole file, from its end")
        << kZoom + "\ry = \"isoa\"\r\n# vornel-scan: disable-file=isoa,zmod -- generated\r\n"
        << QStringList{"~1:5 zmod -- generated", "~2:5 isoa -- generated"};
    QTest::newRow("the whole file, from between CR-only lines")
        << kZoom + "\r# vornel-scan: disable-file=zmod\ry = \"zmod\"\r"
        << QStringList{"~1:5 zmod", "~3:5 zmod"};
    QTest::newRow("only the codes named") << kZoom + " + \"ownr\" # vornel-scan: disable=ownr\r\n"
                                          << QStringList{"1:5 zmod", "~1:14 ownr"};
    QTest::newRow("a tag's code") << QByteArray("f = Tag(\"ownr\") # vornel-scan: disable=ownr\r")
                                  << QStringList{"~1:9 ownr"};
    QTest::newRow("an LF stays in the line it silences")
        << QByteArray("a = 1\ny = \"zmod\" # vornel-scan: disable=zmod\r\n")
        << QStringList{"~1:11 zmod"};
    QTest::newRow("a space before the colon is no directive")
        << kZoom + " #\tvornel-scan :  disable=zmod\r\n"
        << QStringList{"1:5 zmod"};
    QTest::newRow("spaces and tabs where they may stand")
        << kZoom + " + \"ownr\" #\tvornel-scan:  disable =  zmod ,\townr \r"
        << QStringList{"~1:5 zmod", "~1:14 ownr"};
    QTest::newRow("an upper-case marker is no directive")
        << kZoom + " # VORNEL-SCAN: DISABLE=zmod\r\n"
        << QStringList{"1:5 zmod"};
    QTest::newRow("an upper-case keyword is none either")
        << kZoom + " # vornel-scan: Disable-File=zmod\n"
        << QStringList{"1:12 not-a-directive: not a directive: unknown directive 'Disable-File'",
                       "1:5 zmod"};
    QTest::newRow("codes are compared exactly")
        << kZoom + " # vornel-scan: disable=ZMOD\r" << QStringList{"1:5 zmod"};
    QTest::newRow("an empty list silences nothing")
        << kZoom + " # vornel-scan: disable=\r\n"
        << QStringList{"1:12 not-a-directive: not a directive: names no code", "1:5 zmod"};
    QTest::newRow("inside quotation marks it is a comment all the same")
        << kZoom + " + \"# vornel-scan: disable=zmod -- quoted\"\r"
        << QStringList{"~1:5 zmod -- quoted\""};
    QTest::newRow("the closing quotation mark belongs to the last code")
        << kZoom + " + \"# vornel-scan: disable=zmod\"\r\n"
        << QStringList{"1:5 zmod"};
    QTest::newRow("after a first comment")
        << kZoom + " # zoom # vornel-scan: disable=zmod\r" << QStringList{"~1:5 zmod"};
    QTest::newRow("a directive applies to its own line only")
        << "# vornel-scan: disable=zmod\r" + kZoom + "\r\n"
        << QStringList{"2:5 zmod"};
  }
  void directives() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, told);
    QCOMPARE(checked(script, withDirectives()), told);
    // Without directives the same alerts come, none silenced.
    QStringList alerts = without(told, {"not-a-directive"});
    for (QString& alert : alerts) alert = alert.section(u' ', 0, 1).remove(u'~');
    QCOMPARE(checked(script, CheckSettings()), alerts);
  }

  // What directives tell of themselves, when asked, in line order, before
  // the line's alerts; a comment that is no directive is told of always.
  void directiveWarnings_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("unused, unknown, and no directive")
        << kZoom +
               " # vornel-scan: disable=zmod,isoa,qqqq -- checked\r\n"
               "# vornel-scan: enable=zmod\r"
        << QStringList{"1:12 unused-disable: directive silences no 'isoa' alert",
                       "1:12 unknown-code: directive names 'qqqq', which no table lists",
                       "~1:5 zmod -- checked",
                       "2:1 not-a-directive: not a directive: unknown directive 'enable'"};
    QTest::newRow("columns count code points, a tab one")
        << QByteArray("\xc3\xa9\t= \"zmod\" # vornel-scan: disable=isoa\r")
        << QStringList{"1:12 unused-disable: directive silences no 'isoa' alert", "1:5 zmod"};
    QTest::newRow("lines end at CR and CR LF, not at LF")
        << QByteArray("a = 1\rb = 2\n# vornel-scan: disable-next-line=isoa\r\nc = 3")
        << QStringList{"2:7 unused-disable: directive silences no 'isoa' alert"};
    QTest::newRow("every directive that would silence an alert is used")
        << "# vornel-scan: disable-next-line=zmod\r\n" + kZoom +
               " # vornel-scan: disable=zmod\r# vornel-scan: disable-file=zmod\r\n"
        << QStringList{"~2:5 zmod"};
    QTest::newRow("a disable-file of a code with no alert")
        << kZoom + "\r\n# vornel-scan: disable-file=isoa -- old\r"
        << QStringList{"1:5 zmod", "2:1 unused-disable: directive silences no 'isoa' alert"};
    QTest::newRow("what is no directive")
        << QByteArray("# vornel-scan: disable\r\n# vornel-scan: disable=a b\r")
        << QStringList{
               "1:1 not-a-directive: not a directive: 'disable' needs '=' and the codes it "
               "silences",
               "2:1 not-a-directive: not a directive: 'a b' is not a code"};
  }
  void directiveWarnings() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, told);
    QCOMPARE(checked(script, withDirectives(true)), told);
    QCOMPARE(checked(script, withDirectives(false)),
             without(told, {"unused-disable", "unknown-code"}));
  }

  // The project's disable list names codes and rules.
  void projectDisables_data() {
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("told");
    const QString by = " -- disabled in /p/.vornel-scan";
    QTest::newRow("a code") << QStringList{"isoa"} << kZoom + "\r\ny = \"isoa\"\r"
                            << QStringList{"1:5 zmod", "~2:5 isoa" + by};
    QTest::newRow("codes are compared exactly")
        << QStringList{"ZMOD", "params/zmod"} << kZoom + "\n"
        << QStringList{"1:5 zmod"};
    QTest::newRow("rules by name")
        << QStringList{"unused-disable", "not-a-directive"}
        << QByteArray("a = 1 # vornel-scan: enable\r# vornel-scan: disable=isoa,qqqq\r\n")
        << QStringList{"~1:7 not-a-directive: not a directive: unknown directive 'enable'" + by,
                       "~2:1 unused-disable: directive silences no 'isoa' alert" + by,
                       "2:1 unknown-code: directive names 'qqqq', which no table lists"};
    QTest::newRow("a directive silences first, and is used")
        << QStringList{"zmod"} << kZoom + " # vornel-scan: disable=zmod -- mine\r\n"
        << QStringList{"~1:5 zmod -- mine"};
  }
  void projectDisables() {
    QFETCH(QStringList, disabled);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, told);
    CheckSettings settings = withDirectives(true);
    settings.disabled = disabled;
    settings.disabledBy = QStringLiteral("/p/.vornel-scan");
    QCOMPARE(checked(script, settings), told);
  }

  // A baseline silences as many of an alert as it holds, known by script
  // and statement, not by line.
  void baseline_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("held");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("told");
    const QString held = " -- in the baseline";
    QTest::newRow("as many as it holds")
        << "s.csm" << 2 << kZoom + "\r\n" + kZoom + "\r" + kZoom + "\r\n"
        << QStringList{"~1:5 zmod" + held, "~2:5 zmod" + held, "3:5 zmod"};
    QTest::newRow("more than there are")
        << "s.csm" << 5 << kZoom << QStringList{"~1:5 zmod" + held};
    QTest::newRow("by statement, wherever it stands")
        << "s.csm" << 1 << QByteArray("wait(1)\r\n\rz = \"zmod\"\rx =\n \"zmod\"\r\n")
        << QStringList{"3:5 zmod", "~4:6 zmod" + held};
    QTest::newRow("one a directive silences is not counted")
        << "s.csm" << 1 << kZoom + " # vornel-scan: disable=zmod\r\n" + kZoom + "\r\n"
        << QStringList{"~1:5 zmod", "~2:5 zmod" + held};
    QTest::newRow("another script's") << "t.csm" << 1 << kZoom + "\r" << QStringList{"1:5 zmod"};
  }
  void baseline() {
    QFETCH(QString, path);
    QFETCH(int, held);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, told);
    Diagnostic old;
    old.row = &tables().params.row(0);
    old.statement = QStringLiteral("x=\"zmod\"");
    Baseline baseline;
    baseline.setFolder(QDir::currentPath());
    baseline.add(path, {{Baseline::keyOf(old), held}});
    CheckSettings settings = withDirectives();
    settings.baseline = &baseline;
    QCOMPARE(checked(script, settings), told);
  }

  // A disable-file after more alerts than are held: a file is searched for
  // it first, a stream cannot be, and what comes after it is still silenced.
  void lateFileDirective_data() {
    QTest::addColumn<int>("alerts");
    QTest::addColumn<bool>("stream");
    QTest::addColumn<bool>("late");
    const int most = int(SuppressionFilter::kMostHeld);
    for (const bool stream : {false, true}) {
      const char* kind = stream ? "a stream" : "a file";
      QTest::addRow("%s, one alert fewer than are held", kind) << most - 1 << stream << false;
      QTest::addRow("%s, as many as are held", kind) << most << stream << false;
      QTest::addRow("%s, one more", kind) << most + 1 << stream << stream;
    }
  }
  void lateFileDirective() {
    QFETCH(int, alerts);
    QFETCH(bool, stream);
    QFETCH(bool, late);
    const QByteArray ends[] = {"\r\n", "\r", "\na = 1\r\n"};
    QByteArray script;
    for (int i = 0; i < alerts; ++i) script += kZoom + ends[i % 3];
    script += "# vornel-scan: disable-file=zmod,qqqq\r" + kZoom + "\r\n";
    const QStringList told = checked(script, withDirectives(true), stream);
    const QString at = QString::number(alerts + 1) + ":1 ";
    QStringList expected{at + "unknown-code: directive names 'qqqq', which no table lists"};
    if (late) {
      expected.prepend(at +
                       "late-disable: disable-file comes after more than 50000 alerts of a "
                       "script read as a stream, which cannot be read again: it silences "
                       "only the alerts after it");
    }
    QCOMPARE(without(told, {" zmod"}), expected);
    QCOMPARE(told.filter(QStringLiteral("~")).size(), late ? 1 : alerts + 1);
    QCOMPARE(told.size(), alerts + 1 + expected.size());
  }
};

QTEST_GUILESS_MAIN(ScriptCheckTest)
#include "test_script_check.moc"
