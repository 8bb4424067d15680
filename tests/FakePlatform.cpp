#include "FakePlatform.h"

#include <algorithm>
#include <cstring>

namespace {

class MemoryStream : public ByteStream {
 public:
  MemoryStream(QByteArray bytes, qint64 failAfter, qint64 readSize, QByteArray identity,
               std::shared_ptr<std::atomic<qint64>> delivered)
      : bytes_(std::move(bytes)),
        failAfter_(failAfter),
        readSize_(readSize),
        identity_(std::move(identity)),
        delivered_(std::move(delivered)) {}

  qint64 read(char* into, qint64 max) override {
    if (failAfter_ >= 0 && position_ >= failAfter_) return -1;
    qint64 n = std::min({max, readSize_, bytes_.size() - position_});
    if (failAfter_ >= 0) n = std::min(n, failAfter_ - position_);
    std::memcpy(into, bytes_.constData() + position_, static_cast<size_t>(n));
    position_ += n;
    *delivered_ += n;
    return n;
  }
  bool seek(qint64 offset) override {
    position_ = std::clamp<qint64>(offset, 0, bytes_.size());
    return true;
  }
  qint64 size() const override { return bytes_.size(); }
  QByteArray identity() const override { return identity_; }
  QString errorString() const override { return QStringLiteral("Input/output error"); }

 private:
  QByteArray bytes_;
  qint64 failAfter_;
  qint64 readSize_;
  qint64 position_ = 0;
  QByteArray identity_;
  std::shared_ptr<std::atomic<qint64>> delivered_;
};

}  // namespace

std::unique_ptr<ByteStream> FakeFileSystem::openForInput(const QString& path, QString* error) {
  const QMutexLocker locked(&openLock_);
  const int number = ++opens_[path];
  if (openFailures_.contains(path)) {
    *error = openFailures_.value(path);
    return nullptr;
  }
  const auto replacement = replacements_.constFind(path);
  if (replacement != replacements_.cend() && number >= replacement->openNumber &&
      files_.value(path) != replacement->bytes) {
    files_[path] = replacement->bytes;
    ++versions_[path];
  }
  if (!files_.contains(path)) {
    *error = QStringLiteral("No such file or directory");
    return nullptr;
  }
  const auto failure = readFailures_.constFind(path);
  const qint64 failAfter =
      failure != readFailures_.cend() && number >= failure->fromOpen ? failure->afterBytes : -1;
  const QByteArray identity =
      identities_ ? path.toUtf8() + '#' + QByteArray::number(versions_.value(path)) : QByteArray();
  auto& delivered = bytesRead_[path];
  if (!delivered) delivered = std::make_shared<std::atomic<qint64>>(0);
  return std::make_unique<MemoryStream>(files_.value(path), failAfter, readSize_, identity,
                                        delivered);
}

qint64 FakeFileSystem::bytesRead(const QString& path) const {
  const QMutexLocker locked(&openLock_);
  const auto delivered = bytesRead_.value(path);
  return delivered ? delivered->load() : 0;
}
