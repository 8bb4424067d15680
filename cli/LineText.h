#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text for a format of one line per alert, and for a terminal: of the
// characters that need escaping (see SystemText.h), each C0 or C1 control
// and DEL is written `\xNN`, its code in two lowercase hex digits, each
// bidi control `\u{NNNN}`, and a backslash `\\`, so that the text cannot
// break the line nor command the terminal, and reads back to what it was.
// In the system code page.
QByteArray lineText(QStringView text);
// The same text before it is encoded, for a message that names a script.
QString lineShown(QStringView text);
