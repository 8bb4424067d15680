// lsp::MessageDecoder: LSP's framing and JSON-RPC taken apart from bytes,
// whole or a byte at a time, with every kind of broken input.

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include "MessageDecoder.h"

namespace {

QByteArray framed(const QByteArray& json) {
  return "Content-Length: " + QByteArray::number(json.size()) + "\r\n\r\n" + json;
}

QString summary(const lsp::Incoming& m) {
  const QString id =
      QString::fromUtf8(QJsonDocument(QJsonArray{m.id}).toJson(QJsonDocument::Compact))
          .mid(1)
          .chopped(1);
  switch (m.kind) {
    case lsp::Incoming::Kind::Request:
      return QStringLiteral("request %1 %2").arg(id, m.method);
    case lsp::Incoming::Kind::Notification:
      if (!m.unparsed.isEmpty())
        return QStringLiteral("unparsed %1 %2 (%3 bytes)")
            .arg(m.method, m.documentUri)
            .arg(m.unparsed.size());
      return QStringLiteral("notification %1").arg(m.method);
    case lsp::Incoming::Kind::Response:
      return QStringLiteral("response %1").arg(id);
    case lsp::Incoming::Kind::Invalid:
      break;
  }
  return QStringLiteral("invalid %1 %2: %3").arg(m.errorCode).arg(id, m.problem);
}

QStringList decoded(const QByteArray& input, qint64 most, qsizetype chunk, qsizetype* pending,
                    qint64 unparsedBytes = lsp::MessageDecoder::kDefaultUnparsedBytes) {
  lsp::MessageDecoder decoder(most, unparsedBytes);
  QStringList all;
  for (qsizetype at = 0; at < input.size(); at += chunk) {
    decoder.feed(QByteArrayView(input).sliced(at, qMin(chunk, input.size() - at)));
    for (lsp::Incoming m; decoder.next(&m);) all.append(summary(m));
  }
  *pending = decoder.pendingBytes();
  return all;
}

}  // namespace

class MessageDecoderTest : public QObject {
  Q_OBJECT

