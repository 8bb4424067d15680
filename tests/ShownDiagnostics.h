#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

// A diagnostic as tests compare it: "startLine:startChar-endLine:endChar code message".
inline QString shown(const QJsonValue& diagnostic) {
  const QJsonObject d = diagnostic.toObject();
  const QJsonObject start = d.value("range").toObject().value("start").toObject();
  const QJsonObject end = d.value("range").toObject().value("end").toObject();
  return QStringLiteral("%1:%2-%3:%4 %5 %6")
      .arg(start.value("line").toInt())
      .arg(start.value("character").toInt())
      .arg(end.value("line").toInt())
      .arg(end.value("character").toInt())
      .arg(d.value("code").toString(), d.value("message").toString());
}

inline QStringList shown(const QJsonArray& diagnostics) {
  QStringList all;
  for (const QJsonValue& d : diagnostics) all.append(shown(d));
  return all;
}
