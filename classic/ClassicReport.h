#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "DiagnosticSink.h"

// The report and status texts that the desktop program shows and that
// vornel-scan's classic format writes the same way.
namespace classic {

inline const QString kNoProblems = QStringLiteral("No problems found!");
inline const QString kCouldNotRead = QStringLiteral("Could not read the file");

// How a status shows a name on a terminal: escaped, so that it can neither
// break the line nor command the terminal. Null: as it is, as the desktop
// program shows it.
using Shown = QString (*)(QStringView);

// A long path is shown as its first 60 characters and "...".
QString displayName(const QString& path);
// "File <display name> Selected", the name cut short before it is `shown`.
QString fileLine(const QString& path, Shown shown = nullptr);
// "File <display name> Selected", CR, "<alerts> Alerts. "
QString summary(const QString& path, qint64 alerts, Shown shown = nullptr);
// "Cannot read <path>: <reason>"
QString cannotRead(const QString& path, const QString& reason);

// Appends the alert's report line, "<line> <statement>:  <message>", with
// nothing after it.
void appendLine(const Diagnostic& alert, QString* report);
// The same in the system code page, ended by a newline. `numberColour`, a
// terminal's colour sequence such as "\x1b[32m", colours the line number.
void appendLine(const Diagnostic& alert, QByteArray* report, QByteArrayView numberColour = {});

// The desktop program's report text as alerts come: their lines separated
// by CR LF, with none before the first or after the last.
// A report that would grow past `mostCharacters` is dropped instead, and
// tooLarge() says so: a window cannot show one of any size.
class ReportText : public DiagnosticSink {
 public:
  explicit ReportText(qsizetype mostCharacters = -1) : most_(mostCharacters) {}
  void diagnostic(const Diagnostic& alert) override;
  qint64 alerts() const { return alerts_; }
  const QString& text() const { return text_; }
  bool tooLarge() const { return tooLarge_; }

 private:
  QString text_;
  qint64 alerts_ = 0;
  qsizetype most_;
  bool tooLarge_ = false;
};

}  // namespace classic
