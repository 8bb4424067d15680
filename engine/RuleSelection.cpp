#include "RuleSelection.h"

namespace {

const QString kReported;

// What a name can be said of: a rule other than a table row, or a row.
struct Target {
  Rule rule = Rule::TableRow;
  TableKind table = TableKind::Tags;
  QStringView code;  // of a row
};

// How specifically `name` names `target`: 0 not at all, 1 its table, 2 its
// code, 3 the rule or row itself.
int specificity(const QString& name, const Target& target) {
  if (target.rule != Rule::TableRow) return name == rules::infoOf(target.rule).id ? 3 : 0;
  const QLatin1StringView table = rules::tableName(target.table);
  if (name == target.code) return 2;
  if (name.size() <= table.size() || !name.startsWith(table) || name[table.size()] != u'/')
    return 0;
  const QStringView rest = QStringView(name).sliced(table.size() + 1);
  return rest.isEmpty() ? 1 : rest == target.code ? 3 : 0;
}

// A diagnostic left out is silenced by something, always named.
QString ignoredBecause(const RuleChoice& source) {
  return source.ignoredBecause.isEmpty() ? QStringLiteral("ignored") : source.ignoredBecause;
}
QString unselectedBecause(const RuleChoice& source) {
  return source.unselectedBecause.isEmpty() ? QStringLiteral("not selected")
                                            : source.unselectedBecause;
}

int mostSpecific(const std::vector<RuleName>& names, const Target& target) {
  int most = 0;
  for (const RuleName& n : names) most = qMax(most, specificity(n.name, target));
  return most;
}

// Why `name` names nothing of `tables`, or empty when it names something.
QString namesNothing(const Tables& tables, const QString& name) {
  if (rules::find(name)) return QString();
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    const QLatin1StringView prefix = rules::tableName(table);
    if (name.size() > prefix.size() && name.startsWith(prefix) && name[prefix.size()] == u'/') {
      const QStringView code = QStringView(name).sliced(prefix.size() + 1);
      if (code.isEmpty() || tables[table].find(code) >= 0) return QString();
      return QStringLiteral("'%1' is not in %2").arg(code, prefix);
    }
  }
  if (tables.tags.find(name) >= 0 || tables.params.find(name) >= 0) return QString();
  return QStringLiteral(
             "'%1' is no rule and no table lists it (see --list-codes, and --explain RULE)")
      .arg(name);
}

}  // namespace

bool RuleSelection::make(const Tables& tables, const std::vector<RuleChoice>& sources,
                         const std::vector<RuleName>& severities, RuleSelection* selection,
                         QString* error, QStringList* warnings) {
  *selection = RuleSelection();
  const auto known = [&](const std::vector<RuleName>& names) {
    for (const RuleName& n : names) {
      if (const QString why = namesNothing(tables, n.name); !why.isEmpty()) {
        *error = n.where + QStringLiteral(": ") + why;
        return false;
      }
    }
    return true;
  };
  // A name that names nothing in an ignore or severity list can only leave
  // a diagnostic reported as it would be anyway: a row the keeper removed
  // must not stop every project that ignored it. One in a select list
  // could leave the run reporting nothing, so it stops the run.
  const auto noted = [&](const std::vector<RuleName>& names) {
    for (const RuleName& n : names) {
      if (const QString why = namesNothing(tables, n.name); !why.isEmpty() && warnings)
        warnings->append(n.where + QStringLiteral(": ") + why + QStringLiteral(", passed over"));
    }
  };
  for (const RuleChoice& source : sources) {
    if ((source.select && !known(*source.select)) || !known(source.extendSelect)) return false;
  }
  for (const RuleChoice& source : sources) noted(source.ignore);
  noted(severities);

  const auto decide = [&](const Target& target, Severity byDefault) {
    Decision decision;
    for (const RuleChoice& source : sources) {
      const int selected = qMax(source.select ? mostSpecific(*source.select, target) : 0,
                                mostSpecific(source.extendSelect, target));
      const int ignored = mostSpecific(source.ignore, target);
      if (selected > ignored) {
        decision.leftOutBy = -1;
      } else if (ignored > 0) {
        decision.leftOutBy = qint16(selection->reasons_.indexOf(ignoredBecause(source)));
      } else if (source.select) {
        decision.leftOutBy = qint16(selection->reasons_.indexOf(unselectedBecause(source)));
      }
    }
    decision.severity = byDefault;
    int most = 0;
    for (const RuleName& n : severities) {
      if (const int s = specificity(n.name, target); s > 0 && s >= most) {
        most = s;
        decision.severity = n.severity;
      }
    }
    return decision;
  };
  for (const RuleChoice& source : sources) {
    for (const QString& reason : {ignoredBecause(source), unselectedBecause(source)}) {
      if (!selection->reasons_.contains(reason)) selection->reasons_.append(reason);
    }
  }
  const std::span<const RuleInfo> all = rules::all();
  selection->rules_.resize(all.size() + 1);
  for (const RuleInfo& info : all)
    selection->rules_[std::size_t(info.rule)] = decide({info.rule, {}, {}}, info.severity);
  const Severity rowDefault = rules::infoOf(Rule::TableRow).severity;
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    std::vector<Decision>& rows = selection->rows_[int(table)];
    selection->firstRows_[int(table)] = tables[table].rows().data();
    rows.reserve(std::size_t(tables[table].rows().size()));
    for (const TableRow& row : tables[table].rows())
      rows.push_back(decide({Rule::TableRow, table, row.code}, rowDefault));
  }
  return true;
}

