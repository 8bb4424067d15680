#include "FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

FileIdentity identityFrom(const struct stat& st) {
  return {quint64(st.st_dev), quint64(st.st_ino)};
}

bool identityOf(const QByteArray& path, FileIdentity* identity) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0) return false;
  *identity = identityFrom(st);
  return true;
}

bool identityOfStandardInput(FileIdentity* identity) {
  struct stat st {};
  if (::fstat(STDIN_FILENO, &st) != 0) return false;
  *identity = identityFrom(st);
  return true;
}
