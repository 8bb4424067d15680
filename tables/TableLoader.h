#pragma once

#include <QString>

#include "FileSystem.h"
#include "HelperThread.h"
#include "TableRecord.h"
#include "Tables.h"

// Why a table was refused: the file, the line when the fault is in one, and
// the fault or the system's reason.
struct TableFault {
  QString path;
  qint64 line = 0;
  // 1-based, in code points, where the line goes wrong; 0 without a line.
  qint64 column = 0;
  QString reason;
  // "<path>: line <n>: <reason>", or "<path>: <reason>" without a line.
  QString message() const;
};

// Reads one table file: every line must be one record of `format`, as
// TableRecord defines it. False with `fault` set when the file cannot be
// read, is not a file (a pipe too is refused) or holds more than 64 MiB, or
// when a line is not a record.
bool loadTable(FileSystem& files, const QString& path, tablerecord::Format format,
               ReferenceTable* table, TableFault* fault);

// Reads tags.txt and param.txt from `folder` into `tables`, the second on
// `helper` at the same time when there is one and the second is large. False with `fault` set on
// the first failure, tags before parameters; `tables` is then left as it was.
bool loadTables(FileSystem& files, const QString& folder, Tables* tables, TableFault* fault,
                HelperThread* helper = nullptr);
