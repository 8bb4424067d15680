// One script's check, in-process: the directives in its comments, the
// project's disable list and a baseline silence alerts, and the directives
// tell of themselves.

#include <QDir>
#include <QRegularExpression>
#include <QTest>

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
    if (d.severity() != rules::infoOf(d.rule).severity)
      line += QStringLiteral(" (%1)").arg(rules::severityName(d.severity()));
    if (!d.silencedBecause.isEmpty()) line += QStringLiteral(" -- ") + d.silencedBecause;
    lines.append(line);
  }
};

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

QStringList without(QStringList lines, const QString& pattern) {
  const QRegularExpression matching(pattern);
  lines.removeIf([&](const QString& line) { return line.contains(matching); });
  return lines;
}

// What silences alerts besides the directives, which are read always.
struct Outside {
  Outside(bool tell = false, QStringList codes = {}, int count = 0, QString path = "s.csm",
          QStringList severity = {}, std::optional<QStringList> select = {})
      : unused(tell),
        ignored(std::move(codes)),
        held(count),
        heldFor(std::move(path)),
        severities(std::move(severity)),
        selected(std::move(select)) {}
  bool unused;                          // tell of directives that silence nothing
  QStringList ignored;                  // by the project
  int held;                             // alerts of x = "zmod" the baseline holds,
  QString heldFor;                      // for this script
  QStringList severities;               // "name:severity"
  std::optional<QStringList> selected;  // by the project
};

// The project's choice of rules, from a file at /p/.vornel-scan.
RuleSelection chosen(const Outside& outside) {
  const auto named = [](const QStringList& names) {
    std::vector<RuleName> out;
    for (const QString& name : names) {
      Severity severity = Severity::Warning;
      rules::severityNamed(name.section(u':', 1), &severity);
      out.push_back({name.section(u':', 0, 0), QStringLiteral("/p/.vornel-scan:1"), severity});
    }
    return out;
  };
  RuleChoice project;
  if (outside.selected) project.select = named(*outside.selected);
  project.ignore = named(outside.ignored);
  project.ignoredBecause = QStringLiteral("disabled in /p/.vornel-scan");
  project.unselectedBecause = QStringLiteral("not selected in /p/.vornel-scan");
  RuleSelection selection;
  QString error;
  if (!RuleSelection::make(tables(), {project}, named(outside.severities), &selection, &error))
    qWarning("%s", qPrintable(error));
  return selection;
}

void row(const char* name, const QByteArray& script, const QString& told, Outside outside = {}) {
  QTest::newRow(name) << script << told << outside;
}

const QByteArray kZoom = "x = \"zmod\"";

}  // namespace

Q_DECLARE_METATYPE(Outside)

class ScriptCheckTest : public QObject {
  Q_OBJECT

 private slots:
  // Diagnostics joined by " | ", in the order they come.
  void check_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("told");
    QTest::addColumn<Outside>("outside");
    row("none", kZoom + "\r\ny = \"isoa\"\r", "1:5 zmod | 2:5 isoa");
    row("this line", kZoom + " # vornel-scan: disable=zmod\ry = \"isoa\"\r\n",
        "~1:5 zmod | 2:5 isoa");
    row("the next line comes after a CR, not after an LF",
        "# vornel-scan: disable-next-line=isoa -- old\nx = \"isoa\"\r\ny = \"isoa\"",
        "~2:5 isoa -- old\nx = \"isoa\"");
    row("the whole file, from its end",
        kZoom + "\ry = \"isoa\"\r\n# vornel-scan: disable-file=isoa,zmod -- made -- by hand\r\n",
        "~1:5 zmod -- made -- by hand | ~2:5 isoa -- made -- by hand");
    row("the whole file, a statement of 20,000 characters among short ones",
        kZoom + "\ry = \"isoa\" + " + QByteArray(20000, 'b') + "\r" + kZoom +
            "\r# vornel-scan: disable-file=isoa\r",
        "1:5 zmod | ~2:5 isoa | 3:5 zmod");
    row("the whole file, from between CR-only lines",
        kZoom + "\r# vornel-scan: disable-file=zmod\ry = \"zmod\"\r", "~1:5 zmod | ~3:5 zmod");
    row("only the codes named", kZoom + " + \"ownr\" # vornel-scan: disable=ownr\r\n",
        "1:5 zmod | ~1:14 ownr");
    row("an LF stays in the line it silences",
        "a = 1\ny = \"zmod\" # vornel-scan: disable=zmod\r\n", "~1:11 zmod");
    row("a space before the colon is no directive", kZoom + " #\tvornel-scan :  disable=zmod\r\n",
        "1:5 zmod");
    row("spaces and tabs where they may stand",
        kZoom + " + \"ownr\" #\tvornel-scan:  disable =  zmod ,\townr \r",
        "~1:5 zmod | ~1:14 ownr");
    row("an upper-case marker is no directive", kZoom + " # VORNEL-SCAN: DISABLE=zmod\r\n",
        "1:5 zmod");
    row("an upper-case keyword is none either", kZoom + " # vornel-scan: Disable-File=zmod\n",
        "1:12 not-a-directive: not a directive: unknown directive 'Disable-File' | 1:5 zmod");
    row("codes are compared exactly", kZoom + " # vornel-scan: disable=ZMOD\r", "1:5 zmod");
    row("an empty list silences nothing", kZoom + " # vornel-scan: disable=\r\n",
        "1:12 not-a-directive: not a directive: names no code | 1:5 zmod");
    row("inside quotation marks it is a comment all the same",
        kZoom + " + \"# vornel-scan: disable=zmod -- quoted\"\r", "~1:5 zmod -- quoted\"");
    row("the closing quotation mark belongs to the last code",
        kZoom + " + \"# vornel-scan: disable=zmod\"\r\n", "1:5 zmod");
    row("after a first comment", kZoom + " # zoom # vornel-scan: disable=zmod\r", "~1:5 zmod");
    row("a directive applies to its own line only", "# vornel-scan: disable=zmod\r" + kZoom,
        "2:5 zmod");
    row("what is no directive", "# vornel-scan: disable\r\n# vornel-scan: disable=a b\r",
        "1:1 not-a-directive: not a directive: 'disable' needs '=' and the codes it silences | "
        "2:1 not-a-directive: not a directive: 'a b' is not a code");

