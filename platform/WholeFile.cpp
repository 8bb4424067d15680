#include "WholeFile.h"

namespace {

QString sizeText(qint64 bytes) {
  constexpr qint64 kMiB = qint64(1) << 20;
  constexpr qint64 kKiB = qint64(1) << 10;
  if (bytes >= kMiB && bytes % kMiB == 0) return QStringLiteral("%1 MiB").arg(bytes / kMiB);
  if (bytes >= kKiB && bytes % kKiB == 0) return QStringLiteral("%1 KiB").arg(bytes / kKiB);
  return QStringLiteral("%1 bytes").arg(bytes);
}

}  // namespace

std::unique_ptr<ByteSource> openWhole(FileSystem& files, const QString& path, qint64 most,
                                      QString* error) {
  std::unique_ptr<ByteSource> source = files.openFile(path, error);
  if (source && source->size() > most) {
    *error = QStringLiteral("Is larger than %1, the most read of a file of its kind")
                 .arg(sizeText(most));
    return nullptr;
  }
  return source;
}

bool readWhole(FileSystem& files, const QString& path, qint64 most, QByteArray* bytes,
               QString* error) {
  const std::unique_ptr<ByteSource> source = openWhole(files, path, most, error);
  return source && readAll(*source, bytes, error);
}
