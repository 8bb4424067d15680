// The language server's protocol, through the built `vornel-scan --lsp`:
// its lifecycle, a script's way through it, malformed messages of every
// kind, cancellation, and checks that run while messages come.

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "LspSession.h"
#include "RunScan.h"

namespace {

QByteArray framed(const QByteArray& json) {
  return "Content-Length: " + QByteArray::number(json.size()) + "\r\n\r\n" + json;
}

bool isResponse(const QJsonObject& message) {
  return !message.contains("method");
}

}  // namespace

class LspProtocolTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString scriptUri() const { return QUrl::fromLocalFile(dir_.filePath("a.csm")).toString(); }
  std::unique_ptr<LspSession> start() {
    auto session =
        std::make_unique<LspSession>(QStringList{"--tables", dir_.filePath("tables")}, dir_.path());
    return session->started() ? std::move(session) : nullptr;
  }
  QJsonObject hoverParams() const {
    return {{"textDocument", QJsonObject{{"uri", scriptUri()}}},
            {"position", QJsonObject{{"line", 0}, {"character", 5}}}};
  }
  void change(LspSession& server, int version, const QJsonObject& range, const QString& text) {
    server.notify(
        "textDocument/didChange",
        QJsonObject{{"textDocument", QJsonObject{{"uri", scriptUri()}, {"version", version}}},
                    {"contentChanges", QJsonArray{QJsonObject{{"range", range}, {"text", text}}}}});
  }
  static QJsonValue params(const std::optional<LspSession::Received>& message) {
    return message->message.value("params");
  }
  static QJsonObject range(int line, int from, int to) {
    return {{"start", QJsonObject{{"line", line}, {"character", from}}},
            {"end", QJsonObject{{"line", line}, {"character", to}}}};
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(dir_.filePath("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(dir_.filePath("tables/param.txt"), "\"zmod\",\"Zoom mode\",range\r\n"));
  }

  void initializeAnswersWithCapabilities() {
    const auto server = start();
    QVERIFY(server);
    const QJsonObject result = server->initialize(dir_.path()).value("result").toObject();
    const QJsonObject capabilities = result.value("capabilities").toObject();
    const QJsonObject sync = capabilities.value("textDocumentSync").toObject();
    QCOMPARE(sync.value("openClose"), QJsonValue(true));
    QCOMPARE(sync.value("change"), QJsonValue(2));
    QCOMPARE(capabilities.value("hoverProvider"), QJsonValue(true));
    QCOMPARE(capabilities.value("codeActionProvider").toObject().value("codeActionKinds"),
             QJsonValue(QJsonArray{"quickfix"}));
    for (const char* provider :
         {"documentSymbolProvider", "definitionProvider", "workspaceSymbolProvider"}) {
      QCOMPARE(capabilities.value(provider), QJsonValue(true));
    }
    QCOMPARE(result.value("serverInfo").toObject().value("name"), QJsonValue("vornel-scan"));
    QCOMPARE(server->finish(), 0);
  }

  // How the server ends, and the protocol's exit status for it.
  void exitStatus_data() {
    QTest::addColumn<QStringList>("ending");
    QTest::addColumn<int>("status");
    QTest::newRow("shutdown, then exit") << QStringList{"shutdown", "exit"} << 0;
    QTest::newRow("exit without shutdown") << QStringList{"exit"} << 1;
    QTest::newRow("input closed after shutdown") << QStringList{"shutdown", "close"} << 0;
    QTest::newRow("input closed without shutdown") << QStringList{"close"} << 1;
  }
  void exitStatus() {
    QFETCH(QStringList, ending);
    QFETCH(int, status);
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = \"zmod\"\r\n");
    for (const QString& step : ending) {
      if (step == "shutdown") QVERIFY(!server->response(server->request("shutdown")).isEmpty());
      if (step == "exit") server->notify("exit");
      if (step == "close") server->closeInput();
    }
    QCOMPARE(server->exitStatus(), status);
  }

  // A script's way through the server: its diagnostics at the version it
  // opened with; a quick fix for vornel-scan's own alert, to a client that
  // wants quick fixes; the fix as a change; nothing once it is closed.
  void aScriptsWayThrough() {
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = \"zmod\"\r\n", 7);
    auto published = server->published(scriptUri());
    QVERIFY(published);
    QCOMPARE(params(published)["version"], QJsonValue(7));
    const QJsonObject alert = params(published)["diagnostics"][0].toObject();
    QCOMPARE(shown(alert), "0:4-0:10 zmod Zoom mode");
    QCOMPARE(alert.value("source"), QJsonValue("vornel-scan"));
    auto actions = [&](const QJsonObject& diagnostic, const QJsonValue& only) {
      QJsonObject context{{"diagnostics", QJsonArray{diagnostic}}};
      if (!only.isUndefined()) context.insert("only", only);
      const QJsonObject params{{"textDocument", QJsonObject{{"uri", scriptUri()}}},
                               {"range", alert.value("range")},
                               {"context", context}};
      return server->response(server->request("textDocument/codeAction", params)).value("result");
    };
    const QJsonObject fix{{"range", range(0, 10, 10)},
                          {"newText", "  # vornel-scan: disable=zmod -- reason"}};
    const QJsonObject edit{{"changes", QJsonObject{{scriptUri(), QJsonArray{fix}}}}};
    QCOMPARE(actions(alert, QJsonArray{"refactor", "quickfix"}),
             QJsonValue(QJsonArray{QJsonObject{{"title", "disable zmod on this line"},
                                               {"kind", "quickfix"},
                                               {"diagnostics", QJsonArray{alert}},
                                               {"edit", edit}}}));
    QJsonObject foreign = alert;
    foreign.insert("source", "another-linter");
    QCOMPARE(actions(foreign, QJsonValue::Undefined), QJsonValue(QJsonArray()));
    QCOMPARE(actions(alert, QJsonArray{"refactor"}), QJsonValue(QJsonArray()));

    change(*server, 8, fix["range"].toObject(), fix["newText"].toString());
    published = server->published(scriptUri());
    QVERIFY(published);
    QCOMPARE(params(published),
             QJsonObject({{"uri", scriptUri()}, {"version", 8}, {"diagnostics", QJsonArray()}}));
    server->notify("textDocument/didClose",
                   QJsonObject{{"textDocument", QJsonObject{{"uri", scriptUri()}}}});
    published = server->published(scriptUri());
    QVERIFY(published);
    QCOMPARE(params(published), QJsonObject({{"uri", scriptUri()}, {"diagnostics", QJsonArray()}}));
    QCOMPARE(server->finish(), 0);
  }

  // Typing a key every 20 ms, well within the settling time: only the text
  // after the last key is checked and published.
  void quickChangesSettleFirst() {
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = \"\"\r\n");
    QVERIFY(server->published(scriptUri()));
    const QString typed = "zmod";
    for (int i = 0; i < typed.size(); ++i) {
      if (i > 0) QThread::msleep(20);
      change(*server, 2 + i, range(0, 5 + i, 5 + i), typed.mid(i, 1));
    }
    const auto published = server->published(scriptUri());
    QVERIFY(published);
    QCOMPARE(params(published)["version"], QJsonValue(5));
    QCOMPARE(shown(params(published)["diagnostics"].toArray()),
             QStringList{"0:4-0:10 zmod Zoom mode"});
    QCOMPARE(server->finish(), 0);
  }

  // A 50 MB script is read and checked on threads of their own: a hover in
  // it waits for its text, and one in a small script opened after it does
  // not, nor do the small script's diagnostics wait for the large one's.
  void largeScriptHoldsUpNothing() {
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    QByteArray large;
    large.reserve(52 << 20);
    for (int i = 0; large.size() < (50 << 20); ++i) {
      large += i % 1000 == 0 ? "SetCameraState(\"zmod\", 1)\r\n"
                             : "SetCameraState(\"abcd\", 1) # some comment text here\r\n";
    }
    const QString largeUri = QUrl::fromLocalFile(dir_.filePath("large.csm")).toString();
    server->open(largeUri, large);
    const int largeHover =
        server->request("textDocument/hover",
                        QJsonObject{{"textDocument", QJsonObject{{"uri", largeUri}}},
                                    {"position", QJsonObject{{"line", 0}, {"character", 15}}}});
    server->open(scriptUri(), "x = \"zmod\"\r\n");
    const int hover = server->request("textDocument/hover", hoverParams());
    auto answer = [&server](int id) {
      return server->waitFor([id](const QJsonObject& m) { return m.value("id") == id; }, 120000);
    };
    const auto answered = answer(hover);
    QVERIFY(answered);
    const auto largeAnswered = answer(largeHover);
    QVERIFY(largeAnswered);
    QVERIFY2(answered->order < largeAnswered->order, "the hover waited for the large script");
    QCOMPARE(shown(largeAnswered->message["result"]).section(u' ', 0, 0), "0:15-0:21");
    const auto small = server->published(scriptUri(), 120000);
    QVERIFY(small);
    const auto largeDone = server->published(largeUri, 120000);
    QVERIFY(largeDone);
    QVERIFY2(small->order < largeDone->order, "the small script waited for the large one");
    QVERIFY2(answered->order < largeDone->order, "the hover waited for the large script's check");
    const QJsonArray diagnostics = params(largeDone)["diagnostics"].toArray();
    QCOMPARE(diagnostics.size(), 1009);
    QCOMPARE(shown(diagnostics.last()), "1008000:15-1008000:21 zmod Zoom mode");
    QCOMPARE(server->finish(), 0);
  }

  // A large change, read aside, is made before the messages for its script
  // that came after it: a small change, a hover, the diagnostics.
  void largeChangeKeepsItsPlace() {
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = 1\r\n");
    QString large = "x = \"zmod\"\r\n";
    while (large.size() < (2 << 20)) large += "# filler, no code\r\n";
    server->notify("textDocument/didChange",
                   QJsonObject{{"textDocument", QJsonObject{{"uri", scriptUri()}, {"version", 2}}},
                               {"contentChanges", QJsonArray{QJsonObject{{"text", large}}}}});
    change(*server, 3, range(0, 0, 0), "y");
    const QJsonObject hover =
        server->response(server->request("textDocument/hover", hoverParams()));
    QCOMPARE(shown(hover["result"]).section(u' ', 0, 0), "0:5-0:11");
    // Those of the opening may come first.
    auto published = server->published(scriptUri());
    while (published && params(published)["version"] == 1)
      published = server->published(scriptUri());
    QVERIFY(published);
    QCOMPARE(params(published)["version"], QJsonValue(3));
    QCOMPARE(shown(params(published)["diagnostics"].toArray()),
             QStringList{"0:5-0:11 zmod Zoom mode"});
    QCOMPARE(server->finish(), 0);
  }

  // Before initialize a request is refused, after shutdown too.
  void requestsOutOfTurn() {
    const auto server = start();
    QVERIFY(server);
    QJsonObject early = server->response(server->request("textDocument/hover", hoverParams()));
    QCOMPARE(early.value("error").toObject().value("code"), QJsonValue(-32002));
    server->initialize(dir_.path());
    const QJsonObject again = server->response(server->request(
        "initialize", QJsonObject{{"rootUri", QJsonValue::Null}, {"capabilities", QJsonObject{}}}));
    QCOMPARE(again.value("error").toObject().value("code"), QJsonValue(-32600));
    server->response(server->request("shutdown"));
    const QJsonObject late = server->response(server->request("textDocument/hover", hoverParams()));
    QCOMPARE(late.value("error").toObject().value("code"), QJsonValue(-32600));
    server->notify("exit");
    QCOMPARE(server->exitStatus(), 0);
  }

  // Each malformed input gets the protocol's error response, or none where
  // the protocol has none, a line on standard error, and the server goes
  // on: the hover request after it is answered.
  void malformedInput_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");           // of the error response; 0: none
    QTest::addColumn<QJsonValue>("id");      // of the error response
    QTest::addColumn<QString>("complaint");  // on standard error; empty: none
    const QJsonValue none = QJsonValue::Null;
    QTest::newRow("not JSON") << framed("{\"jsonrpc\": \"2.0\", \"id\": 3,") << -32700 << none
                              << "lsp: not JSON: ";
    QTest::newRow("not UTF-8") << framed("{\"jsonrpc\":\"2.0\",\"method\":\"\xff\xfe\"}") << -32700
                               << none << "not JSON";
    QTest::newRow("a batch") << framed("[{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":\"shutdown\"}]")
                             << -32600 << none << "a message must be a JSON object";
    QTest::newRow("no jsonrpc") << framed("{\"id\":5,\"method\":\"shutdown\"}") << -32600
                                << QJsonValue(5) << "\"jsonrpc\" must be \"2.0\"";
    QTest::newRow("an id that is no integer")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":1.5,\"method\":\"shutdown\"}") << -32600 << none
        << "an id must be an integer or a string";
    QTest::newRow("a method that is no string")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":\"six\",\"method\":6}") << -32600
        << QJsonValue("six") << "\"method\" must be a string";
    QTest::newRow("params that are a number")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"textDocument/hover\",\"params\":7}")
        << -32600 << QJsonValue(7) << "\"params\" must be an object or an array";
    QTest::newRow("neither request nor response")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":8}") << -32600 << QJsonValue(8) << "no response";
    QTest::newRow("an unknown request")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"textDocument/rename\",\"params\":{}}")
        << -32601 << QJsonValue(9) << "";
    QTest::newRow("an unknown $/ request")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":10,\"method\":\"$/nothing\"}") << -32601
        << QJsonValue(10) << "";
    QTest::newRow("an unknown notification")
        << framed("{\"jsonrpc\":\"2.0\",\"method\":\"workspace/nothing\",\"params\":{}}") << 0
        << none << "";
    QTest::newRow("hover without a position")
        << framed(
               "{\"jsonrpc\":\"2.0\",\"id\":11,\"method\":\"textDocument/hover\",\"params\":"
               "{\"textDocument\":{\"uri\":\"file:///a.csm\"}}}")
        << -32602 << QJsonValue(11) << "params.position must be an object";
    QTest::newRow("hover at a negative line")
        << framed(
               "{\"jsonrpc\":\"2.0\",\"id\":12,\"method\":\"textDocument/hover\",\"params\":"
               "{\"textDocument\":{\"uri\":\"file:///a.csm\"},"
               "\"position\":{\"line\":-1,\"character\":0}}}")
        << -32602 << QJsonValue(12) << "params.position must be a position";
    QTest::newRow("code actions for a range that ends before it starts")
        << framed(
               "{\"jsonrpc\":\"2.0\",\"id\":13,\"method\":\"textDocument/codeAction\","
               "\"params\":{\"textDocument\":{\"uri\":\"file:///a.csm\"},\"range\":{"
               "\"start\":{\"line\":2,\"character\":0},\"end\":{\"line\":1,\"character\":0}},"
               "\"context\":{\"diagnostics\":[]}}}")
        << -32602 << QJsonValue(13) << "params.range must be a range that does not end";
    QTest::newRow("didOpen without text")
        << framed(
               "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didOpen\",\"params\":"
               "{\"textDocument\":{\"uri\":\"file:///b.csm\",\"version\":1}}}")
        << 0 << none << "textDocument/didOpen: params.textDocument.text must be a string";
    QTest::newRow("didChange of a script not open")
        << framed(
               "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didChange\",\"params\":"
               "{\"textDocument\":{\"uri\":\"file:///b.csm\",\"version\":2},"
               "\"contentChanges\":[{\"text\":\"\"}]}}")
        << 0 << none << "file:///b.csm is not open";
    QTest::newRow("a response to nothing")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":99,\"result\":null}") << 0 << none
        << "to no request of the server's";
    QTest::newRow("a header without Content-Length")
        << QByteArray("Content-Type: application/vscode-jsonrpc\r\n\r\n{}") << 0 << none
        << "a header without Content-Length";
    QTest::newRow("a Content-Length that is no number")
        << QByteArray("Content-Length: 12abc\r\n\r\n{}") << 0 << none
        << "Content-Length '12abc' is not a number of bytes";
    QTest::newRow("a header line without a colon")
        << QByteArray("Hello there\r\n\r\n") << 0 << none << "header line 'Hello there' has no ':'";
    QTest::newRow("bytes that are no header at all")
        << QByteArray(10000, 'x') << 0 << none << "a header of more than 8192 bytes";
  }
  void malformedInput() {
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QJsonValue, id);
    QFETCH(QString, complaint);
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = \"zmod\"\r\n");
    server->sendRaw(input);
    const int hover = server->request("textDocument/hover", hoverParams());
    const QJsonObject answer = server->response(hover);
    QVERIFY2(answer.value("result")
                 .toObject()
                 .value("contents")
                 .toObject()
                 .value("value")
                 .toString()
                 .contains("Zoom mode"),
             "the server did not go on");
    QList<QJsonObject> errors;
    for (const QJsonObject& message : server->rest(0))
      if (isResponse(message)) errors.append(message);
    if (code == 0) {
      QCOMPARE(errors.size(), 0);
    } else {
      QCOMPARE(errors.size(), 1);
      QCOMPARE(errors[0].value("error").toObject().value("code"), QJsonValue(code));
      QCOMPARE(errors[0].value("id"), id);
      QCOMPARE(errors[0].value("jsonrpc"), QJsonValue("2.0"));
    }
    QCOMPARE(server->finish(), 0);
    const QString error = server->standardError();
    if (complaint.isEmpty()) {
      QCOMPARE(error, QString());
    } else {
      QVERIFY2(error.contains(complaint), qPrintable(error));
      QVERIFY2(error.startsWith("vornel-scan: lsp: "), qPrintable(error));
    }
  }

  // A request cancelled before the server gets to it is answered as
  // cancelled; a cancel for a request answered already changes nothing.
  void cancelledRequests() {
    const auto server = start();
    QVERIFY(server);
    server->initialize(dir_.path());
    server->open(scriptUri(), "x = \"zmod\"\r\n");
    const int id = server->nextId();
    server->sendRaw(
        LspSession::frame(LspSession::requestMessage(id, "textDocument/hover", hoverParams())) +
        LspSession::frame({{"jsonrpc", "2.0"},
                           {"method", "$/cancelRequest"},
                           {"params", QJsonObject{{"id", id}}}}));
    const QJsonObject cancelled = server->response(id);
    QCOMPARE(cancelled.value("error").toObject().value("code"), QJsonValue(-32800));

    const int answered = server->request("textDocument/hover", hoverParams());
    QVERIFY(server->response(answered).contains("result"));
    server->notify("$/cancelRequest", QJsonObject{{"id", answered}});
    for (const QJsonObject& message : server->rest(300))
      QVERIFY2(!isResponse(message), "a cancel after the answer got an answer");
    QCOMPARE(server->finish(), 0);
  }
};

QTEST_GUILESS_MAIN(LspProtocolTest)
#include "test_lsp_protocol.moc"
