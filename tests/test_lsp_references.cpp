// The workspace's alerts in the built `vornel-scan --lsp`: references of a
// code from its table row or from a script, and the hover on a row that
// counts them; the workspace walked as vornel-scan walks it, open scripts
// counted with their editor text, and kept current as scripts change.

#include <QTemporaryDir>
#include <QTest>

#include "LspSession.h"
#include "RunScan.h"

namespace {

const QByteArray kTags = "\"ownr\",\"Owner tag\",none\r\n";
const QByteArray kParams =
    "\"zmod\",\"Zoom mode\",range\r\n\"isoa\",\"\",none\r\n\"nhit\",\"Never hit\",x\r\n";

// A workspace whose project file names its tables and excludes a folder.
struct Workspace {
  QTemporaryDir dir;
  QString path(const QString& file) const { return dir.filePath(file); }
  QString uri(const QString& file) const { return QUrl::fromLocalFile(path(file)).toString(); }
  bool write(const QString& file, const QByteArray& bytes) const {
    return writeFile(path(file), bytes);
  }
};

std::unique_ptr<Workspace> workspace() {
  auto made = std::make_unique<Workspace>();
  const bool written =
      made->dir.isValid() && made->write(".vornel-scan", "tables = tables\nexclude = skipped\n") &&
      made->write("tables/tags.txt", kTags) && made->write("tables/param.txt", kParams) &&
      made->write("a.csm", "x = \"zmod\"\r\ny = \"zmod\"\r\n") &&
      made->write("sub/b.csm",
                  "GetFileTag(\"ownr\")\r\nz = \"zmod\"  # vornel-scan: disable=zmod\r\n"
                  "w = \"isoa\"\r\n") &&
      made->write("skipped/c.csm", "x = \"zmod\"\r\n") &&
      made->write(".hidden/d.csm", "x = \"zmod\"\r\n") &&
      made->write("notes.txt", "x = \"zmod\"\r\n");
  return written ? std::move(made) : nullptr;
}

std::unique_ptr<LspSession> start(const Workspace& at) {
  auto session = std::make_unique<LspSession>(QStringList{}, at.dir.path());
  if (!session->started()) return nullptr;
  session->initialize(at.dir.path());
  return session;
}

QJsonObject at(const QString& uri, int line, int character) {
  return {{"textDocument", QJsonObject{{"uri", uri}}},
          {"position", QJsonObject{{"line", line}, {"character", character}}}};
}

// The locations of a references answer as "file:line:char-line:char", the
// file relative to the workspace.
QStringList places(const Workspace& in, const QJsonObject& answer) {
  if (!answer.value("result").isArray())
    return {QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact))};
  QStringList found;
  for (const QJsonValue& item : answer.value("result").toArray()) {
    const QJsonObject location = item.toObject();
    const QJsonObject range = location.value("range").toObject();
    const auto position = [&range](const char* key) {
      const QJsonObject p = range.value(key).toObject();
      return QStringLiteral("%1:%2").arg(p.value("line").toInt()).arg(p.value("character").toInt());
    };
    found.append(
        QDir(in.dir.path()).relativeFilePath(QUrl(location.value("uri").toString()).toLocalFile()) +
        u':' + position("start") + u'-' + position("end"));
  }
  return found;
}

QStringList references(LspSession& session, const Workspace& in, const QString& file, int line,
                       int character, bool declarations = false) {
  QJsonObject params = at(in.uri(file), line, character);
  params.insert("context", QJsonObject{{"includeDeclaration", declarations}});
  return places(in, session.response(session.request("textDocument/references", params)));
}

QString hoverText(LspSession& session, const Workspace& in, const QString& file, int line) {
  const QJsonObject answer =
      session.response(session.request("textDocument/hover", at(in.uri(file), line, 2)));
  return answer.value("result").toObject().value("contents").toObject().value("value").toString();
}

}  // namespace

class LspReferencesTest : public QObject {
  Q_OBJECT

