#include "RowExplanation.h"

#include "TableCheck.h"

namespace {

bool isShadowed(const Tables& tables, TableKind table, const TableRow& row) {
  return tables[table].find(row.code) != &row - tables[table].rows().data();
}

const QString& pathOf(const Tables& tables, TableKind table) {
  return table == TableKind::Tags ? tables.tagsPath : tables.paramsPath;
}

const QLatin1StringView kShadowed(" (never reported: an earlier row lists it)");
const QLatin1StringView kInlineMarkup("\\`*_[]<>!&~|$");

// A table's text stands inside a paragraph, after words of the explanation's
// own, where no character can open a block: the ones escaped are those that
// mark up inline text (the dollar being GitHub's math). A line end would
// end the paragraph, so it stands as a space.
QString markdownText(QStringView text) {
  QString escaped;
  escaped.reserve(text.size() + 8);
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\r' || u == u'\n') {
      escaped += u' ';
      continue;
    }
    if (u < 0x80 && kInlineMarkup.contains(char(u))) escaped += u'\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace

QString explainRow(const Tables& tables, TableKind table, const TableRow& row) {
  return QStringLiteral("%1 in %2, %3 line %4%5\n  message: %6\n  note: %7\n")
      .arg(shownCode(row.code), rules::tableName(table), pathOf(tables, table),
           QString::number(row.line),
           isShadowed(tables, table, row) ? QString(kShadowed) : QString(), row.message, row.note);
}

QString explainRule(const RuleInfo& rule) {
  return QStringLiteral("%1: %2\n  %3\n").arg(rule.id, rule.summary, rule.description);
}

QString explainRowMarkdown(const Tables& tables, TableKind table, const TableRow& row) {
  return QStringLiteral("**%1** in %2, %3 line %4%5\n\n**message:** %6\n\n**note:** %7\n")
      .arg(markdownText(shownCode(row.code)), rules::tableName(table),
           markdownText(pathOf(tables, table)), QString::number(row.line),
           isShadowed(tables, table, row) ? markdownText(QString(kShadowed)) : QString(),
           markdownText(row.message), markdownText(row.note));
}

QString explainRuleMarkdown(const RuleInfo& rule) {
  return QStringLiteral("**%1**: %2\n\n%3\n")
      .arg(markdownText(QString(rule.id)), markdownText(QString(rule.summary)),
           markdownText(QString(rule.description)));
}
