#pragma once

#include <QString>
#include <QStringList>

// How the harness writes what the window would show.
namespace consoleoutput {

// The report on stdout: each alert line followed by a newline.
QByteArray reportForStdout(const QString& report);
// The status text with each CR as a newline, then the message boxes' texts,
// each line ended by a newline.
QByteArray statusForStderr(const QString& status, const QStringList& messages);

}  // namespace consoleoutput
