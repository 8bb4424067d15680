#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "Diagnostic.h"
#include "ProjectFile.h"
#include "Tables.h"

// A rule, a code or a table as a list names it: a rule ("line-ends"), a
// table row ("params/zmod"), a code of either table ("zmod") or a whole
// table ("tags/"); and where it was named, for a message: an option
// ("--select") or a file's line ("/p/.vornel-scan:3").
struct RuleName {
  QString name;
  QString where;
  Severity severity = Severity::Warning;  // of a severity entry
};

// One source's choice of what is reported, layered as Ruff layers them:
// a source with a select list replaces what the sources before it chose;
// one without changes it, adding what it extends the selection with and
// taking away what it ignores. Within one source the more specific name
// decides (a row over a code over a table), and of two as specific, the
// ignore.
struct RuleChoice {
  std::optional<std::vector<RuleName>> select;
  std::vector<RuleName> extendSelect;
  std::vector<RuleName> ignore;
  // What a diagnostic it leaves out is silenced by: "disabled in <file>".
  QString ignoredBecause;
  QString unselectedBecause;
};

// Which diagnostics are reported and at what severity, decided once for
// every rule and table row, so that a script's check only looks it up.
class RuleSelection {
 public:
  // Everything, each at its rule's severity.
  RuleSelection() = default;

  // The sources in order, each later one over those before it, and the
  // severities, the more specific name and then the later one winning.
  // False with `error` set ("<where>: <what>") when a name selected is no
  // rule, row, code or table of `tables`; such a name ignored or given a
  // severity is added to `warnings` instead.
  static bool make(const Tables& tables, const std::vector<RuleChoice>& sources,
                   const std::vector<RuleName>& severities, RuleSelection* selection,
                   QString* error, QStringList* warnings = nullptr);

  // Why `d` is not reported; empty when it is.
  const QString& leftOut(const Diagnostic& d) const;
  Severity severityOf(const Diagnostic& d) const;
  // The same of a rule other than a table row, and of the row `row` of `table`.
  const QString& leftOut(Rule rule) const;
  Severity severityOf(Rule rule) const;
  const QString& leftOut(TableKind table, qsizetype row) const;
  Severity severityOf(TableKind table, qsizetype row) const;

 private:
  struct Decision {
    qint16 leftOutBy = -1;  // in reasons_; -1: reported
    Severity severity = Severity::Warning;
  };
  const Decision* decisionOf(Rule rule) const;
  const Decision* decisionOf(TableKind table, qsizetype row) const;
  // The row's place in its table; the rows stay where they are in every
  // copy of the tables.
  qsizetype rowIndex(const Diagnostic& d) const {
    const TableRow* first = firstRows_[int(d.table)];
    return first ? d.row - first : -1;
  }

  // Empty until made: everything is reported at its rule's severity.
  std::vector<Decision> rules_;
  std::vector<Decision> rows_[2];  // by TableKind
  const TableRow* firstRows_[2] = {nullptr, nullptr};
  QStringList reasons_;
};

// The project file's choice, and its severities, for RuleSelection::make.
RuleChoice projectRuleChoice(const ProjectFile& project);
std::vector<RuleName> projectSeverities(const ProjectFile& project);
