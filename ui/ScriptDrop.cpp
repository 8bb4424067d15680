#include "ScriptDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "FileFilter.h"
#include "ScanCommand.h"

QString droppedScript(const QMimeData* data) {
  if (!data || !data->hasUrls()) return QString();
  const QList<QUrl> urls = data->urls();
  // Several files at once would each need their own report; the window
  // holds one, so a drop of several is refused rather than half done.
  if (urls.size() != 1 || !urls[0].isLocalFile()) return QString();
  const QString path = urls[0].toLocalFile();
  return filterShows(scriptFilter(), QFileInfo(path).fileName()) ? path : QString();
}
