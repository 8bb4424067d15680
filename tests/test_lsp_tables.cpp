// The language server's tables, through the built `vornel-scan --lsp`:
// found from the workspace's project file, read again when they change on
// disk or the editor says so, and kept when the new ones are malformed.

#include <QTemporaryDir>
#include <QTest>

#include "LspSession.h"
#include "RunScan.h"

namespace {

bool isShowMessage(const QJsonObject& message) {
  return message.value("method") == QLatin1StringView("window/showMessage");
}

}  // namespace

class LspTablesTest : public QObject {
  Q_OBJECT

 private:
  const QByteArray tags_ = "\"ownr\",\"Owner tag\",none\r\n";
  const QByteArray params_ = "\"zmod\",\"Zoom mode\",range\r\n";
  const QByteArray script_ = "x = \"zmod\"\r\ny = \"newc\"\r\n";

  struct Workspace {
    QTemporaryDir dir;
    QString uri() const { return QUrl::fromLocalFile(dir.filePath("a.csm")).toString(); }
    QString tables() const { return dir.filePath("tables"); }
  };
  std::unique_ptr<Workspace> workspace(const QByteArray& params) {
    auto made = std::make_unique<Workspace>();
    if (!made->dir.isValid() || !writeFile(made->dir.filePath("tables/tags.txt"), tags_) ||
        !writeFile(made->dir.filePath("tables/param.txt"), params)) {
      return nullptr;
    }
    return made;
  }
  std::unique_ptr<LspSession> start(const Workspace& at, const QStringList& arguments) {
    auto session = std::make_unique<LspSession>(arguments, at.dir.path());
    if (!session->started()) return nullptr;
    session->initialize(at.dir.path());
    return session;
  }
  void edit(LspSession& server, const QString& uri, int version) {
    const QJsonObject end{{"line", 2}, {"character", 0}};
    server.notify(
        "textDocument/didChange",
        QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
                    {"contentChanges",
                     QJsonArray{QJsonObject{{"range", QJsonObject{{"start", end}, {"end", end}}},
                                            {"text", "\r\n"}}}}});
  }
  void watchedFileChanged(LspSession& server, const QString& path) {
    server.notify(
        "workspace/didChangeWatchedFiles",
        QJsonObject{{"changes", QJsonArray{QJsonObject{
                                    {"uri", QUrl::fromLocalFile(path).toString()}, {"type", 2}}}}});
  }

 private slots:
  // A table changed on disk is read again and every open script checked
  // again; a malformed one is named once, with its line, and the last good
  // tables stay in use until it is mended.
  void tablesChangedOnDisk() {
    const auto at = workspace(params_);
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    server->open(at->uri(), script_);
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{"0:4-0:10 zmod Zoom mode"});

    const QString paramFile = QDir(at->tables()).absoluteFilePath("param.txt");
    QVERIFY(writeFile(paramFile, params_ + "\"newc\"\r\n"));
    const auto shownMessage = server->waitFor(isShowMessage);
    QVERIFY(shownMessage);
    const QJsonObject message = shownMessage->message.value("params").toObject();
    QCOMPARE(message.value("type"), QJsonValue(1));
    QCOMPARE(message.value("message").toString(),
             "vornel-scan: " + paramFile +
                 ": line 2: expected a code, a message and a note, found 1 field");

    edit(*server, at->uri(), 2);
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{"0:4-0:10 zmod Zoom mode"});
    QVERIFY(writeFile(paramFile, params_ + "\"newc\"\r\n"));
    watchedFileChanged(*server, paramFile);
    for (const QJsonObject& more : server->rest(1500))
      QVERIFY2(!isShowMessage(more), "the same fault was told twice");

    QVERIFY(writeFile(paramFile, params_ + "\"newc\",\"New code\",none\r\n"));
    QCOMPARE(shown(server->diagnostics(at->uri())),
             (QStringList{"0:4-0:10 zmod Zoom mode", "1:4-1:10 newc New code"}));
    QCOMPARE(server->finish(), 0);
  }

  // The editor's word that a table changed is enough to read it again;
  // other files changing are not.
  void tablesChangedByTheEditorsWord() {
    const auto at = workspace(params_);
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    server->open(at->uri(), script_);
    QVERIFY(server->published(at->uri()));
    watchedFileChanged(*server, at->dir.filePath("notes.txt"));
    QVERIFY(!server->published(at->uri(), 1000));
    watchedFileChanged(*server, at->dir.filePath("tables/tags.txt"));
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{"0:4-0:10 zmod Zoom mode"});
    QCOMPARE(server->finish(), 0);
  }

  // Tables malformed from the start: named as the server starts, nothing
  // checked until they are mended.
  void tablesMalformedFromTheStart() {
    const auto at = workspace("\"zmod\",\"Zoom mode\"\r\n");
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    const auto shownMessage = server->waitFor(isShowMessage);
    QVERIFY(shownMessage);
    QVERIFY(shownMessage->message.value("params").toObject().value("message").toString().endsWith(
        "param.txt: line 1: expected a comma after the message (an empty note still needs it)"));
    server->open(at->uri(), script_);
    QVERIFY(!server->published(at->uri(), 1000));
    QVERIFY(writeFile(at->dir.filePath("tables/param.txt"), params_));
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{"0:4-0:10 zmod Zoom mode"});
    QCOMPARE(server->finish(), 0);
  }

  // The project file that counts is the workspace's, wherever the server
  // was started: its tables, and the codes it disables.
  void projectFileOfTheWorkspace() {
    const auto at = workspace(params_);
    QVERIFY(at);
    QVERIFY(writeFile(at->dir.filePath("scripts/.vornel-scan"),
                      "tables = own-tables\ndisable = isoa\n"));
    QVERIFY(writeFile(at->dir.filePath("scripts/own-tables/tags.txt"), tags_));
    QVERIFY(writeFile(at->dir.filePath("scripts/own-tables/param.txt"),
                      "\"isoa\",\"Auto ISO\",x\r\n\"newc\",\"New code\",x\r\n"));
    LspSession server({}, at->dir.path());
    QVERIFY(server.started());
    server.initialize(at->dir.filePath("scripts"));
    const QString uri = QUrl::fromLocalFile(at->dir.filePath("scripts/a.csm")).toString();
    server.open(uri, script_ + "z = \"isoa\"\r\n");
    QCOMPARE(shown(server.diagnostics(uri)), QStringList{"1:4-1:10 newc New code"});

    QVERIFY(
        writeFile(at->dir.filePath("scripts/.vornel-scan"), "tables = own-tables\ncolour = red\n"));
    const auto shownMessage = server.waitFor(isShowMessage);
    QVERIFY(shownMessage);
    QVERIFY(shownMessage->message.value("params").toObject().value("message").toString().endsWith(
        ".vornel-scan:2: unknown key 'colour' (known: tables, exclude, format, disable, "
        "baseline, line-ends)"));
    QCOMPARE(server.finish(), 0);
  }

  // The workspace's line-ends setting, read as a run reads it, and read
  // again when the project file changes.
  void lineEndsOfTheWorkspace() {
    const auto at = workspace(params_);
    QVERIFY(at);
    QVERIFY(writeFile(at->dir.filePath(".vornel-scan"), "tables = tables\nline-ends = any\n"));
    auto server = start(*at, {});
    QVERIFY(server);
    server->open(at->uri(), "# zoom\nx = \"zmod\"\n");
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{"1:4-1:10 zmod Zoom mode"});
    QVERIFY(writeFile(at->dir.filePath(".vornel-scan"), "tables = tables\n"));
    const QStringList told = shown(server->diagnostics(at->uri()));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].startsWith("0:6-1:0  the script's lines end in LF alone"),
             qPrintable(told[0]));
    QCOMPARE(server->finish(), 0);
  }
};

QTEST_GUILESS_MAIN(LspTablesTest)
#include "test_lsp_tables.moc"
