#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "DocumentChecks.h"
#include "MainThreadQueue.h"
#include "MessageDecoder.h"
#include "OpenDocuments.h"
#include "ServerSettings.h"
#include "ServerTables.h"
#include "TableDocuments.h"
#include "TaskThreads.h"
#include "WorkspaceIndex.h"

// vornel-scan as a language server: takes the editor's messages, keeps its
// open scripts, and answers with diagnostics, hovers and quick fixes. Runs
// on the main thread; checks run on worker threads, and so does reading a
// large script's didOpen or didChange, left unparsed by the decoder: the
// messages for that script wait for it, in the order they came, and those
// for other scripts go on. A message it cannot take gets the protocol's
// error response, or is named on standard error when there is nothing to
// answer.
class LanguageServer {
 public:
  using Send = std::function<void(const QJsonObject& message)>;
  using Exit = std::function<void(int status)>;

  LanguageServer(ServerSettings settings, MainThreadQueue& queue, Send send, Exit exit);

  // Messages as they came, all that had come by now: a request cancelled
  // by a later message among them is answered as cancelled.
  void receive(const std::vector<lsp::Incoming>& messages);
  // Standard input ended, or could not be read (`error`).
  void inputEnded(const QString& error);

 private:
  enum class State { Starting, Running, ShutDown, Exited };

  void handle(const lsp::Incoming& message);
  void request(const lsp::Incoming& message);
  // `read`: the didOpen or didChange read already, on another thread.
  void notification(const lsp::Incoming& message, OpenDocuments::Change* read = nullptr);
  // A large didOpen or didChange, read on another thread.
  void readAside(const lsp::Incoming& message);
  void readAsideDone(const QString& uri, const lsp::Incoming& message, OpenDocuments::Change& read);
  // A request answered from the workspace index: at once when it is
  // ready, else once it is, unless cancelled meanwhile.
  void answerFromIndex(const lsp::Incoming& message);
  // Which table in force a request's document is, if either.
  std::optional<TableKind> tableOf(const QJsonValue& params) const;

  // Requests: each returns the result, or sets `problem` for an error
  // response with invalid params.
  QJsonValue initialize(const QJsonValue& params, QString* problem);
  QJsonValue hover(const QJsonValue& params, QString* problem);
  QJsonValue codeAction(const QJsonValue& params, QString* problem);
  // The tables' requests, in LanguageServerTables.cpp.
  QJsonValue documentSymbol(const QJsonValue& params, QString* problem);
  QJsonValue definition(const QJsonValue& params, QString* problem);
  QJsonValue workspaceSymbol(const QJsonValue& params, QString* problem);
  // The diagnostics of the open tables, after each reading of the tables;
  // of the one table `only` when it is given.
  void publishTables(const QString& only = QString());

  // Notifications: each returns what is wrong with its params, if anything.
  QString didOpen(const QJsonValue& params, OpenDocuments::Change* read);
  QString didChange(const QJsonValue& params, OpenDocuments::Change* read);
  QString didClose(const QJsonValue& params);
  QString didSave(const QJsonValue& params);
  QString didChangeWatchedFiles(const QJsonValue& params);

  void respond(const QJsonValue& id, const QJsonValue& result);
  void respondError(const QJsonValue& id, int code, const QString& message);
  void notify(const QString& method, const QJsonObject& params);
  // Without a version for the empty diagnostics of a closed script.
  void publish(const QString& uri, const QJsonArray& diagnostics,
               std::optional<qint64> version = std::nullopt);
  void showError(const QString& message);
  void complain(const QString& what);

  const ServerSettings settings_;
  MainThreadQueue& queue_;
  Send send_;
  Exit exit_;
  State state_ = State::Starting;
  std::set<QString> cancelled_;  // ids, as JSON text, of requests cancelled before their turn
  std::shared_ptr<const CheckSetup> setup_;
  OpenDocuments documents_;
  TableDocuments tableDocuments_{documents_};
  ServerTables tables_;
  DocumentChecks checks_;
  // The scripts being read aside, and the messages for each that came since.
  std::map<QString, std::deque<lsp::Incoming>> waiting_;
  WorkspaceIndex index_;
  // The requests waiting for the index, in the order they came, by id.
  std::vector<std::pair<QString, lsp::Incoming>> waitingForIndex_;
  TaskThreads readers_{1};  // last, so that it ends before the rest goes
};
