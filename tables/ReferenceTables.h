#pragma once

#include <QStringList>
#include <QtGlobal>

#include "CodeIndex.h"

// The tag table and the parameter table. Row i of a table is line i of its
// file; element 0 of every list exists once loaded and is never a row.
struct ReferenceTables {
  qint64 TagCount = 0;
  QStringList TagNames;
  QStringList TagMessages;
  QStringList TagNotes;

  qint64 ParamCount = 0;
  QStringList ParamNames;
  QStringList ParamMessages;
  QStringList ParamNotes;

  CodeIndex TagIndex;
  CodeIndex ParamIndex;
};
