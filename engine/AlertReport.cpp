#include "PublicSubs.h"

void PublicSubs::ReportParameterAlert() {
  appendAlert(Tables.ParamMessages.at(MatchIndex));
}

void PublicSubs::ReportTagAlert() {
  appendAlert(Tables.TagMessages.at(MatchIndex));
}

void PublicSubs::appendAlert(const QString& message) {
  // Appending in place keeps an alert's cost independent of the report's length.
  if (!report_.isEmpty()) report_ += QStringLiteral("\r\n");
  ++AlertCount;
  report_ += QString::number(LineNumber);
  report_ += QLatin1Char(' ');
  report_ += Statement;
  report_ += QStringLiteral(":  ");
  report_ += message;
}
