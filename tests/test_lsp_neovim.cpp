// vornel-scan --lsp with a real editor: Neovim from Debian, headless,
// started on a script in a throwaway folder with the few lines of Lua a
// user would write (tests/lsp_neovim.lua), reading vim.diagnostic.get();
// and with the recipe of docs/editors.md on a project's tables and scripts
// (tests/lsp_neovim_tables.lua).

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

namespace {

QString entry(const QJsonValue& diagnostic) {
  const QJsonObject d = diagnostic.toObject();
  return QStringLiteral("%1:%2-%3:%4 %5 %6 %7 %8")
      .arg(d.value("lnum").toInt())
      .arg(d.value("col").toInt())
      .arg(d.value("end_lnum").toInt())
      .arg(d.value("end_col").toInt())
      .arg(d.value("severity").toInt())
      .arg(d.value("source").toString(), d.value("code").toString(), d.value("message").toString());
}

// What Neovim shows (byte columns), and what the server sent (UTF-16).
QStringList entries(const QJsonValue& seen) {
  QStringList all;
  for (const QJsonValue& d : seen.toObject().value("diagnostics").toArray()) all.append(entry(d));
  for (const QJsonValue& d : seen.toObject().value("published").toArray()) {
    const QJsonObject p = d.toObject();
    all.append(QStringLiteral("sent %1:%2-%3 %4")
                   .arg(p.value("line").toInt())
                   .arg(p.value("character").toInt())
                   .arg(p.value("end_character").toInt())
                   .arg(p.value("code").toString()));
  }
  return all;
}

// Runs headless Neovim with the Lua client tests/`lua` on `script` of the
// project folder in `dir`, after the settings file `init` (NONE: none) and
// with the built vornel-scan on PATH: what the client saw, or {"error":
// why} when it did not run to its end.
QJsonObject runNeovim(const QTemporaryDir& dir, const QString& script, const char* lua,
                      const QString& init = QStringLiteral("NONE")) {
  QProcess nvim;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("VORNEL_SCAN", VORNEL_SCAN_PATH);
  environment.insert("VORNEL_SCRIPT", dir.filePath("project/" + script));
  environment.insert("VORNEL_ROOT", dir.filePath("project"));
  environment.insert("VORNEL_OUT", dir.filePath("seen.json"));
  environment.insert("PATH", QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + u':' +
                                 environment.value("PATH"));
  // Neovim's log, state and settings stay in the throwaway folder.
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
    environment.insert(name, dir.filePath("nvim"));
  nvim.setProcessEnvironment(environment);
  nvim.setWorkingDirectory(dir.filePath("project"));
  nvim.start("nvim", {"--headless", "-n", "-i", "NONE", "-u", init, "-c",
                      QStringLiteral("luafile " VORNEL_SOURCE_DIR "/tests/") + lua});
  if (!nvim.waitForStarted(10000))
    return {{"error", "nvim did not start: scripts/install-deps installs neovim"}};
  if (!nvim.waitForFinished(120000)) return {{"error", "nvim did not finish"}};
  QFile file(dir.filePath("seen.json"));
  if (!file.open(QIODevice::ReadOnly))
    return {{"error", QString::fromLocal8Bit(nvim.readAllStandardError())}};
  return QJsonDocument::fromJson(file.readAll()).object();
}

}  // namespace

class LspNeovimTest : public QObject {
  Q_OBJECT

