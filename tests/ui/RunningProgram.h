#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CheckerProgram.h"
#include "DiskFileSystem.h"
#include "FakePrompts.h"
#include "TableFolder.h"

// The desktop program with the sample tables and test-double prompts, past
// its splash: the main window is on screen, ready for clicks.
struct RunningProgram {
  bool start() {
    if (!program.Main()) return false;
    program.FinishSplash();
    return true;
  }
  FrmMain& form() const { return *program.frmMain(); }

  // Writes a script into a folder of the test's own and returns its path.
  QString script(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(scripts.path()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
    return path;
  }

  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program{files, prompts, fixedTableFolder()};
  QTemporaryDir scripts;
};
