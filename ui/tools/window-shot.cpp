// Takes a picture of the main window after a scan, as a user sees it: the
// program starts as usual, the dialog is answered with SCRIPT, and the window
// is grabbed from the screen once it has settled. Needs a display:
//   cmake --build build --target vornel-window-shot
//   xvfb-run -a build/bin/vornel-window-shot examples/alerts.csm docs/main-window.png

#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "CheckerProgram.h"
#include "DiskFileSystem.h"
#include "ModalPrompts.h"
#include "TableFolder.h"

namespace {

constexpr int kSettleMs = 500;

// Answers the dialog with one script; message boxes go to stderr.
class ScriptedPrompts : public ModalPrompts {
 public:
  explicit ScriptedPrompts(QString script) : script_(std::move(script)) {}
  QString chooseFileToOpen(QWidget*, const QString&) override { return script_; }
  void showMessage(QWidget*, const QString& text, const QString& title) override {
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
  }

 private:
  QString script_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: vornel-window-shot SCRIPT OUTPUT.png\n");
    return 2;
  }
  DiskFileSystem files;
  ScriptedPrompts prompts(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
  CheckerProgram program(files, prompts, fixedTableFolder());
  if (!program.Main()) return 1;
  program.FinishSplash();
  const QString output = QString::fromLocal8Bit(argv[2]);
  int status = 1;
  QTimer::singleShot(kSettleMs, [&] {
    program.frmMain()->cmdOpen->click();
    QTimer::singleShot(kSettleMs, [&] {
      FrmMain* form = program.frmMain();
      const QRect frame = form->frameGeometry();
      const QPixmap shot =
          form->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
      status = shot.save(output, "PNG") ? 0 : 1;
      QApplication::quit();
    });
  });
  QApplication::exec();
  return status;
}
