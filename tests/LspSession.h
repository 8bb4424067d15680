#pragma once

#include <deque>
#include <functional>
#include <optional>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "MessageDecoder.h"
#include "ShownDiagnostics.h"

// An editor's side of `vornel-scan --lsp`, for tests: writes JSON-RPC to
// the built program's standard input, exactly as given when asked, and
// takes apart what it writes back. Messages are kept in the order they
// came until a wait takes them.
class LspSession {
 public:
  struct Received {
    QJsonObject message;
    int order = 0;  // which message it was, from 1
  };

  LspSession(const QStringList& arguments, const QString& workingFolder) {
    process_.setWorkingDirectory(workingFolder);
    process_.start(QStringLiteral(VORNEL_SCAN_PATH), QStringList{"--lsp"} + arguments);
  }
  ~LspSession() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  bool started() { return process_.waitForStarted(10000); }

  void sendRaw(const QByteArray& bytes) {
    process_.write(bytes);
    process_.waitForBytesWritten(60000);
  }
  static QByteArray frame(const QJsonObject& message) {
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    return "Content-Length: " + QByteArray::number(json.size()) + "\r\n\r\n" + json;
  }
  static QJsonObject requestMessage(int id, const QString& method, const QJsonValue& params) {
    QJsonObject message{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
    if (!params.isUndefined()) message.insert("params", params);
    return message;
  }
  int request(const QString& method, const QJsonValue& params = QJsonValue::Undefined) {
    const int id = nextId_++;
    sendRaw(frame(requestMessage(id, method, params)));
    return id;
  }
  void notify(const QString& method, const QJsonValue& params = QJsonValue::Undefined) {
    QJsonObject message{{"jsonrpc", "2.0"}, {"method", method}};
    if (!params.isUndefined()) message.insert("params", params);
    sendRaw(frame(message));
  }
  int nextId() { return nextId_++; }
  // Closes the server's standard input, as an editor that dies does.
  void closeInput() { process_.closeWriteChannel(); }

  // The first message, of those not yet taken, that `match` accepts,
  // waiting up to `milliseconds` for it.
  std::optional<Received> waitFor(const std::function<bool(const QJsonObject&)>& match,
                                  int milliseconds = 30000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
      for (auto it = unread_.begin(); it != unread_.end(); ++it) {
        if (!match(it->message)) continue;
        Received found = *it;
        unread_.erase(it);
        return found;
      }
      // Writing may have read what came meanwhile; the server may have
      // ended with its last messages unread.
      if (readAvailable()) continue;
      const qint64 left = milliseconds - clock.elapsed();
      if (left <= 0 || !process_.waitForReadyRead(int(left))) {
        if (!readAvailable()) return std::nullopt;
      }
    }
  }
  QJsonObject response(int id, int milliseconds = 30000) {
    const auto found =
        waitFor([id](const QJsonObject& m) { return !m.contains("method") && m.value("id") == id; },
                milliseconds);
    return found ? found->message : QJsonObject();
  }
  // The next diagnostics published for `uri`, or null when none come.
  std::optional<Received> published(const QString& uri, int milliseconds = 30000) {
    return waitFor(
        [&uri](const QJsonObject& m) {
          return m.value("method") == QLatin1StringView("textDocument/publishDiagnostics") &&
                 m.value("params").toObject().value("uri") == uri;
        },
        milliseconds);
  }
  QJsonArray diagnostics(const QString& uri, int milliseconds = 30000) {
    const auto found = published(uri, milliseconds);
    return found ? found->message.value("params").toObject().value("diagnostics").toArray()
                 : QJsonArray{QJsonValue(QStringLiteral("no diagnostics came"))};
  }
  // Messages that came and no wait took, after waiting `milliseconds` for more.
  QList<QJsonObject> rest(int milliseconds) {
    waitFor([](const QJsonObject&) { return false; }, milliseconds);
    QList<QJsonObject> left;
    for (const Received& received : unread_) left.append(received.message);
    return left;
  }

  QJsonObject initialize(const QString& rootFolder) {
    const int id =
        request("initialize", QJsonObject{{"processId", QJsonValue::Null},
                                          {"rootUri", QUrl::fromLocalFile(rootFolder).toString()},
                                          {"capabilities", QJsonObject{}}});
    const QJsonObject answer = response(id);
    notify("initialized", QJsonObject{});
    return answer;
  }
  void open(const QString& uri, const QByteArray& text, int version = 1) {
    notify("textDocument/didOpen",
           QJsonObject{{"textDocument", QJsonObject{{"uri", uri},
                                                    {"languageId", "csm"},
                                                    {"version", version},
                                                    {"text", QString::fromUtf8(text)}}}});
  }
  // Shuts the server down as an editor does; its exit status, or -1.
  int finish() {
    response(request("shutdown"));
    notify("exit");
    return exitStatus();
  }
  int exitStatus() {
    if (!process_.waitForFinished(60000)) return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  QString standardError() { return QString::fromUtf8(process_.readAllStandardError()); }
  qint64 processId() const { return process_.processId(); }

 private:
  bool readAvailable() {
    const QByteArray bytes = process_.readAllStandardOutput();
    if (bytes.isEmpty()) return false;
    decoder_.feed(bytes);
    for (lsp::Incoming incoming; decoder_.next(&incoming);)
      unread_.push_back({incoming.message, ++received_});
    return true;
  }

  QProcess process_;
  lsp::MessageDecoder decoder_;
  std::deque<Received> unread_;
  int received_ = 0;
  int nextId_ = 1;
};
