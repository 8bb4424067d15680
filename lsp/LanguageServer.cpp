#include "LanguageServer.h"

#include <cstdio>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <QUrl>

#include "ProtocolValues.h"
#include "QuickFix.h"
#include "ScriptHover.h"
#include "SystemText.h"
#include "WorkspaceRequests.h"

namespace {

constexpr int kMessageTypeError = 1;
const QString kQuickFix = QStringLiteral("quickfix");

// A JSON value as a key: 7 and "7" are different ids.
QString jsonKey(const QJsonValue& id) {
  return QString::fromUtf8(QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact));
}

// The folder the editor opened: its project file and tables count.
QString workspaceOf(const QJsonObject& params) {
  const QJsonArray folders = params.value(QLatin1StringView("workspaceFolders")).toArray();
  for (const QJsonValue& uri : {params.value(QLatin1StringView("rootUri")),
                                folders.first().toObject().value(QLatin1StringView("uri"))}) {
    const QUrl url(uri.toString());
    if (url.isLocalFile()) return url.toLocalFile();
  }
  const QString path = params.value(QLatin1StringView("rootPath")).toString();
  return path.isEmpty() ? QDir::currentPath() : path;
}

QJsonObject capabilities() {
  return {
      {QLatin1StringView("textDocumentSync"),
       QJsonObject{{QLatin1StringView("openClose"), true},
                   {QLatin1StringView("change"), 2},  // incremental
                   {QLatin1StringView("save"), QJsonObject{}}}},
      {QLatin1StringView("hoverProvider"), true},
      {QLatin1StringView("referencesProvider"), true},
      {QLatin1StringView("codeActionProvider"),
       QJsonObject{{QLatin1StringView("codeActionKinds"), QJsonArray{kQuickFix}}}},
      {QLatin1StringView("documentSymbolProvider"), true},
      {QLatin1StringView("definitionProvider"), true},
      {QLatin1StringView("workspaceSymbolProvider"), true},
  };
}

// Whether a client that asks only for the code actions of kinds `only`
// wants quick fixes; kinds are hierarchical ("quickfix" is in "").
bool wantsQuickFixes(const QJsonObject& context) {
  if (!context.contains(QLatin1StringView("only"))) return true;
  for (const QJsonValue& kind : context.value(QLatin1StringView("only")).toArray()) {
    const QString name = kind.toString();
    if (name.isEmpty() || name == kQuickFix) return true;
  }
  return false;
}

}  // namespace

LanguageServer::LanguageServer(ServerSettings settings, MainThreadQueue& queue, Send send,
                               Exit exit)
    : settings_(std::move(settings)),
      queue_(queue),
      send_(std::move(send)),
      exit_(std::move(exit)),
      tables_(
          settings_,
          [this](std::shared_ptr<const CheckSetup> setup) {
            setup_ = setup;
            checks_.setSetup(setup);
            index_.setSetup(std::move(setup));
          },
          [this](const QString& message) { showError(message); }),
      checks_(
          queue,
          [this](const QString& uri, QByteArray* text, qint64* version) {
            const OpenDocuments::Document* document = documents_.find(uri);
            if (!document) return false;
            *text = document->text;
            *version = document->version;
            return true;
          },
          [this](const QString& uri, qint64 version, const QJsonArray& diagnostics) {
            publish(uri, diagnostics, version);
          },
          qMax(2, QThread::idealThreadCount())),
      index_(
          queue,
          [this](const QString& uri, QByteArray* text) {
            const OpenDocuments::Document* document = documents_.find(uri);
            if (document) *text = document->text;
            return document != nullptr;
          },
          [this](const QString& message) { complain(message); },
          qMax(2, QThread::idealThreadCount())) {
  tables_.readThrough(&tableDocuments_.unsavedFiles(), [this] { publishTables(); });
}