 private slots:
  void neovimShowsAndFixesTheAlerts() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("project/.vornel-scan"), "tables = tables\n"));
    QVERIFY(writeFile(dir.filePath("project/tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(dir.filePath("project/tables/param.txt"),
                      "\"zmod\",\"Zoom mode resets\",range 0 to 2\r\n"));
    // "é" is one UTF-16 unit and two bytes, the emoji two units and four bytes.
    QVERIFY(writeFile(dir.filePath("project/portrait.csm"),
                      "# Portrait session\r\n"
                      "zoom = GetCameraState(\"zmod\",0) # zoom mode\r\n"
                      "title = \"Caf\xc3\xa9 \xf0\x9f\x98\x80\" + GetFileTag(\"ownr\")\r\n"
                      "SetCameraState(\"zmod\", 2)  # vornel-scan: disable=zmod -- the rig\r\n"));

    const QJsonObject seen = runNeovim(dir, "portrait.csm", "lsp_neovim.lua");
    QCOMPARE(seen.value("error").toString(), QString());
    QCOMPARE(seen.value("fileformat"), QJsonValue("dos"));

    QVERIFY(seen.value("opened_in_time").toBool());
    QCOMPARE(entries(seen.value("opened")),
             (QStringList{"1:22-1:28 2 vornel-scan zmod Zoom mode resets",
                          "2:34-2:40 2 vornel-scan ownr Owner tag", "sent 1:22-28 zmod",
                          "sent 2:31-37 ownr"}));
    QVERIFY(seen.value("hover").toString().startsWith("'zmod' in params, "));
    QVERIFY(
        seen.value("hover").toString().endsWith("message: Zoom mode resets\n  note: range 0 to 2"));

    QCOMPARE(seen.value("action"), QJsonValue("disable zmod on this line"));
    QVERIFY(seen.value("fixed_in_time").toBool());
    QCOMPARE(
        seen.value("fixed_line"),
        QJsonValue("zoom = GetCameraState(\"zmod\",0) # zoom mode  # vornel-scan: disable=zmod -- "
                   "reason"));
    QCOMPARE(entries(seen.value("fixed")),
             (QStringList{"2:34-2:40 2 vornel-scan ownr Owner tag", "sent 2:31-37 ownr"}));

    QVERIFY(seen.value("edited_in_time").toBool());
    QCOMPARE(entries(seen.value("edited")), QStringList{});
  }

  // A script whose lines end in LF alone, as Neovim keeps it
  // (fileformat=unix): under the default auto, as under the project's
  // line-ends = any, the alerts stand on their lines; under crlf the
  // line-ends warning, with its code, stands at the end of the first line.
  void neovimShowsLineEnds_data() {
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<QStringList>("shown");  // each entry()'s start
    QTest::newRow("auto") << QByteArray("tables = tables\n")
                          << QStringList{"1:4-1:10 2 vornel-scan zmod Zoom mode resets",
                                         "2:4-2:10 2 vornel-scan zmod Zoom mode resets"};
    QTest::newRow("crlf") << QByteArray("tables = tables\nline-ends = crlf\n")
                          << QStringList{"0:6-1:0 2 vornel-scan line-ends a line ends in LF alone"};
    QTest::newRow("any") << QByteArray("tables = tables\nline-ends = any\n")
                         << QStringList{"1:4-1:10 2 vornel-scan zmod Zoom mode resets",
                                        "2:4-2:10 2 vornel-scan zmod Zoom mode resets"};
  }
  void neovimShowsLineEnds() {
    QFETCH(QByteArray, project);
    QFETCH(QStringList, shown);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("project/.vornel-scan"), project));
    QVERIFY(writeFile(dir.filePath("project/tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(dir.filePath("project/tables/param.txt"),
                      "\"zmod\",\"Zoom mode resets\",range 0 to 2\r\n"));
    QVERIFY(writeFile(dir.filePath("project/lf.csm"), "# zoom\nx = \"zmod\"\ny = \"zmod\"\n"));
    const QJsonObject seen = runNeovim(dir, "lf.csm", "lsp_neovim_line_ends.lua");
    QCOMPARE(seen.value("error").toString(), QString());
    QCOMPARE(seen.value("fileformat"), QJsonValue("unix"));
    QVERIFY(seen.value("shown_in_time").toBool());
    QStringList got;
    for (const QJsonValue& d : seen.value("diagnostics").toArray()) got.append(entry(d));
    QCOMPARE(got.size(), shown.size());
    for (qsizetype i = 0; i < got.size(); ++i)
      QVERIFY2(got[i].startsWith(shown[i]), qPrintable(got[i]));
  }

  // Neovim 0.7 with the recipe of docs/editors.md, on a project's tables
  // and scripts: a row typed into tags.txt is an error while it lacks a
  // field and, once mended, flags the open script before it is saved; the
  // outline lists the rows, definition leads from a script's code to its
  // rows, references and hover from a row to its alerts in the project,
  // the script that is not open too.
  void neovimServesTheTables() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray recipe =
        fencedBlock("docs/editors.md", QStringLiteral("```lua"), QStringLiteral("start_client"));
    QVERIFY2(!recipe.isEmpty(), "no Neovim 0.7 recipe in docs/editors.md");
    QVERIFY(writeFile(dir.filePath("recipe.lua"), recipe));
    QVERIFY(
        writeFile(dir.filePath("project/.vornel-scan"), "tables = tables\nseverity = ownr:info\n"));
    const QByteArray tags = "\"ownr\",\"Owner tag\",none\r\n\"dual\",\"Dual tag\",none\r\n";
    QVERIFY(writeFile(dir.filePath("project/tables/tags.txt"), tags));
    QVERIFY(writeFile(
        dir.filePath("project/tables/param.txt"),
        "\"zmod\",\"Zoom mode resets\",range 0 to 2\r\n\"dual\",\"Dual parameter\",none\r\n"));
    QVERIFY(writeFile(dir.filePath("project/portrait.csm"),
                      "owner = GetFileTag(\"ownr\")\r\n"
                      "name = GetFileTag(\"ntag\")\r\n"
                      "x = \"dual\"\r\n"));
    QVERIFY(writeFile(dir.filePath("project/more/more.csm"),
                      "GetFileTag(\"ownr\")\r\nt = GetFileTag(\"ownr\")\r\n"));

    const QJsonObject seen =
        runNeovim(dir, "portrait.csm", "lsp_neovim_tables.lua", dir.filePath("recipe.lua"));
    QCOMPARE(seen.value("error").toString(), QString());
    const auto list = [&seen](const char* key) {
      QStringList all;
      for (const QJsonValue& entry : seen.value(QLatin1StringView(key)).toArray())
        all.append(entry.toString());
      return all;
    };
    // Severities 2 (warning), 3 (info), 1 (error); ownr is an info by the
    // project file. A line with = and no call name gets both rows of dual.
    const QStringList script = {"0:19 3 ownr Owner tag", "2:4 2 dual Dual parameter",
                                "2:4 2 dual Dual tag"};
    QVERIFY(seen.value("script_in_time").toBool());
    QCOMPARE(list("script"), script);
    QVERIFY(seen.value("params_in_time").toBool());
    QCOMPARE(list("params").size(), 1);
    QVERIFY2(list("params")[0].startsWith("1:0 2 in-both-tables code 'dual' is in both tables"),
             qPrintable(list("params")[0]));
    QVERIFY(seen.value("malformed_in_time").toBool());
    QCOMPARE(list("malformed"), QStringList{"2:0 1 fault expected 3 fields, found 2"});
    QVERIFY(seen.value("mended_in_time").toBool());
    QVERIFY(seen.value("flagged_in_time").toBool());
    QCOMPARE(list("flagged"),
             (QStringList{script[0], "1:18 2 ntag Typed in Neovim", script[1], script[2]}));
    QCOMPARE(list("symbols"),
             (QStringList{"0 ownr Owner tag", "1 dual Dual tag", "2 ntag Typed in Neovim"}));
    QCOMPARE(list("definition_typed"), QStringList{"tables/tags.txt:2:0"});
    QCOMPARE(list("definition_both"), (QStringList{"tables/param.txt:1:0", "tables/tags.txt:1:0"}));
    const QStringList alerts = {"more/more.csm:0:11", "more/more.csm:1:15", "portrait.csm:0:19"};
    QCOMPARE(list("references_row"), alerts);
    QCOMPARE(list("references_script"), alerts);
    QVERIFY2(seen.value("hover").toString().contains("3 alerts in 2 scripts"),
             qPrintable(seen.value("hover").toString()));
    // Typed, never saved.
    QFile onDisk(dir.filePath("project/tables/tags.txt"));
    QVERIFY(onDisk.open(QIODevice::ReadOnly));
    QCOMPARE(onDisk.readAll(), tags);
  }
};

QTEST_GUILESS_MAIN(LspNeovimTest)
#include "test_lsp_neovim.moc"
