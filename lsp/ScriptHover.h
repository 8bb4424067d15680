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
// The table alert at `position`, found as the hover finds it, with the
// range of its quoted code; false when there is none.
bool alertAt(const CheckSetup& setup, const QByteArray& text, TextPosition position,
             Diagnostic* alert, lsp::TextRange* range);
