#include "ScriptDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "FileFilter.h"
#include "NativePath.h"
#include "ScanCommand.h"

namespace {

// The path a local file's address names, byte for byte. toLocalFile()
// decodes the address's escapes as UTF-8, each byte that is none as U+FFFD,
// which names no file; its path is taken again from the escapes, as the
// bytes the system knows it by.
QString localPath(const QUrl& url) {
  const QString local = url.toLocalFile();
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  return local.chopped(url.path(QUrl::FullyDecoded).size()) + decodeNativePath(bytes);
}

}  // namespace

QString droppedScript(const QMimeData* data) {
  if (!data || !data->hasUrls()) return QString();
  const QList<QUrl> urls = data->urls();
  // Several files at once would each need their own report; the window
  // holds one, so a drop of several is refused rather than half done.
  if (urls.size() != 1 || !urls[0].isLocalFile()) return QString();
  // The dialog names a file as toLocalFile() does, each byte that is no
  // UTF-8 as U+FFFD, and its filter matches that name.
  const QString shown = urls[0].toLocalFile();
  return filterShows(scriptFilter(), QFileInfo(shown).fileName()) ? localPath(urls[0]) : QString();
}
