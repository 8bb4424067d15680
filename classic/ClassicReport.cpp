#include "ClassicReport.h"

#include <algorithm>

#include "HugePages.h"
#include "SystemText.h"

namespace classic {

QString displayName(const QString& path) {
  constexpr qsizetype kShown = 60;
  return path.size() > kShown ? path.left(kShown) + QStringLiteral("...") : path;
}

QString fileLine(const QString& path, Shown shown) {
  const QString name = displayName(path);
  return QStringLiteral("File ") + (shown ? shown(name) : name) + QStringLiteral(" Selected");
}

QString summary(const QString& path, qint64 alerts, Shown shown) {
  return fileLine(path, shown) + QLatin1Char('\r') + QString::number(alerts) +
         QStringLiteral(" Alerts. ");
}

QString cannotRead(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + reason;
}

void appendLine(const Diagnostic& alert, QString* report) {
  *report += QString::number(alert.line);
  *report += QLatin1Char(' ');
  *report += alert.statement;
  *report += QLatin1StringView(":  ");
  *report += alert.givenMessage();
}

namespace {

// QByteArray::number()'s digits, without a byte array of their own.
void appendNumber(qint64 value, QByteArray* to) {
  if (value < 0) {
    *to += QByteArray::number(value);
    return;
  }
  char digits[20];
  int n = 0;
  do {
    digits[19 - n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  to->append(digits + 20 - n, n);
}

}  // namespace

void appendLine(const Diagnostic& alert, QByteArray* report, QByteArrayView numberColour) {
  if (!numberColour.isEmpty()) *report += numberColour;
  appendNumber(alert.line, report);
  if (!numberColour.isEmpty()) *report += "\x1b[0m";
  *report += ' ';
  appendSystemText(alert.statement, report);
  *report += ":  ";
  appendSystemText(alert.givenMessage(), report);
  *report += '\n';
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
  return std::copy(text.begin(), text.end(), to);
}

}  // namespace

void ReportText::diagnostic(const Diagnostic& alert) {
  // Written in place into a text that grows by doubling, so that an alert
  // costs the same however long the report is; a report of many megabytes
  // asks for huge pages as it grows.
  const QStringView separator = alerts_ > 0 ? QStringView(u"\r\n") : QStringView();
  const QStringView message = alert.givenMessage();
  const qsizetype most = separator.size() + 20 + 1 + alert.statement.size() + 3 + message.size();
  const qsizetype used = text_.size();
  if (tooLarge_) return;
  if (text_.capacity() < used + most) {
    // A fresh block takes the hint before anything is written to it.
    qsizetype room = qMax(2 * text_.capacity(), used + most);
    if (most_ >= 0) room = qMin(room, qMax(most_, used + most));
    QString bigger;
    bigger.reserve(room);
    preferHugePages(bigger.data(), std::size_t(bigger.capacity()) * sizeof(QChar));
    bigger.append(text_);
    text_ = std::move(bigger);
  }
  text_.resize(used + most);
  QChar* to = text_.data() + used;
  to = write(separator, to);
  to = writeNumber(alert.line, to);
  *to++ = QLatin1Char(' ');
  to = write(alert.statement, to);
  to = write(u":  ", to);
  to = write(message, to);
  text_.resize(to - text_.constData());
  ++alerts_;
  if (most_ >= 0 && text_.size() > most_) {
    tooLarge_ = true;
    text_ = QString();
  }
}

}  // namespace classic
