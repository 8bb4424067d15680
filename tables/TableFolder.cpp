#include "TableFolder.h"

#include <QCoreApplication>
#include <QDir>

QString fixedTableFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/vornel-script-checker"));
}
