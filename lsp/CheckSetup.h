#pragma once

#include <QStringList>

#include "Exclusions.h"
#include "ScriptCheck.h"
#include "ScriptScanner.h"
#include "Tables.h"

// What checking a script takes: the tables, a scanner for them, the check
// with the project's settings and the scripts the project passes over.
// Made whole when the tables are read, never changed after, and shared: a
// check holds the setup it began with while a reload puts a new one in its
// place.
struct CheckSetup {
  CheckSetup(Tables loaded, CheckSettings settings, Exclusions passedOver = {})
      : tables(std::move(loaded)),
        scanner(tables),
        check(scanner, tables, std::move(settings)),
        excludes(std::move(passedOver)) {}
  CheckSetup(const CheckSetup&) = delete;
  CheckSetup& operator=(const CheckSetup&) = delete;

  const Tables tables;
  const ScriptScanner scanner;  // refers to `tables`
  const ScriptCheck check;      // refers to both
  const Exclusions excludes;    // the project file's exclude
};
