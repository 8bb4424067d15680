#include "MessageDecoder.h"

#include <cmath>
#include <cstring>
#include <utility>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace lsp {

namespace {

constexpr QByteArrayView kHeaderEnd = "\r\n\r\n";
constexpr QByteArrayView kLengthName = "content-length";
// Above this a double no longer holds every integer, and an id could not be echoed exactly.
constexpr double kLargestExactInteger = 9007199254740992.0;

Incoming broken(const QString& problem) {
  Incoming message;
  message.problem = problem;
  return message;
}

Incoming invalid(int code, const QJsonValue& id, const QString& problem,
                 const QJsonObject& object = {}) {
  Incoming message;
  message.message = object;
  message.errorCode = code;
  message.id = id;
  message.problem = problem;
  return message;
}

// LSP's ids are integers or strings.
bool isValidId(const QJsonValue& id) {
  if (id.isString()) return true;
  const double number = id.toDouble(0.5);
  return id.isDouble() && std::floor(number) == number && std::fabs(number) <= kLargestExactInteger;
}

// Walks JSON text without building it, only as far as telling what a
// message is for: strings are passed over whole, by their closing
// quotation mark, however long. Whatever it cannot be sure of, it gives up
// on, and the message is parsed as any other.
class Skim {
 public:
  explicit Skim(QByteArrayView json) : json_(json) {}