 private slots:
  void references_data() {
    QTest::addColumn<QString>("file");  // where the request is made
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("character");
    QTest::addColumn<bool>("declarations");
    QTest::addColumn<QByteArray>("openText");  // of a.csm, unsaved; none: not open
    QTest::addColumn<QStringList>("expected");
    const QStringList zmod{"a.csm:0:4-0:10", "a.csm:1:4-1:10"};
    // The excluded, hidden and silenced ones are left out, and so is what
    // is no script.
    QTest::newRow("row of param.txt")
        << "tables/param.txt" << 0 << 1 << false << QByteArray() << zmod;
    QTest::newRow("row, with its declaration")
        << "tables/param.txt" << 0 << 1 << true << QByteArray()
        << QStringList{"tables/param.txt:0:0-1:0"} + zmod;
    QTest::newRow("row of tags.txt") << "tables/tags.txt" << 0 << 3 << false << QByteArray()
                                     << QStringList{"sub/b.csm:0:11-0:17"};
    QTest::newRow("row with no message") << "tables/param.txt" << 1 << 0 << false << QByteArray()
                                         << QStringList{"sub/b.csm:2:4-2:10"};
    QTest::newRow("row no script hits") << "tables/param.txt" << 2 << 0 << true << QByteArray()
                                        << QStringList{"tables/param.txt:2:0-3:0"};
    QTest::newRow("code in a script")
        << "a.csm" << 1 << 6 << false << QByteArray("x = \"zmod\"\r\ny = \"zmod\"\r\n") << zmod;
    QTest::newRow("code in a script, with its declaration")
        << "a.csm" << 0 << 5 << true << QByteArray("x = \"zmod\"\r\ny = \"zmod\"\r\n")
        << QStringList{"tables/param.txt:0:0-1:0"} + zmod;
    QTest::newRow("the open script's unsaved text counts")
        << "tables/param.txt" << 0 << 0 << false << QByteArray("\r\n\r\nq = \"zmod\"\r\n")
        << QStringList{"a.csm:2:4-2:10"};
    // Positions in UTF-16 units, on the editor's lines, where a lone LF
    // inside a CR LF script starts a line of the editor's and not the check's.
    QTest::newRow("a character of two units")
        << "tables/param.txt" << 0 << 0 << false << QByteArray("\xf0\x9f\x98\x80 = \"zmod\"\r\n")
        << QStringList{"a.csm:0:5-0:11"};
    QTest::newRow("a lone LF") << "tables/param.txt" << 0 << 0 << false
                               << QByteArray("x = 1\r\n\ny = \"zmod\"\r\n")
                               << QStringList{"a.csm:2:4-2:10"};
    QTest::newRow("edited away in the open script")
        << "tables/param.txt" << 0 << 0 << false << QByteArray("x = 1\r\n") << QStringList{};
  }
  void references() {
    QFETCH(QString, file);
    QFETCH(int, line);
    QFETCH(int, character);
    QFETCH(bool, declarations);
    QFETCH(QByteArray, openText);
    QFETCH(QStringList, expected);
    const auto in = workspace();
    QVERIFY(in);
    const auto session = start(*in);
    QVERIFY(session);
    if (!openText.isNull()) session->open(in->uri("a.csm"), openText);
    QCOMPARE(::references(*session, *in, file, line, character, declarations), expected);
  }

  // Where no code stands there is nothing to find.
  void noCodeThere() {
    const auto in = workspace();
    QVERIFY(in);
    const auto session = start(*in);
    QVERIFY(session);
    session->open(in->uri("a.csm"), "x = \"zmod\"\r\n");
    for (const auto& [file, line] : {std::pair{"a.csm", 0}, {"tables/param.txt", 7}}) {
      QJsonObject params = at(in->uri(file), line, 1);
      params.insert("context", QJsonObject{{"includeDeclaration", true}});
      const QJsonObject answer =
          session->response(session->request("textDocument/references", params));
      QVERIFY2(answer.contains("result") && answer.value("result").isNull(), file);
    }
  }