    // What directives tell of themselves when asked: in line order, before
    // the line's alerts.
    row("unused and unknown codes",
        kZoom + " # vornel-scan: disable=zmod,isoa,qqqq -- checked\r\n# vornel-scan: enable=zmod\r",
        "1:12 unused-disable: directive silences no 'isoa' alert | 1:12 unknown-code: directive "
        "names 'qqqq', which no table lists | ~1:5 zmod -- checked | 2:1 not-a-directive: not a "
        "directive: unknown directive 'enable'",
        true);
    row("columns count code points, a tab one",
        "\xc3\xa9\t= \"zmod\" # vornel-scan: disable=isoa\r",
        "1:12 unused-disable: directive silences no 'isoa' alert | 1:5 zmod", true);
    row("lines end at CR and CR LF, not at LF",
        "a = 1\rb = 2\n# vornel-scan: disable-next-line=isoa\r\nc = 3",
        "2:7 unused-disable: directive silences no 'isoa' alert", true);
    row("every directive that would silence an alert is used",
        "# vornel-scan: disable-next-line=zmod\r\n" + kZoom +
            " # vornel-scan: disable=zmod\r# vornel-scan: disable-file=zmod\r\n",
        "~2:5 zmod", true);
    row("a disable-file of a code with no alert",
        kZoom + "\r\n# vornel-scan: disable-file=isoa -- old\r",
        "1:5 zmod | 2:1 unused-disable: directive silences no 'isoa' alert", true);

    // The project's disable list names codes and rules.
    const QString by = " -- disabled in /p/.vornel-scan";
    row("a code the project disables", kZoom + "\r\ny = \"isoa\"\r", "1:5 zmod | ~2:5 isoa" + by,
        {true, {"isoa"}});
    row("another table's names silence nothing", kZoom + "\n", "1:5 zmod",
        {true, {"tags/", "tags/ownr", "isoa"}});
    row("a table, a row", kZoom + " + \"ownr\"\ry = \"isoa\"\r",
        "~1:5 zmod" + by + " | ~1:14 ownr" + by + " | ~2:5 isoa" + by,
        {true, {"tags/", "params/zmod", "params/isoa"}});
    // What is selected: everything but what is ignored; within the project,
    // a row over a code over a table, and of two as specific, the ignore.
    const QString unselected = " -- not selected in /p/.vornel-scan";
    row("a code over its table", kZoom + " + \"ownr\"\ry = \"isoa\"\r",
        "1:5 zmod | ~1:14 ownr" + unselected + " | ~2:5 isoa" + by,
        {true, {"params/"}, 0, "s.csm", {}, QStringList{"zmod"}});
    row("a row over its code", kZoom + "\ry = \"isoa\"\r", "1:5 zmod | ~2:5 isoa" + unselected,
        {true, {"zmod"}, 0, "s.csm", {}, QStringList{"params/zmod"}});
    row("as specific, the ignore", kZoom + "\ry = \"isoa\"\r", "~1:5 zmod" + by + " | 2:5 isoa",
        {true, {"zmod"}, 0, "s.csm", {}, QStringList{"zmod", "isoa"}});
    row("a rule not selected", "a = 1 # vornel-scan: enable\r" + kZoom + "\r",
        "~1:7 not-a-directive: not a directive: unknown directive 'enable'" + unselected +
            " | 2:5 zmod",
        {true, {}, 0, "s.csm", {}, QStringList{"params/zmod"}});
    // Severities: a row over a code over a table, then the later one.
    row("severities", kZoom + " + \"ownr\" # vornel-scan: on\ry = \"isoa\"\r",
        "1:21 not-a-directive: not a directive: unknown directive 'on' (error) | 1:5 zmod (info) | "
        "1:14 ownr (error) | ~2:5 isoa (info)" +
            by,
        {true,
         {"isoa"},
         0,
         "s.csm",
         {"params/zmod:info", "zmod:error", "tags/:error", "isoa:error", "params/:info",
          "isoa:info", "not-a-directive:error"}});
    row("rules the project disables",
        "a = 1 # vornel-scan: enable\r# vornel-scan: disable=isoa,qqqq\r\n",
        "~1:7 not-a-directive: not a directive: unknown directive 'enable'" + by +
            " | ~2:1 unused-disable: directive silences no 'isoa' alert" + by +
            " | 2:1 unknown-code: directive names 'qqqq', which no table lists",
        {true, {"unused-disable", "not-a-directive"}});
    row("a directive silences before the project, and is used",
        kZoom + " # vornel-scan: disable=zmod -- mine\r\n", "~1:5 zmod -- mine", {true, {"zmod"}});

