#include "MemorySource.h"

#include <cstring>

qint64 MemorySource::readAt(qint64 offset, char* into, qint64 max, QString* error) {
  Q_UNUSED(error);
  const qint64 n = qMin(max, bytes_.size() - qMin<qint64>(offset, bytes_.size()));
  if (n <= 0) return 0;
  std::memcpy(into, bytes_.constData() + offset, std::size_t(n));
  return n;
}

qint64 MemorySource::read(char* into, qint64 max, QString* error) {
  const qint64 n = readAt(position_, into, max, error);
  if (n > 0) position_ += n;
  return n;
}
