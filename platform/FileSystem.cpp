#include "FileSystem.h"

#include "NativePath.h"

std::unique_ptr<ByteSource> FileSystem::openNative(const QByteArray& path, QString* error) {
  return open(decodeNativePath(path), error);
}

std::unique_ptr<ByteSource> FileSystem::openStandardInput(QString* error) {
  *error = QStringLiteral("standard input cannot be read here");
  return nullptr;
}

bool readAll(ByteSource& source, QByteArray* bytes, QString* error) {
  constexpr qint64 kFirstChunk = 64 * 1024;
  // A file says how much it holds, so it is read into one buffer of that
  // size and one byte more, which shows its end; a stream doubles the
  // buffer as it goes.
  const qint64 known = source.size();
  bytes->resize(known >= 0 ? known + 1 : kFirstChunk);
  qint64 used = 0;
  for (;;) {
    if (used == bytes->size()) bytes->resize(2 * used);
    const qint64 n = source.read(bytes->data() + used, bytes->size() - used, error);
    if (n <= 0) {
      bytes->truncate(used);
      return n == 0;
    }
    used += n;
  }
}
