// vornel-window-bench: one scan through the desktop program's real main
// window, for timing against vornel-scan on the same script. Same arguments
// as the harness; the open-file dialog yields SCRIPT and message boxes are
// only counted. Exit status 0 no alert, 1 alerts, 2 could not run.

#include <cstdio>

#include <QApplication>
#include <QStringList>

#include "CheckerProgram.h"
#include "DiskFileSystem.h"
#include "HugePages.h"
#include "ModalPrompts.h"
#include "ScanCommand.h"

namespace {

class ScriptedPrompts : public ModalPrompts {
 public:
  explicit ScriptedPrompts(QString script) : script_(std::move(script)) {}
  QString chooseFileToOpen(QWidget*, const QString&) override { return script_; }
  void showMessage(QWidget*, const QString& text, const QString&) override {
    std::fprintf(stderr, "%s\n", qPrintable(text));
  }

 private:
  QString script_;
};

}  // namespace

int main(int argc, char** argv) {
  preferHugePagesForLargeBlocks(kReportMemory);  // as the desktop program starts
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 4 || args[1] != QStringLiteral("--tables")) {
    std::fprintf(stderr, "usage: vornel-window-bench --tables DIR SCRIPT\n");
    return 2;
  }
  DiskFileSystem files;
  ScriptedPrompts prompts(args[3]);
  CheckerProgram program(files, prompts, args[2]);
  if (!program.Main()) return 2;
  program.FinishSplash();
  const ScanCommandResult scan = program.ScanScript();
  // Let the window lay out and paint what the scan left, as a user would see it.
  QApplication::processEvents();
  program.frmMain()->repaint();
  return scan.alerts > 0 ? 1 : 0;
}
