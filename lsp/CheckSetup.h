#pragma once

#include <QStringList>

#include "ScriptCheck.h"
#include "ScriptScanner.h"
#include "Tables.h"

// What checking a script takes: the tables, a scanner for them and the
// check with the project's settings. Made whole when the tables are read, never changed
// after, and shared: a check holds the setup it began with while a reload
// puts a new one in its place.
struct CheckSetup {
  CheckSetup(Tables loaded, CheckSettings settings)
      : tables(std::move(loaded)), scanner(tables), check(scanner, tables, std::move(settings)) {}
  CheckSetup(const CheckSetup&) = delete;
  CheckSetup& operator=(const CheckSetup&) = delete;

  const Tables tables;
  const ScriptScanner scanner;  // refers to `tables`
  const ScriptCheck check;      // refers to both
};
