#include "ClassicReport.h"

#include "SystemText.h"

namespace classic {

QString displayName(const QString& path) {
  constexpr qsizetype kShown = 60;
  return path.size() > kShown ? path.left(kShown) + QStringLiteral("...") : path;
}

QString fileLine(const QString& path) {
  return QStringLiteral("File ") + displayName(path) + QStringLiteral(" Selected");
}

QString summary(const QString& path, qint64 alerts) {
  return fileLine(path) + QLatin1Char('\r') + QString::number(alerts) + QStringLiteral(" Alerts. ");
}

QString cannotRead(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + reason;
}

void appendLine(const Alert& alert, QString* report) {
  *report += QString::number(alert.line);
  *report += QLatin1Char(' ');
  *report += alert.statement;
  *report += QLatin1StringView(":  ");
  *report += alert.message();
}

void appendLine(const Alert& alert, QByteArray* report) {
  *report += QByteArray::number(alert.line);
  *report += ' ';
  *report += encodeSystemText(alert.statement);
  *report += ":  ";
  *report += encodeSystemText(alert.message());
  *report += '\n';
}

void ReportText::alert(const Alert& alert) {
  if (alerts_ > 0) text_ += QLatin1StringView("\r\n");
  appendLine(alert, &text_);
  ++alerts_;
}

}  // namespace classic
