#pragma once

#include <QByteArray>
#include <QString>

#include "CheckSetup.h"
#include "ProtocolValues.h"

// What hovering over a quoted code shows: its table row as
// `vornel-scan --explain` shows it, and the range of the quoted code.
struct ScriptHover {
  QString text;
  lsp::TextRange range;
};

// The hover at `position` of `text` (UTF-8); false when no quoted code that
// a table lists stands there. Only the position's own script line is
// scanned, and directives do not hide a code.
bool hoverAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             ScriptHover* hover);

// The row of the quoted code at `position`, found as hoverAt() finds it,
// with its table and the code's range; null when there is none.
const TableRow* rowAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
                      TableKind* table, lsp::TextRange* range);