void LanguageServer::receive(const std::vector<lsp::Incoming>& messages) {
  for (const lsp::Incoming& message : messages) {
    if (message.kind == lsp::Incoming::Kind::Notification &&
        message.method == QLatin1StringView("$/cancelRequest")) {
      cancelled_.insert(jsonKey(message.params.toObject().value(QLatin1StringView("id"))));
    }
  }
  for (auto it = waitingForIndex_.begin(); it != waitingForIndex_.end();) {
    if (cancelled_.count(it->first) == 0) {
      ++it;
      continue;
    }
    respondError(it->second.id, lsp::kRequestCancelled,
                 it->second.method + QStringLiteral(" cancelled"));
    it = waitingForIndex_.erase(it);
  }
  for (const lsp::Incoming& message : messages) handle(message);
  // A cancel that comes after its request was answered is too late to matter.
  cancelled_.clear();
}

void LanguageServer::inputEnded(const QString& error) {
  if (state_ == State::Exited) return;
  if (!error.isEmpty()) complain(QStringLiteral("standard input: ") + error);
  const int status = state_ == State::ShutDown ? 0 : 1;
  state_ = State::Exited;
  exit_(status);
}

void LanguageServer::handle(const lsp::Incoming& message) {
  if (state_ == State::Exited) return;
  const QString uri = !message.documentUri.isEmpty() ? message.documentUri
                                                     : message.params.toObject()
                                                           .value(QLatin1StringView("textDocument"))
                                                           .toObject()
                                                           .value(QLatin1StringView("uri"))
                                                           .toString();
  if (const auto waiting = waiting_.find(uri); !uri.isEmpty() && waiting != waiting_.end()) {
    waiting->second.push_back(message);
    return;
  }
  if (!message.unparsed.isEmpty()) return readAside(message);
  switch (message.kind) {
    case lsp::Incoming::Kind::Invalid:
      complain(message.problem);
      if (message.errorCode != 0) respondError(message.id, message.errorCode, message.problem);
      return;
    case lsp::Incoming::Kind::Response:
      complain(QStringLiteral("a response (id %1) to no request of the server's")
                   .arg(jsonKey(message.id)));
      return;
    case lsp::Incoming::Kind::Request:
      request(message);
      return;
    case lsp::Incoming::Kind::Notification:
      notification(message);
      return;
  }
}

void LanguageServer::request(const lsp::Incoming& message) {
  const QString& method = message.method;
  if (cancelled_.count(jsonKey(message.id)) > 0)
    return respondError(message.id, lsp::kRequestCancelled, method + QStringLiteral(" cancelled"));
  if (state_ == State::Starting && method != QLatin1StringView("initialize")) {
    return respondError(message.id, lsp::kServerNotInitialized,
                        method + QStringLiteral(" before initialize"));
  }
  if (state_ == State::ShutDown) {
    return respondError(message.id, lsp::kInvalidRequest,
                        method + QStringLiteral(" after shutdown; only exit is taken"));
  }
  QString problem;
  QJsonValue result;
  if (method == QLatin1StringView("initialize")) {
    if (state_ != State::Starting) {
      return respondError(message.id, lsp::kInvalidRequest,
                          QStringLiteral("initialize came twice"));
    }
    result = initialize(message.params, &problem);
  } else if (method == QLatin1StringView("shutdown")) {
    state_ = State::ShutDown;
  } else if (method == QLatin1StringView("textDocument/references") ||
             (method == QLatin1StringView("textDocument/hover") && tableOf(message.params))) {
    return answerFromIndex(message);
  } else if (method == QLatin1StringView("textDocument/hover")) {
    result = hover(message.params, &problem);
  } else if (method == QLatin1StringView("textDocument/codeAction")) {
    result = codeAction(message.params, &problem);
  } else if (method == QLatin1StringView("textDocument/documentSymbol")) {
    result = documentSymbol(message.params, &problem);
  } else if (method == QLatin1StringView("textDocument/definition")) {
    result = definition(message.params, &problem);
  } else if (method == QLatin1StringView("workspace/symbol")) {
    result = workspaceSymbol(message.params, &problem);
  } else {
    return respondError(message.id, lsp::kMethodNotFound,
                        QStringLiteral("unknown method '%1'").arg(method));
  }
  if (!problem.isEmpty()) {
    complain(method + QStringLiteral(": ") + problem);
    return respondError(message.id, lsp::kInvalidParams, problem);
  }
  respond(message.id, result);
}

