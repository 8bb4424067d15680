// The language server's tables, through the built `vornel-scan --lsp`:
// found from the workspace's project file, read again when they change on
// disk or the editor says so, and kept when the new ones are malformed.

#include <cstdio>

#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include "DocumentCheck.h"
#include "LspSession.h"
#include "RunScan.h"
#include "ServerTables.h"

namespace {

bool isShowMessage(const QJsonObject& message) {
  return message.value("method") == QLatin1StringView("window/showMessage");
}

// How an editor or a checkout puts new contents in a file; or a deploy
// tool in the whole folder that holds it, the other files copied along.
enum class Rewrite {
  RenameOver,
  DeleteThenCreate,
  DeleteWaitCreate,
  InPlace,
  FolderRenamedOver,
  FolderRemovedAndMade,
  LinkSwitched  // the folder is a link, switched to a new folder
};

bool rewriteFolder(const QString& path, const QByteArray& bytes, Rewrite how) {
  const QFileInfo file(path);
  const QString folder = file.absolutePath();
  static int replaced = 0;
  ++replaced;
  const QString made = how == Rewrite::FolderRemovedAndMade ? folder
                       : how == Rewrite::LinkSwitched
                           ? QStringLiteral("%1.%2").arg(folder + ".release").arg(replaced)
                           : folder + ".new";
  QMap<QString, QByteArray> files;
  for (const QFileInfo& other : QDir(folder).entryInfoList(QDir::Files)) {
    QFile in(other.filePath());
    if (!in.open(QIODevice::ReadOnly)) return false;
    files[other.fileName()] = in.readAll();
  }
  files[file.fileName()] = bytes;
  if (how == Rewrite::FolderRemovedAndMade && !QDir(folder).removeRecursively()) return false;
  for (auto it = files.cbegin(); it != files.cend(); ++it) {
    if (!writeFile(made + '/' + it.key(), it.value())) return false;
  }
  if (how == Rewrite::FolderRemovedAndMade) return true;
  if (how == Rewrite::LinkSwitched) {
    // As `ln -s tables.release.2 tables.link && mv -T tables.link tables`.
    const QString link = folder + ".link";
    return QFile::link(made, link) &&
           std::rename(QFile::encodeName(link).constData(), QFile::encodeName(folder)) == 0;
  }
  // As `mv tables tables.old && mv tables.new tables` does it; the old
  // folder is kept, as a deploy tool keeps it to go back to.
  const QString old = folder + ".old-" + QString::number(replaced);
  return QDir().rename(folder, old) && QDir().rename(made, folder);
}

bool rewrite(const QString& path, const QByteArray& bytes, Rewrite how) {
  switch (how) {
    case Rewrite::RenameOver: {
      QSaveFile file(path);  // written aside, then renamed over
      return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    case Rewrite::DeleteWaitCreate:
      if (!QFile::remove(path)) return false;
      QTest::qWait(400);  // the deletion is seen on its own
      return writeFile(path, bytes);
    case Rewrite::DeleteThenCreate:
      return QFile::remove(path) && writeFile(path, bytes);
    case Rewrite::InPlace:
      return writeFile(path, bytes);
    case Rewrite::FolderRenamedOver:
    case Rewrite::FolderRemovedAndMade:
    case Rewrite::LinkSwitched:
      return rewriteFolder(path, bytes, how);
  }
  return false;
}

// A ServerTables in this process, and what it told.
struct TablesSeen {
  explicit TablesSeen(const ServerSettings& settings)
      : tables(
            settings,
            [this](std::shared_ptr<const CheckSetup> made) {
              setup = std::move(made);
              ++changes;
            },
            [this](const QString& message) { failures.append(message); }) {}
  // What the script shows with the tables read last.
  QStringList shows(const QByteArray& script) const {
    const std::atomic<bool> stop{false};
    return setup ? shown(diagnosticsOf(checkDocument(*setup, script, stop)))
                 : QStringList{"no tables"};
  }

  std::shared_ptr<const CheckSetup> setup;
  int changes = 0;
  QStringList failures;
  ServerTables tables;
};

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
  // The whole text of an open document replaced, as an editor may send it.
  void replace(LspSession& server, const QString& uri, int version, const QByteArray& text) {
    server.notify(
        "textDocument/didChange",
        QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
                    {"contentChanges", QJsonArray{QJsonObject{{"text", QString(text)}}}}});
  }
  QString tableUri(const Workspace& at, const QString& file) {
    return QUrl::fromLocalFile(QDir(at.tables()).absoluteFilePath(file)).toString();
  }
  // Both tables list "both".
  std::unique_ptr<Workspace> navigable() {
    auto at = workspace(params_ + "\"both\",\"Both param\",x\r\n");
    if (at && !writeFile(at->tables() + "/tags.txt", tags_ + "\"both\",\"Both tag\",none\r\n"))
      return nullptr;
    return at;
  }
  // A location's "<file>:<start line>:<start>-<end line>:<end>", or a
  // symbol's range without a file.
  static QString placeOf(const QJsonObject& location) {
    const QJsonObject range = location.value("range").toObject();
    const QString uri = location.value("uri").toString();
    return QStringLiteral("%1%2:%3-%4:%5")
        .arg(uri.isEmpty() ? QString() : QUrl(uri).fileName() + ':')
        .arg(range.value("start").toObject().value("line").toInt())
        .arg(range.value("start").toObject().value("character").toInt())
        .arg(range.value("end").toObject().value("line").toInt())
        .arg(range.value("end").toObject().value("character").toInt());
  }
  void watchedFileChanged(LspSession& server, const QString& path) {
    server.notify(
        "workspace/didChangeWatchedFiles",
        QJsonObject{{"changes", QJsonArray{QJsonObject{
                                    {"uri", QUrl::fromLocalFile(path).toString()}, {"type", 2}}}}});
  }

