#include "ConsoleOutput.h"

#include <cstring>

#include "SystemText.h"

namespace consoleoutput {

QByteArray reportForStdout(const QString& report) {
  if (report.isEmpty()) return {};
  // The report's CR LF separators become newlines; a copy that drops each CR
  // before a LF costs far less than replacing in the text.
  const QByteArray bytes = encodeSystemText(report);
  QByteArray out(bytes.size() + 1, Qt::Uninitialized);
  const char* in = bytes.constData();
  const char* const end = in + bytes.size();
  char* to = out.data();
  while (const char* cr = static_cast<const char*>(std::memchr(in, '\r', end - in))) {
    const bool beforeLf = cr + 1 < end && cr[1] == '\n';
    const qsizetype keep = cr - in + (beforeLf ? 0 : 1);
    std::memcpy(to, in, static_cast<size_t>(keep));
    to += keep;
    in = cr + 1;
  }
  std::memcpy(to, in, static_cast<size_t>(end - in));
  to += end - in;
  *to++ = '\n';
  out.truncate(to - out.constData());
  return out;
}

QByteArray statusForStderr(const QString& status, const QStringList& messages) {
  QString text = status;
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  text += QLatin1Char('\n');
  for (const QString& message : messages) text += message + QLatin1Char('\n');
  return encodeSystemText(text);
}

}  // namespace consoleoutput
