// The window services on the real main window: texts kept exactly as set,
// what the label and the report box show, typed text, the forced repaint,
// and the hand-over to the dialog and the message boxes.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include "FakePrompts.h"
#include "FileFilter.h"
#include "FrmMain.h"
#include "QtWindowServices.h"
#include "ShownLines.h"
#include "WindowPlacement.h"

namespace {

// Counts the paints of one widget and keeps the label text each one showed.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QLabel* label) : label_(label) { label->installEventFilter(this); }
  QStringList painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted.append(label_->text());
    return false;
  }

 private:
  QLabel* label_;
};

// Notes whether a posted event got through.
class PostedEventCatcher : public QObject {
 public:
  bool delivered = false;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) {
      delivered = true;
      return true;
    }
    return QObject::event(event);
  }
};

}  // namespace

class TestWindowServices : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheDesignTexts();
  void statusText_data();
  void statusText();
  void reportText_data();
  void reportText();
  void typedText_data();
  void typedText();
  void hundredThousandLines();
  void repaintNowPaintsWithoutTakingInput();
  void nameFilters_data();
  void nameFilters();
  void filterShows_data();
  void filterShows();
  void openDialog();
  void cancelledDialogGivesNoName();
  void messageBox();
  void cleanup();
};

void TestWindowServices::startsWithTheDesignTexts() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  QCOMPARE(window.statusText(), QStringLiteral("User Info"));
  QCOMPARE(window.reportText(), QStringLiteral("Script Report"));
  QCOMPARE(window.chosenFileName(), QString());
}

void TestWindowServices::statusText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("shown");

  QTest::newRow("start of work") << "Select a Vornel Script file to process"
                                 << "Select a Vornel Script file to process";
  QTest::newRow("no file") << "No File Selected\rSelect a Vornel Script file to Process"
                           << "No File Selected\nSelect a Vornel Script file to Process";
  QTest::newRow("processing") << "File /s/a.csm Selected\rProcessing...\rContains 3 Lines"
                              << "File /s/a.csm Selected\nProcessing...\nContains 3 Lines";
  QTest::newRow("summary ends in a space") << "File a.csm Selected\r0 Alerts. "
                                           << "File a.csm Selected\n0 Alerts. ";
  QTest::newRow("markup in a file name") << "File <b>x</b>&amp;.csm Selected\r1 Alerts. "
                                         << "File <b>x</b>&amp;.csm Selected\n1 Alerts. ";
  QTest::newRow("CR LF") << "one\r\ntwo"
                         << "one\ntwo";
  QTest::newRow("empty") << ""
                         << "";
}

void TestWindowServices::statusText() {
  QFETCH(QString, text);
  QFETCH(QString, shown);

  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  window.setStatusText(text);
  QCOMPARE(window.statusText(), text);
  QCOMPARE(form.lblInfo->text(), shown);
  QCOMPARE(form.lblInfo->textFormat(), Qt::PlainText);
}

void TestWindowServices::reportText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("linesShown");

  QTest::newRow("empty") << "" << 1;
  QTest::newRow("one alert") << "2 x=\"wbpr\":  White balance" << 1;
  QTest::newRow("three alerts") << "1 a:  m\r\n2 b:  n\r\n3 c:  o" << 3;
  QTest::newRow("lone LF inside a statement") << "1 a\nb:  m\r\n2 c:  n" << 3;
  QTest::newRow("no-break space") << QStringLiteral("1 a\u00a0b:  m") << 1;
  QTest::newRow("empty message") << "4 t=\"seqn\":  " << 1;
}

void TestWindowServices::reportText() {
  QFETCH(QString, text);
  QFETCH(int, linesShown);

  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  window.setReportText(text);
  QCOMPARE(window.reportText(), text);
  QCOMPARE(shownLines(form.txtReport->document()).size(), linesShown);
}

void TestWindowServices::typedText_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("after");

  QTest::newRow("into an empty report") << ""
                                        << "note\nsecond"
                                        << "note\r\nsecond";
  QTest::newRow("behind a report") << "1 a:  m\r\n2 b:  n"
                                   << "\nchecked"
                                   << "1 a:  m\r\n2 b:  n\r\nchecked";
  QTest::newRow("a trailing line end") << "1 a:  m"
                                       << "\n"
                                       << "1 a:  m\r\n";
}

void TestWindowServices::typedText() {
  QFETCH(QString, before);
  QFETCH(QString, typed);
  QFETCH(QString, after);

  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  window.setReportText(before);
  form.txtReport->moveCursor(QTextCursor::End);
  const QStringList typedLines = typed.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < typedLines.size(); ++i) {
    if (i > 0) QTest::keyClick(form.txtReport, Qt::Key_Return);
    QTest::keyClicks(form.txtReport, typedLines[i]);
  }
  QCOMPARE(window.reportText(), after);
}

void TestWindowServices::hundredThousandLines() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  QStringList lines;
  for (int i = 1; i <= 100000; ++i) {
    lines.append(QStringLiteral("%1 SetCameraState(\"isoa\",1):  Auto ISO isoa overrides").arg(i));
  }
  const QString report = lines.join(QStringLiteral("\r\n"));
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  window.setReportText(report);
  QCOMPARE(window.reportText(), report);
  QCOMPARE(shownLines(form.txtReport->document()), lines);
}

