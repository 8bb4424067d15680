// Start-up: the splash, the hidden main window and its load step, the
// windows' icon, Timer1 with its 3000 ms and the 100 ms after a click, a table
// failure, the end of the program when the main window closes, and a start
// where no display can be opened.

#include <functional>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "CheckerProgram.h"
#include "DiskFileSystem.h"
#include "FakePrompts.h"
#include "ShowRecorder.h"
#include "TableFolder.h"

namespace {

// The disk, with a look at the program each time a file is opened.
class WatchedFiles : public FileSystem {
 public:
  std::function<void(const QString&)> onOpen;
  std::unique_ptr<ByteSource> open(const QString& path, QString* error) override {
    if (onOpen) onOpen(path);
    return disk_.open(path, error);
  }
  std::unique_ptr<ByteSource> openFile(const QString& path, QString* error) override {
    if (onOpen) onOpen(path);
    return disk_.openFile(path, error);
  }

 private:
  DiskFileSystem disk_;
};

// Counts the paints of every widget of the application by object name.
class PaintCounter : public QObject {
 public:
  PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
  ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
  int paintsOf(const QString& name) const { return paints_.value(name); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_[watched->objectName()];
    return false;
  }

 private:
  QHash<QString, int> paints_;
};

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QPoint splashCentre(const CheckerProgram& program) {
  return program.frmSplash()->rect().center();
}

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT

 private slots:
  void mainLeavesTheSplashUpAndTheMainWindowLoaded();
  void splashIsPaintedBeforeTheTablesAreRead();
  void splashWindow();
  void splashPicture();
  void bothWindowsShowTheInstalledIcon();
  void withoutAClickTheMainWindowComesAfter3000ms();
  void aClickBringsItAfter100ms();
  void aSecondClickRestartsThe100ms();
  void otherButtonsDoNotClick();
  void tableFailure_data();
  void tableFailure();
  void aFailedStartIsToldOnStandardError();
  void withoutADisplay_data();
  void withoutADisplay();
  void whatThePlatformSaysOnAGoodStartIsKept();
  void splashClosedEarlyDoesNotEndTheProgram();
  void closingTheMainWindowEndsTheProgram();
  void cleanup();
};

void TestStartup::mainLeavesTheSplashUpAndTheMainWindowLoaded() {
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());

  QVERIFY(program.frmSplash());
  QVERIFY(program.frmSplash()->isVisible());
  QVERIFY(program.frmMain());
  QVERIFY(!program.frmMain()->isVisible());
  QCOMPARE(program.frmMain()->lblInfo->text(),
           QStringLiteral("Select a Vornel Script file to process"));
  QVERIFY(!program.tables().tags.isEmpty());
  QVERIFY(!program.tables().params.isEmpty());
  QVERIFY(program.frmMain()->Timer1->isActive());
  QCOMPARE(program.frmMain()->Timer1->interval(), 3000);
  QVERIFY(prompts.messages.isEmpty());
}

void TestStartup::splashIsPaintedBeforeTheTablesAreRead() {
  WatchedFiles files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  PaintCounter paints;
  QStringList seen;
  files.onOpen = [&](const QString& path) {
    seen.append(QStringLiteral("%1: splash visible %2, painted %3; main visible %4; timer %5")
                    .arg(QFileInfo(path).fileName())
                    .arg(program.frmSplash() && program.frmSplash()->isVisible())
                    .arg(paints.paintsOf(QStringLiteral("frmSplash")) > 0)
                    .arg(program.frmMain() && program.frmMain()->isVisible())
                    .arg(program.frmMain() && program.frmMain()->Timer1->isActive()));
  };
  QVERIFY(program.Main());
  QCOMPARE(seen.size(), 2);  // each table is opened once
  for (const QString& state : seen) {
    QVERIFY2(
        state.endsWith(QStringLiteral(": splash visible 1, painted 1; main visible 0; timer 0")),
        qPrintable(state));
  }
}

