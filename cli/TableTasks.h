#pragma once

#include <QString>

#include "FileSystem.h"
#include "ReportOutput.h"
#include "Tables.h"

// vornel-scan's tasks on the tables themselves. Each writes to `output` in
// the format named and returns the exit status, or -1 when the format does
// not fit the task (`error` then says so).

// --check-tables: 2 when a table is refused, 1 when a row can never match
// or is shadowed, 0 otherwise.
int checkTablesTask(FileSystem& files, const QString& folder, const QString& format,
                    ReportOutput& output, QString* error);
// --list-codes: every row of both tables, tags first. 0.
int listCodesTask(const Tables& tables, const QString& format, ReportOutput& output,
                  QString* error);
// --explain: the rows of one code, with their notes. 0, or 1 when no row
// holds it.
int explainTask(const Tables& tables, const QString& code, const QString& format,
                ReportOutput& output, QString* error);
