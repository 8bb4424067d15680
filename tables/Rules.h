#pragma once

#include <span>

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include "Tables.h"

// Everything the checker says about a place comes under a rule, named here
// and nowhere else: the reports, --explain and the SARIF rules read the
// names, severities and descriptions from this one list. A table row is a
// rule of its own, "<table>/<code>", described by the row itself.
enum class Rule : quint8 {
  TableRow,       // a listed code in a statement
  NotADirective,  // a comment that starts like a directive but is none
  UnusedDisable,  // a directive that silences nothing
  UnknownCode,    // a directive that names a code no table lists
  LateDisable,    // a disable-file that came too late for a stream
  TableFault,     // a table that cannot be read
  CodeLength,
  NeverMatches,
  Quote,
  ControlCharacter,
  ListedTwice,
  InBothTables,
  LineEnds,  // a script whose lines end in LF alone, read as fewer lines
};

// Info is told but fails no run.
enum class Severity : quint8 { Error, Warning, Info };

struct RuleInfo {
  Rule rule;
  QLatin1StringView id;
  Severity severity;
  QLatin1StringView summary;      // one line
  QLatin1StringView description;  // what to do about it
};

namespace rules {

// Every rule but the table rows, in the order above.
std::span<const RuleInfo> all();
const RuleInfo& infoOf(Rule rule);
// The rule called `id`, or nullptr; table rows are not in the list.
const RuleInfo* find(QStringView id);

// The name of a table as reports write it: "tags" or "params".
QLatin1StringView tableName(TableKind table);
// A table row's rule: "<table>/<code>".
QString rowId(TableKind table, QStringView code);

// "error", "warning" or "info", as the reports and the project file write it.
QLatin1StringView severityName(Severity severity);
// The severity called `name`, if any.
bool severityNamed(QStringView name, Severity* severity);

}  // namespace rules
