#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QString>
#include <QStringList>

// What "Print Report" puts on paper: the status text, then the report text,
// in an 11-point font, with nothing added.
namespace printedreport {

inline constexpr qreal kPointSize = 11.0;

// The printed lines: those of the status, then those of the report. A CR LF,
// a CR alone or a LF alone each end a line, and each text ends its last
// line, so an empty report prints as one empty line.
QStringList lines(const QString& status, const QString& report);

// The lines as one PDF document on pages of `pageSize`, broken into pages
// where the text reaches the bottom margin. Long lines wrap. Empty when the
// document could not be drawn.
QByteArray renderPdf(const QStringList& lines, const QPageSize& pageSize, const QString& title);

}  // namespace printedreport
