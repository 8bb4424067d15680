#include "FrmMain.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "ScriptDrop.h"

namespace {

QPushButton* makeButton(const QString& caption, const QString& name, const QRect& rect,
                        QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(rect);
  // Enter must not click anything: the window has no default button.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

FrmMain::FrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      lblInfo(new QLabel(QStringLiteral("User Info"), this)),
      cmdOpen(makeButton(QStringLiteral("Open Script"), QStringLiteral("cmdOpen"),
                         QRect(6, 48, 91, 25), this)),
      cmdPrint(makeButton(QStringLiteral("Print Report"), QStringLiteral("cmdPrint"),
                          QRect(390, 48, 91, 25), this)),
      txtReport(new QPlainTextEdit(QStringLiteral("Script Report"), this)),
      Timer1(new QTimer(this)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Vornel Script Checker 1.0"));
  setFixedSize(kClientWidth, kClientHeight);

  lblInfo->setObjectName(QStringLiteral("lblInfo"));
  lblInfo->setGeometry(6, 6, 475, 37);
  // File names may hold "<" or "&": the status is never markup.
  lblInfo->setTextFormat(Qt::PlainText);
  lblInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblInfo->setWordWrap(true);
  lblInfo->setFocusPolicy(Qt::NoFocus);

  txtReport->setObjectName(QStringLiteral("txtReport"));
  txtReport->setGeometry(6, 84, 475, 271);
  txtReport->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtReport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Tab moves between the controls, as in any text box of a form.
  txtReport->setTabChangesFocus(true);
  txtReport->document()->setModified(false);

  setTabOrder(txtReport, cmdOpen);
  setTabOrder(cmdOpen, cmdPrint);
  txtReport->setFocus();

  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTimer1Interval);
  // A precise timer never fires early, so the splash stays up its full time.
  Timer1->setTimerType(Qt::PreciseTimer);

  setAcceptDrops(true);
  // The report box takes drops of text as any text box does; files dropped
  // on it are answered here first.
  txtReport->viewport()->installEventFilter(this);
}

bool FrmMain::event(QEvent* event) {
  return answerFileDrop(event) || QWidget::event(event);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  return (watched == txtReport->viewport() && answerFileDrop(event)) ||
         QWidget::eventFilter(watched, event);
}

bool FrmMain::answerFileDrop(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      // Files and addresses are dragged here to be opened, never to have
      // their names typed into the report.
      if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
      const QString script = droppedScript(drop->mimeData());
      if (script.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      if (event->type() == QEvent::Drop) emit scriptDropped(script);
      return true;
    }
    default:
      return false;
  }
}
