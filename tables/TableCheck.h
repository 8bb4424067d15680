#pragma once

#include <vector>

#include <QString>

#include "Diagnostic.h"
#include "FileSystem.h"
#include "Tables.h"

// Reads tags.txt and param.txt from `folder` and checks every row: a code
// that is not four characters long, a character that no statement keeps
// where the code has it, a quotation mark or a control character in a code,
// a code listed twice in one table, a code in both tables. A table that
// cannot be read is a diagnostic of its own rule, an error, at the line
// that is no record, or in no line (0) when the file cannot be read at all.
// They come table by table, in line order, each naming its table's file.
// With `rows`, counts the rows of the tables read.
struct TableRowCounts {
  qsizetype tags = 0;
  qsizetype params = 0;
};
std::vector<Diagnostic> checkTables(FileSystem& files, const QString& folder,
                                    TableRowCounts* rows = nullptr);

// A code as the explanations show it, which no format escapes: between
// quotes, control characters as \xNN.
QString shownCode(QStringView code);