 private slots:
  // A table or the project file is read again however its new contents
  // come: renamed over it (editors, checkouts), deleted and created again,
  // or written in place, or the whole tables folder replaced as a deploy
  // tool replaces it; a checkout that rewrites both tables has them read
  // once, and a malformed table is named once however often it is rewritten.
  void rewrittenOnDisk_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("secondHow");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QStringList>("firstShows");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QStringList>("secondShows");
    const QString zmod = "0:4-0:10 zmod Zoom mode";
    const QByteArray newc = params_ + "\"newc\",\"New code\",none\r\n";
    const QByteArray newer = params_ + "\"newc\",\"Newer code\",none\r\n";
    const QStringList showsNewc{zmod, "1:4-1:10 newc New code"};
    const QStringList showsNewer{zmod, "1:4-1:10 newc Newer code"};
    const QByteArray disabling = "tables = tables\ndisable = zmod\n";
    const QByteArray plain = "tables = tables\n";
    auto row = [](const char* name, const QString& file, Rewrite how, const QByteArray& first,
                  const QStringList& firstShows, const QByteArray& second,
                  const QStringList& secondShows, std::optional<Rewrite> secondHow = {}) {
      QTest::newRow(name) << file << int(how) << int(secondHow.value_or(how)) << first << firstShows
                          << second << secondShows;
    };
    for (const auto& [name, how] : {std::pair{"renamed over", Rewrite::RenameOver},
                                    {"deleted and created at once", Rewrite::DeleteThenCreate},
                                    {"deleted, later created", Rewrite::DeleteWaitCreate},
                                    {"written in place", Rewrite::InPlace}}) {
      row(qPrintable(QStringLiteral("table ") + name), "tables/param.txt", how, newc, showsNewc,
          newer, showsNewer);
      row(qPrintable(QStringLiteral("project file ") + name), ".vornel-scan", how, disabling, {},
          plain, {zmod});
    }
    // Once replaced, the folder is watched as the new one: the round after
    // replaces it again.
    row("tables folder renamed over", "tables/param.txt", Rewrite::FolderRenamedOver, newc,
        showsNewc, newer, showsNewer);
    row("tables folder removed and made again", "tables/param.txt", Rewrite::FolderRemovedAndMade,
        newc, showsNewc, newer, showsNewer);
    row("tables folder a link switched to another", "tables/param.txt", Rewrite::LinkSwitched, newc,
        showsNewc, newer, showsNewer);
    row("tables folder renamed over, then a table written in place", "tables/param.txt",
        Rewrite::FolderRenamedOver, newc, showsNewc, newer, showsNewer, Rewrite::InPlace);
    row("other table renamed over", "tables/tags.txt", Rewrite::RenameOver,
        "\"newc\",\"New tag\",none\r\n", {zmod, "1:4-1:10 newc New tag"}, tags_, {zmod});
    row("project file made in a folder up, then renamed over", "../.vornel-scan",
        Rewrite::RenameOver, "disable = zmod\n", {}, "disable = tags/\n", {zmod});
  }
  // Each rewrite is done twice over, the second time to a file the first
  // one made.
  void rewrittenOnDisk() {
    QFETCH(QString, file);
    QFETCH(int, how);
    QFETCH(int, secondHow);
    QFETCH(QByteArray, first);
    QFETCH(QStringList, firstShows);
    QFETCH(QByteArray, second);
    QFETCH(QStringList, secondShows);
    const auto at = workspace(params_);
    QVERIFY(at);
    // The workspace is a folder below the temporary one, so that a project
    // file can come into being above it.
    const QString root = at->dir.filePath("work");
    const bool linked = Rewrite(how) == Rewrite::LinkSwitched;
    const QString tables = root + (linked ? "/tables.release.0" : "/tables");
    QVERIFY(writeFile(tables + "/tags.txt", tags_));
    QVERIFY(writeFile(tables + "/param.txt", params_));
    if (linked) QVERIFY(QFile::link(tables, root + "/tables"));
    // Tables given by --tables, with --no-config, are all that is watched;
    // a project file in the workspace would hide one above it.
    const bool table = file.startsWith("tables/");
    if (!table && !file.startsWith("../"))
      QVERIFY(writeFile(root + "/.vornel-scan", "tables = tables\n"));
    TablesSeen seen(table ? ServerSettings{root + "/tables", {}, {}, true, true, {}, {}}
                          : ServerSettings{{}, root + "/tables", {}, false, true, {}, {}});
    seen.tables.load(root);
    const QByteArray script = "x = \"zmod\"\r\ny = \"newc\"\r\n";
    QCOMPARE(seen.shows(script), QStringList{"0:4-0:10 zmod Zoom mode"});
    const QString path = QDir(root).absoluteFilePath(file);
    for (int round = 0; round < 2; ++round) {
      QTest::qWait(300);
      QVERIFY(rewrite(path, first, Rewrite(how)));
      QTRY_COMPARE_WITH_TIMEOUT(seen.shows(script), firstShows, 1500);
      QTest::qWait(300);
      QVERIFY(rewrite(path, second, Rewrite(secondHow)));
      QTRY_COMPARE_WITH_TIMEOUT(seen.shows(script), secondShows, 1500);
    }
  }

  // Tables in a folder that is not there yet, as a checkout of another
  // branch leaves it for a while: read once the folder and they are made.
  void tablesFolderMadeLater() {
    const auto at = workspace(params_);
    QVERIFY(at);
    const QString later = at->dir.filePath("later/tables");
    TablesSeen seen(ServerSettings{later, {}, {}, true, true, {}, {}});
    seen.tables.load(at->dir.path());
    QCOMPARE(seen.failures.size(), 1);
    QVERIFY(writeFile(later + "/tags.txt", tags_));
    QVERIFY(writeFile(later + "/param.txt", params_));
    QTRY_COMPARE_WITH_TIMEOUT(seen.shows(script_), QStringList{"0:4-0:10 zmod Zoom mode"}, 1500);
  }

  // Other files coming and going beside the tables and the project file
  // do not have every open script checked again.
  void otherFilesPassedOver() {
    const auto at = workspace(params_);
    QVERIFY(at);
    TablesSeen seen(ServerSettings{at->tables(), {}, {}, false, true, {}, {}});
    seen.tables.load(at->dir.path());
    QCOMPARE(seen.changes, 1);
    QVERIFY(writeFile(at->tables() + "/notes.txt", "x"));
    QVERIFY(rewrite(at->dir.filePath("a.csm"), script_, Rewrite::RenameOver));
    QVERIFY(QFile::remove(at->tables() + "/notes.txt"));
    QTest::qWait(500);
    QCOMPARE(seen.changes, 1);
  }

  void rewrittenTogether_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("renamed over") << int(Rewrite::RenameOver);
    QTest::newRow("deleted and created") << int(Rewrite::DeleteThenCreate);
    QTest::newRow("in place") << int(Rewrite::InPlace);
  }
  void rewrittenTogether() {
    QFETCH(int, how);
    const auto at = workspace(params_);
    QVERIFY(at);
    TablesSeen seen(ServerSettings{at->tables(), {}, {}, true, true, {}, {}});
    seen.tables.load(at->dir.path());
    QCOMPARE(seen.changes, 1);
    QTest::qWait(50);
    QVERIFY(rewrite(at->tables() + "/tags.txt", "\"newt\",\"New tag\",none\r\n", Rewrite(how)));
    QVERIFY(rewrite(at->tables() + "/param.txt", "\"newp\",\"New param\",none\r\n", Rewrite(how)));
    QTRY_COMPARE_WITH_TIMEOUT(seen.shows("x = \"newt\" \"newp\"\r\n").size(), 2, 1500);
    QTest::qWait(500);
    QCOMPARE(seen.changes, 2);
    QCOMPARE(seen.failures, QStringList());
  }

  // A malformed table renamed over again and again is named once.
  void malformedRewrittenNamedOnce() {
    const auto at = workspace(params_);
    QVERIFY(at);
    TablesSeen seen(ServerSettings{at->tables(), {}, {}, true, true, {}, {}});
    seen.tables.load(at->dir.path());
    const QString paramFile = at->tables() + "/param.txt";
    for (int i = 0; i < 3; ++i) {
      QTest::qWait(300);
      QVERIFY(rewrite(paramFile, params_ + "\"newc\"\r\n", Rewrite::RenameOver));
    }
    QTRY_COMPARE_WITH_TIMEOUT(seen.failures.size(), 1, 1500);
    QTest::qWait(500);
    QCOMPARE(
        seen.failures,
        QStringList{paramFile + ": line 2: expected a code, a message and a note, found 1 field"});
    QCOMPARE(seen.changes, 1);
  }

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
  // was started: its tables, what it selects and ignores, and severities.
  void projectFileOfTheWorkspace() {
    const auto at = workspace(params_);
    QVERIFY(at);
    QVERIFY(writeFile(at->dir.filePath("scripts/.vornel-scan"),
                      "tables = own-tables\ndisable = isoa\nseverity = newc:error\n"));
    QVERIFY(writeFile(at->dir.filePath("scripts/own-tables/tags.txt"), tags_));
    QVERIFY(writeFile(at->dir.filePath("scripts/own-tables/param.txt"),
                      "\"isoa\",\"Auto ISO\",x\r\n\"newc\",\"New code\",x\r\n"));
    LspSession server({}, at->dir.path());
    QVERIFY(server.started());
    server.initialize(at->dir.filePath("scripts"));
    const QString uri = QUrl::fromLocalFile(at->dir.filePath("scripts/a.csm")).toString();
    server.open(uri, script_ + "z = \"isoa\"\r\n");
    const QJsonArray first = server.diagnostics(uri);
    QCOMPARE(shown(first), QStringList{"1:4-1:10 newc New code"});
    QCOMPARE(first[0].toObject().value("severity"), QJsonValue(1));
    QVERIFY(writeFile(at->dir.filePath("scripts/.vornel-scan"),
                      "tables = own-tables\nselect = isoa\nseverity = params/:info\n"));
    const QJsonArray second = server.diagnostics(uri);
    QCOMPARE(shown(second), QStringList{"2:4-2:10 isoa Auto ISO"});
    QCOMPARE(second[0].toObject().value("severity"), QJsonValue(3));
    QVERIFY(writeFile(at->dir.filePath("scripts/.vornel-scan"),
                      "tables = own-tables\nignore = zmod\n"));
    const auto unknown = server.waitFor(isShowMessage);
    QVERIFY(unknown);
    QVERIFY(unknown->message.value("params").toObject().value("message").toString().endsWith(
        ".vornel-scan:2: 'zmod' is no rule and no table lists it (see --list-codes, and "
        "--explain RULE), passed over"));

    QVERIFY(
        writeFile(at->dir.filePath("scripts/.vornel-scan"), "tables = own-tables\ncolour = red\n"));
    const auto shownMessage = server.waitFor(isShowMessage);
    QVERIFY(shownMessage);
    QVERIFY(shownMessage->message.value("params").toObject().value("message").toString().endsWith(
        ".vornel-scan:2: unknown key 'colour' (known: tables, exclude, format, select, ignore, "
        "disable, severity, baseline, line-ends)"));
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
    QVERIFY(writeFile(at->dir.filePath(".vornel-scan"), "tables = tables\nline-ends = crlf\n"));
    const QStringList told = shown(server->diagnostics(at->uri()));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].startsWith("0:6-1:0 line-ends a line ends in LF alone"), qPrintable(told[0]));
    QCOMPARE(server->finish(), 0);
  }

  // An open table is checked as it is typed: a line the loader refuses (an
  // error), and each rule of --check-tables, at the row's line; a file
  // named as a table outside the tables folder in force is none.
  void tableDiagnostics_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");  // severity, range, code
    auto row = [](const char* name, const char* file, const QByteArray& text,
                  const QStringList& expected) {
      QTest::newRow(name) << QString(file) << text << expected;
    };
    row("refused line", "param.txt", params_ + "\"newc\"\r\n" + params_, {"1 1:0-1:6 fault"});
    row("code length", "tags.txt", tags_ + "\"own\",\"Short\",none\r\n",
        {"2 1:0-1:18 code-length"});
    row("never matches", "tags.txt", "\"ow#r\",\"Hash\",none\r\n", {"2 0:0-0:18 never-matches"});
    row("listed twice", "param.txt", params_ + "\"isoa\",\"Auto ISO\",x\r\n" + params_,
        {"2 2:0-2:24 listed-twice"});
    row("in both tables", "param.txt", params_ + "\"ownr\",\"Owner param\",x\r\n",
        {"2 1:0-1:22 in-both-tables"});
    row("in both tables, told in the other", "tags.txt", tags_ + "\"zmod\",\"Zoom tag\",none\r\n",
        {});
    row("lines ended by LF alone", "param.txt",
        "\"zmod\",\"Zoom mode\",range\n\"zmo\",\"Short\",x\n", {"2 1:0-1:15 code-length"});
    row("in line order", "param.txt", "\"ownr\",\"Owner param\",x\r\n\"zm\",\"Short\",x\r\n",
        {"2 0:0-0:22 in-both-tables", "2 1:0-1:14 code-length"});
    row("outside the tables folder", "../other/param.txt", params_ + "\"newc\"\r\n", {});
  }
  void tableDiagnostics() {
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    const auto at = workspace(params_);
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    const QString uri = tableUri(*at, file);
    server->open(uri, text);
    const auto published = server->published(uri);
    QVERIFY(published);
    const QJsonObject params = published->message.value("params").toObject();
    QStringList told;
    for (const QJsonValue& d : params.value("diagnostics").toArray()) {
      told.append(QString::number(d.toObject().value("severity").toInt()) + ' ' +
                  shown(d).section(' ', 0, 1));
    }
    QCOMPARE(told, expected);
    QCOMPARE(params.value("version"), QJsonValue(1));
    for (const QJsonObject& more : server->rest(300))
      QVERIFY2(!isShowMessage(more), "a fault in the editor's text was told aside");
    QCOMPARE(server->finish(), 0);
  }

  // While a table is edited, the open scripts are checked against its
  // unsaved text; while that text has a line the loader refuses, the last
  // good tables stay in use; once saved or closed, the disk's count again.
  void unsavedTableRechecksScripts_data() {
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << true;
    QTest::newRow("closed unsaved") << false;
  }
  void unsavedTableRechecksScripts() {
    QFETCH(bool, saved);
    const auto at = workspace(params_);
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    server->open(at->uri(), script_);
    const QString zmod = "0:4-0:10 zmod Zoom mode";
    QCOMPARE(shown(server->diagnostics(at->uri())), QStringList{zmod});
    const QString table = tableUri(*at, "param.txt");
    server->open(table, params_);
    QCOMPARE(shown(server->diagnostics(table)), QStringList{});

    replace(*server, table, 2, params_ + "\"newc\",\"New code\",none\r\n");
    QCOMPARE(shown(server->diagnostics(at->uri())), (QStringList{zmod, "1:4-1:10 newc New code"}));
    QCOMPARE(shown(server->diagnostics(table)), QStringList{});
    replace(*server, table, 3, params_ + "\"newc\"\r\n");
    QCOMPARE(shown(server->diagnostics(table)),
             QStringList{"1:0-1:6 fault expected a code, a message and a note, found 1 field"});
    QVERIFY(!server->published(at->uri(), 500));
    edit(*server, at->uri(), 2);
    QCOMPARE(shown(server->diagnostics(at->uri())), (QStringList{zmod, "1:4-1:10 newc New code"}));

    if (saved) {
      // What the disk holds counts, though the editor's text differs.
      QVERIFY(writeFile(at->tables() + "/param.txt", params_ + "\"newc\",\"Saved code\",x\r\n"));
      server->notify("textDocument/didSave",
                     QJsonObject{{"textDocument", QJsonObject{{"uri", table}}}});
    } else {
      server->notify("textDocument/didClose",
                     QJsonObject{{"textDocument", QJsonObject{{"uri", table}}}});
      QCOMPARE(shown(server->diagnostics(table)), QStringList{});
    }
    QCOMPARE(shown(server->diagnostics(at->uri())),
             (saved ? QStringList{zmod, "1:4-1:10 newc Saved code"} : QStringList{zmod}));
    for (const QJsonObject& more : server->rest(300))
      QVERIFY2(!isShowMessage(more), "a fault in the editor's text was told aside");
    QCOMPARE(server->finish(), 0);
  }

  // The requests about the tables, each answer shown as its items' name,
  // detail or table, and place: an open table's rows (those before a line
  // the loader refuses), the rows of the quoted code under the cursor in a
  // script, both when both tables list it, the rows of a code typed, matched
  // as codes match.
  void tableRequests_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("file");  // opened in the editor
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QJsonObject>("params");
    QTest::addColumn<QStringList>("expected");
    auto row = [](const char* name, const char* method, const char* file, const QByteArray& text,
                  const QJsonObject& params, const QStringList& expected) {
      QTest::newRow(name) << QString(method) << QString(file) << text << params << expected;
    };
    const char* symbols = "textDocument/documentSymbol";
    const char* definition = "textDocument/definition";
    auto at = [](int character) {
      return QJsonObject{{"position", QJsonObject{{"line", 0}, {"character", character}}}};
    };
    auto query = [](const char* text) { return QJsonObject{{"query", text}}; };
    row("rows", symbols, "tables/param.txt", params_ + "\"isoa\",\"Auto ISO\",x\r\n\"zm\",\"\",x",
        {}, {"zmod Zoom mode 0:0-0:24", "isoa Auto ISO 1:0-1:19", "zm 2:0-2:9"});
    row("rows, lines ended by LF alone", symbols, "tables/tags.txt",
        "\"ownr\",\"Owner tag\",none\n\"name\",\"Named\",x\n", {},
        {"ownr Owner tag 0:0-0:23", "name Named 1:0-1:16"});
    row("rows before a refused line", symbols, "tables/tags.txt",
        tags_ + "\"name\"\r\n\"late\",\"Late\",x\r\n", {}, {"ownr Owner tag 0:0-0:23"});
    row("no table's rows", symbols, "other/tags.txt", tags_, {}, {});
    row("definition", definition, "a.csm", "x = \"zmod\"\r\n", at(4), {"param.txt:0:0-1:0"});
    row("definition at the code's end", definition, "a.csm", "x = \"ownr\"\r\n", at(8),
        {"tags.txt:0:0-1:0"});
    row("definition in both tables", definition, "a.csm", "x = \"both\"\r\n", at(6),
        {"tags.txt:1:0-2:0", "param.txt:1:0-2:0"});
    row("no code under the cursor", definition, "a.csm", "x = \"zmod\" \r\n", at(10), {"null"});
    row("a code no table lists", definition, "a.csm", "x = \"none\"\r\n", at(6), {"null"});
    row("a code typed", "workspace/symbol", "", {}, query("zmod"),
        {"zmod param.txt param.txt:0:0-1:0"});
    row("part of codes", "workspace/symbol", "", {}, query("o"),
        {"ownr tags.txt tags.txt:0:0-1:0", "both tags.txt tags.txt:1:0-2:0",
         "zmod param.txt param.txt:0:0-1:0", "both param.txt param.txt:1:0-2:0"});
    row("a code typed in another case", "workspace/symbol", "", {}, query("ZMOD"), {});
  }
  void tableRequests() {
    QFETCH(QString, method);
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QJsonObject, params);
    QFETCH(QStringList, expected);
    const auto at = navigable();
    QVERIFY(at);
    const auto server = start(*at, {"--tables", at->tables()});
    QVERIFY(server);
    if (!file.isEmpty()) {
      const QString uri = QUrl::fromLocalFile(at->dir.filePath(file)).toString();
      server->open(uri, text);
      QVERIFY(server->published(uri));
      params.insert("textDocument", QJsonObject{{"uri", uri}});
    }
    const QJsonObject answer = server->response(server->request(method, params));
    QVERIFY(answer.contains("result"));
    QStringList told;
    for (const QJsonValue& item : answer.value("result").toArray()) {
      const QJsonObject i = item.toObject();
      QStringList parts{i.value("name").toString(), i.value("detail").toString(),
                        i.value("containerName").toString(),
                        placeOf(i.contains("location") ? i.value("location").toObject() : i)};
      parts.removeAll(QString());
      told.append(parts.join(' '));
      if (method == QLatin1StringView("textDocument/documentSymbol"))
        QCOMPARE(i.value("selectionRange"), i.value("range"));
    }
    if (answer.value("result").isNull()) told.append("null");
    QCOMPARE(told, expected);
    QCOMPARE(server->finish(), 0);
  }
};

QTEST_GUILESS_MAIN(LspTablesTest)
#include "test_lsp_tables.moc"
