#include "DefaultPrinter.h"

#include <cups/cups.h>

#include <QLocale>
#include <QPrinterInfo>

namespace {

QString cupsError() {
  const QString text = QString::fromUtf8(cupsLastErrorString());
  return text.isEmpty() ? QStringLiteral("The printing system refused the job.") : text;
}

QPageSize localDefaultPageSize() {
  return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize(QPageSize::Letter)
                                                                    : QPageSize(QPageSize::A4);
}

}  // namespace

bool findDefaultPrinter(DefaultPrinter* printer, QString* error) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    *error = QStringLiteral("There is no default printer.");
    return false;
  }
  // Qt names a printer instance "queue/instance"; jobs go to the queue.
  printer->queue = info.printerName().section(QLatin1Char('/'), 0, 0);
  const QPageSize size = info.defaultPageSize();
  printer->pageSize = size.isValid() ? size : localDefaultPageSize();
  return true;
}

bool submitPdf(const QString& queue, const QString& title, const QByteArray& pdf, QString* error) {
  const QByteArray name = queue.toLocal8Bit();
  const QByteArray jobTitle = title.toUtf8();
  const int job =
      cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), jobTitle.constData(), 0, nullptr);
  if (job == 0) {
    *error = cupsError();
    return false;
  }
  QString failure;
  if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), job, jobTitle.constData(),
                        CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE) {
    failure = cupsError();
  } else {
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(), static_cast<size_t>(pdf.size())) !=
        HTTP_STATUS_CONTINUE) {
      failure = cupsError();
    }
    // The request is ended even after a failed write, so the job is either
    // complete or refused as a whole.
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK &&
        failure.isEmpty()) {
      failure = cupsError();
    }
  }
  if (failure.isEmpty()) return true;
  // A half-sent job must not print.
  cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
  *error = failure;
  return false;
}
