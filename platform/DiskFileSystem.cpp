#include "DiskFileSystem.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>

#include <ctime>
#endif

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

  QByteArray identity() const override {
#if defined(Q_OS_UNIX)
    struct stat st {};
    if (::fstat(file_.handle(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    // Any change to the file's bytes sets its change time to the present,
    // but only to the clock's last tick: a file changed within the last
    // second could change again without its times moving.
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0 || st.st_ctim.tv_sec >= now.tv_sec - 1)
      return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) +
           ':' + QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ':' +
           QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_ctim.tv_nsec));
#else
    return {};
#endif
  }

  QString errorString() const override {
    return file_.errorString();
  }

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
