#include "ScriptName.h"

#include <QStringList>

QString scriptName(const QString& path) {
  if (path.isEmpty()) return path;
  QStringList kept;
  for (const QString& segment : path.split(u'/', Qt::SkipEmptyParts)) {
    if (segment != QStringLiteral(".")) kept.append(segment);
  }
  const bool absolute = path.startsWith(u'/');
  QString name = kept.join(u'/');
  if (name.isEmpty()) return absolute ? QStringLiteral("/") : QStringLiteral(".");
  if (absolute) name.prepend(u'/');
  // A trailing slash says a folder is meant, and tells why a file given
  // so cannot be read.
  if (path.endsWith(u'/')) name += u'/';
  return name;
}

QString scriptNameIn(const QString& folder, const QString& entry) {
  if (folder.isEmpty() || folder == QStringLiteral(".")) return entry;
  return folder.endsWith(u'/') ? folder + entry : folder + u'/' + entry;
}

QString tableName(const QString& folder, const QString& path) {
  return scriptName(scriptNameIn(folder, path.section(u'/', -1)));
}
