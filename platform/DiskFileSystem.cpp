#include "DiskFileSystem.h"

#include <QFile>
#include <QFileInfo>

namespace {

class DiskByteStream : public ByteStream {
 public:
  explicit DiskByteStream(const QString& path) : file_(path) {}

  bool open() { return file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

  qint64 read(char* into, qint64 max) override {
    const qint64 n = file_.read(into, max);
    return n < 0 ? -1 : n;
  }

  bool seek(qint64 offset) override { return file_.seek(offset); }
  qint64 size() const override { return file_.isSequential() ? -1 : file_.size(); }

  QString errorString() const override { return file_.errorString(); }

 private:
  QFile file_;
};

}  // namespace

std::unique_ptr<ByteStream> DiskFileSystem::openForInput(const QString& path, QString* error) {
  // Opening a folder succeeds on some systems and fails only at the first
  // read; refuse it up front so the message says what is wrong.
  if (QFileInfo(path).isDir()) {
    *error = QStringLiteral("Is a folder, not a file");
    return nullptr;
  }
  auto stream = std::make_unique<DiskByteStream>(path);
  if (!stream->open()) {
    *error = stream->errorString();
    return nullptr;
  }
  return stream;
}
