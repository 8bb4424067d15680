#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

// Writing JSON by hand, for formats that stream a document too large to
// build as a QJsonDocument first.
namespace jsontext {

// Appends `text` as a JSON string, quotes included. Quotation marks,
// backslashes, control characters and bidi controls are escaped; anything
// else is UTF-8.
void appendString(QByteArray* out, QStringView text);

// The same for text that is known to be ASCII.
void appendString(QByteArray* out, QLatin1StringView text);

}  // namespace jsontext