  void space() {
    while (at_ < json_.size() &&
           (json_[at_] == ' ' || json_[at_] == '\t' || json_[at_] == '\n' || json_[at_] == '\r')) {
      ++at_;
    }
  }
  bool take(char c) {
    space();
    if (at_ == json_.size() || json_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool atEnd() {
    space();
    return at_ == json_.size();
  }
  // A string, its bytes between the quotation marks as written.
  bool string(QByteArrayView* raw) {
    if (!take('"')) return false;
    const qsizetype start = at_;
    for (;;) {
      const void* found = std::memchr(json_.data() + at_, '"', std::size_t(json_.size() - at_));
      if (!found) return false;
      const qsizetype quote = static_cast<const char*>(found) - json_.data();
      qsizetype slashes = 0;
      while (quote - slashes > start && json_[quote - slashes - 1] == '\\') ++slashes;
      at_ = quote + 1;
      if (slashes % 2 == 0) {
        *raw = json_.sliced(start, quote - start);
        return true;
      }
    }
  }
  // A string's value, read by the parser: it is short.
  bool string(QString* text) {
    QByteArrayView raw;
    if (!string(&raw)) return false;
    const QJsonDocument parsed = QJsonDocument::fromJson("[\"" + raw.toByteArray() + "\"]");
    if (!parsed.isArray() || !parsed.array().at(0).isString()) return false;
    *text = parsed.array().at(0).toString();
    return true;
  }
  // Any value, passed over.
  bool value() {
    QByteArrayView raw;
    space();
    if (at_ < json_.size() && json_[at_] == '"') return string(&raw);
    int depth = 0;
    while (at_ < json_.size()) {
      const char c = json_[at_];
      if (c == '"') {
        if (!string(&raw)) return false;
        continue;
      }
      if (depth == 0 && (c == ',' || c == '}' || c == ']')) return true;
      ++at_;
      if (c == '{' || c == '[') ++depth;
      if ((c == '}' || c == ']') && --depth == 0) return true;
    }
    return depth == 0;
  }
  // An object, each member's key handed to `member`, which reads its value.
  template <typename Member>
  bool object(Member member) {
    if (!take('{')) return false;
    if (take('}')) return true;
    do {
      QByteArrayView key;
      // A key written with escapes is left to the parser.
      if (!string(&key) || key.contains('\\') || !take(':') || !member(key)) return false;
    } while (take(','));
    return take('}');
  }

 private:
  QByteArrayView json_;
  qsizetype at_ = 0;
};

}  // namespace

void MessageDecoder::feed(QByteArrayView bytes) {
  if (skipping_ > 0 && at_ == buffer_.size()) {
    const qint64 skipped = qMin<qint64>(skipping_, bytes.size());
    skipping_ -= skipped;
    bytes = bytes.sliced(skipped);
  }
  buffer_.append(bytes);
}

bool MessageDecoder::next(Incoming* message) {
  for (;;) {
    if (skipping_ > 0) {
      const qint64 skipped = qMin<qint64>(skipping_, buffer_.size() - at_);
      skipping_ -= skipped;
      at_ += skipped;
      dropConsumed();
      if (skipping_ > 0) return false;
    }
    if (lost_ && !findHeader()) return false;
    if (contentLength_ < 0) {
      bool produced = false;
      if (!readHeader(message, &produced)) return false;
      if (produced) return true;
      continue;
    }
    if (buffer_.size() - at_ < contentLength_) return false;
    if (contentLength_ >= unparsedBytes_) {
      *message = decodeLargeMessage(takeContent());
      contentLength_ = -1;
      return true;
    }
    const QByteArray content =
        QByteArray::fromRawData(buffer_.constData() + at_, qsizetype(contentLength_));
    *message = decodeMessage(content);
    at_ += qsizetype(contentLength_);
    contentLength_ = -1;
    dropConsumed();
    return true;
  }
}

bool MessageDecoder::readHeader(Incoming* message, bool* produced) {
  const QByteArrayView unread = QByteArrayView(buffer_).sliced(at_);
  // Only so far, so that how the bytes came in chunks changes nothing.
  const qsizetype end =
      unread.first(qMin(unread.size(), kMostHeaderBytes + kHeaderEnd.size())).indexOf(kHeaderEnd);
  if (end < 0) {
    if (unread.size() <= kMostHeaderBytes) return false;
    *message = broken(QStringLiteral("a header of more than %1 bytes without a blank line after it")
                          .arg(kMostHeaderBytes));
    resynchronise(at_ + 1);
    *produced = true;
    return true;
  }
  const qsizetype headerStart = at_;
  qint64 length = -1;
  QString problem;
  const QByteArrayView header = unread.first(end);
  for (qsizetype from = 0; from <= header.size();) {
    qsizetype lineEnd = header.indexOf(QByteArrayView("\r\n"), from);
    if (lineEnd < 0) lineEnd = header.size();
    const QByteArrayView line = header.sliced(from, lineEnd - from);
    from = lineEnd + 2;
    const qsizetype colon = line.indexOf(':');
    if (colon < 0) {
      problem = QStringLiteral("header line '%1' has no ':'")
                    .arg(QString::fromLatin1(line.first(qMin<qsizetype>(line.size(), 80))));
      break;
    }
    if (line.first(colon).trimmed().compare(kLengthName, Qt::CaseInsensitive) != 0) continue;
    const QByteArrayView value = line.sliced(colon + 1).trimmed();
    bool ok = !value.isEmpty();
    for (const char c : value) ok = ok && c >= '0' && c <= '9';
    length = ok && value.size() <= 18 ? value.toLongLong() : -1;
    if (length < 0) {
      problem = QStringLiteral("Content-Length '%1' is not a number of bytes")
                    .arg(QString::fromLatin1(value.first(qMin<qsizetype>(value.size(), 40))));
      break;
    }
  }
  if (problem.isEmpty() && length < 0) problem = QStringLiteral("a header without Content-Length");
  if (!problem.isEmpty()) {
    *message = broken(problem);
    resynchronise(headerStart + 1);
    *produced = true;
    return true;
  }
  at_ += end + kHeaderEnd.size();
  if (length > mostContentBytes_) {
    *message = broken(QStringLiteral("a message of %1 bytes, over the limit of %2; passed over")
                          .arg(length)
                          .arg(mostContentBytes_));
    skipping_ = length;
    *produced = true;
    return true;
  }
  contentLength_ = length;
  return true;
}

QByteArray MessageDecoder::takeContent() {
  const qsizetype end = at_ + qsizetype(contentLength_);
  QByteArray content =
      std::exchange(buffer_, QByteArray(buffer_.constData() + end, buffer_.size() - end));
  // Neither takes a copy: the bytes before are dropped by moving where the
  // array begins, those after by shortening it.
  content.remove(0, at_);
  content.truncate(qsizetype(contentLength_));
  at_ = 0;
  return content;
}

void MessageDecoder::resynchronise(qsizetype from) {
  at_ = from;
  lost_ = true;
  findHeader();
}

bool MessageDecoder::findHeader() {
  // The next header starts with Content-Length, as every client writes it;
  // whatever comes before it is passed over, however it comes in chunks.
  const QByteArrayView rest = QByteArrayView(buffer_).sliced(at_);
  for (qsizetype i = 0; i < rest.size(); ++i) {
    const QByteArrayView candidate = rest.sliced(i, qMin(kLengthName.size(), rest.size() - i));
    if (candidate.compare(kLengthName.first(candidate.size()), Qt::CaseInsensitive) != 0) continue;
    at_ += i;
    lost_ = candidate.size() < kLengthName.size();  // only its start has come
    dropConsumed();
    return !lost_;
  }
  at_ = buffer_.size();
  dropConsumed();
  return false;
}

void MessageDecoder::dropConsumed() {
  if (at_ == 0) return;
  const qsizetype left = buffer_.size() - at_;
  if (left == 0 && buffer_.capacity() <= kMostHeaderBytes * 8) {
    buffer_.resize(0);
  } else if (left == 0 || at_ >= left) {
    // A large message leaves a large buffer behind: keep only what is unread.
    buffer_ = QByteArray(buffer_.constData() + at_, left);
  } else {
    return;
  }
  at_ = 0;
}

Incoming decodeMessage(const QByteArray& content) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(content, &error);
  if (document.isNull()) {
    return invalid(
        kParseError, QJsonValue::Null,
        QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
  }
  if (!document.isObject()) {
    return invalid(kInvalidRequest, QJsonValue::Null,
                   QStringLiteral("a message must be a JSON object"));
  }
  const QJsonObject object = document.object();
  const QJsonValue id = object.value(QLatin1StringView("id"));
  const bool hasId = !id.isUndefined();
  const QJsonValue method = object.value(QLatin1StringView("method"));
  const bool answers =
      object.contains(QLatin1StringView("result")) || object.contains(QLatin1StringView("error"));
  // An error response to a message whose id could not be read has a null id.
  const bool idFits = isValidId(id) || (id.isNull() && method.isUndefined() && answers);
  if (hasId && !idFits) {
    return invalid(kInvalidRequest, QJsonValue::Null,
                   QStringLiteral("an id must be an integer or a string"), object);
  }
  if (object.value(QLatin1StringView("jsonrpc")) != QLatin1StringView("2.0"))
    return invalid(kInvalidRequest, id, QStringLiteral("\"jsonrpc\" must be \"2.0\""), object);
  Incoming message;
  message.message = object;
  message.id = id;
  if (method.isUndefined()) {
    if (hasId && answers) {
      message.kind = Incoming::Kind::Response;
      return message;
    }
    return invalid(kInvalidRequest, id, QStringLiteral("a message without a method is no response"),
                   object);
  }
  if (!method.isString())
    return invalid(kInvalidRequest, id, QStringLiteral("\"method\" must be a string"), object);
  message.params = object.value(QLatin1StringView("params"));
  if (!message.params.isUndefined() && !message.params.isObject() && !message.params.isArray()) {
    return invalid(kInvalidRequest, id, QStringLiteral("\"params\" must be an object or an array"),
                   object);
  }
  message.method = method.toString();
  message.kind = hasId ? Incoming::Kind::Request : Incoming::Kind::Notification;
  return message;
}

Incoming decodeLargeMessage(QByteArray content) {
  Skim skim(content);
  QString method;
  QString uri;
  // How often each was found: a key given twice is left to the parser.
  int methods = 0;
  int params = 0;
  int documents = 0;
  int uris = 0;
  bool hasId = false;
  auto document = [&](QByteArrayView key) {
    if (key != "uri") return skim.value();
    ++uris;
    return skim.string(&uri);
  };
  auto param = [&](QByteArrayView key) {
    if (key != "textDocument") return skim.value();
    ++documents;
    return skim.object(document);
  };
  const bool read = skim.object([&](QByteArrayView key) {
    if (key == "id") hasId = true;
    if (key == "method") {
      ++methods;
      return skim.string(&method);
    }
    if (key != "params") return skim.value();
    ++params;
    return skim.object(param);
  }) && skim.atEnd();
  const bool carriesText = method == QLatin1StringView("textDocument/didOpen") ||
                           method == QLatin1StringView("textDocument/didChange");
  if (!read || hasId || methods != 1 || params != 1 || documents != 1 || uris != 1 ||
      !carriesText) {
    return decodeMessage(content);
  }
  Incoming message;
  message.kind = Incoming::Kind::Notification;
  message.method = method;
  message.documentUri = uri;
  message.unparsed = std::move(content);
  return message;
}

QByteArray encodeMessage(const QJsonObject& message) {
  const QByteArray content = QJsonDocument(message).toJson(QJsonDocument::Compact);
  return "Content-Length: " + QByteArray::number(content.size()) + "\r\n\r\n" + content;
}

}  // namespace lsp
