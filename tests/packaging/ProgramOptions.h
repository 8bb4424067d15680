#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include "RunScan.h"

// Every option name that `vornel-scan --help` lists, short and long: the
// options as they are, which the manual page and the completion must know.
inline QSet<QString> optionsOfHelp() {
  const ScanRunResult help = runScan({QStringLiteral("--help")});
  QSet<QString> options;
  // An option's line starts with two spaces and its names, "-j, --jobs <n>";
  // the lines that go on with a description are indented further.
  static const QRegularExpression optionLine(QStringLiteral("^  (-[^ ,<]+(?:, -[^ ,<]+)*)"),
                                             QRegularExpression::MultilineOption);
  for (const QRegularExpressionMatch& match : optionLine.globalMatch(QString::fromUtf8(help.out))) {
    for (const QString& name : match.captured(1).split(QStringLiteral(", "))) options.insert(name);
  }
  return options;
}
