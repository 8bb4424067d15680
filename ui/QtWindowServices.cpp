#include "QtWindowServices.h"

#include <algorithm>

#include <QLabel>
#include <QPlainTextEdit>

#include "FileFilter.h"
#include "FrmMain.h"
#include "HugePages.h"
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
  const QStringView in(report);
  QString text(in.size(), Qt::Uninitialized);
  QChar* to = text.data();
  preferHugePages(to, std::size_t(in.size()) * sizeof(QChar));
  int linesInParagraph = 0;
  // Runs between CRs are copied whole; a search for the next CR is far
  // cheaper than a test per character.
  qsizetype from = 0;
  for (qsizetype cr; (cr = in.indexOf(QLatin1Char('\r'), from)) >= 0; from = cr + 1) {
    std::copy(in.begin() + from, in.begin() + cr, to);
    to += cr - from;
    if (cr + 1 < in.size() && in[cr + 1] == QLatin1Char('\n')) {
      *to++ =
          ++linesInParagraph % kLinesPerParagraph == 0 ? QChar(u'\n') : QChar(QChar::LineSeparator);
      ++cr;
    } else {
      *to++ = in[cr];
    }
  }
  std::copy(in.begin() + from, in.end(), to);
  to += in.size() - from;
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
