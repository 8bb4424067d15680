// The language server and the scripts an editor has open, through the
// built `vornel-scan --lsp` and raw JSON-RPC: diagnostics in UTF-16
// positions, incremental edits, hovers, quick fixes, and a large script.

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "LspSession.h"
#include "RunScan.h"

namespace {

// An editor's own reckoning, in UTF-16 as QString holds text: the index of
// an LSP position, lines ending at CR LF, CR or LF.
qsizetype indexOf(const QString& text, const QJsonObject& position) {
  qsizetype at = 0;
  for (int line = position.value("line").toInt(); line > 0 && at < text.size(); ++at) {
    if (text[at] == u'\n' ||
        (text[at] == u'\r' && (at + 1 == text.size() || text[at + 1] != u'\n')))
      --line;
  }
  for (int left = position.value("character").toInt();
       left > 0 && at < text.size() && text[at] != u'\r' && text[at] != u'\n'; --left) {
    ++at;
  }
  return at;
}

QString applied(QString text, const QJsonObject& edit) {
  const QJsonObject range = edit.value("range").toObject();
  const qsizetype from = indexOf(text, range.value("start").toObject());
  const qsizetype to = indexOf(text, range.value("end").toObject());
  return text.replace(from, to - from, edit.value("newText").toString());
}

QJsonObject position(int line, int character) {
  return {{"line", line}, {"character", character}};
}

// A change of the text from one position to another.
QJsonObject edit(int line, int character, int endLine, int endCharacter, const QString& text) {
  return {{"range", QJsonObject{{"start", position(line, character)},
                                {"end", position(endLine, endCharacter)}}},
          {"text", text}};
}

}  // namespace

class LspDocumentsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QString uri_ = QUrl::fromLocalFile(QStringLiteral("/scripts/a.csm")).toString();

  std::unique_ptr<LspSession> start() {
    auto session =
        std::make_unique<LspSession>(QStringList{"--tables", dir_.filePath("tables")}, dir_.path());
    if (!session->started()) return nullptr;
    session->initialize(dir_.path());
    return session;
  }
  void change(LspSession& server, int version, const QJsonArray& changes) {
    server.notify("textDocument/didChange",
                  QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}, {"version", version}}},
                              {"contentChanges", changes}});
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(dir_.filePath("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(dir_.filePath("tables/param.txt"),
                      "\"zmod\",\"Zoom mode\",range 0 to 2\r\n\"isoa\",\"Auto ISO\",note\r\n"));
  }

  // The diagnostics of a script as it opens: one warning for each alert
  // nothing silences, ranged over the quoted code in UTF-16 units of the
  // LSP line it stands on.
  void diagnostics_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("ASCII, CR LF")
        << QByteArray("zoom = GetCameraState(\"zmod\",0)\r\nSetCameraState(\"isoa\", 1) # x\r\n")
        << QStringList{"0:22-0:28 zmod Zoom mode", "1:15-1:21 isoa Auto ISO"};
    QTest::newRow("a two-byte character before the code")
        << QByteArray("\xc3\xa9 = \"zmod\"\r\n") << QStringList{"0:4-0:10 zmod Zoom mode"};
    QTest::newRow("three-byte characters before the code")
        << QByteArray("\xe2\x82\xac\xe2\x82\xac = \"zmod\"\r\n")
        << QStringList{"0:5-0:11 zmod Zoom mode"};
    QTest::newRow("characters outside 16 bits count two units")
        << QByteArray("t = \"\xf0\x9f\x98\x80\xf0\x9f\x98\x80\" + \"zmod\"\r\n")
        << QStringList{"0:13-0:19 zmod Zoom mode"};
    QTest::newRow("a tab counts one") << QByteArray("\tSetCameraState( \"zmod\" , 1 )\r\n")
                                      << QStringList{"0:17-0:23 zmod Zoom mode"};
    QTest::newRow("CR line ends") << QByteArray("a = 1\rb = \"zmod\"\r")
                                  << QStringList{"1:4-1:10 zmod Zoom mode"};
    QTest::newRow("an LF inside a script line starts an LSP line")
        << QByteArray("x = 1\nSetCameraState(\"zmod\",0)\r\n")
        << QStringList{"1:15-1:21 zmod Zoom mode"};
    QTest::newRow("a tag alert left of the parameter alert")
        << QByteArray("x = \"ownr\" + \"zmod\"\r\n")
        << QStringList{"0:13-0:19 zmod Zoom mode", "0:4-0:10 ownr Owner tag"};
    QTest::newRow("silenced by directives")
        << QByteArray(
               "x = \"zmod\" # vornel-scan: disable=zmod\r\ny = \"isoa\"\r\n"
               "# vornel-scan: disable-file=isoa\r\n")
        << QStringList{};
    QTest::newRow("a comment that is no directive")
        << QByteArray("x = \"zmod\" # vornel-scan: enable=zmod\r\n")
        << QStringList{"0:11-0:37  not a directive: unknown directive 'enable'",
                       "0:4-0:10 zmod Zoom mode"};
    QTest::newRow("a code no table lists") << QByteArray("x = \"abcd\"\r\n") << QStringList{};
  }
  void diagnostics() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, expected);
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, script, 7);
    const auto published = server->published(uri_);
    QVERIFY(published);
    const QJsonObject params = published->message.value("params").toObject();
    QCOMPARE(params.value("version"), QJsonValue(7));
    const QJsonArray diagnostics = params.value("diagnostics").toArray();
    QCOMPARE(shown(diagnostics), expected);
    for (const QJsonValue& d : diagnostics) {
      QCOMPARE(d.toObject().value("severity"), QJsonValue(2));
      QCOMPARE(d.toObject().value("source"), QJsonValue("vornel-scan"));
    }
    QCOMPARE(server->finish(), 0);
  }

  // Incremental edits in UTF-16 positions, each on the text the one before
  // left, and the diagnostics of the text they make.
  void incrementalEdits_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QJsonArray>("changes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("typing a code's last letter")
        << QByteArray("x = \"zmo\"\r\n") << QJsonArray{edit(0, 8, 0, 8, "d")}
        << QStringList{"0:4-0:10 zmod Zoom mode"};
    QTest::newRow("deleting the code")
        << QByteArray("x = \"zmod\"\r\n") << QJsonArray{edit(0, 4, 0, 10, "")} << QStringList{};
    QTest::newRow("replacing a code after a character outside 16 bits")
        << QByteArray("\xf0\x9f\x98\x80 = \"zmod\"\r\n") << QJsonArray{edit(0, 6, 0, 10, "isoa")}
        << QStringList{"0:5-0:11 isoa Auto ISO"};
    QTest::newRow("a character outside 16 bits typed before the code")
        << QByteArray("x = \"zmod\"\r\n")
        << QJsonArray{edit(0, 0, 0, 0, QString::fromUtf8("\xf0\x9f\x98\x80"))}
        << QStringList{"0:6-0:12 zmod Zoom mode"};
    QTest::newRow("joining two lines")
        << QByteArray("x = \"zm\r\nod\"\r\n") << QJsonArray{edit(0, 7, 1, 0, "")}
        << QStringList{"0:4-0:10 zmod Zoom mode"};
    QTest::newRow("the second change on the line the first made")
        << QByteArray("x = \"zmod\"\r\n")
        << QJsonArray{edit(0, 0, 0, 0, "a = 1\r\n"), edit(1, 5, 1, 9, "isoa")}
        << QStringList{"1:4-1:10 isoa Auto ISO"};
    QTest::newRow("a character past its line's end is the line's end")
        << QByteArray("x = \"zmod\"\r\ny = 2\r\n") << QJsonArray{edit(0, 99, 0, 99, " + \"isoa\"")}
        << QStringList{"0:4-0:10 zmod Zoom mode"};
    QTest::newRow("the whole text") << QByteArray("x = \"zmod\"\r\n")
                                    << QJsonArray{QJsonObject{{"text", "\r\nz = \"isoa\"\r\n"}}}
                                    << QStringList{"1:4-1:10 isoa Auto ISO"};
  }
  void incrementalEdits() {
    QFETCH(QByteArray, script);
    QFETCH(QJsonArray, changes);
    QFETCH(QStringList, expected);
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, script);
    QVERIFY(server->published(uri_));
    change(*server, 2, changes);
    const auto published = server->published(uri_);
    QVERIFY(published);
    const QJsonObject params = published->message.value("params").toObject();
    QCOMPARE(params.value("version"), QJsonValue(2));
    QCOMPARE(shown(params.value("diagnostics").toArray()), expected);
    QCOMPARE(server->finish(), 0);
  }

  // Typing a key every 20 ms, well within the settling time: only the text
  // after the last key is checked and published.
  void quickChangesSettleFirst() {
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, "x = \"\"\r\n");
    QVERIFY(server->published(uri_));
    const QString typed = "zmod";
    for (int i = 0; i < typed.size(); ++i) {
      if (i > 0) QThread::msleep(20);
      change(*server, 2 + i, {edit(0, 5 + i, 0, 5 + i, typed.mid(i, 1))});
    }
    const auto published = server->published(uri_);
    QVERIFY(published);
    const QJsonObject params = published->message.value("params").toObject();
    QCOMPARE(params.value("version"), QJsonValue(5));
    QCOMPARE(shown(params.value("diagnostics").toArray()), QStringList{"0:4-0:10 zmod Zoom mode"});
    QCOMPARE(server->finish(), 0);
  }

  // An editor is no place for a million squiggles: the first 10,000, and
  // a note with their number.
  void manyAlertsAreCapped() {
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, QByteArray("x = \"zmod\"\r\n").repeated(10002));
    const QJsonArray diagnostics = server->diagnostics(uri_);
    QCOMPARE(diagnostics.size(), 10001);
    QCOMPARE(shown(diagnostics[9999]), "9999:4-9999:10 zmod Zoom mode");
    QCOMPARE(diagnostics.last().toObject().value("severity"), QJsonValue(3));
    QCOMPARE(diagnostics.last().toObject().value("message"),
             QJsonValue("vornel-scan shows 10000 of the 10002 warnings in this script"));
    QCOMPARE(server->finish(), 0);
  }

  void closingClearsTheDiagnostics() {
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, "x = \"zmod\"\r\n");
    QCOMPARE(server->diagnostics(uri_).size(), 1);
    server->notify("textDocument/didClose",
                   QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}}}});
    const auto published = server->published(uri_);
    QVERIFY(published);
    QCOMPARE(published->message.value("params").toObject().value("diagnostics"),
             QJsonValue(QJsonArray()));
    QCOMPARE(server->finish(), 0);
  }

  // A hover over a quoted code shows its table row.
  void hover_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("character");
    QTest::addColumn<QString>("shows");  // empty: nothing
    QTest::addColumn<QString>("range");
    const QString zmod =
        "'zmod' in params, %1/param.txt line 1\n  message: Zoom mode\n"
        "  note: range 0 to 2";
    QTest::newRow("on the opening quotation mark") << 0 << 19 << zmod << "0:19-0:25";
    QTest::newRow("inside the code") << 0 << 22 << zmod << "0:19-0:25";
    QTest::newRow("on the closing quotation mark") << 0 << 24 << zmod << "0:19-0:25";
    QTest::newRow("just after it") << 0 << 25 << QString() << QString();
    QTest::newRow("before it") << 0 << 18 << QString() << QString();
    QTest::newRow("a tag, after a character outside 16 bits")
        << 1 << 7 << "'ownr' in tags, %1/tags.txt line 1\n  message: Owner tag\n  note: none"
        << "1:7-1:13";
  }
  void hover() {
    QFETCH(int, line);
    QFETCH(int, character);
    QFETCH(QString, shows);
    QFETCH(QString, range);
    const auto server = start();
    QVERIFY(server);
    server->open(uri_,
                 "\xc3\xa9 = GetCameraState(\"zmod\",0)\r\n\xf0\x9f\x98\x80 = f(\"ownr\")\r\n");
    const QJsonValue result =
        server
            ->response(server->request("textDocument/hover",
                                       QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}}},
                                                   {"position", position(line, character)}}))
            .value("result");
    if (shows.isEmpty()) {
      QCOMPARE(result, QJsonValue(QJsonValue::Null));
    } else {
      const QJsonObject hover = result.toObject();
      QCOMPARE(hover.value("contents").toObject().value("value").toString(),
               shows.arg(QDir(dir_.filePath("tables")).absolutePath()));
      QCOMPARE(shown(QJsonObject{{"range", hover.value("range")}}).trimmed(), range);
    }
    QCOMPARE(server->finish(), 0);
  }

  // The quick fix for an alert, applied as an editor applies it; after the
  // change the alert is gone, and no other diagnostic came or went.
  void quickFix_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("fixed");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("a line without a comment") << QByteArray("x = \"zmod\"\r\n") << "zmod"
                                              << "x = \"zmod\"  # vornel-scan: disable=zmod\r\n"
                                              << QStringList{};
    QTest::newRow("a line with a comment")
        << QByteArray("x = \"zmod\" # zoom\r\ny = \"isoa\"\r\n") << "zmod"
        << "x = \"zmod\" # zoom  # vornel-scan: disable=zmod\r\ny = \"isoa\"\r\n"
        << QStringList{"1:4-1:10 isoa Auto ISO"};
    QTest::newRow("a line with a disable directive")
        << QByteArray("x = \"zmod\" + \"ownr\" # vornel-scan: disable=ownr\r\n") << "zmod"
        << "x = \"zmod\" + \"ownr\" # vornel-scan: disable=ownr,zmod\r\n"
        << QStringList{};
    QTest::newRow("a disable directive with a reason")
        << QByteArray("x = \"zmod\" + \"ownr\" #vornel-scan: disable = ownr -- the rig\r\n")
        << "zmod"
        << "x = \"zmod\" + \"ownr\" #vornel-scan: disable = ownr,zmod -- the rig\r\n"
        << QStringList{};
    QTest::newRow("characters outside 16 bits before the directive")
        << QByteArray(
               "\xf0\x9f\x98\x80 = \"zmod\" # \xf0\x9f\x98\x80 vornel-scan: x"
               " # vornel-scan: disable=isoa\r\n")
        << "zmod"
        << QString::fromUtf8(
               "\xf0\x9f\x98\x80 = \"zmod\" # \xf0\x9f\x98\x80 vornel-scan: x"
               " # vornel-scan: disable=isoa,zmod\r\n")
        << QStringList{};
    QTest::newRow("a directive of another kind takes the line above")
        << QByteArray("\tx = \"zmod\" # vornel-scan: disable-file=isoa\r\n") << "zmod"
        << "\t# vornel-scan: disable-next-line=zmod\r\n"
           "\tx = \"zmod\" # vornel-scan: disable-file=isoa\r\n"
        << QStringList{};
    QTest::newRow("the line above disables the next line already")
        << QByteArray(
               "# vornel-scan: disable-next-line=isoa\r\n"
               "x = \"zmod\" + \"isoa\" # vornel-scan: disable-file=ownr\r\n")
        << "zmod"
        << "# vornel-scan: disable-next-line=isoa,zmod\r\n"
           "x = \"zmod\" + \"isoa\" # vornel-scan: disable-file=ownr\r\n"
        << QStringList{};
    QTest::newRow("a comment that is no directive")
        << QByteArray("x = \"zmod\" # vornel-scan: enable=zmod\r\n") << "zmod"
        << "x = \"zmod\" # vornel-scan: enable=zmod  # vornel-scan: disable=zmod\r\n"
        << QStringList{"0:11-0:66  not a directive: unknown directive 'enable'"};
  }
  void quickFix() {
    QFETCH(QByteArray, script);
    QFETCH(QString, code);
    QFETCH(QString, fixed);
    QFETCH(QStringList, left);
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, script);
    QJsonObject alert;
    for (const QJsonValue& d : server->diagnostics(uri_)) {
      if (d.toObject().value("code") == code) alert = d.toObject();
    }
    QVERIFY2(!alert.isEmpty(), "no alert to fix");
    const QJsonArray actions =
        server
            ->response(server->request(
                "textDocument/codeAction",
                QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}}},
                            {"range", alert.value("range")},
                            {"context", QJsonObject{{"diagnostics", QJsonArray{alert}}}}}))
            .value("result")
            .toArray();
    QCOMPARE(actions.size(), 1);
    const QJsonObject action = actions[0].toObject();
    QCOMPARE(action.value("title"), QJsonValue("disable " + code + " on this line"));
    QCOMPARE(action.value("kind"), QJsonValue("quickfix"));
    QCOMPARE(action.value("diagnostics"), QJsonValue(QJsonArray{alert}));
    const QJsonArray edits =
        action.value("edit").toObject().value("changes").toObject().value(uri_).toArray();
    QCOMPARE(edits.size(), 1);
    QCOMPARE(applied(QString::fromUtf8(script), edits[0].toObject()), fixed);

    const QJsonObject fix = edits[0].toObject();
    change(*server, 2,
           {QJsonObject{{"range", fix.value("range")}, {"text", fix.value("newText")}}});
    QCOMPARE(shown(server->diagnostics(uri_)), left);
    QCOMPARE(server->finish(), 0);
  }

  // Quick fixes only for vornel-scan's own alerts, and only for a client
  // that wants quick fixes.
  void quickFixesOnlyWhereAsked() {
    const auto server = start();
    QVERIFY(server);
    server->open(uri_, "x = \"zmod\"\r\n");
    const QJsonObject alert = server->diagnostics(uri_).first().toObject();
    QJsonObject foreign = alert;
    foreign.insert("source", "another-linter");
    for (const auto& [diagnostic, only] : {std::pair{foreign, QJsonValue(QJsonValue::Undefined)},
                                           std::pair{alert, QJsonValue(QJsonArray{"refactor"})}}) {
      QJsonObject context{{"diagnostics", QJsonArray{QJsonValue(diagnostic)}}};
      if (!only.isUndefined()) context.insert("only", only);
      const QJsonValue result =
          server
              ->response(server->request("textDocument/codeAction",
                                         QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}}},
                                                     {"range", alert.value("range")},
                                                     {"context", context}}))
              .value("result");
      QCOMPARE(result, QJsonValue(QJsonArray()));
    }
    QCOMPARE(server->finish(), 0);
  }

  // A 50 MB script is checked on a thread of its own: a small script opened
  // after it gets its diagnostics, and a hover its answer, before the large
  // one's diagnostics come.
  void largeScriptHoldsUpNothing() {
    const auto server = start();
    QVERIFY(server);
    QByteArray large;
    large.reserve(52 << 20);
    for (int i = 0; large.size() < (50 << 20); ++i) {
      large += i % 1000 == 0 ? "SetCameraState(\"zmod\", 1)\r\n"
                             : "SetCameraState(\"abcd\", 1) # some comment text here\r\n";
    }
    const QString largeUri = QUrl::fromLocalFile("/scripts/large.csm").toString();
    server->open(largeUri, large);
    server->open(uri_, "x = \"zmod\"\r\n");
    const auto small = server->published(uri_, 120000);
    QVERIFY(small);
    const int hover = server->request(
        "textDocument/hover",
        QJsonObject{{"textDocument", QJsonObject{{"uri", uri_}}}, {"position", position(0, 5)}});
    const auto answered =
        server->waitFor([hover](const QJsonObject& m) { return m.value("id") == hover; }, 120000);
    QVERIFY(answered);
    const auto largeDone = server->published(largeUri, 120000);
    QVERIFY(largeDone);
    QVERIFY2(small->order < largeDone->order, "the small script waited for the large one");
    QVERIFY2(answered->order < largeDone->order, "the hover waited for the large script");
    const QJsonArray diagnostics =
        largeDone->message.value("params").toObject().value("diagnostics").toArray();
    QCOMPARE(diagnostics.size(), 1009);
    QCOMPARE(shown(diagnostics.last()), "1008000:15-1008000:21 zmod Zoom mode");
    QCOMPARE(server->finish(), 0);
  }
};

QTEST_GUILESS_MAIN(LspDocumentsTest)
#include "test_lsp_documents.moc"
