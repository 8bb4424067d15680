#pragma once

#include <QString>

#include "Rules.h"
#include "Tables.h"

// One row as --explain and an editor's hover show it: where it is listed,
// its message and its note.
QString explainRow(const Tables& tables, TableKind table, const TableRow& row);
// One of the checker's own rules as --explain shows it: its name, its
// summary and what to do about it.
QString explainRule(const RuleInfo& rule);

// The same in Markdown, as a code-scanning service shows a rule's help. The
// tables' text is escaped, so that a `*` or `<` in a message reads as
// written rather than as markup.
QString explainRowMarkdown(const Tables& tables, TableKind table, const TableRow& row);
QString explainRuleMarkdown(const RuleInfo& rule);
