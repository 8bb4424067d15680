// The real dialog and message box, driven the way a user would and closed
// from a timer, so the test never waits on them.

#include <functional>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "QtModalPrompts.h"

namespace {

constexpr int kGiveUpMs = 5000;

// Runs `answer` on the modal window once it is up. A window still up long
// after is closed, so a wrong answer fails the test instead of hanging it.
// Lives for one test function, and its timers with it.
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(QWidget*)> answer) {
    QObject::connect(&poll_, &QTimer::timeout, [this, answer] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        poll_.stop();
        answer(modal);
      }
    });
    poll_.start(10);
    giveUp_.setSingleShot(true);
    QObject::connect(&giveUp_, &QTimer::timeout, [] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->done(QDialog::Rejected);
      }
    });
    giveUp_.start(kGiveUpMs);
  }

 private:
  QTimer poll_;
  QTimer giveUp_;
};

}  // namespace

class TestRealPrompts : public QObject {
  Q_OBJECT

 private slots:
  void messageBox();
  void dialogCancelled();
  void dialogChoosesAFile();
};

void TestRealPrompts::messageBox() {
  QWidget owner;
  QString seen;
  const ModalAnswer answer([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box) {
      seen = QStringLiteral("%1|%2|icon %3|buttons %4|plain %5|parent %6")
                 .arg(box->windowTitle(), box->text())
                 .arg(box->icon())
                 .arg(box->buttons().size())
                 .arg(box->textFormat() == Qt::PlainText)
                 .arg(box->parentWidget() == &owner);
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    } else {
      modal->close();
    }
  });
  QtModalPrompts prompts;
  prompts.showMessage(&owner, QStringLiteral("No problems found!"),
                      QStringLiteral("Scan Complete"));
  QCOMPARE(seen,
           QStringLiteral("Scan Complete|No problems found!|icon 0|buttons 1|plain 1|parent 1"));
}

void TestRealPrompts::dialogCancelled() {
  QStringList filters;
  const ModalAnswer answer([&](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) filters = dialog->nameFilters();
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  QtModalPrompts prompts;
  QCOMPARE(prompts.chooseFileToOpen(nullptr, QStringLiteral("Vornel Scripts (*.csm)")), QString());
  QCOMPARE(filters, QStringList{QStringLiteral("Vornel Scripts (*.csm)")});
}

void TestRealPrompts::dialogChoosesAFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("portrait.csm"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  const ModalAnswer answer([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      modal->close();
      return;
    }
    // Typed into the file name box, as a user would; selectFile() leaves the
    // box alone while it has the focus, which it gets at some moment after
    // the dialog shows.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
      modal->close();
      return;
    }
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
  });
  QtModalPrompts prompts;
  QCOMPARE(prompts.chooseFileToOpen(nullptr, QStringLiteral("Vornel Scripts (*.csm)")), path);
}

QTEST_MAIN(TestRealPrompts)
#include "test_ui_real_prompts.moc"
