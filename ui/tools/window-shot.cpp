// Takes a picture of the main window after a scan, as a user sees it: the
// program starts with SCRIPT as its argument, from the script's own folder
// and by its file name alone, so the status shows no path of the machine
// that took the picture; the window is grabbed from the screen once it has
// settled. Needs a display:
//   cmake --build build --target vornel-window-shot
//   xvfb-run -a build/bin/vornel-window-shot examples/alerts.csm docs/main-window.png

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "CheckerProgram.h"
#include "DiskFileSystem.h"
#include "ModalPrompts.h"
#include "TableFolder.h"

namespace {

constexpr int kSettleMs = 500;

// No dialog is shown; message boxes go to stderr.
class ScriptedPrompts : public ModalPrompts {
 public:
  QString chooseFileToOpen(QWidget*, const QString&) override { return QString(); }
  void showMessage(QWidget*, const QString& text, const QString& title) override {
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: vornel-window-shot SCRIPT OUTPUT.png\n");
    return 2;
  }
  const QFileInfo script(QString::fromLocal8Bit(argv[1]));
  const QString output = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  if (!QDir::setCurrent(script.absolutePath())) {
    std::fprintf(stderr, "vornel-window-shot: cannot enter %s\n",
                 qPrintable(script.absolutePath()));
    return 1;
  }
  DiskFileSystem files;
  ScriptedPrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  if (!program.Main(script.fileName())) return 1;
  program.FinishSplash();
  int status = 1;
  QTimer::singleShot(kSettleMs, [&] {
    FrmMain* form = program.frmMain();
    const QRect frame = form->frameGeometry();
    const QPixmap shot =
        form->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    status = shot.save(output, "PNG") ? 0 : 1;
    QApplication::quit();
  });
  QApplication::exec();
  return status;
}
