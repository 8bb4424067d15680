// Vornel Script Checker: the desktop program. Its one argument is a script
// to scan once the main window shows, as the desktop entry passes it; the
// reference tables come from the fixed folder beside the program.

#include <cstdlib>
#include <optional>

#include <QApplication>

#include "CheckerProgram.h"
#include "CommandLine.h"
#include "DiskFileSystem.h"
#include "DisplayStart.h"
#include "QtModalPrompts.h"
#include "TableFolder.h"

int main(int argc, char** argv) {
  std::optional<QApplication> app;
  {
    const DisplayStart start;
    app.emplace(argc, argv);
  }
  DiskFileSystem files;
  QtModalPrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  if (!program.Main(scriptFromArguments(QApplication::arguments()))) return EXIT_FAILURE;
  return QApplication::exec();
}