const RuleSelection::Decision* RuleSelection::decisionOf(Rule rule) const {
  return std::size_t(rule) < rules_.size() ? &rules_[std::size_t(rule)] : nullptr;
}

const RuleSelection::Decision* RuleSelection::decisionOf(TableKind table, qsizetype row) const {
  const std::vector<Decision>& rows = rows_[int(table)];
  return row >= 0 && std::size_t(row) < rows.size() ? &rows[std::size_t(row)] : nullptr;
}

const QString& RuleSelection::leftOut(Rule rule) const {
  const Decision* d = decisionOf(rule);
  return d && d->leftOutBy >= 0 ? reasons_[d->leftOutBy] : kReported;
}

Severity RuleSelection::severityOf(Rule rule) const {
  const Decision* d = decisionOf(rule);
  return d ? d->severity : rules::infoOf(rule).severity;
}

const QString& RuleSelection::leftOut(TableKind table, qsizetype row) const {
  const Decision* d = decisionOf(table, row);
  return d && d->leftOutBy >= 0 ? reasons_[d->leftOutBy] : kReported;
}

Severity RuleSelection::severityOf(TableKind table, qsizetype row) const {
  const Decision* d = decisionOf(table, row);
  return d ? d->severity : rules::infoOf(Rule::TableRow).severity;
}

const QString& RuleSelection::leftOut(const Diagnostic& d) const {
  return d.row ? leftOut(d.table, rowIndex(d)) : leftOut(d.rule);
}

Severity RuleSelection::severityOf(const Diagnostic& d) const {
  return d.row ? severityOf(d.table, rowIndex(d)) : severityOf(d.rule);
}

RuleChoice projectRuleChoice(const ProjectFile& project) {
  RuleChoice choice;
  const auto named = [&](const std::vector<ProjectFile::Named>& names) {
    std::vector<RuleName> out;
    for (const ProjectFile::Named& n : names)
      out.push_back({n.name, QStringLiteral("%1:%2").arg(project.path).arg(n.line)});
    return out;
  };
  if (project.select) choice.select = named(*project.select);
  choice.ignore = named(project.ignore);
  choice.ignoredBecause = QStringLiteral("disabled in ") + project.path;
  choice.unselectedBecause = QStringLiteral("not selected in ") + project.path;
  return choice;
}

std::vector<RuleName> projectSeverities(const ProjectFile& project) {
  std::vector<RuleName> out;
  for (const ProjectFile::Named& n : project.severities) {
    Severity severity = Severity::Warning;
    rules::severityNamed(n.severity, &severity);
    out.push_back({n.name, QStringLiteral("%1:%2").arg(project.path).arg(n.line), severity});
  }
  return out;
}
