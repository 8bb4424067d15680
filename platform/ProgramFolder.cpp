#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programFolder() {
  const QFileInfo executable(QStringLiteral("/proc/self/exe"));
  if (executable.isSymLink()) {
    const QString path = executable.canonicalFilePath();
    if (!path.isEmpty()) return QFileInfo(path).path();
  }
  // Without /proc, only the application object knows.
  return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}