void TestWindowServices::repaintNowPaintsWithoutTakingInput() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  showCentred(&form);
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCoreApplication::processEvents();

  PaintRecorder label(form.lblInfo);
  PostedEventCatcher catcher;
  QCoreApplication::postEvent(&catcher, new QEvent(QEvent::User));
  window.setStatusText(QStringLiteral("File a.csm Selected\rProcessing..."));
  QVERIFY(label.painted.isEmpty());
  window.repaintNow();
  QCOMPARE(label.painted, QStringList{QStringLiteral("File a.csm Selected\nProcessing...")});
  QVERIFY2(!catcher.delivered, "a forced repaint must not run queued events");
  QCoreApplication::processEvents();
  QVERIFY(catcher.delivered);
}

void TestWindowServices::nameFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("qtFilters");

  QTest::newRow("scripts") << "Vornel Scripts (*.csm)|*.csm"
                           << "Vornel Scripts (*.csm)";
  QTest::newRow("description without pattern") << "Scripts|*.csm"
                                               << "Scripts (*.csm)";
  QTest::newRow("several patterns") << "Scripts|*.csm;*.txt"
                                    << "Scripts (*.csm *.txt)";
  QTest::newRow("two filters") << "Vornel Scripts (*.csm)|*.csm|All Files (*.*)|*.*"
                               << "Vornel Scripts (*.csm);;All Files (*.*)";
  QTest::newRow("missing pattern") << "Everything"
                                   << "Everything (*)";
  QTest::newRow("no filter") << ""
                             << "";
}

void TestWindowServices::nameFilters() {
  QFETCH(QString, filter);
  QFETCH(QString, qtFilters);
  QCOMPARE(qtNameFilters(filter), qtFilters);
}

void TestWindowServices::filterShows_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("fileName");
  QTest::addColumn<bool>("shown");

  const QString scripts = QStringLiteral("Vornel Scripts (*.csm)|*.csm");
  QTest::newRow("script") << scripts << "portrait.csm" << true;
  QTest::newRow("upper-case extension") << scripts << "PORTRAIT.Csm" << true;
  QTest::newRow("extension alone") << scripts << ".csm" << true;
  QTest::newRow("name with spaces and brackets") << scripts << "a [b] (c).csm" << true;
  QTest::newRow("another extension after it") << scripts << "portrait.csm.txt" << false;
  QTest::newRow("longer extension") << scripts << "portrait.csmx" << false;
  QTest::newRow("no dot") << scripts << "portraitcsm" << false;
  QTest::newRow("text file") << scripts << "notes.txt" << false;
  QTest::newRow("second pattern") << "Scripts|*.csm; *.txt"
                                  << "notes.txt" << true;
  QTest::newRow("second filter") << "Scripts|*.csm|Text|*.txt"
                                 << "notes.txt" << true;
  QTest::newRow("description is no pattern") << "*.txt|*.csm"
                                             << "notes.txt" << false;
  QTest::newRow("missing pattern shows all") << "Everything"
                                             << "notes.txt" << true;
}

void TestWindowServices::filterShows() {
  QFETCH(QString, filter);
  QFETCH(QString, fileName);
  QFETCH(bool, shown);
  QCOMPARE(::filterShows(filter, fileName), shown);
}

void TestWindowServices::openDialog() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  prompts.answers = {QStringLiteral("/scripts/portrait.csm")};
  window.setDialogFilter(QStringLiteral("Vornel Scripts (*.csm)|*.csm"));
  window.showOpenDialog();
  QCOMPARE(prompts.dialogFilters, QStringList{QStringLiteral("Vornel Scripts (*.csm)")});
  QCOMPARE(prompts.dialogParents, QList<QWidget*>{&form});
  QCOMPARE(window.chosenFileName(), QStringLiteral("/scripts/portrait.csm"));
}

void TestWindowServices::cancelledDialogGivesNoName() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  prompts.answers = {QStringLiteral("/scripts/portrait.csm"), QString()};
  window.showOpenDialog();
  window.showOpenDialog();
  QCOMPARE(window.chosenFileName(), QString());
}

void TestWindowServices::messageBox() {
  FrmMain form;
  FakePrompts prompts;
  QtWindowServices window(form, prompts);
  window.showMessageBox(QStringLiteral("No problems found!"), QStringLiteral("Scan Complete"));
  QCOMPARE(prompts.messages.size(), 1);
  QCOMPARE(prompts.messages[0].text, QStringLiteral("No problems found!"));
  QCOMPARE(prompts.messages[0].title, QStringLiteral("Scan Complete"));
  QCOMPARE(prompts.messages[0].parent, &form);
}

void TestWindowServices::cleanup() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    QVERIFY2(!window->isVisible(), qPrintable(window->objectName() + " was left open"));
  }
}

QTEST_MAIN(TestWindowServices)
#include "test_ui_window_services.moc"
