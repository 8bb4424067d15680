#pragma once

#include <QByteArray>
#include <QtGlobal>

struct stat;

// Which file a path leads to, links followed: its device and inode, the
// same for every name of the file, hard links and links to it included.
struct FileIdentity {
  quint64 device = 0;
  quint64 inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// False when `path` leads to nothing that can be looked at.
bool identityOf(const QByteArray& path, FileIdentity* identity);
bool identityOfStandardInput(FileIdentity* identity);
// The identity that the system tells of a file it has looked at.
FileIdentity identityFrom(const struct stat& st);
