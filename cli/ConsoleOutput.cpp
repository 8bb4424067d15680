#include "ConsoleOutput.h"

namespace consoleoutput {

QByteArray reportForStdout(const QString& report) {
  if (report.isEmpty()) return {};
  QString text = report;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text += QLatin1Char('\n');
  return text.toLocal8Bit();
}

QByteArray statusForStderr(const QString& status, const QStringList& messages) {
  QString text = status;
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  text += QLatin1Char('\n');
  for (const QString& message : messages) text += message + QLatin1Char('\n');
  return text.toLocal8Bit();
}

}  // namespace consoleoutput
