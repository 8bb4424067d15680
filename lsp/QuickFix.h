#pragma once

#include <QByteArray>
#include <QString>

#include "ProtocolValues.h"

// One edit of a document: LSP's TextEdit.
struct TextEdit {
  lsp::TextRange range;
  QString newText;
};

// The edit that silences `code` on the script line that holds `position`:
// the code added to the list of the line's `disable=` directive, or else
// `  # vornel-scan: disable=CODE` added at the line's end (a directive
// counts after any `#` of a line, so a line that has a comment takes one
// too). False when no directive can name the code (it holds a comma, a
// space or a control character) or the line's directive names it already.
bool disableCodeEdit(const QByteArray& text, TextPosition position, const QString& code,
                     TextEdit* edit);