std::optional<TableKind> LanguageServer::tableOf(const QJsonValue& params) const {
  QString uri;
  QString ignored;
  if (!lsp::readDocumentUri(params, &uri, &ignored)) return std::nullopt;
  return tableDocuments_.tableOf(uri, tables_.folder());
}

void LanguageServer::answerFromIndex(const lsp::Incoming& message) {
  if (!index_.ready()) {
    waitingForIndex_.emplace_back(jsonKey(message.id), message);
    if (waitingForIndex_.size() == 1) {
      index_.whenReady([this] {
        const auto waiting = std::move(waitingForIndex_);
        waitingForIndex_.clear();
        for (const auto& [id, next] : waiting) {
          if (state_ != State::Exited) answerFromIndex(next);
        }
      });
    }
    return;
  }
  QString problem;
  const QJsonValue result =
      message.method == QLatin1StringView("textDocument/references")
          ? workspacerequests::references(index_, setup_.get(), documents_, tableOf(message.params),
                                          message.params, &problem)
          : workspacerequests::rowHover(index_, setup_.get(), tableOf(message.params),
                                        message.params, &problem);
  if (!problem.isEmpty()) {
    complain(message.method + QStringLiteral(": ") + problem);
    return respondError(message.id, lsp::kInvalidParams, problem);
  }
  respond(message.id, result);
}

void LanguageServer::readAside(const lsp::Incoming& message) {
  // Before initialize, and after shutdown, notifications are dropped.
  if (state_ != State::Running) return;
  const QString uri = message.documentUri;
  waiting_[uri];
  readers_.post([this, uri, unparsed = message.unparsed] {
    lsp::Incoming parsed = lsp::decodeMessage(unparsed);
    OpenDocuments::Change read;
    if (parsed.kind == lsp::Incoming::Kind::Notification) {
      read = parsed.method == QLatin1StringView("textDocument/didOpen")
                 ? OpenDocuments::readOpen(parsed.params)
                 : OpenDocuments::readChange(parsed.params);
    }
    auto done = std::make_shared<std::pair<lsp::Incoming, OpenDocuments::Change>>(std::move(parsed),
                                                                                  std::move(read));
    queue_.push([this, uri, done] { readAsideDone(uri, done->first, done->second); });
  });
}

void LanguageServer::readAsideDone(const QString& uri, const lsp::Incoming& message,
                                   OpenDocuments::Change& read) {
  const auto found = waiting_.find(uri);
  std::deque<lsp::Incoming> waiting = std::move(found->second);
  waiting_.erase(found);
  if (state_ == State::Exited) return;
  // The decoder skimmed it as a didOpen or didChange; parsed, it may be no
  // message at all, and is answered as such.
  if (message.kind == lsp::Incoming::Kind::Notification) {
    notification(message, &read);
  } else {
    handle(message);
  }
  for (const lsp::Incoming& next : waiting) handle(next);
}

void LanguageServer::notification(const lsp::Incoming& message, OpenDocuments::Change* read) {
  const QString& method = message.method;
  if (method == QLatin1StringView("exit")) {
    const int status = state_ == State::ShutDown ? 0 : 1;
    state_ = State::Exited;
    return exit_(status);
  }
  // Before initialize, and after shutdown, notifications are dropped.
  if (state_ != State::Running) return;
  QString problem;
  if (method == QLatin1StringView("textDocument/didOpen")) {
    problem = didOpen(message.params, read);
  } else if (method == QLatin1StringView("textDocument/didChange")) {
    problem = didChange(message.params, read);
  } else if (method == QLatin1StringView("textDocument/didClose")) {
    problem = didClose(message.params);
  } else if (method == QLatin1StringView("textDocument/didSave")) {
    problem = didSave(message.params);
  } else if (method == QLatin1StringView("workspace/didChangeWatchedFiles")) {
    problem = didChangeWatchedFiles(message.params);
  }
  // Any other notification, "initialized" and "$/cancelRequest" among
  // them, asks nothing more of this server.
  if (!problem.isEmpty()) complain(method + QStringLiteral(": ") + problem);
}

