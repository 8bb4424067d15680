#include "FolderListing.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

FolderEntry::Kind kindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return FolderEntry::Kind::File;
  if (S_ISDIR(st.st_mode)) return FolderEntry::Kind::Folder;
  return FolderEntry::Kind::Other;
}

// The kind of an entry whose type the listing did not tell, or that is a
// link; one that is gone by now is something else.
FolderEntry::Kind lookUp(int folder, const char* name, QString* reason) {
  struct stat st {};
  if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return FolderEntry::Kind::Other;
  if (!S_ISLNK(st.st_mode)) return kindOf(st);
  if (::fstatat(folder, name, &st, 0) != 0) {
    *reason = systemError(errno);
    return FolderEntry::Kind::BrokenLink;
  }
  return S_ISDIR(st.st_mode) ? FolderEntry::Kind::LinkToFolder : kindOf(st);
}

}  // namespace

bool listFolder(const QByteArray& path, std::vector<FolderEntry>* entries, QString* error) {
  entries->clear();
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = systemError(errno);
    return false;
  }
  DIR* folder = ::fdopendir(fd);
  if (!folder) {
    *error = systemError(errno);
    ::close(fd);
    return false;
  }
  // readdir() tells its failure by errno alone, which a look at an entry
  // may have set: it is cleared before each call and read at once.
  int failure = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder);
    if (!entry) {
      failure = errno;
      break;
    }
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    FolderEntry::Kind kind;
    QString reason;
    switch (entry->d_type) {
      case DT_REG:
        kind = FolderEntry::Kind::File;
        break;
      case DT_DIR:
        kind = FolderEntry::Kind::Folder;
        break;
      case DT_LNK:
      case DT_UNKNOWN:
        kind = lookUp(::dirfd(folder), name, &reason);
        break;
      default:
        kind = FolderEntry::Kind::Other;
    }
    entries->push_back({QByteArray(name), kind, reason});
  }
  ::closedir(folder);
  if (failure != 0) {
    *error = systemError(failure);
    return false;
  }
  return true;
}

bool kindOfPath(const QByteArray& path, FolderEntry::Kind* kind, QString* error,
                FileIdentity* identity) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0) {
    *error = systemError(errno);
    return false;
  }
  *kind = kindOf(st);
  if (identity) *identity = identityFrom(st);
  return true;
}
