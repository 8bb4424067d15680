#include <algorithm>

#include "PublicSubs.h"

void PublicSubs::ReportParameterAlert() {
  appendAlert(Tables.ParamMessages.at(MatchIndex));
}

void PublicSubs::ReportTagAlert() {
  appendAlert(Tables.TagMessages.at(MatchIndex));
}

namespace {

// Writes `value` (0 or more) in decimal digits at `to`; returns the end.
QChar* writeNumber(qint64 value, QChar* to) {
  char16_t digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n > 0) *to++ = QChar(digits[--n]);
  return to;
}

QChar* write(QStringView text, QChar* to) {
  std::copy(text.begin(), text.end(), to);
  return to + text.size();
}

}  // namespace

void PublicSubs::appendAlert(const QString& message) {
  // The line is written in place into a report that grows by doubling, so an
  // alert costs the same however long the report already is.
  const QStringView separator = report_.isEmpty() ? QStringView() : QStringView(u"\r\n");
  const qsizetype most = separator.size() + 20 + 1 + Statement.size() + 3 + message.size();
  const qsizetype used = report_.size();
  if (report_.capacity() < used + most)
    report_.reserve(std::max(2 * report_.capacity(), used + most));
  report_.resize(used + most);
  QChar* to = report_.data() + used;
  to = write(separator, to);
  to = writeNumber(LineNumber, to);
  *to++ = QLatin1Char(' ');
  to = write(Statement, to);
  to = write(u":  ", to);
  to = write(message, to);
  report_.resize(to - report_.constData());
  ++AlertCount;
}
