// The main window as laid out: client area, controls, texts, focus order and
// the settings of the report box and the buttons.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include "FrmMain.h"
#include "WindowPlacement.h"

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void controls_data();
  void controls();
  void window();
  void cannotBeResized();
  void shownCentred();
  void tabOrder_data();
  void tabOrder();
  void reportBox();
  void reportBoxWrapsAtItsWidth();
  void noDefaultButton();
  void timer1AtDesign();
  void cleanup();
};

void TestMainWindow::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<QString>("designText");

  QTest::newRow("lblInfo") << "lblInfo" << QRect(6, 6, 475, 37) << "User Info";
  QTest::newRow("cmdOpen") << "cmdOpen" << QRect(6, 48, 91, 25) << "Open Script";
  QTest::newRow("cmdPrint") << "cmdPrint" << QRect(390, 48, 91, 25) << "Print Report";
  QTest::newRow("txtReport") << "txtReport" << QRect(6, 84, 475, 271) << "Script Report";
}

namespace {

QString textOf(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QPushButton*>(control)) return button->text();
  if (auto* box = qobject_cast<const QPlainTextEdit*>(control)) return box->toPlainText();
  return QStringLiteral("<no text>");
}

}  // namespace

void TestMainWindow::controls() {
  QFETCH(QString, name);
  QFETCH(QRect, rect);
  QFETCH(QString, designText);

  FrmMain form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  auto* control = form.findChild<QWidget*>(name);
  QVERIFY2(control, qPrintable(name));
  QCOMPARE(control->parentWidget(), &form);
  QCOMPARE(control->geometry(), rect);
  QCOMPARE(textOf(control), designText);
  QVERIFY(control->isVisible());
}

void TestMainWindow::window() {
  FrmMain form;
  QCOMPARE(form.objectName(), QStringLiteral("frmMain"));
  QCOMPARE(form.windowTitle(), QStringLiteral("Vornel Script Checker 1.0"));
  QVERIFY(form.isWindow());
  QVERIFY(!form.isVisible());
  QVERIFY2(!form.testAttribute(Qt::WA_SetWindowIcon), "no icon of its own");
  const Qt::WindowFlags flags = form.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowTitleHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::FramelessWindowHint));
}

void TestMainWindow::cannotBeResized() {
  FrmMain form;
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.size(), QSize(485, 361));
  QCOMPARE(form.minimumSize(), QSize(485, 361));
  QCOMPARE(form.maximumSize(), QSize(485, 361));
  form.resize(700, 500);
  QCOMPARE(form.size(), QSize(485, 361));
  form.setGeometry(0, 0, 200, 100);
  QCOMPARE(form.size(), QSize(485, 361));
}

void TestMainWindow::shownCentred() {
  FrmMain form;
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QPoint screenCentre = form.screen()->availableGeometry().center();
  const QPoint windowCentre = form.frameGeometry().center();
  QVERIFY2((screenCentre - windowCentre).manhattanLength() <= 2,
           qPrintable(QStringLiteral("window centre %1,%2, screen centre %3,%4")
                          .arg(windowCentre.x())
                          .arg(windowCentre.y())
                          .arg(screenCentre.x())
                          .arg(screenCentre.y())));
}

void TestMainWindow::tabOrder_data() {
  QTest::addColumn<Qt::Key>("key");
  QTest::addColumn<QStringList>("visits");

  QTest::newRow("tab") << Qt::Key_Tab << QStringList{"cmdOpen", "cmdPrint", "txtReport"};
  QTest::newRow("backtab") << Qt::Key_Backtab << QStringList{"cmdPrint", "cmdOpen", "txtReport"};
}

void TestMainWindow::tabOrder() {
  QFETCH(Qt::Key, key);
  QFETCH(QStringList, visits);

  FrmMain form;
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowActive(&form));
  // The report box comes first in the order, so it starts with the focus.
  QTRY_COMPARE(QApplication::focusWidget(), form.txtReport);
  QCOMPARE(form.lblInfo->focusPolicy(), Qt::NoFocus);
  for (const QString& expected : visits) {
    QTest::keyClick(QApplication::focusWidget(), key);
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), expected);
  }
  QCOMPARE(form.txtReport->toPlainText(), QStringLiteral("Script Report"));
}

void TestMainWindow::reportBox() {
  FrmMain form;
  QPlainTextEdit* box = form.txtReport;
  QVERIFY(!box->isReadOnly());
  QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  QCOMPARE(form.lblInfo->alignment(), Qt::AlignHCenter | Qt::AlignTop);
  QCOMPARE(form.lblInfo->textFormat(), Qt::PlainText);
}

void TestMainWindow::reportBoxWrapsAtItsWidth() {
  FrmMain form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QString longAlert = QStringLiteral(
      "12 note=\"expo\"+\"zmod\":  Tag expo is written only after the first frame, so early reads "
      "return 0, and a second sentence makes the line longer than the box is wide");
  form.txtReport->setPlainText(longAlert);
  QCoreApplication::processEvents();
  const QTextBlock block = form.txtReport->document()->firstBlock();
  QVERIFY(block.layout());
  QVERIFY(block.layout()->lineCount() > 1);
  const qreal width = form.txtReport->viewport()->width();
  for (int i = 0; i < block.layout()->lineCount(); ++i) {
    QVERIFY(block.layout()->lineAt(i).naturalTextWidth() <= width);
  }
  QVERIFY(!form.txtReport->horizontalScrollBar()->isVisible());
  QVERIFY(form.txtReport->verticalScrollBar()->isVisible());
}

void TestMainWindow::noDefaultButton() {
  FrmMain form;
  for (QPushButton* button : {form.cmdOpen, form.cmdPrint}) {
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
    QVERIFY2(!button->text().contains(QLatin1Char('&')), "no access key");
  }
  // Enter in the window clicks nothing.
  int clicks = 0;
  for (QPushButton* button : {form.cmdOpen, form.cmdPrint}) {
    connect(button, &QPushButton::clicked, this, [&] { ++clicks; });
  }
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowActive(&form));
  form.cmdOpen->setFocus();
  QTest::keyClick(&form, Qt::Key_Return);
  QTest::keyClick(form.txtReport, Qt::Key_Enter);
  QCOMPARE(clicks, 0);
}

void TestMainWindow::timer1AtDesign() {
  FrmMain form;
  QCOMPARE(form.Timer1->objectName(), QStringLiteral("Timer1"));
  QCOMPARE(form.Timer1->parent(), &form);
  QCOMPARE(form.Timer1->interval(), 3000);
  QVERIFY(!form.Timer1->isActive());
}

void TestMainWindow::cleanup() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    QVERIFY2(!window->isVisible(), qPrintable(window->objectName() + " was left open"));
  }
}

QTEST_MAIN(TestMainWindow)
#include "test_ui_main_window.moc"
