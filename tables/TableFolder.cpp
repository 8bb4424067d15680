#include "TableFolder.h"

#include <QDir>

#include "ProgramFolder.h"

QString tableFilePath(const QString& folder, const QString& name) {
  const QString absolute =
      QDir::isAbsolutePath(folder) ? folder : QDir::currentPath() + u'/' + folder;
  return QDir::cleanPath(absolute + u'/' + name);
}

QString fixedTableFolder() {
  return QDir::cleanPath(programFolder() + QStringLiteral("/../share/vornel-script-checker"));
}
