#include "TableCheck.h"

#include <algorithm>

#include <QHash>

#include "StatementSyntax.h"
#include "TableFolder.h"
#include "TableLoader.h"

namespace {

bool isControl(QChar c) {
  return c < u' ' || c == u'\x7f';
}

// Why a statement can never hold the 4-character `code` between quotation
// marks, or empty: the statement's rules applied to the quoted code. Every
// character before a space is one a statement keeps, or the loop would have
// stopped there, so a space follows the code's own character, or the opening
// quotation mark when it stands first.
QString neverMatches(QStringView code) {
  using syntax::Treatment;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const char16_t c = code[i].unicode();
    switch (syntax::treatmentOf(c)) {
      case Treatment::Comment:
        return QStringLiteral("a statement ends where '%1' starts a comment").arg(QChar(c));
      case Treatment::Dropped:
      case Treatment::LineEnd:
        return QStringLiteral("a statement drops the character U+%1")
            .arg(c, 4, 16, QLatin1Char('0'));
      case Treatment::Space:
        if (!(i > 0 && i + 1 < code.size() && syntax::isWordCharacter(code[i - 1].unicode()) &&
              syntax::isWordCharacter(code[i + 1].unicode()))) {
          return QStringLiteral(
              "a statement keeps a space only between two ASCII letters or digits");
        }
        break;
      case Treatment::Kept:
      case Treatment::Equals:
        break;
    }
  }
  return QString();
}

class Checker {
 public:
  explicit Checker(std::vector<Diagnostic>* found) : found_(found) {}

  void add(Rule rule, const QString& path, qint64 line, QStringView code, const QString& message,
           qint64 column = 1) {
    Diagnostic d;
    d.rule = rule;
    d.path = path;
    d.line = line;
    // A row is named by its line, which its code starts.
    d.column = line > 0 ? column : 0;
    d.statement = code.toString();
    d.text = message;
    found_->push_back(std::move(d));
  }

  void checkRows(const ReferenceTable& table, const QString& path) {
    QHash<QString, qint64> firstLine;
    for (const TableRow& row : table.rows()) {
      const QString code = row.code.toString();
      // Each format escapes the code in the message as it escapes any text.
      const QString shown = u'\'' + code + u'\'';
      if (code.size() != 4) {
        add(Rule::CodeLength, path, row.line, code,
            QStringLiteral("code %1 has %2 characters; only a code of 4 can match")
                .arg(shown)
                .arg(code.size()));
      } else if (const QString why = neverMatches(code); !why.isEmpty()) {
        add(Rule::NeverMatches, path, row.line, code,
            QStringLiteral("code %1 can never match: %2").arg(shown, why));
      } else if (code.contains(u'"')) {
        add(Rule::Quote, path, row.line, code,
            QStringLiteral("code %1 holds a quotation mark: it matches only where a quoted text "
                           "ends inside it")
                .arg(shown));
      } else if (std::any_of(code.begin(), code.end(), isControl)) {
        add(Rule::ControlCharacter, path, row.line, code,
            QStringLiteral("code %1 holds a control character").arg(shown));
      }
      if (const auto earlier = firstLine.constFind(code); earlier != firstLine.cend()) {
        add(Rule::ListedTwice, path, row.line, code,
            QStringLiteral("code %1 is listed on line %2 already: this row is never reported")
                .arg(shown)
                .arg(*earlier));
      } else {
        firstLine.insert(code, row.line);
      }
    }
  }

 private:
  std::vector<Diagnostic>* found_;
};

}  // namespace

QString shownCode(QStringView code) {
  QString shown = QStringLiteral("'");
  for (const QChar c : code) {
    if (isControl(c)) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return shown + u'\'';
}

std::vector<Diagnostic> checkTables(FileSystem& files, const QString& folder,
                                    TableRowCounts* rows) {
  std::vector<Diagnostic> found;
  Checker checker(&found);
  const QString tagsPath = tableFilePath(folder, QStringLiteral("tags.txt"));
  const QString paramsPath = tableFilePath(folder, QStringLiteral("param.txt"));
  ReferenceTable tags, params;
  TableFault fault;
  const bool tagsRead = loadTable(files, tagsPath, tablerecord::Format::Tags, &tags, &fault);
  if (!tagsRead)
    checker.add(Rule::TableFault, fault.path, fault.line, {}, fault.reason, fault.column);
  else
    checker.checkRows(tags, tagsPath);
  const bool paramsRead =
      loadTable(files, paramsPath, tablerecord::Format::Params, &params, &fault);
  if (!paramsRead)
    checker.add(Rule::TableFault, fault.path, fault.line, {}, fault.reason, fault.column);
  else
    checker.checkRows(params, paramsPath);
  if (rows) *rows = {qsizetype(tags.rows().size()), qsizetype(params.rows().size())};
  if (!tagsRead || !paramsRead) return found;

  // A code in both tables, told at its parameter row.
  for (const TableRow& row : params.rows()) {
    const qsizetype tag = tags.find(row.code);
    if (tag < 0 || params.find(row.code) != &row - params.rows().data()) continue;
    checker.add(Rule::InBothTables, paramsPath, row.line, row.code,
                QStringLiteral("code %1 is in both tables (tags.txt line %2): a parameter call "
                               "reports this row, a tag call the tag's, and a line with = and no "
                               "call name both, this one first")
                    .arg(u'\'' + row.code.toString() + u'\'')
                    .arg(tags.row(tag).line));
  }
  return found;
}
