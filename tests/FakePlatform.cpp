#include "FakePlatform.h"

#include <algorithm>
#include <cstring>

namespace {

class MemorySource : public ByteSource {
 public:
  MemorySource(QByteArray bytes, bool stream, qint64 failAt, qint64 readSize,
               std::shared_ptr<std::atomic<qint64>> delivered, FileIdentity identity)
      : identity_(identity),
        bytes_(std::move(bytes)),
        stream_(stream),
        failAt_(failAt),
        readSize_(readSize),
        delivered_(std::move(delivered)) {}

  qint64 size() const override { return stream_ ? -1 : bytes_.size(); }

  bool identity(FileIdentity* identity) const override {
    *identity = identity_;
    return true;
  }

  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override {
    if (stream_) {
      *error = QStringLiteral("cannot be read by offset");
      return -1;
    }
    return deliver(offset, into, max, error);
  }

  qint64 read(char* into, qint64 max, QString* error) override {
    const qint64 n = deliver(position_, into, max, error);
    if (n > 0) position_ += n;
    return n;
  }

 private:
  qint64 deliver(qint64 offset, char* into, qint64 max, QString* error) {
    if (failAt_ >= 0 && offset >= failAt_) {
      *error = QStringLiteral("Input/output error");
      return -1;
    }
    qint64 n = std::min({max, readSize_, bytes_.size() - offset});
    if (failAt_ >= 0) n = std::min(n, failAt_ - offset);
    if (n <= 0) return 0;
    std::memcpy(into, bytes_.constData() + offset, static_cast<size_t>(n));
    *delivered_ += n;
    return n;
  }

  const FileIdentity identity_;
  const QByteArray bytes_;
  const bool stream_;
  const qint64 failAt_;
  const qint64 readSize_;
  qint64 position_ = 0;
  std::shared_ptr<std::atomic<qint64>> delivered_;
};

}  // namespace

std::unique_ptr<ByteSource> FakeFileSystem::open(const QString& path, QString* error) {
  return openAs(path, streams_, error);
}

std::unique_ptr<ByteSource> FakeFileSystem::openFile(const QString& path, QString* error) {
  return openAs(path, false, error);
}

std::unique_ptr<ByteSource> FakeFileSystem::openAs(const QString& name, bool stream,
                                                   QString* error) {
  const QMutexLocker locked(&lock_);
  ++opens_[name];
  const QString path = names_.value(name, name);
  if (openFailures_.contains(path)) {
    *error = openFailures_.value(path);
    return nullptr;
  }
  if (!files_.contains(path)) {
    *error = QStringLiteral("No such file or directory");
    return nullptr;
  }
  auto& delivered = delivered_[path];
  if (!delivered) delivered = std::make_shared<std::atomic<qint64>>(0);
  // Each path its own inode: its hash, which two paths of a test share
  // by chance as rarely as two files do.
  const FileIdentity identity{1, quint64(qHash(path))};
  return std::make_unique<MemorySource>(files_.value(path), stream, readFailures_.value(path, -1),
                                        readSize_, delivered, identity);
}

int FakeFileSystem::opens(const QString& path) const {
  const QMutexLocker locked(&lock_);
  return opens_.value(path);
}

qint64 FakeFileSystem::bytesRead(const QString& path) const {
  const QMutexLocker locked(&lock_);
  const auto delivered = delivered_.value(path);
  return delivered ? delivered->load() : 0;
}
