#include "PrintedReport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace printedreport {

namespace {

constexpr qreal kMarginMm = 15.0;
constexpr qreal kHair = 0.5;  // in device pixels of the writer, 1/2400 inch

void appendLinesOf(QString text, QStringList* into) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  *into += text.split(QLatin1Char('\n'));
}

}  // namespace

QStringList lines(const QString& status, const QString& report) {
  QStringList printed;
  appendLinesOf(status, &printed);
  appendLinesOf(report, &printed);
  return printed;
}

QByteArray renderPdf(const QStringList& lines, const QPageSize& pageSize, const QString& title) {
  QByteArray pdf;
  QBuffer out(&pdf);
  out.open(QIODevice::WriteOnly);
  QPdfWriter writer(&out);
  writer.setTitle(title);
  writer.setCreator(QStringLiteral("Vornel Script Checker 1.0"));
  writer.setPageSize(pageSize);
  writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                        QPageLayout::Millimeter);

  QTextDocument document;
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(kPointSize);
  document.setDefaultFont(font);
  document.setDocumentMargin(0);
  // Laid out for the writer's resolution, so point sizes are true on paper.
  document.documentLayout()->setPaintDevice(&writer);
  document.setPlainText(lines.join(QLatin1Char('\n')));
  const QSizeF page(writer.width(), writer.height());
  document.setPageSize(page);

  QPainter painter;
  if (!painter.begin(&writer)) return QByteArray();
  for (int i = 0; i < document.pageCount(); ++i) {
    if (i > 0) writer.newPage();
    painter.save();
    painter.translate(0, -i * page.height());
    // A line moved to the head of the next page starts exactly at this page's
    // foot, and the layout draws lines that touch the clip's edge: stopping
    // the clip a hair short keeps such a line off this page.
    const QRectF clip(0, i * page.height(), page.width(), page.height() - kHair);
    document.drawContents(&painter, clip);
    painter.restore();
  }
  painter.end();
  return pdf;
}

}  // namespace printedreport
