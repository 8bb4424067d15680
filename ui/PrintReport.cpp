#include "CheckerProgram.h"
#include "DefaultPrinter.h"
#include "PrintedReport.h"

namespace {

const QString kJobTitle = QStringLiteral("Vornel Script Checker Report");
const QString kPrintFailed = QStringLiteral("Print Failed");

bool printOnDefaultPrinter(const QStringList& lines, QString* error) {
  DefaultPrinter printer;
  if (!findDefaultPrinter(&printer, error)) return false;
  const QByteArray pdf = printedreport::renderPdf(lines, printer.pageSize, kJobTitle);
  if (pdf.isEmpty()) {
    *error = QStringLiteral("The document could not be drawn for printing.");
    return false;
  }
  return submitPdf(printer.queue, kJobTitle, pdf, error);
}

}  // namespace

void CheckerProgram::PrintReport() {
  // Printed as the window shows them at the moment of the click; nothing in
  // the window changes, whether the print succeeds or not.
  const QStringList lines = printedreport::lines(window_->statusText(), window_->reportText());
  QString error;
  if (!printOnDefaultPrinter(lines, &error)) {
    window_->showMessageBox(QStringLiteral("The report was not printed: ") + error, kPrintFailed);
  }
}
