#include "FileFilter.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

QStringList patternsOf(const QString& patternList) {
  QStringList patterns = patternList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& pattern : patterns) pattern = pattern.trimmed();
  patterns.removeAll(QString());
  if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
  return patterns;
}

QString oneFilter(const QString& description, const QString& patternList) {
  const QStringList patterns = patternsOf(patternList);
  const QString bracketed = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  const QString label = description.trimmed();
  // Descriptions usually name their patterns already; the dialog would
  // otherwise show them twice.
  if (label.endsWith(bracketed)) return label;
  return label.isEmpty() ? bracketed : label + QLatin1Char(' ') + bracketed;
}

}  // namespace

QString qtNameFilters(const QString& filter) {
  if (filter.isEmpty()) return QString();
  const QStringList fields = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i < fields.size(); i += 2) {
    filters.append(oneFilter(fields[i], i + 1 < fields.size() ? fields[i + 1] : QString()));
  }
  return filters.join(QStringLiteral(";;"));
}

bool filterShows(const QString& filter, const QString& fileName) {
  const QStringList fields = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i < fields.size(); i += 2) {
    for (const QString& pattern : patternsOf(i + 1 < fields.size() ? fields[i + 1] : QString())) {
      if (QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive)
              .match(fileName)
              .hasMatch()) {
        return true;
      }
    }
  }
  return false;
}
