#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text for a format of one line per alert, in the system code page: a
// control character (a line end, above all) would break the line, so each
// one but the tab is written as `\xNN`.
QByteArray lineText(QStringView text);
// The same text before it is encoded, for a message that names a script.
QString lineShown(QStringView text);
