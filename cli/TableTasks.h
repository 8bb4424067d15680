#pragma once

#include <QString>

#include "CliOptions.h"
#include "FileSystem.h"
#include "ReportFormat.h"
#include "ReportOutput.h"
#include "RuleSelection.h"
#include "Tables.h"

// vornel-scan's tasks on the tables themselves. Each writes to `output` and
// returns the exit status.

// Whether `task` writes `format`: a check, of scripts or of the tables,
// every format; --list-codes classic, gcc or json; --explain classic or
// json.
bool taskWrites(CliOptions::Task task, const QString& format);
// Why it does not, as "--explain writes classic or json, not sarif".
QString unfitFormat(CliOptions::Task task, const QString& format);

// --check-tables: the tables of `folder`, named as in `shownFolder`, in
// `format`. 2 when a table is refused, 1 when a row can never match or is
// shadowed, 0 otherwise.
int checkTablesTask(FileSystem& files, const QString& folder, const QString& shownFolder,
                    const ReportFormat& format, ReportOutput& output);
// --list-codes: every row of both tables, tags first. 0.
int listCodesTask(const Tables& tables, const QString& format, ReportOutput& output);
// --explain: what `id` names, a code, a table row's rule ("params/zmod")
// or another rule, with the rows' notes, and the severity `selection` gives
// each. 0, or 1 when it names nothing.
int explainTask(const Tables& tables, const RuleSelection& selection, const QString& id,
                const QString& format, ReportOutput& output);
