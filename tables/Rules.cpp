#include "Rules.h"

#include <array>

namespace {

using L = QLatin1StringView;

constexpr std::array kRules{
    RuleInfo{Rule::TableRow, L("table-row"), Severity::Warning, L("a listed code in a statement"),
             L("The table row's message and note say why the code deserves a warning.")},
    RuleInfo{Rule::NotADirective, L("not-a-directive"), Severity::Warning,
             L("a comment starts like a directive but is none"),
             L("Write it as '# vornel-scan: disable=CODE[,CODE...] -- reason', with "
               "disable-next-line or disable-file for the next line or the whole script, "
               "or reword the comment.")},
    RuleInfo{Rule::UnusedDisable, L("unused-disable"), Severity::Warning,
             L("a directive silences no alert"),
             L("The code it names no longer gives an alert where the directive reaches: "
               "remove the code from the directive, or the directive.")},
    RuleInfo{Rule::UnknownCode, L("unknown-code"), Severity::Warning,
             L("a directive names a code that no table lists"),
             L("Check the code's spelling against --list-codes, or remove it from the "
               "directive.")},
    RuleInfo{Rule::LateDisable, L("late-disable"), Severity::Warning,
             L("a disable-file came too late for a script read as a stream"),
             L("Move the disable-file directive to the top of the script, or check the "
               "script as a file rather than a stream.")},
    RuleInfo{Rule::TableFault, L("fault"), Severity::Error, L("a table cannot be read"),
             L("Mend the table at the line named, or, when none is, give a table file that "
               "can be read; no script is checked against tables that cannot be read.")},
    RuleInfo{Rule::CodeLength, L("code-length"), Severity::Warning,
             L("a code that is not 4 characters long"),
             L("Only a quoted code of 4 characters can match: shorten or lengthen it.")},
    RuleInfo{Rule::NeverMatches, L("never-matches"), Severity::Warning,
             L("a code holds a character no statement keeps there"),
             L("A statement drops tabs and line feeds, ends at '#' and keeps a space only "
               "between two letters or digits: such a code is never reported.")},
    RuleInfo{Rule::Quote, L("quote"), Severity::Warning, L("a code holds a quotation mark"),
             L("It matches only where a quoted text ends inside it.")},
    RuleInfo{Rule::ControlCharacter, L("control-character"), Severity::Warning,
             L("a code holds a control character"),
             L("Remove the control character from the code.")},
    RuleInfo{Rule::ListedTwice, L("listed-twice"), Severity::Warning,
             L("a code is listed twice in one table"),
             L("Only the first row is ever reported: remove the later one.")},
    RuleInfo{Rule::InBothTables, L("in-both-tables"), Severity::Warning,
             L("a code is in both tables"),
             L("A parameter call reports the parameter row, a tag call the tag's, and a "
               "line with = and no call name both.")},
    RuleInfo{Rule::LineEnds, L("line-ends"), Severity::Warning,
             L("a line ends in LF alone in a script read with CR line ends"),
             L("A script whose first line ends in CR or CR LF is read with those line ends: "
               "a LF alone stays inside its line, so the lines it ends are read as one, and "
               "what they hold goes unchecked or is taken for a comment. (A script whose "
               "first line ends in LF alone is read with LF line ends, under the default "
               "line-ends = auto.) Write every line end as CR LF: in a git repository, put "
               "'*.csm text eol=crlf' in .gitattributes (and '*.CSM text eol=crlf' for such "
               "names: git's patterns are case-sensitive), then run 'git add --renormalize .' "
               "and commit. Or let a lone LF end every line: 'line-ends = any' in the project "
               "file, or --line-ends any.")},
};

// The list is in the enum's order, so that a rule's entry is found by its value.
constexpr bool inOrder() {
  for (std::size_t i = 0; i < kRules.size(); ++i) {
    if (std::size_t(kRules[i].rule) != i) return false;
  }
  return true;
}
static_assert(inOrder());

}  // namespace

namespace rules {

std::span<const RuleInfo> all() {
  return std::span(kRules).subspan(1);
}

const RuleInfo& infoOf(Rule rule) {
  return kRules[std::size_t(rule)];
}

const RuleInfo* find(QStringView id) {
  for (const RuleInfo& info : all()) {
    if (info.id == id) return &info;
  }
  return nullptr;
}

QLatin1StringView tableName(TableKind table) {
  return table == TableKind::Tags ? QLatin1StringView("tags") : QLatin1StringView("params");
}

QString rowId(TableKind table, QStringView code) {
  QString id = tableName(table);
  id += u'/';
  id += code;
  return id;
}

QLatin1StringView severityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return QLatin1StringView("error");
    case Severity::Warning:
      break;
    case Severity::Info:
      return QLatin1StringView("info");
  }
  return QLatin1StringView("warning");
}

bool severityNamed(QStringView name, Severity* severity) {
  for (const Severity s : {Severity::Error, Severity::Warning, Severity::Info}) {
    if (name == severityName(s)) {
      *severity = s;
      return true;
    }
  }
  return false;
}

}  // namespace rules
