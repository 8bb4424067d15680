#include "QtWindowServices.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "FileFilter.h"
#include "FrmMain.h"
#include "ModalPrompts.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A label breaks lines at LF only; a CR alone or a CR LF starts a line here.
QString withLineFeeds(QString text) {
  text.replace(kCrLf, QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

}  // namespace

QtWindowServices::QtWindowServices(FrmMain& form, ModalPrompts& prompts)
    : form_(form),
      prompts_(prompts),
      status_(form.lblInfo->text()),
      report_(form.txtReport->toPlainText()) {}

void QtWindowServices::setStatusText(const QString& text) {
  status_ = text;
  form_.lblInfo->setText(withLineFeeds(text));
}

QString QtWindowServices::reportText() const {
  const QTextDocument* document = form_.txtReport->document();
  if (!document->isModified()) return report_;
  // The box keeps its lines as blocks; what the user typed gets the report's
  // own line ends. Shift+Enter inserts a line separator, which ends a line too.
  QString text = document->toRawText();
  text.replace(QChar::ParagraphSeparator, kCrLf);
  text.replace(QChar::LineSeparator, kCrLf);
  return text;
}

namespace {

// The box's text for a report: its lines joined in groups by line
// separators, which show and wrap as line breaks, and the groups by
// paragraph ends. A document of a few hundred long paragraphs loads many
// times faster than one of a paragraph per line, so a report of 100,000
// alerts appears at once.
QString boxTextOf(const QString& report) {
  constexpr int kLinesPerParagraph = 64;
  const char16_t lineSeparator = QChar::LineSeparator;
  QString text(report.size(), Qt::Uninitialized);
  QChar* to = text.data();
  int linesInParagraph = 0;
  for (qsizetype i = 0, n = report.size(); i < n; ++i) {
    if (report[i] == QLatin1Char('\r') && i + 1 < n && report[i + 1] == QLatin1Char('\n')) {
      ++i;
      *to++ = ++linesInParagraph % kLinesPerParagraph == 0 ? QChar(u'\n') : QChar(lineSeparator);
      continue;
    }
    *to++ = report[i];
  }
  text.truncate(to - text.constData());
  return text;
}

}  // namespace

void QtWindowServices::setReportText(const QString& text) {
  report_ = text;
  form_.txtReport->setPlainText(boxTextOf(text));
  form_.txtReport->document()->setModified(false);
}

void QtWindowServices::repaintNow() {
  // Paints the pending changes synchronously; unlike processing events, this
  // lets no click or key through while a command runs.
  form_.repaint();
}

void QtWindowServices::showOpenDialog() {
  chosen_ = prompts_.chooseFileToOpen(&form_, qtNameFilters(filter_));
}

void QtWindowServices::showMessageBox(const QString& text, const QString& title) {
  prompts_.showMessage(&form_, text, title);
}