void TestStartup::splashWindow() {
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  FrmSplash* splash = program.frmSplash();
  QCOMPARE(splash->objectName(), QStringLiteral("frmSplash"));
  QCOMPARE(splash->windowTitle(), QString());
  QCOMPARE(splash->size(), QSize(286, 216));
  QCOMPARE(splash->minimumSize(), QSize(286, 216));
  QCOMPARE(splash->maximumSize(), QSize(286, 216));
  splash->resize(400, 300);
  QCOMPARE(splash->size(), QSize(286, 216));
  const QPoint screenCentre = splash->screen()->availableGeometry().center();
  QVERIFY((splash->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
}

void TestStartup::splashPicture() {
  // Our own picture, 288 x 216 in 24-bit colour: 8-bit RGB without alpha.
  QFile png(QStringLiteral(":/splash.png"));
  QVERIFY(png.open(QIODevice::ReadOnly));
  const QByteArray bytes = png.readAll();
  QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
  QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
  QCOMPARE(static_cast<quint8>(bytes[24]), quint8(8));  // bits per channel
  QCOMPARE(static_cast<quint8>(bytes[25]), quint8(2));  // RGB, no alpha
  QImage picture;
  QVERIFY(picture.loadFromData(bytes));
  QCOMPARE(picture.size(), QSize(288, 216));

  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  // Drawn unscaled from the top left: the window shows all but the last two
  // columns, pixel for pixel.
  const QImage onScreen =
      program.frmSplash()->grab().toImage().convertToFormat(QImage::Format_RGB888);
  QCOMPARE(onScreen.size(), QSize(286, 216));
  QCOMPARE(onScreen, picture.convertToFormat(QImage::Format_RGB888).copy(0, 0, 286, 216));
}

void TestStartup::bothWindowsShowTheInstalledIcon() {
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  // The icon theme's PNGs, beside the tables as an install lays them out:
  // what the desktop entry shows is what the windows show.
  const QString theme =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons/hicolor");
  for (const QWidget* window :
       {static_cast<QWidget*>(program.frmSplash()), static_cast<QWidget*>(program.frmMain())}) {
    const QIcon icon = window->windowIcon();
    QCOMPARE(icon.availableSizes().size(), 3);
    for (const int size : {48, 128, 256}) {
      const QString path =
          QStringLiteral("%1/%2x%2/apps/vornel-script-checker.png").arg(theme).arg(size);
      const QImage installed(path);
      QVERIFY2(!installed.isNull(), qPrintable(path));
      // A pixmap keeps its colours premultiplied by their alpha.
      QCOMPARE(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
               installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
  }
}

void TestStartup::withoutAClickTheMainWindowComesAfter3000ms() {
  ShowRecorder shows;
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  // Counted from before the launch, so the bound below holds on any clock
  // tick; that Timer1 starts only after the tables are read is checked above.
  QElapsedTimer loaded;
  loaded.start();
  QVERIFY(program.Main());

  QTRY_VERIFY_WITH_TIMEOUT(program.frmMain()->isVisible(), 10000);
  const qint64 after = shows.shownAfter(QStringLiteral("frmMain"), loaded);
  QVERIFY2(after >= 3000, qPrintable(QString::number(after)));
  QVERIFY(!program.frmSplash());
  QVERIFY(!program.frmMain()->Timer1->isActive());
  const QPoint screenCentre = program.frmMain()->screen()->availableGeometry().center();
  QVERIFY((program.frmMain()->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
}

void TestStartup::aClickBringsItAfter100ms() {
  ShowRecorder shows;
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  QElapsedTimer clicked;
  clicked.start();
  QTest::mouseClick(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));
  QVERIFY(program.frmMain()->Timer1->isActive());
  QCOMPARE(program.frmMain()->Timer1->interval(), 100);
  QVERIFY(!program.frmMain()->isVisible());

  QTRY_VERIFY_WITH_TIMEOUT(program.frmMain()->isVisible(), 2500);
  const qint64 after = shows.shownAfter(QStringLiteral("frmMain"), clicked);
  QVERIFY2(after >= 100, qPrintable(QString::number(after)));
  QVERIFY(!program.frmSplash());
  QVERIFY(!program.frmMain()->Timer1->isActive());
}

void TestStartup::aSecondClickRestartsThe100ms() {
  ShowRecorder shows;
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  QElapsedTimer first;
  first.start();
  QTest::mouseClick(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));
  // Sleeping handles no event, so the first countdown cannot end before the
  // second click, however slow the machine.
  QTest::qSleep(70);
  QElapsedTimer second;
  second.start();
  QTest::mouseClick(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));

  QTRY_VERIFY_WITH_TIMEOUT(program.frmMain()->isVisible(), 2500);
  const qint64 afterSecond = shows.shownAfter(QStringLiteral("frmMain"), second);
  QVERIFY2(afterSecond >= 100, qPrintable(QString::number(afterSecond)));
  QVERIFY(shows.shownAfter(QStringLiteral("frmMain"), first) >= 170);
}

void TestStartup::otherButtonsDoNotClick() {
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  QTest::mouseClick(program.frmSplash(), Qt::RightButton, {}, splashCentre(program));
  QTest::mouseClick(program.frmSplash(), Qt::MiddleButton, {}, splashCentre(program));
  QCOMPARE(program.frmMain()->Timer1->interval(), 3000);
  // A press that ends outside the window is no click either.
  QTest::mousePress(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));
  QTest::mouseRelease(program.frmSplash(), Qt::LeftButton, {}, QPoint(400, 10));
  QCOMPARE(program.frmMain()->Timer1->interval(), 3000);
  QVERIFY(program.frmMain()->Timer1->isActive());
}

void TestStartup::tableFailure_data() {
  QTest::addColumn<QByteArray>("tags");
  QTest::addColumn<QByteArray>("params");
  QTest::addColumn<QString>("failingFile");
  QTest::addColumn<QString>("fault");

  const QByteArray goodTags = "\"ownr\",\"Owner tag\",user\r\n";
  const QByteArray goodParams = "\"isoa\",\"Auto ISO\",none\r\n";
  QTest::newRow("no tags.txt") << QByteArray() << goodParams << "tags.txt"
                               << "";
  QTest::newRow("blank line in param.txt")
      << goodTags << goodParams + "\r\n\"zmod\",\"Zoom\",none\r\n"
      << "param.txt"
      << "line 2: blank line";
  QTest::newRow("two fields in tags.txt")
      << QByteArray("\"ownr\",\"Owner tag\"\r\n") + goodTags << goodParams << "tags.txt"
      << "line 1";
}

void TestStartup::tableFailure() {
  QFETCH(QByteArray, tags);
  QFETCH(QByteArray, params);
  QFETCH(QString, failingFile);
  QFETCH(QString, fault);

  QTemporaryDir folder;
  if (!tags.isEmpty()) QVERIFY(writeFile(folder.filePath(QStringLiteral("tags.txt")), tags));
  QVERIFY(writeFile(folder.filePath(QStringLiteral("param.txt")), params));

  ShowRecorder shows;
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, folder.path());
  bool splashUpDuringMessage = false;
  prompts.onMessage = [&] {
    splashUpDuringMessage = program.frmSplash() && program.frmSplash()->isVisible();
  };
  QVERIFY(!program.Main());

  QCOMPARE(prompts.messages.size(), 1);
  const FakePrompts::Message& message = prompts.messages[0];
  QCOMPARE(message.title, QStringLiteral("Start-up Failed"));
  QVERIFY2(message.text.contains(QDir(folder.path()).filePath(failingFile)),
           qPrintable(message.text));
  QVERIFY2(message.text.contains(fault), qPrintable(message.text));
  QCOMPARE(message.parent, program.frmSplash());
  QVERIFY(splashUpDuringMessage);
  QVERIFY(!program.frmMain()->Timer1->isActive());
  QTest::qWait(150);
  QVERIFY(!shows.wasShown(QStringLiteral("frmMain")));
}

// The built program, started where no tables stand beside it and with
// nobody to close its message box: stderr says why before the box waits.
void TestStartup::aFailedStartIsToldOnStandardError() {
  QTemporaryDir root;
  QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
  const QString program = root.filePath(QStringLiteral("bin/vornel-script-checker"));
  QVERIFY(QFile::copy(QStringLiteral(VORNEL_CHECKER_PATH), program));
  QProcess process;
  process.start(program, {});
  QVERIFY(process.waitForStarted());
  const QByteArray expected =
      "vornel-script-checker: Start-up Failed: " + QFile::encodeName(QDir::cleanPath(root.path())) +
      "/share/vornel-script-checker/tags.txt: No such file or directory\n";
  QElapsedTimer waited;
  waited.start();
  QByteArray said;
  while (!said.contains(expected) && waited.elapsed() < 30000 &&
         process.state() == QProcess::Running) {
    process.waitForReadyRead(1000);
    said += process.readAllStandardError();
  }
  QVERIFY2(said.contains(expected), said.constData());
  // Its box is still up, waiting.
  QCOMPARE(process.state(), QProcess::Running);
  process.kill();
  process.waitForFinished();
}

void TestStartup::withoutADisplay_data() {
  QTest::addColumn<QString>("platform");
  QTest::addColumn<QString>("display");
  QTest::addColumn<QString>("reason");
  const QString unset = QStringLiteral(" (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  QTest::newRow("nothing set") << ""
                               << ""
                               << "could not connect to display" + unset;
  QTest::newRow("xcb, and no display") << "xcb"
                                       << ""
                                       << "could not connect to display" + unset;
  QTest::newRow("xcb, and a display that is not there") << "xcb"
                                                        << ":9871"
                                                        << "could not connect to display :9871";
  QTest::newRow("a platform that does not exist")
      << "nosuch"
      << ""
      << "Could not find the Qt platform plugin \"nosuch\" in \"\"";
}

// The built program, where it cannot open a display: one line that says
// so, and status 1, not Qt's lines about plugins and an abort.
void TestStartup::withoutADisplay() {
  QFETCH(QString, platform);
  QFETCH(QString, display);
  QFETCH(QString, reason);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    environment.remove(QString::fromLatin1(name));
  if (!platform.isEmpty()) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(VORNEL_CHECKER_PATH), {});
  QVERIFY(process.waitForFinished(30000));
  const QByteArray said = process.readAllStandardError();
  QCOMPARE(QString::fromLocal8Bit(said),
           "vornel-script-checker: cannot open a display: " + reason + u'\n');
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 1);
  QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

// What the platform plugins say while the display opens is held back, for
// the one line should it fail; when it opens, it is told after all.
void TestStartup::whatThePlatformSaysOnAGoodStartIsKept() {
  QTemporaryDir root;
  QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
  const QString program = root.filePath(QStringLiteral("bin/vornel-script-checker"));
  QVERIFY(QFile::copy(QStringLiteral(VORNEL_CHECKER_PATH), program));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.plugin=true"));
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, {});
  QVERIFY(process.waitForStarted());
  // With no tables beside it, it tells its failed start and waits.
  QElapsedTimer waited;
  waited.start();
  QByteArray said;
  while (!said.contains("Start-up Failed") && waited.elapsed() < 30000 &&
         process.state() == QProcess::Running) {
    process.waitForReadyRead(1000);
    said += process.readAllStandardError();
  }
  process.kill();
  process.waitForFinished();
  const qsizetype loaded =
      said.indexOf("qt.qpa.plugin: Successfully loaded Qt platform plugin \"offscreen\"\n");
  QVERIFY2(loaded >= 0, said.constData());
  QVERIFY2(loaded < said.indexOf("Start-up Failed"), said.constData());
}

