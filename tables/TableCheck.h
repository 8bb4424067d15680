#pragma once

#include <vector>

#include <QString>

#include "FileSystem.h"
#include "Tables.h"

// What checking the tables found: a fault that refuses a table, or a row
// that loads but can never match, or is shadowed by another.
struct TableFinding {
  enum class Severity { Fault, Warning };
  Severity severity = Severity::Warning;
  // fault, code-length, never-matches, quote, control-character,
  // listed-twice, in-both-tables
  QString kind;
  QString path;
  qint64 line = 0;
  QString code;
  QString message;
};

// Reads tags.txt and param.txt from `folder` and checks every row: a code
// that is not four characters long, a character that no statement keeps
// where the code has it, a quotation mark or a control character in a code,
// a code listed twice in one table, a code in both tables. Findings come
// table by table, in line order.
std::vector<TableFinding> checkTables(FileSystem& files, const QString& folder);

// A code as messages show it: between quotes, control characters as \xNN.
QString shownCode(QStringView code);
