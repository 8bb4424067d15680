#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "FileSystem.h"

// A file read whole, with the most it may hold, so that a huge file is
// refused by name rather than filling memory.
// Its size is checked when it is open, before any byte is read; every read
// stops at that size, so a file that grows meanwhile is read as it was.
// Nullptr with `error` set to the reason when it cannot be read.
std::unique_ptr<ByteSource> openWhole(FileSystem& files, const QString& path, qint64 most,
                                      QString* error);

// Reads such a file into `bytes`. False with `error` set to the reason.
bool readWhole(FileSystem& files, const QString& path, qint64 most, QByteArray* bytes,
               QString* error);
