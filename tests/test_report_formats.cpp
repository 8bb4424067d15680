// vornel-scan's report formats as the program writes them: the exit status,
// that each stays well formed whatever the tables and file names hold, and
// that SARIF passes the official schema and multitool.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include "RunScan.h"

namespace {

const QString kTools = QStringLiteral(VORNEL_SOURCE_DIR "/.tools/node_modules/");

QJsonDocument parsed(const QByteArray& bytes) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError)
    qWarning("not JSON: %s at %d", qPrintable(error.errorString()), error.offset);
  return document;
}

}  // namespace

class ReportFormatsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }
  ScanRunResult scan(const QString& tables, QStringList arguments) const {
    return runScan(QStringList{"--tables", tables} + arguments, dir_.path());
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(at("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(at("tables/param.txt"), "\"zmod\",\"Zoom mode\",range 0, 1\r\n"));
    QVERIFY(writeFile(at("s/a.csm"), "x = \"zmod\"\r\nGetFileTag(\"ownr\")\r\n"));
    QVERIFY(writeFile(at("s/b.csm"), "wait(1)\r\n"));
    QVERIFY(writeFile(at("s/c.csm"), "\xc3\xa9=\"zmod\"\r\n"));
  }

  // The exit status and the summary whatever the format; what each format
  // writes is held to its golden file by test_report_golden.
  void exitStatusAndSummary_data() {
    QTest::addColumn<QString>("format");
    for (const char* format : {"classic", "gcc", "json", "sarif", "github", "gitlab"})
      QTest::newRow(format) << format;
  }

  void exitStatusAndSummary() {
    QFETCH(QString, format);
    ScanRunResult run = scan(at("tables"), {"--format", format, "s"});
    QCOMPARE(run.err, QStringLiteral("3 alerts in 2 of 3 scripts\n"));
    QCOMPARE(run.exitCode, 1);
    run = scan(at("tables"), {"--format", format, "s/b.csm", "missing.csm"});
    QCOMPARE(run.exitCode, 2);
  }

  // --statistics in the json format: one document in place of the report,
  // each row hit with its alerts and scripts, and the rows nothing hit.
  void statisticsDocument_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("codes");  // "<rule> <count> <scripts> <silenced>"
    QTest::addColumn<QStringList>("dead");   // "<path>:<line> <code> <message>"
    QTest::newRow("every row hit")
        << QStringList{"--format", "json", "s"} << 1
        << QStringList{"params/zmod 2 2 0", "tags/ownr 1 1 0"} << QStringList{};
    QTest::newRow("a dead row") << QStringList{"--format", "json", "s/c.csm", "s/b.csm"} << 1
                                << QStringList{"params/zmod 1 1 0"}
                                << QStringList{"tables/tags.txt:1 ownr Owner tag"};
    QTest::newRow("silenced") << QStringList{"--format", "json", "quiet/d.csm"} << 1
                              << QStringList{"params/zmod 1 1 1"}
                              << QStringList{"tables/tags.txt:1 ownr Owner tag"};
    QTest::newRow("json from the project file, no alert")
        << QStringList{"--config", "json.vornel", "s/b.csm"} << 0 << QStringList{}
        << QStringList{"tables/tags.txt:1 ownr Owner tag", "tables/param.txt:1 zmod Zoom mode"};
  }

  void statisticsDocument() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, dead);
    QVERIFY(writeFile(at("json.vornel"), "format = json\n"));
    QVERIFY(writeFile(at("quiet/d.csm"),
                      "x = \"zmod\" # vornel-scan: disable=zmod -- known\r\ny = \"zmod\"\r\n"));
    const ScanRunResult run =
        runScan(QStringList{"--tables", "tables", "--statistics"} + arguments, dir_.path());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject doc = parsed(run.out).object();
    QCOMPARE(doc.keys(), (QStringList{"codes", "deadRows", "summary", "version"}));
    QStringList gotCodes, gotDead;
    for (const QJsonValue row : doc["codes"].toArray()) {
      gotCodes += QStringLiteral("%1 %2 %3 %4")
                      .arg(row["rule"].toString())
                      .arg(row["count"].toInteger())
                      .arg(row["scripts"].toInteger())
                      .arg(row["silenced"].toInteger());
    }
    for (const QJsonValue row : doc["deadRows"].toArray()) {
      gotDead += QStringLiteral("%1:%2 %3 %4")
                     .arg(row["path"].toString())
                     .arg(row["line"].toInteger())
                     .arg(row["code"].toString(), row["message"].toString());
    }
    QCOMPARE(gotCodes, codes);
    QCOMPARE(gotDead, dead);
  }

  // Fingerprints tell equal alerts apart, and stay when lines move.
  void gitlab() {
    QVERIFY(writeFile(at("g/a.csm"), "x = \"zmod\"\r\nx = \"zmod\"\r\ny = \"zmod\"\r\n"));
    const ScanRunResult before = scan(at("tables"), {"--format", "gitlab", "g"});
    QVERIFY(writeFile(at("g/a.csm"),
                      "wait(1)\r\n\r\nx = \"zmod\"\r\ny = \"zmod\"\r\nx = \"zmod\"\r\n"));
    const ScanRunResult after = scan(at("tables"), {"--format", "gitlab", "g"});
    QSet<QString> fingerprintsBefore, fingerprintsAfter;
    for (const QJsonValue issue : parsed(before.out).array()) {
      QCOMPARE(issue["check_name"].toString(), QStringLiteral("params/zmod"));
      QCOMPARE(issue["location"]["path"].toString(), QStringLiteral("g/a.csm"));
      fingerprintsBefore.insert(issue["fingerprint"].toString());
    }
    for (const QJsonValue issue : parsed(after.out).array())
      fingerprintsAfter.insert(issue["fingerprint"].toString());
    QCOMPARE(fingerprintsBefore.size(), 3);
    QCOMPARE(fingerprintsAfter, fingerprintsBefore);
    QCOMPARE(parsed(after.out)[0]["location"]["lines"]["begin"].toInt(), 3);
  }

  // The severity the project file gives, in each format's words: zmod an
  // error, the tags info (warnings are in the golden reports).
  void severityInEveryFormat_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("info");
    QTest::newRow("classic") << "classic"
                             << R"(^s/a.csm:1 x="zmod":  error: Zoom mode$)"
                             << R"(^s/a.csm:2 GetFileTag\("ownr"\):  info: Owner tag$)";
    QTest::newRow("gcc") << "gcc"
                         << R"(^s/a.csm:1:5: error: Zoom mode \[zmod\]$)"
                         << R"(^s/a.csm:2:12: note: Owner tag \[ownr\]$)";
    QTest::newRow("github") << "github"
                            << R"(^::error file=s/a.csm,line=1,.*title=zmod::)"
                            << R"(^::notice file=s/a.csm,line=2,.*title=ownr::)";
    QTest::newRow("sarif") << "sarif"
                           << R"("ruleId":"params/zmod","level":"error")"
                           << R"("ruleId":"tags/ownr","level":"note")";
    QTest::newRow("gitlab")
        << "gitlab"
        << R"("check_name":"params/zmod","fingerprint":"\w+","severity":"major")"
        << R"("check_name":"tags/ownr","fingerprint":"\w+","severity":"info")";
    QTest::newRow("json") << "json"
                          << R"("code":"zmod",.*"severity":"error")"
                          << R"("code":"ownr",.*"severity":"info")";
  }
  void severityInEveryFormat() {
    QFETCH(QString, format);
    QVERIFY(writeFile(at("severity.vornel"), "severity = zmod:error, tags/:info\n"));
    const ScanRunResult run = scan(
        at("tables"), {"--config", "severity.vornel", "--format", format, "s/a.csm", "s/b.csm"});
    QFETCH(QString, error);
    QFETCH(QString, info);
    for (const QString& pattern : {error, info}) {
      const QRegularExpression expected(pattern, QRegularExpression::MultilineOption);
      QVERIFY2(expected.match(QString::fromUtf8(run.out)).hasMatch(),
               qPrintable(pattern + "\n" + run.out));
    }
    QCOMPARE(run.exitCode, 1);
  }

  // Quotes, backslashes, control characters, line ends and bytes that are
  // not UTF-8, in a table's messages and in a script's file name. The line
  // formats' first line is given exactly: each control character, C1 and
  // bidi ones too, and each backslash escaped, in the format's way.
  void hostileContent_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("first");
    const QByteArray message =
        "say \"hi\" \\\\ back\\x01\\x09\\x0anext \xef\xbf\xbd line\\x85\\u{202e}";
    QTest::newRow("classic") << "classic"
                             << "hostile/q\"b\\\\s %,:\\x0a\xff.csm:1 x=\"ownr\":  " + message;
    QTest::newRow("gcc") << "gcc"
                         << "hostile/q\"b\\\\s %,:\\x0a\xff.csm:1:5: warning: " + message +
                                " [ownr]";
    QTest::newRow("github")
        << "github"
        << QByteArray(
               "::warning file=hostile/q\"b\\s %25%2C%3A%0A\xff.csm,line=1,col=5,"
               "endColumn=11,title=ownr::say \"hi\" \\ back%01%09%0Anext "
               "\xef\xbf\xbd line%C2%85%E2%80%AE");
    // A JSON document holds the message's text, escaped as JSON allows.
    for (const char* format : {"json", "sarif", "gitlab"})
      QTest::newRow(format) << format << QByteArray("line\\u0085\\u202e\"");
  }

  void hostileContent() {
    QFETCH(QString, format);
    QFETCH(QByteArray, first);
    const QString tables = at("hostile-tables");
    // Its first row ends in CR LF, so that the LF in the message after stays in it.
    QVERIFY(writeFile(tables + "/tags.txt",
                      "expo,m,n\r\nownr,say \"hi\" \\ back\x01\t\nnext \xff "
                      "line\xc2\x85\xe2\x80\xae,n\r\n"));
    QVERIFY(writeFile(tables + "/param.txt", "zmod,\"%25 :, odd\",\"note\"\r\n"));
    QVERIFY(QDir().mkpath(at("hostile")));
    const QByteArray name = QFile::encodeName(at("hostile")) + "/q\"b\\s %,:\n\xff.csm";
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    const QByteArray script = "x = \"ownr\"\r\ny = \"zmod\"\r\n";
    QCOMPARE(::write(fd, script.constData(), size_t(script.size())), ssize_t(script.size()));
    ::close(fd);

    const ScanRunResult run = scan(tables, {"--format", format, "hostile"});
    QCOMPARE(run.exitCode, 1);
    if (format == "classic" || format == "gcc" || format == "github") {
      // One line for each alert, whatever the texts hold.
      QCOMPARE(run.out.count('\n'), 2);
      QVERIFY(run.out.endsWith('\n'));
      QCOMPARE(run.out.left(run.out.indexOf('\n')), first);
      if (format == "github") {
        const QByteArray properties = first.mid(2, first.indexOf("::", 2) - 2);
        QVERIFY2(properties.count(',') == 4 && !properties.contains(':'), properties.constData());
      }
      return;
    }
    QVERIFY2(run.out.contains(first), run.out.constData());
    const QJsonDocument doc = parsed(run.out);
    QVERIFY(!doc.isNull());
    const QString message = u"say \"hi\" \\ back\x01\t\nnext \ufffd line\u0085\u202e"_qs;
    if (format == "json") {
      QCOMPARE(doc["scripts"][0]["alerts"][0]["message"].toString(), message);
      // The byte that is no UTF-8 as the lone surrogate that stands for it.
      const QByteArray path = "q\\\"b\\\\s %,:\\n\\udcff.csm\"";
      QVERIFY2(run.out.contains(path), run.out.constData());
    } else if (format == "sarif") {
      QCOMPARE(doc["runs"][0]["results"][0]["message"]["text"].toString(), message);
      QVERIFY(writeFile(at("hostile.sarif"), run.out));
      QVERIFY(isValidSarif(at("hostile.sarif")));
    } else {
      QCOMPARE(doc[0]["description"].toString(), message);
    }
  }

  // A table check's report, with a result in no line among its results,
  // passes the schema and the multitool as a scan's does.
  void tableCheckPassesTheSchema() {
    QVERIFY(writeFile(at("half-tables/param.txt"), "zmo,m,\r\n"));
    const ScanRunResult run = scan(at("half-tables"), {"--check-tables", "--format", "sarif"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(parsed(run.out)["runs"][0]["results"].toArray().size(), 2);
    QVERIFY(writeFile(at("tables.sarif"), run.out));
    QVERIFY(isValidSarif(at("tables.sarif")));
  }

  // The report that every rule gives, which test_report_golden holds the
  // SARIF format to, passes the schema and the multitool too.
  void everyRulePassesTheSchema() {
    QFile golden(QStringLiteral(VORNEL_SOURCE_DIR "/tests/data/golden/sarif"));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    const QByteArray whole = golden.readAll();
    QVERIFY(writeFile(at("every-rule.sarif"), whole.first(whole.indexOf("--- told aside"))));
    QVERIFY(isValidSarif(at("every-rule.sarif")));
  }

 private:
  // Checked by the JSON schema of SARIF 2.1.0 that the SARIF multitool
  // ships, with Debian's python3-jsonschema, and by the multitool's rules:
  // its own, and the ones GitHub code scanning holds an upload to.
  bool isValidSarif(const QString& file) {
    const QString schema = kTools + "@microsoft/sarif-multitool-linux/sarif-2.1.0.json";
    ScanInvocation check;
    check.program = QStringLiteral("/usr/bin/python3");
    check.arguments = {"-c",
                       "import json, sys, jsonschema\n"
                       "schema = json.load(open(sys.argv[1]))\n"
                       "errors = list(jsonschema.Draft202012Validator(schema).iter_errors("
                       "json.load(open(sys.argv[2]))))\n"
                       "for e in errors: print(list(e.absolute_path), e.message)\n"
                       "sys.exit(1 if errors else 0)",
                       schema, file};
    const ScanRunResult schemaCheck = runScan(check);
    if (schemaCheck.exitCode != 0) {
      qWarning("schema: %s%s", schemaCheck.out.constData(), qPrintable(schemaCheck.err));
      return false;
    }
    return passesMultitool(file, {"--json-schema", schema}) &&
           passesMultitool(file, {"--rule-kind", "Gh;Ghas"});
  }

  // No error, and no warning but those allowed below.
  bool passesMultitool(const QString& file, const QStringList& rules) {
    // The program itself: the wrapper in .bin hands its arguments to a shell,
    // which takes the ; of "Gh;Ghas" for the end of a command.
    ScanInvocation multitool;
    multitool.program = kTools + "@microsoft/sarif-multitool-linux/Sarif.Multitool";
    const QString log = file + ".validation";
    QFile::remove(log);
    multitool.arguments = QStringList{"validate", "--output", log} + rules + QStringList{file};
    const ScanRunResult run = runScan(multitool);
    QFile output(log);
    if (run.exitCode != 0 || !output.open(QIODevice::ReadOnly)) {
      qWarning("multitool: %s%s", run.out.constData(), qPrintable(run.err));
      return false;
    }
    bool passes = true;
    for (const QJsonValue result : parsed(output.readAll())["runs"][0]["results"].toArray()) {
      const QString level = result["level"].toString(QStringLiteral("warning"));
      if (level == "error" ||
          (level == "warning" && !kAllowedWarnings.contains(result["ruleId"].toString()))) {
        qWarning("multitool %s: %s", qPrintable(rules.join(u' ')),
                 QJsonDocument(result.toObject()).toJson().constData());
        passes = false;
      }
    }
    return passes;
  }

  // The multitool's warnings that a report of vornel-scan may give, each
  // with the reason it stays.
  const QStringList kAllowedWarnings{};
};

QTEST_GUILESS_MAIN(ReportFormatsTest)
#include "test_report_formats.moc"
