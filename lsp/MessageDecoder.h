#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace lsp {

// The error codes of JSON-RPC 2.0 and of the Language Server Protocol that
// this server answers with.
enum ErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kServerNotInitialized = -32002,
  kRequestCancelled = -32800,
};

// One message taken from the stream, or what was wrong with it.
struct Incoming {
  enum class Kind { Request, Notification, Response, Invalid };
  Kind kind = Kind::Invalid;
  QJsonValue id;  // of a request or response; of an invalid message when it could be read
  QString method;
  QJsonValue params;    // undefined when the message has none
  QJsonObject message;  // the whole message
  // A large notification that carries a script's text is not parsed where
  // it is taken from the stream: its JSON is here, for decodeMessage() on
  // another thread, and the script it is for in `documentUri`; its method is
  // known, its params and `message` are not.
  QByteArray unparsed;
  QString documentUri;
  // For Invalid: the error to answer with (kParseError or kInvalidRequest),
  // or 0 when the stream itself was broken and there is nothing to answer;
  // and what was wrong.
  int errorCode = 0;
  QString problem;
};

// LSP's base protocol, taken apart without any input or output of its own:
// bytes in, as they come and cut anywhere, and out the messages they frame
// (headers, a blank line, then Content-Length bytes of JSON-RPC 2.0), each
// a request, notification or response, or what was wrong with it. After a
// broken header it looks for the next "Content-Length:" and goes on from
// there. A message over the size limit is passed over without being held.
// A didOpen or didChange of `unparsedBytes` or more is only skimmed, for its
// method and the script it is for: taking apart its JSON and the script's
// text, which may take a second, is left to another thread, so that the
// messages behind it need not wait for that.
class MessageDecoder {
 public:
  static constexpr qsizetype kMostHeaderBytes = 8 * 1024;
  static constexpr qint64 kDefaultMostContentBytes = qint64(256) << 20;
  static constexpr qint64 kDefaultUnparsedBytes = qint64(1) << 20;

  explicit MessageDecoder(qint64 mostContentBytes = kDefaultMostContentBytes,
                          qint64 unparsedBytes = kDefaultUnparsedBytes)
      : mostContentBytes_(mostContentBytes), unparsedBytes_(unparsedBytes) {}

  void feed(QByteArrayView bytes);
  // The next message the bytes fed so far hold; false when they hold no
  // further whole one.
  bool next(Incoming* message);

  // Bytes held for messages not yet whole.
  qsizetype pendingBytes() const { return buffer_.size() - at_; }

 private:
  bool readHeader(Incoming* message, bool* produced);
  // After a broken header: passes over bytes up to the next header.
  void resynchronise(qsizetype from);
  bool findHeader();
  void dropConsumed();

  // The content of the message whose content has all come, taken out of
  // the buffer without copying it.
  QByteArray takeContent();

  const qint64 mostContentBytes_;
  const qint64 unparsedBytes_;
  QByteArray buffer_;
  qsizetype at_ = 0;           // where the unread bytes start
  qint64 contentLength_ = -1;  // of the message whose content is awaited
  qint64 skipping_ = 0;        // bytes of an oversized message still to pass over
  bool lost_ = false;          // looking for the next header after a broken one
};

// Classifies one message's JSON text as JSON-RPC 2.0.
Incoming decodeMessage(const QByteArray& content);
// The same for a large message: a didOpen or didChange notification is
// only skimmed, and comes back with its JSON in `unparsed`.
Incoming decodeLargeMessage(QByteArray content);

// Frames a message for the stream: its header, then its JSON.
QByteArray encodeMessage(const QJsonObject& message);

}  // namespace lsp