QJsonValue LanguageServer::initialize(const QJsonValue& params, QString* problem) {
  QJsonObject object;
  if (!lsp::readObject(params, QStringLiteral("params"), &object, problem)) return {};
  state_ = State::Running;
  const QString workspace = workspaceOf(object);
  index_.setWorkspace(workspace);
  tables_.load(workspace);
  return QJsonObject{{QLatin1StringView("capabilities"), capabilities()},
                     {QLatin1StringView("serverInfo"),
                      QJsonObject{{QLatin1StringView("name"), QLatin1StringView("vornel-scan")},
                                  {QLatin1StringView("version"), settings_.version}}}};
}

QJsonValue LanguageServer::hover(const QJsonValue& params, QString* problem) {
  QString uri;
  TextPosition position;
  if (!lsp::readDocumentPosition(params, &uri, &position, problem)) {
    return {};
  }
  const OpenDocuments::Document* document = documents_.find(uri);
  ScriptHover found;
  if (!document || !setup_ || !OpenDocuments::isScript(uri) ||
      !hoverAt(*setup_, document->text, position, &found))
    return {};
  return QJsonObject{{QLatin1StringView("contents"),
                      QJsonObject{{QLatin1StringView("kind"), QLatin1StringView("plaintext")},
                                  {QLatin1StringView("value"), found.text}}},
                     {QLatin1StringView("range"), lsp::toJson(found.range)}};
}

QJsonValue LanguageServer::codeAction(const QJsonValue& params, QString* problem) {
  QString uri;
  lsp::TextRange range;
  QJsonObject context;
  const QJsonObject object = params.toObject();
  if (!lsp::readDocumentUri(params, &uri, problem) ||
      !lsp::readRange(object, QStringLiteral("params"), "range", &range, problem) ||
      !lsp::readObject(object.value(QLatin1StringView("context")), QStringLiteral("params.context"),
                       &context, problem)) {
    return {};
  }
  const QJsonValue diagnostics = context.value(QLatin1StringView("diagnostics"));
  if (!diagnostics.isArray()) {
    *problem = QStringLiteral("params.context.diagnostics must be an array");
    return {};
  }
  QJsonArray actions;
  const OpenDocuments::Document* document = documents_.find(uri);
  // Without directives a directive would silence nothing; a table holds none.
  if (!document || !OpenDocuments::isScript(uri) || !settings_.inlineConfig ||
      !wantsQuickFixes(context)) {
    return actions;
  }
  std::set<std::pair<QString, QString>> offered;  // edit position and code
  for (const QJsonValue& item : diagnostics.toArray()) {
    const QJsonObject diagnostic = item.toObject();
    const QString code = diagnostic.value(QLatin1StringView("code")).toString();
    lsp::TextRange at;
    QString ignored;
    TextEdit edit;
    if (diagnostic.value(QLatin1StringView("source")) != QLatin1StringView("vornel-scan") ||
        !lsp::readRange(diagnostic, QString(), "range", &at, &ignored) ||
        !disableCodeEdit(document->text, at.start, code, &edit) ||
        !offered.emplace(jsonKey(lsp::toJson(edit.range)), code).second) {
      continue;
    }
    const QJsonObject change{{QLatin1StringView("range"), lsp::toJson(edit.range)},
                             {QLatin1StringView("newText"), edit.newText}};
    actions.append(QJsonObject{
        {QLatin1StringView("title"), QStringLiteral("disable %1 on this line").arg(code)},
        {QLatin1StringView("kind"), kQuickFix},
        {QLatin1StringView("diagnostics"), QJsonArray{diagnostic}},
        {QLatin1StringView("edit"),
         QJsonObject{{QLatin1StringView("changes"), QJsonObject{{uri, QJsonArray{change}}}}}}});
  }
  return actions;
}

QString LanguageServer::didOpen(const QJsonValue& params, OpenDocuments::Change* read) {
  QString uri;
  const QString problem =
      read ? documents_.make(std::move(*read), &uri) : documents_.open(params, &uri);
  // A table opens as it is saved: the tables in use stay as they are.
  if (OpenDocuments::isTableFile(uri)) {
    if (tableDocuments_.saved(uri)) tables_.reloadSoon();
    publishTables(uri);
  } else if (!uri.isEmpty()) {
    checks_.checkNow(uri);
    index_.edited(uri);
  }
  return problem;
}