  void rowHover_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("in two scripts")
        << "tables/param.txt" << 0 << "zmod: Zoom mode\n3 alerts in 2 scripts of the workspace";
    QTest::newRow("tags") << "tables/tags.txt" << 0
                          << "ownr: Owner tag\n1 alert in 1 script of the workspace";
    QTest::newRow("no message") << "tables/param.txt" << 1
                                << "isoa\n1 alert in 1 script of the workspace";
    QTest::newRow("none") << "tables/param.txt" << 2
                          << "nhit: Never hit\n0 alerts in 0 scripts of the workspace";
    QTest::newRow("past the rows") << "tables/param.txt" << 5 << "";
  }
  void rowHover() {
    QFETCH(QString, table);
    QFETCH(int, line);
    QFETCH(QString, expected);
    const auto in = workspace();
    QVERIFY(in);
    QVERIFY(in->write("sub/deeper/e.csm", "SetCameraState(\"zmod\", 1)\r\n"));
    const auto session = start(*in);
    QVERIFY(session);
    QCOMPARE(hoverText(*session, *in, table, line), expected);
  }

  // The index follows the editor and the disk: what zmod's row counts after each step.
  void keptCurrent_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("expected");
    QTest::newRow("open and change") << "change"
                                     << "3 alerts in 1 script";
    QTest::newRow("change, then close") << "close"
                                        << "2 alerts in 1 script";
    QTest::newRow("changes back to back") << "typing"
                                          << "4 alerts in 1 script";
    QTest::newRow("script made on disk") << "created"
                                         << "3 alerts in 2 scripts";
    QTest::newRow("script changed on disk") << "changed"
                                            << "1 alert in 1 script";
    QTest::newRow("script deleted") << "deleted"
                                    << "0 alerts in 0 scripts";
    QTest::newRow("folder deleted") << "folder deleted"
                                    << "2 alerts in 1 script";
    QTest::newRow("folder made") << "folder made"
                                 << "3 alerts in 2 scripts";
    QTest::newRow("excluded script made") << "excluded"
                                          << "2 alerts in 1 script";
    QTest::newRow("tables changed") << "tables"
                                    << "2 alerts in 1 script";
  }
  void keptCurrent() {
    QFETCH(QString, step);
    QFETCH(QString, expected);
    const auto in = workspace();
    QVERIFY(in);
    const auto session = start(*in);
    QVERIFY(session);
    const auto watched = [&](const QString& file, int type) {
      session->notify("workspace/didChangeWatchedFiles",
                      QJsonObject{{"changes", QJsonArray{QJsonObject{{"uri", in->uri(file)},
                                                                     {"type", type}}}}});
    };
    QCOMPARE(hoverText(*session, *in, "tables/param.txt", 0),
             "zmod: Zoom mode\n2 alerts in 1 script of the workspace");
    if (step == "change" || step == "close" || step == "typing") {
      session->open(in->uri("a.csm"), "x = \"zmod\"\r\ny = \"zmod\"\r\n");
      session->notify(
          "textDocument/didChange",
          QJsonObject{{"textDocument", QJsonObject{{"uri", in->uri("a.csm")}, {"version", 2}}},
                      {"contentChanges", QJsonArray{QJsonObject{{"text",
                                                                 "z = \"zmod\"\r\n"
                                                                 "x = \"zmod\"\r\n"
                                                                 "y = \"zmod\"\r\n"}}}}});
      // Typed fast: only the last text counts.
      for (int version = 3; step == "typing" && version <= 40; ++version) {
        session->notify(
            "textDocument/didChange",
            QJsonObject{
                {"textDocument", QJsonObject{{"uri", in->uri("a.csm")}, {"version", version}}},
                {"contentChanges",
                 QJsonArray{QJsonObject{
                     {"text",
                      QString("x = \"zmod\"\r\n").repeated(version == 40 ? 4 : version % 3)}}}}});
      }
      if (step == "close")
        session->notify("textDocument/didClose",
                        QJsonObject{{"textDocument", QJsonObject{{"uri", in->uri("a.csm")}}}});
    } else if (step == "created") {
      QVERIFY(in->write("sub/new.csm", "x = \"zmod\"\r\n"));
      watched("sub/new.csm", 1);
    } else if (step == "changed") {
      QVERIFY(in->write("a.csm", "x = \"zmod\"\r\n"));
      watched("a.csm", 2);
    } else if (step == "deleted") {
      QVERIFY(QFile::remove(in->path("a.csm")));
      watched("a.csm", 3);
    } else if (step == "folder deleted") {
      // b.csm holds no zmod alert: the folder's going takes away its
      // ownr, and zmod's stay.
      QVERIFY(QDir(in->path("sub")).removeRecursively());
      watched("sub", 3);
      QCOMPARE(hoverText(*session, *in, "tables/tags.txt", 0),
               "ownr: Owner tag\n0 alerts in 0 scripts of the workspace");
    } else if (step == "folder made") {
      QVERIFY(in->write("made/deeper/f.csm", "x = \"zmod\"\r\n"));
      watched("made", 1);
    } else if (step == "excluded") {
      QVERIFY(in->write("skipped/g.csm", "x = \"zmod\"\r\n"));
      watched("skipped/g.csm", 1);
    } else if (step == "tables") {
      // zmod in tags.txt too: a statement with `=` looks in both, and each
      // row alerts; the references list each place once.
      QVERIFY(in->write("tables/tags.txt", kTags + "\"zmod\",\"Zoom tag\",none\r\n"));
      watched("tables/tags.txt", 2);
      QTRY_COMPARE_WITH_TIMEOUT(hoverText(*session, *in, "tables/tags.txt", 1),
                                "zmod: Zoom tag\n2 alerts in 1 script of the workspace", 3000);
      QCOMPARE(::references(*session, *in, "tables/tags.txt", 1, 0),
               (QStringList{"a.csm:0:4-0:10", "a.csm:1:4-1:10"}));
    }
    QTRY_COMPARE_WITH_TIMEOUT(hoverText(*session, *in, "tables/param.txt", 0),
                              "zmod: Zoom mode\n" + expected + " of the workspace", 3000);
  }

  // A request that comes while the workspace is being walked is answered
  // once the walk is over, with every script; one cancelled meanwhile is
  // answered as cancelled.
  void requestWhileBuilding() {
    const auto in = workspace();
    QVERIFY(in);
    constexpr int kScripts = 200;
    // Enough to read that the walk outlasts the few writes below on a busy
    // machine: the cancel must come while the request waits.
    QByteArray filler(256 << 10, ' ');
    for (qsizetype i = 0; i < filler.size(); i += 64) filler[i] = '\r';
    for (int i = 0; i < kScripts; ++i) {
      QVERIFY(in->write(QStringLiteral("many/%1/s.csm").arg(i), filler + "x = \"zmod\"\r\n"));
    }
    auto session = std::make_unique<LspSession>(QStringList{}, in->dir.path());
    QVERIFY(session->started());
    QVERIFY(session
                ->response(session->request(
                    "initialize",
                    QJsonObject{{"processId", QJsonValue::Null},
                                {"rootUri", QUrl::fromLocalFile(in->dir.path()).toString()},
                                {"capabilities", QJsonObject{}}}))
                .contains("result"));
    QJsonObject params = at(in->uri("tables/param.txt"), 0, 0);
    const int answered = session->request("textDocument/references", params);
    const int cancelled = session->request("textDocument/references", params);
    session->notify("$/cancelRequest", QJsonObject{{"id", cancelled}});
    const QJsonObject cancel = session->response(cancelled);
    QCOMPARE(cancel.value("error").toObject().value("code").toInt(), -32800);
    QCOMPARE(places(*in, session->response(answered)).size(), kScripts + 2);
    QCOMPARE(session->finish(), 0);
  }
};

QTEST_GUILESS_MAIN(LspReferencesTest)
#include "test_lsp_references.moc"
