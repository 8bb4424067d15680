#include "ProtocolValues.h"

#include <cmath>

namespace lsp {

namespace {

QString path(const QString& where, const char* key) {
  return where + u'.' + QLatin1StringView(key);
}

bool wrong(const QString& what, const char* expected, QString* problem) {
  *problem = QStringLiteral("%1 must be %2").arg(what, QLatin1StringView(expected));
  return false;
}

bool operator<(TextPosition a, TextPosition b) {
  return a.line < b.line || (a.line == b.line && a.character < b.character);
}

}  // namespace

bool readObject(const QJsonValue& value, const QString& where, QJsonObject* object,
                QString* problem) {
  if (!value.isObject()) return wrong(where, "an object", problem);
  *object = value.toObject();
  return true;
}

bool readString(const QJsonObject& object, const QString& where, const char* key, QString* text,
                QString* problem) {
  const QJsonValue value = object.value(QLatin1StringView(key));
  if (!value.isString()) return wrong(path(where, key), "a string", problem);
  *text = value.toString();
  return true;
}

bool readInteger(const QJsonObject& object, const QString& where, const char* key, qint64* number,
                 QString* problem) {
  const QJsonValue value = object.value(QLatin1StringView(key));
  const double d = value.toDouble(0.5);
  // LSP's integers and uintegers fit in 32 bits.
  if (!value.isDouble() || std::floor(d) != d || std::fabs(d) > 2147483647.0)
    return wrong(path(where, key), "an integer", problem);
  *number = qint64(d);
  return true;
}

bool readPosition(const QJsonObject& object, const QString& where, const char* key,
                  TextPosition* position, QString* problem) {
  const QString at = path(where, key);
  QJsonObject fields;
  if (!readObject(object.value(QLatin1StringView(key)), at, &fields, problem) ||
      !readInteger(fields, at, "line", &position->line, problem) ||
      !readInteger(fields, at, "character", &position->character, problem)) {
    return false;
  }
  if (position->line < 0 || position->character < 0)
    return wrong(at, "a position with no negative number", problem);
  return true;
}

bool readRange(const QJsonObject& object, const QString& where, const char* key, TextRange* range,
               QString* problem) {
  const QString at = path(where, key);
  QJsonObject fields;
  if (!readObject(object.value(QLatin1StringView(key)), at, &fields, problem) ||
      !readPosition(fields, at, "start", &range->start, problem) ||
      !readPosition(fields, at, "end", &range->end, problem)) {
    return false;
  }
  if (range->end < range->start)
    return wrong(at, "a range that does not end before it starts", problem);
  return true;
}

bool readDocumentUri(const QJsonValue& params, QString* uri, QString* problem) {
  QJsonObject object;
  QJsonObject document;
  return readObject(params, QStringLiteral("params"), &object, problem) &&
         readObject(object.value(QLatin1StringView("textDocument")),
                    QStringLiteral("params.textDocument"), &document, problem) &&
         readString(document, QStringLiteral("params.textDocument"), "uri", uri, problem);
}

bool readDocumentPosition(const QJsonValue& params, QString* uri, TextPosition* position,
                          QString* problem) {
  return readDocumentUri(params, uri, problem) &&
         readPosition(params.toObject(), QStringLiteral("params"), "position", position, problem);
}

QJsonObject toJson(TextPosition position) {
  return {{QLatin1StringView("line"), position.line},
          {QLatin1StringView("character"), position.character}};
}

QJsonObject toJson(const TextRange& range) {
  return {{QLatin1StringView("start"), toJson(range.start)},
          {QLatin1StringView("end"), toJson(range.end)}};
}

}  // namespace lsp