QString LanguageServer::didChange(const QJsonValue& params, OpenDocuments::Change* read) {
  QString uri;
  const QString problem =
      read ? documents_.make(std::move(*read), &uri) : documents_.change(params, &uri);
  if (OpenDocuments::isTableFile(uri)) {
    tableDocuments_.edited(uri);
    // A file so named elsewhere changes nothing the scripts are checked with.
    if (tableDocuments_.tableOf(uri, tables_.folder())) tables_.reloadSoon();
  } else if (!uri.isEmpty()) {
    checks_.checkSoon(uri);
    index_.edited(uri);
  }
  return problem;
}

QString LanguageServer::didClose(const QJsonValue& params) {
  QString uri;
  const QString problem = documents_.close(params, &uri);
  if (!uri.isEmpty()) {
    checks_.forget(uri);
    index_.closed(uri);
    publish(uri, QJsonArray());
  }
  if (OpenDocuments::isTableFile(uri) && tableDocuments_.saved(uri)) tables_.reloadSoon();
  return problem;
}

QString LanguageServer::didSave(const QJsonValue& params) {
  QString uri;
  QString problem;
  if (!lsp::readDocumentUri(params, &uri, &problem)) return problem;
  if (OpenDocuments::isTableFile(uri)) tableDocuments_.saved(uri);
  if (ServerTables::mayConcern(QUrl(uri).path())) tables_.reloadSoon();
  return QString();
}

QString LanguageServer::didChangeWatchedFiles(const QJsonValue& params) {
  const QJsonValue changes = params.toObject().value(QLatin1StringView("changes"));
  if (!changes.isArray()) return QStringLiteral("params.changes must be an array");
  for (const QJsonValue& change : changes.toArray()) {
    const QString uri = change.toObject().value(QLatin1StringView("uri")).toString();
    const qint64 type = change.toObject().value(QLatin1StringView("type")).toInteger();
    if (ServerTables::mayConcern(QUrl(uri).path())) tables_.reloadSoon();
    if (type >= 1 && type <= 3) index_.fileChanged(uri, WorkspaceIndex::FileChange(type));
  }
  return QString();
}

void LanguageServer::respond(const QJsonValue& id, const QJsonValue& result) {
  send_({{QLatin1StringView("jsonrpc"), QLatin1StringView("2.0")},
         {QLatin1StringView("id"), id},
         {QLatin1StringView("result"), result}});
}

void LanguageServer::respondError(const QJsonValue& id, int code, const QString& message) {
  send_({{QLatin1StringView("jsonrpc"), QLatin1StringView("2.0")},
         {QLatin1StringView("id"), id.isUndefined() ? QJsonValue() : id},
         {QLatin1StringView("error"), QJsonObject{{QLatin1StringView("code"), code},
                                                  {QLatin1StringView("message"), message}}}});
}

void LanguageServer::notify(const QString& method, const QJsonObject& params) {
  send_({{QLatin1StringView("jsonrpc"), QLatin1StringView("2.0")},
         {QLatin1StringView("method"), method},
         {QLatin1StringView("params"), params}});
}

void LanguageServer::publish(const QString& uri, const QJsonArray& diagnostics,
                             std::optional<qint64> version) {
  QJsonObject params{{QLatin1StringView("uri"), uri},
                     {QLatin1StringView("diagnostics"), diagnostics}};
  if (version) params.insert(QLatin1StringView("version"), *version);
  notify(QStringLiteral("textDocument/publishDiagnostics"), params);
}

void LanguageServer::showError(const QString& message) {
  complain(message);
  notify(QStringLiteral("window/showMessage"),
         {{QLatin1StringView("type"), kMessageTypeError},
          {QLatin1StringView("message"), QStringLiteral("vornel-scan: ") + message}});
}

void LanguageServer::complain(const QString& what) {
  const QByteArray line = encodeSystemText(QStringLiteral("vornel-scan: lsp: ") + what + u'\n');
  std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
  std::fflush(stderr);
}
