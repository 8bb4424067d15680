// vornel-scan's report formats: what each writes, that it stays well formed
// whatever the tables and file names hold, and that SARIF passes the
// official schema and multitool.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

  void lineFormats_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("classic") << "classic"
                             << QByteArray(
                                    "s/a.csm:1 x=\"zmod\":  Zoom mode\n"
                                    "s/a.csm:2 GetFileTag(\"ownr\"):  Owner tag\n"
                                    "s/c.csm:1 \xc3\xa9=\"zmod\":  Zoom mode\n");
    QTest::newRow("gcc") << "gcc"
                         << QByteArray(
                                "s/a.csm:1:5: warning: Zoom mode [zmod]\n"
                                "s/a.csm:2:12: warning: Owner tag [ownr]\n"
                                "s/c.csm:1:3: warning: Zoom mode [zmod]\n");
    QTest::newRow("github")
        << "github"
        << QByteArray(
               "::warning file=s/a.csm,line=1,col=5,endColumn=11,title=zmod::Zoom mode\n"
               "::warning file=s/a.csm,line=2,col=12,endColumn=18,title=ownr::Owner tag\n"
               "::warning file=s/c.csm,line=1,col=3,endColumn=9,title=zmod::Zoom mode\n");
  }

  void lineFormats() {
    QFETCH(QString, format);
    QFETCH(QByteArray, out);
    const ScanRunResult run = scan(at("tables"), {"--format", format, "s"});
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, QStringLiteral("3 alerts in 2 of 3 scripts\n"));
    QCOMPARE(run.exitCode, 1);
  }

  void json() {
    const ScanRunResult run = scan(at("tables"), {"--format", "json", "s", "missing.csm"});
    QCOMPARE(run.exitCode, 2);
    const QJsonObject doc = parsed(run.out).object();
    QCOMPARE(doc["version"].toInt(), 1);
    QCOMPARE(doc["tables"]["params"].toString(), at("tables/param.txt"));
    const QJsonArray scripts = doc["scripts"].toArray();
    QCOMPARE(scripts.size(), 3);
    QCOMPARE(scripts[1]["path"].toString(), QStringLiteral("s/b.csm"));
    QCOMPARE(scripts[1]["lines"].toInt(), 1);
    const QJsonObject alert = scripts[0]["alerts"][1].toObject();
    const QJsonObject expected{{"path", "s/a.csm"},
                               {"line", 2},
                               {"column", 12},
                               {"endColumn", 18},
                               {"code", "ownr"},
                               {"table", "tags"},
                               {"statement", "GetFileTag(\"ownr\")"},
                               {"message", "Owner tag"}};
    QCOMPARE(alert, expected);
    QCOMPARE(doc["errors"][0]["path"].toString(), QStringLiteral("missing.csm"));
    QCOMPARE(doc["summary"].toObject(), (QJsonObject{{"scripts", 3},
                                                     {"scriptsWithAlerts", 2},
                                                     {"alerts", 3},
                                                     {"silenced", 0},
                                                     {"errors", 1}}));
  }

  void sarif() {
    QVERIFY(writeFile(at("quiet/d.csm"), "x = \"zmod\" # vornel-scan: disable=zmod -- meant\r\n"));
    const ScanRunResult run =
        scan(at("tables"), {"--format", "sarif", "s", at("s/c.csm"), "gone.csm", "quiet/d.csm"});
    QCOMPARE(run.exitCode, 2);
    const QJsonObject runObject = parsed(run.out)["runs"][0].toObject();
    const QJsonArray results = runObject["results"].toArray();
    QCOMPARE(results.size(), 5);
    // A silenced alert is a result with its suppression.
    QCOMPARE(results[4]["suppressions"].toArray(),
             (QJsonArray{QJsonObject{{"kind", "inSource"}, {"justification", "meant"}}}));
    QVERIFY(!results[3].toObject().contains("suppressions"));
    QCOMPARE(results[1]["ruleId"].toString(), QStringLiteral("tags/ownr"));
    const QJsonObject location = results[1]["locations"][0]["physicalLocation"].toObject();
    QCOMPARE(location["artifactLocation"].toObject(),
             (QJsonObject{{"uri", "s/a.csm"}, {"uriBaseId", "SRCROOT"}}));
    QCOMPARE(location["region"].toObject(),
             (QJsonObject{{"startLine", 2}, {"startColumn", 12}, {"endColumn", 18}}));
    // An absolute path below the working folder is relative to it too.
    QCOMPARE(results[3]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"].toString(),
             QStringLiteral("s/c.csm"));
    const QJsonArray rules = runObject["tool"]["driver"]["rules"].toArray();
    QCOMPARE(rules.size(), 2);
    QCOMPARE(rules[0]["id"].toString(), QStringLiteral("tags/ownr"));
    QCOMPARE(rules[1]["fullDescription"]["text"].toString(), QStringLiteral("range 0, 1"));
    const QJsonObject invocation = runObject["invocations"][0].toObject();
    QCOMPARE(invocation["executionSuccessful"].toBool(), false);
    QCOMPARE(invocation["toolExecutionNotifications"][0]["message"]["text"].toString(),
             QStringLiteral("gone.csm: No such file or directory"));
    QVERIFY(writeFile(at("report.sarif"), run.out));
    QVERIFY(isValidSarif(at("report.sarif")));
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

  // Quotes, backslashes, control characters, line ends and bytes that are
  // not UTF-8, in a table's messages and in a script's file name.
  void hostileContent_data() {
    QTest::addColumn<QString>("format");
    for (const char* format : {"classic", "gcc", "json", "sarif", "github", "gitlab"})
      QTest::newRow(format) << format;
  }

  void hostileContent() {
    QFETCH(QString, format);
    const QString tables = at("hostile-tables");
    QVERIFY(writeFile(tables + "/tags.txt", "ownr,say \"hi\" \\ back\x01\t\nnext \xff line,n\r\n"));
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
      if (format == "github") {
        const QByteArray first = run.out.left(run.out.indexOf('\n'));
        const QByteArray properties = first.mid(2, first.indexOf("::", 2) - 2);
        QVERIFY2(properties.count(',') == 4 && !properties.contains(':'), properties.constData());
      }
      return;
    }
    const QJsonDocument doc = parsed(run.out);
    QVERIFY(!doc.isNull());
    const QString message = u"say \"hi\" \\ back\x01\t\nnext \ufffd line"_qs;
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
  // ships, with Debian's python3-jsonschema, and by the multitool's own
  // rules; a warning is no failure.
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
    ScanInvocation multitool;
    multitool.program = kTools + ".bin/sarif-multitool";
    const QString log = file + ".validation";
    QFile::remove(log);
    multitool.arguments = {"validate", "--json-schema", schema, "--output", log, file};
    const ScanRunResult rules = runScan(multitool);
    QFile output(log);
    if (rules.exitCode != 0 || !output.open(QIODevice::ReadOnly)) {
      qWarning("multitool: %s%s", rules.out.constData(), qPrintable(rules.err));
      return false;
    }
    for (const QJsonValue result : parsed(output.readAll())["runs"][0]["results"].toArray()) {
      if (result["level"].toString() == "error") {
        qWarning("multitool: %s", QJsonDocument(result.toObject()).toJson().constData());
        return false;
      }
    }
    return true;
  }
};

QTEST_GUILESS_MAIN(ReportFormatsTest)
#include "test_report_formats.moc"
