#include "CommandLine.h"

#include <cstdio>

#include "SystemText.h"

QString scriptFromArguments(const QStringList& arguments) {
  if (arguments.size() < 2) return QString();
  if (arguments.size() > 2) {
    const QByteArray said =
        encodeSystemText(QStringLiteral("vornel-script-checker: scans one script at a time, %1; "
                                        "ignored: %2\n")
                             .arg(arguments[1], arguments.mid(2).join(QStringLiteral(", "))));
    std::fwrite(said.constData(), 1, std::size_t(said.size()), stderr);
    std::fflush(stderr);
  }
  return arguments[1];
}
