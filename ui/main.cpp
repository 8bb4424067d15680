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
#include "HugePages.h"
#include "NativePath.h"
#include "QtModalPrompts.h"
#include "ScanCommand.h"
#include "TableFolder.h"

int main(int argc, char** argv) {
  preferHugePagesForLargeBlocks(kReportMemory);
  std::optional<QApplication> app;
  {
    const DisplayStart start;
    app.emplace(argc, argv);
  }
  DiskFileSystem files;
  QtModalPrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  // The arguments as given, less Qt's own options, which QApplication has
  // taken out: a path need not be UTF-8, and QApplication::arguments()
  // loses the bytes that are not.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(decodeNativePath(argv[i]));
  if (!program.Main(scriptFromArguments(arguments))) return EXIT_FAILURE;
  return QApplication::exec();
}
