// The language server's protocol, through the built `vornel-scan --lsp`:
// its lifecycle, malformed messages of every kind, and cancellation.

#include <QTemporaryDir>
#include <QTest>

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
