#pragma once

#include <QString>

#include "Tables.h"

// One row as --explain and an editor's hover show it: where it is listed,
// its message and its note.
QString explainRow(const Tables& tables, TableKind table, const TableRow& row);
