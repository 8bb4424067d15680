#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "TextPositions.h"

// Reading the values of LSP's params, and writing its positions and ranges.
// Each reader returns false with `problem` naming the field and what it
// should have been when the value is not what the protocol has there.
namespace lsp {

struct TextRange {
  TextPosition start;
  TextPosition end;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

bool readObject(const QJsonValue& value, const QString& where, QJsonObject* object,
                QString* problem);
bool readString(const QJsonObject& object, const QString& where, const char* key, QString* text,
                QString* problem);
bool readInteger(const QJsonObject& object, const QString& where, const char* key, qint64* number,
                 QString* problem);
bool readPosition(const QJsonObject& object, const QString& where, const char* key,
                  TextPosition* position, QString* problem);
// A range whose end comes before its start is no range.
bool readRange(const QJsonObject& object, const QString& where, const char* key, TextRange* range,
               QString* problem);
// params.textDocument.uri, which most requests and notifications name.
bool readDocumentUri(const QJsonValue& params, QString* uri, QString* problem);
// The same and params.position: what a request about a place in a document
// (hover, definition, references) is asked with.
bool readDocumentPosition(const QJsonValue& params, QString* uri, TextPosition* position,
                          QString* problem);

QJsonObject toJson(TextPosition position);
QJsonObject toJson(const TextRange& range);

}  // namespace lsp
