#pragma once

#include <memory>

#include <QString>

#include "FileSystem.h"
#include "FrmMain.h"
#include "FrmSplash.h"
#include "HelperThread.h"
#include "ModalPrompts.h"
#include "QtWindowServices.h"
#include "ScanCommand.h"
#include "ScriptCheck.h"
#include "Tables.h"

// The desktop program: its two windows, the engine behind the main window,
// and one handler for each event the program answers. Start-up shows the
// splash, loads the main window hidden and reads the tables, then waits on
// Timer1; closing the main window is the only way out.
class CheckerProgram {
 public:
  // `tableFolder` is where the load step reads tags.txt and param.txt.
  CheckerProgram(FileSystem& files, ModalPrompts& prompts, QString tableFolder);
  ~CheckerProgram();

  // Launch: gives the program its icon, shows frmSplash, loads frmMain hidden
  // and enables Timer1. False when the tables could not be read; the message
  // box has then been shown and the main window never appears. `script`,
  // when given, is scanned once the main window is on screen.
  bool Main(const QString& script = QString());
  // Tick of Timer1: swaps the splash for the main window, then scans the
  // script given at launch, if any.
  void FinishSplash();
  // Click on the splash: the main window comes 100 ms later.
  void HurrySplash();
  // Load step of frmMain: the start-of-work status text, then the tables.
  // Shows the loader's message when they cannot be read.
  bool LoadReferenceTables();
  // Click on "Open Script".
  ScanCommandResult ScanScript();
  // A script chosen other than through the dialog, given at launch or
  // dropped on the main window: scanned as if the dialog had chosen it.
  ScanCommandResult ScanChosenScript(const QString& path);
  // Click on "Print Report": status then report on the default printer. A
  // failure is told in a message box and changes nothing.
  void PrintReport();

  // Null until loaded, and the splash again once unloaded.
  FrmMain* frmMain() const { return main_.get(); }
  FrmSplash* frmSplash() const { return splash_.get(); }
  WindowServices* windowServices() const { return window_.get(); }
  // The tables read at start-up; empty before.
  const Tables& tables() const { return tables_; }

 private:
  static constexpr int kHurriedInterval = 100;

  // Creates frmMain hidden with its provider, then runs its load step.
  bool loadFrmMain();

  FileSystem& files_;
  ModalPrompts& prompts_;
  const QString tableFolder_;
  // Given at launch; waits for the main window.
  QString scriptAtLaunch_;
  // Reads half of a large script while the main thread reads the rest.
  HelperThread helper_;
  Tables tables_;
  std::unique_ptr<ScriptScanner> scanner_;
  // Table alerts alone: the desktop program reads no directive, project
  // file or baseline.
  std::unique_ptr<ScriptCheck> check_;
  std::unique_ptr<FrmSplash> splash_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<QtWindowServices> window_;
};
