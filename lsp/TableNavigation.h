#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include "CheckSetup.h"
#include "TextPositions.h"

// From a script to the table rows it is checked against.
namespace tablenavigation {

// The rows of the quoted code at `position` of the script `text` (UTF-8),
// as LSP locations: its tag row, then its parameter row, each table's first
// row of the code, when both list it. Empty when no code a table lists
// stands there.
QJsonArray definitionAt(const CheckSetup& setup, const QByteArray& text, TextPosition position);

// The rows whose code holds `query`, as codes match, case and all: every
// row for an empty query. As LSP symbol information, tags first.
QJsonArray rowsMatching(const Tables& tables, const QString& query);

}  // namespace tablenavigation
