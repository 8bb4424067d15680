#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "FileIdentity.h"

// What a folder holds, as the system names it: names are bytes, whatever
// their encoding.
struct FolderEntry {
  enum class Kind {
    File,          // a regular file, or a link to one
    Folder,        // a folder itself, never a link to one
    LinkToFolder,  // not followed: a link could lead back up the tree
    BrokenLink,    // a link that cannot be followed: dangling, looping, barred
    Other,         // a device, a pipe, a socket
  };
  QByteArray name;
  Kind kind = Kind::Other;
  QString reason;  // why a broken link cannot be followed
};

// Lists the folder at `path`, without "." and "..", in no particular order.
// False with `error` set to the system's reason when it cannot be listed;
// an entry that cannot be looked at is no reason, a broken link neither.
bool listFolder(const QByteArray& path, std::vector<FolderEntry>* entries, QString* error);

// What `path` names, following links: a file, a folder, or something else,
// and, when `identity` is given, which file it is. False with `error` set
// when it does not exist or cannot be looked at.
bool kindOfPath(const QByteArray& path, FolderEntry::Kind* kind, QString* error,
                FileIdentity* identity = nullptr);
