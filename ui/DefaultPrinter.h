#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QString>

// The system's default printer and the hand-over of a document to it. Every
// step reports the printing system's own error text, so a failed print is
// never silent.
struct DefaultPrinter {
  QString queue;  // the print queue's name, without an instance
  QPageSize pageSize;
};

// False with `error` set when no default printer is set up.
bool findDefaultPrinter(DefaultPrinter* printer, QString* error);

// Queues `pdf` on `queue` as one job named `title`.
bool submitPdf(const QString& queue, const QString& title, const QByteArray& pdf, QString* error);