 private slots:
  void decode_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("pending");  // bytes held for a message not yet whole
    const QByteArray exit = framed("{\"jsonrpc\":\"2.0\",\"method\":\"exit\"}");
    QTest::newRow("a request, a notification and a response")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"initialize\",\"params\":{}}") + exit +
               framed("{\"jsonrpc\":\"2.0\",\"id\":\"a\",\"result\":null}")
        << QStringList{"request 1 initialize", "notification exit", "response \"a\""} << 0;
    QTest::newRow("other headers, any case")
        << QByteArray(
               "content-length: 33\r\nContent-Type: application/vscode-jsonrpc; "
               "charset=utf-8\r\n\r\n"
               "{\"jsonrpc\":\"2.0\",\"method\":\"exit\"}")
        << QStringList{"notification exit"} << 0;
    QTest::newRow("multi-byte characters count as bytes")
        << framed("{\"jsonrpc\":\"2.0\",\"method\":\"\xc3\xa9\xf0\x9f\x98\x80\"}") + exit
        << QStringList{QString::fromUtf8("notification \xc3\xa9\xf0\x9f\x98\x80"),
                       "notification exit"}
        << 0;
    QTest::newRow("an error response with a null id")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":null,\"error\":{\"code\":-32700,\"message\":\"x\"}}")
        << QStringList{"response null"} << 0;
    QTest::newRow("not JSON")
        << framed("{\"jsonrpc\":") + exit
        << QStringList{"invalid -32700 null: not JSON: unterminated object at byte 11",
                       "notification exit"}
        << 0;
    QTest::newRow("a batch") << framed("[]") + exit
                             << QStringList{"invalid -32600 null: a message must be a JSON object",
                                            "notification exit"}
                             << 0;
    QTest::newRow("no jsonrpc") << framed("{\"id\":3,\"method\":\"x\"}")
                                << QStringList{"invalid -32600 3: \"jsonrpc\" must be \"2.0\""}
                                << 0;
    QTest::newRow("a request with a null id")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":null,\"method\":\"x\"}")
        << QStringList{"invalid -32600 null: an id must be an integer or a string"} << 0;
    QTest::newRow("an id too large to hold exactly")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":1e300,\"method\":\"x\"}")
        << QStringList{"invalid -32600 null: an id must be an integer or a string"} << 0;
    QTest::newRow("params of the wrong type")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":\"x\",\"params\":\"y\"}")
        << QStringList{"invalid -32600 4: \"params\" must be an object or an array"} << 0;
    QTest::newRow("a header without Content-Length, then a good message")
        << "X-Thing: 1\r\n\r\n{}" + exit
        << QStringList{"invalid 0 null: a header without Content-Length", "notification exit"} << 0;
    QTest::newRow("a Content-Length with a sign")
        << "Content-Length: -5\r\n\r\n" + exit
        << QStringList{"invalid 0 null: Content-Length '-5' is not a number of bytes",
                       "notification exit"}
        << 0;
    QTest::newRow("a header line without a colon")
        << "Content-Length 33\r\n\r\n" + exit
        << QStringList{"invalid 0 null: header line 'Content-Length 33' has no ':'",
                       "notification exit"}
        << 0;
    QTest::newRow("a header that never ends")
        << QByteArray(9000, 'h') + exit
        << QStringList{
               "invalid 0 null: a header of more than 8192 bytes without a blank line "
               "after it",
               "notification exit"} << 0;
    QTest::newRow("a message over the limit is passed over")
        << framed("{\"jsonrpc\":\"2.0\",\"id\":5,\"method\":\"" + QByteArray(200, 'x') + "\"}") +
               exit
        << QStringList{"invalid 0 null: a message of 236 bytes, over the limit of 100; passed over",
                       "notification exit"}
        << 0;
    const qsizetype most = lsp::MessageDecoder::kMostHeaderBytes;
    QTest::newRow("a header as long as may be, not yet ended, stays pending")
        << "Content-Length: 2\r\nX: " + QByteArray(most - 22, 'a') << QStringList{} << int(most);
    QTest::newRow("a message cut short stays pending")
        << exit + exit.first(30) << QStringList{"notification exit"} << 8;
  }
  void decode() {
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    QFETCH(int, pending);
    // However the bytes come, the same messages come out of them.
    for (const qsizetype chunk : {input.size(), qsizetype(1), qsizetype(7)}) {
      qsizetype held = 0;
      QCOMPARE(decoded(input, 100, chunk, &held), expected);
      QCOMPARE(held, pending);
    }
  }

  // A message of the size that is left unparsed: a didOpen or didChange
  // notification, for its script, whatever its members hold and in any
  // order; anything else, or anything the skim cannot be sure of, as any
  // message. Its content comes out whole, however the bytes came.
  void largeMessages_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected");
    const QByteArray text = ",\"text\":\"x = \\\"zmod\\\"\\\\\\r\\n]}\\\"\"";
    auto unparsed = [](const QByteArray& json, const char* method) {
      return QStringLiteral("unparsed textDocument/%1 file:///a.csm (%2 bytes)")
          .arg(QLatin1StringView(method))
          .arg(json.size());
    };
    const QByteArray open =
        "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didOpen\",\"params\":{"
        "\"textDocument\":{\"uri\":\"file:///a.csm\",\"version\":1" +
        text + "}}}";
    QTest::newRow("didOpen") << open << unparsed(open, "didOpen");
    const QByteArray change =
        " { \"params\" : { \"contentChanges\" : [ { \"range\":{\"start\":{\"line\":0}}" + text +
        "} ] , \"textDocument\" : { \"version\" : 2 , \"uri\" : \"file:\\/\\/\\/a.csm\" } } , "
        "\"method\" : \"textDocument/didChange\" , \"jsonrpc\" : \"2.0\" }\r\n";
    QTest::newRow("didChange, members in another order, an escaped uri")
        << change << unparsed(change, "didChange");
    QTest::newRow("a request") << QByteArray(open).insert(1, "\"id\":1,")
                               << "request 1 textDocument/didOpen";
    QTest::newRow("a method given twice") << QByteArray(open).insert(1, "\"method\":\"exit\",")
                                          << "notification textDocument/didOpen";
    QTest::newRow("a key written with an escape")
        << QByteArray(open).replace("\"uri\"", "\"ur\\u0069\"")
        << "notification textDocument/didOpen";
    QTest::newRow("another notification")
        << QByteArray(open).replace("didOpen", "didSave") << "notification textDocument/didSave";
    QTest::newRow("not JSON") << open.chopped(1)
                              << "invalid -32700 null: not JSON: unterminated object at byte " +
                                     QString::number(open.size() - 1);
  }
  void largeMessages() {
    QFETCH(QByteArray, json);
    QFETCH(QString, expected);
    for (const qsizetype chunk : {qsizetype(1), qsizetype(7), json.size() + 30}) {
      qsizetype held = 0;
      QCOMPARE(decoded(framed(json) + framed("{\"jsonrpc\":\"2.0\",\"method\":\"exit\"}"), 1000,
                       chunk, &held, 100),
               (QStringList{expected, "notification exit"}));
      QCOMPARE(held, 0);
    }
    lsp::MessageDecoder decoder(1000, 100);
    decoder.feed(framed(json));
    lsp::Incoming message;
    QVERIFY(decoder.next(&message));
    if (message.unparsed.isEmpty()) return;
    QCOMPARE(message.unparsed, json);
    // Parsed, it is what the skim took it for.
    const lsp::Incoming parsed = lsp::decodeMessage(message.unparsed);
    QCOMPARE(summary(parsed), "notification " + message.method);
    QCOMPARE(parsed.params["textDocument"]["uri"].toString(), message.documentUri);
  }

  // Bytes that never frame a message are not all kept.
  void memoryStaysBounded() {
    lsp::MessageDecoder decoder(1000);
    lsp::Incoming message;
    for (int i = 0; i < 1000; ++i) {
      decoder.feed(QByteArray(1000, 'g'));
      while (decoder.next(&message)) {
      }
      QVERIFY(decoder.pendingBytes() <= lsp::MessageDecoder::kMostHeaderBytes + 1000);
    }
    decoder.feed("Content-Length: 100000\r\n\r\n");
    for (int i = 0; i < 100; ++i) {
      decoder.feed(QByteArray(1000, ' '));
      while (decoder.next(&message)) {
      }
      QCOMPARE(decoder.pendingBytes(), 0);
    }
  }

  void encodedMessagesDecode() {
    const QJsonObject sent{{"jsonrpc", "2.0"}, {"method", QString::fromUtf8("\xc3\xa9")}};
    lsp::MessageDecoder decoder;
    decoder.feed(lsp::encodeMessage(sent));
    lsp::Incoming message;
    QVERIFY(decoder.next(&message));
    QCOMPARE(message.message, sent);
  }
};

QTEST_GUILESS_MAIN(MessageDecoderTest)
#include "test_message_decoder.moc"
