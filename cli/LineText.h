#pragma once

#include <QByteArray>
#include <QStringView>

// Text for a format of one line per alert, in the system code page: a
// control character (a line end, above all) would break the line, so each
// one but the tab is written as `\xNN`.
QByteArray lineText(QStringView text);