void TestStartup::splashClosedEarlyDoesNotEndTheProgram() {
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  QTest::mouseClick(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));
  QVERIFY(program.frmSplash()->close());
  QCoreApplication::processEvents();
  QVERIFY(!program.frmMain()->isVisible());
  // The tick still comes, shows the main window and unloads the closed splash.
  QTRY_VERIFY_WITH_TIMEOUT(program.frmMain()->isVisible(), 2500);
  QVERIFY(!program.frmSplash());
}

void TestStartup::closingTheMainWindowEndsTheProgram() {
  // The program's own event loop: it must outlive the splash, closed by the
  // user, and end when the main window is closed.
  DiskFileSystem files;
  FakePrompts prompts;
  CheckerProgram program(files, prompts, fixedTableFolder());
  QVERIFY(program.Main());
  QStringList events;
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(program.frmSplash(), Qt::LeftButton, {}, splashCentre(program));
    program.frmSplash()->close();
    events.append(QStringLiteral("splash closed"));
  });
  QTimer watch;
  connect(&watch, &QTimer::timeout, [&] {
    if (program.frmMain()->isVisible() && !events.contains(QStringLiteral("main shown"))) {
      events.append(QStringLiteral("main shown"));
      QTimer::singleShot(50, program.frmMain(), [&] {
        events.append(QStringLiteral("main closed"));
        program.frmMain()->close();
      });
    }
  });
  watch.start(10);
  QTimer giveUp;
  giveUp.setSingleShot(true);
  connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  giveUp.start(10000);
  const int status = QApplication::exec();
  QCOMPARE(status, 0);
  QCOMPARE(events, (QStringList{"splash closed", "main shown", "main closed"}));
  QVERIFY(!program.frmMain()->isVisible());
}

void TestStartup::cleanup() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    QVERIFY2(!window->isVisible(), qPrintable(window->objectName() + " was left open"));
  }
}

QTEST_MAIN(TestStartup)
#include "test_ui_startup.moc"
