#pragma once

#include <QByteArray>
#include <QString>

#include "ProtocolValues.h"

// One edit of a document: LSP's TextEdit.
struct TextEdit {
  lsp::TextRange range;
  QString newText;
};

// The edit that silences `code` on the script line that holds `position`.
// The code joins the list of the line's `disable=` directive when it has
// one; otherwise the line gets `  # vornel-scan: disable=CODE -- reason` at
// its end, the reason a place holder for the writer's own (a
// directive counts after any `#`, so a line with a comment takes one too).
// A line whose comment holds a directive of another kind cannot take one
// after it, where it would run into that directive's codes: the line above
// gets `# vornel-scan: disable-next-line=CODE -- reason`, or the code joins the
// directive of that kind the line above has. False when no directive can
// name the code (it holds a comma, a space or a control character) or one
// names it already.
bool disableCodeEdit(const QByteArray& text, TextPosition position, const QString& code,
                     TextEdit* edit);
