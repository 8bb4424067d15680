#pragma once

#include <QStringList>

#include "ScriptScanner.h"
#include "Tables.h"

// What checking a script takes: the tables, a scanner for them and the
// project's settings. Made whole when the tables are read, never changed
// after, and shared: a check holds the setup it began with while a reload
// puts a new one in its place.
struct CheckSetup {
  CheckSetup(Tables loaded, QStringList disabledCodes, bool directives)
      : tables(std::move(loaded)),
        scanner(tables),
        disabled(std::move(disabledCodes)),
        inlineConfig(directives) {}
  CheckSetup(const CheckSetup&) = delete;
  CheckSetup& operator=(const CheckSetup&) = delete;

  const Tables tables;
  const ScriptScanner scanner;  // refers to `tables`
  const QStringList disabled;   // codes the project file silences everywhere
  const bool inlineConfig;      // directives in comments silence alerts
};
