#include "CheckerProgram.h"

#include <cstdio>
#include <utility>

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPushButton>
#include <QTimer>

#include "SystemText.h"
#include "TableLoader.h"
#include "WindowPlacement.h"

namespace {

const QString kStartupFailed = QStringLiteral("Start-up Failed");
const QString kSelectAScript = QStringLiteral("Select a Vornel Script file to process");

// The picture the desktop entry shows, at every size the build rendered for
// the icon theme.
QIcon programIcon() {
  const QDir sizes(QStringLiteral(":/icon"));
  QIcon icon;
  for (const QString& png : sizes.entryList()) icon.addFile(sizes.filePath(png));
  return icon;
}

}  // namespace

CheckerProgram::CheckerProgram(FileSystem& files, ModalPrompts& prompts, QString tableFolder)
    : files_(files), prompts_(prompts), tableFolder_(std::move(tableFolder)) {}

CheckerProgram::~CheckerProgram() = default;

bool CheckerProgram::Main(const QString& script) {
  scriptAtLaunch_ = script;
  // Started first, so that the thread is up by the time the tables are read.
  helper_.warmUp();
  // Both windows take the program's icon rather than one of their own.
  QApplication::setWindowIcon(programIcon());
  splash_ = std::make_unique<FrmSplash>();
  showCentredAndPaint(splash_.get());
  // Clicks made while the tables are read wait in the queue and count only
  // once the event loop runs, after Timer1 has been enabled.
  QObject::connect(splash_.get(), &FrmSplash::clicked, splash_.get(), [this] { HurrySplash(); });
  if (!loadFrmMain()) return false;
  main_->Timer1->start();
  return true;
}

bool CheckerProgram::loadFrmMain() {
  main_ = std::make_unique<FrmMain>();
  window_ = std::make_unique<QtWindowServices>(*main_, prompts_);
  QObject::connect(main_->cmdOpen, &QPushButton::clicked, main_.get(), [this] { ScanScript(); });
  QObject::connect(main_->cmdPrint, &QPushButton::clicked, main_.get(), [this] { PrintReport(); });
  QObject::connect(main_->Timer1, &QTimer::timeout, main_.get(), [this] { FinishSplash(); });
  // Queued, so that the file manager which dropped the script has its answer
  // before the scan, and any message box the scan ends with, hold the event
  // loop.
  QObject::connect(
      main_.get(), &FrmMain::scriptDropped, main_.get(),
      [this](const QString& path) { ScanChosenScript(path); }, Qt::QueuedConnection);
  return LoadReferenceTables();
}

bool CheckerProgram::LoadReferenceTables() {
  window_->setStatusText(kSelectAScript);
  TableFault fault;
  if (!loadTables(files_, tableFolder_, &tables_, &fault, &helper_)) {
    // Said on stderr first: with nobody at the screen, or a start from a
    // script or a remote shell, the box would wait unread.
    const QByteArray said = encodeSystemText(
        QStringLiteral("vornel-script-checker: %1: %2\n").arg(kStartupFailed, fault.message()));
    std::fwrite(said.constData(), 1, std::size_t(said.size()), stderr);
    std::fflush(stderr);
    prompts_.showMessage(splash_.get(), fault.message(), kStartupFailed);
    return false;
  }
  scanner_ = std::make_unique<ScriptScanner>(tables_);
  check_ = std::make_unique<ScriptCheck>(*scanner_, tables_, CheckSettings());
  return true;
}

void CheckerProgram::FinishSplash() {
  main_->Timer1->stop();
  const QString script = std::exchange(scriptAtLaunch_, QString());
  // The main window comes first, so one of the two is always on screen. A
  // scan holds the event loop; the window is painted before one starts, so
  // that the user sees it run rather than an empty frame.
  if (script.isEmpty()) {
    showCentred(main_.get());
  } else {
    showCentredAndPaint(main_.get());
  }
  if (splash_) {
    splash_->close();
    splash_.reset();
  }
  if (!script.isEmpty()) ScanChosenScript(script);
}

void CheckerProgram::HurrySplash() {
  main_->Timer1->stop();
  main_->Timer1->setInterval(kHurriedInterval);
  main_->Timer1->start();
}

ScanCommandResult CheckerProgram::ScanScript() {
  return runScanCommand(*window_, files_, *check_, &helper_);
}

ScanCommandResult CheckerProgram::ScanChosenScript(const QString& path) {
  return scanChosenScript(*window_, files_, *check_, &helper_, path);
}