    // A baseline silences as many of an alert as it holds, known by script
    // and statement, not by line.
    const QString held = " -- in the baseline";
    row("as many as the baseline holds", kZoom + "\r\n" + kZoom + "\r" + kZoom + "\r\n",
        "~1:5 zmod" + held + " | ~2:5 zmod" + held + " | 3:5 zmod", {false, {}, 2});
    row("more than there are", kZoom, "~1:5 zmod" + held, {false, {}, 5});
    row("by statement, wherever it stands", "wait(1)\r\n\rz = \"zmod\"\rx =\n \"zmod\"\r\n",
        "3:5 zmod | ~4:6 zmod" + held, {false, {}, 1});
    row("one a directive silences is not counted",
        kZoom + " # vornel-scan: disable=zmod\r\n" + kZoom + "\r\n", "~1:5 zmod | ~2:5 zmod" + held,
        {false, {}, 1});
    row("another script's", kZoom + "\r", "1:5 zmod", {false, {}, 1, "t.csm"});
  }
  void check() {
    QFETCH(QByteArray, script);
    QFETCH(QString, told);
    QFETCH(Outside, outside);
    CheckSettings settings;
    // With CR line ends only, whatever the first, a lone LF stays in its line.
    settings.lineEnds = textlines::LineEnds::CrLf;
    settings.directives = true;
    settings.unusedDisables = outside.unused;
    settings.rules = chosen(outside);
    Diagnostic old;
    old.row = &tables().params.row(0);
    old.statement = QStringLiteral("x=\"zmod\"");
    Baseline baseline;
    baseline.setFolder(QDir::currentPath());
    baseline.add(outside.heldFor, {{Baseline::keyOf(old), outside.held}});
    if (outside.held > 0) settings.baseline = &baseline;
    QCOMPARE(checked(script, settings).join(" | "), told);
    const QStringList all = told.split(" | ");
    // Only when asked do directives tell whether they silence anything.
    settings.unusedDisables = false;
    QCOMPARE(checked(script, settings), without(all, "^\\S+ (unused-disable|unknown-code):"));
    // Without directives or settings the same alerts come, none silenced.
    QStringList alerts = without(all, "^\\S+ \\S+:");
    for (QString& alert : alerts) alert = alert.section(u' ', 0, 1).remove(u'~');
    CheckSettings plain;
    plain.lineEnds = textlines::LineEnds::CrLf;
    QCOMPARE(checked(script, plain), alerts);
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
    const QByteArray ends[] = {"\r\n", "\r", "\na = 1\r"};
    QByteArray script;
    for (int i = 0; i < alerts; ++i) script += kZoom + ends[i % 3];
    script += "# vornel-scan: disable-file=zmod,qqqq\r" + kZoom + "\r\n";
    CheckSettings settings;
    settings.directives = settings.unusedDisables = true;
    const QStringList told = checked(script, settings, stream);
    const QString at = QString::number(alerts + 1) + ":1 ";
    QStringList expected{at + "unknown-code: directive names 'qqqq', which no table lists"};
    if (late) {
      expected.prepend(at +
                       "late-disable: disable-file comes after more than 50000 alerts of a "
                       "script read as a stream, which cannot be read again: it silences "
                       "only the alerts after it");
    }
    QCOMPARE(without(told, " zmod"), expected);
    QCOMPARE(told.filter(QStringLiteral("~")).size(), late ? 1 : alerts + 1);
    QCOMPARE(told.size(), alerts + 1 + expected.size());
  }
};

QTEST_GUILESS_MAIN(ScriptCheckTest)
#include "test_script_check.moc"
