#include "InstalledTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QTest>
#include <QXmlStreamReader>

ScanRunResult runTool(const QString& program, const QStringList& arguments) {
  ScanInvocation how;
  how.program = program;
  how.arguments = arguments;
  return runScan(how);
}

namespace {

QString describe(const ScanRunResult& run) {
  return QStringLiteral("exit %1\n%2%3").arg(run.exitCode).arg(QString::fromUtf8(run.out), run.err);
}

QByteArray contentsOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys of a desktop entry's [Desktop Entry] group.
QMap<QString, QString> readDesktopEntry(const QString& path) {
  QMap<QString, QString> keys;
  bool inGroup = false;
  for (const QByteArray& line : contentsOf(path).split('\n')) {
    if (line.startsWith('[')) inGroup = line == "[Desktop Entry]";
    const qsizetype equals = line.indexOf('=');
    if (inGroup && equals > 0)
      keys.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
  }
  return keys;
}

// What the AppStream metainfo names that must be found on the system.
struct Metainfo {
  QString id;
  QString launchable;
  QStringList binaries;
  QString mediaType;
  QString screenshot;
  QString release;
};

Metainfo readMetainfo(const QString& path) {
  Metainfo info;
  QXmlStreamReader xml(contentsOf(path));
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView name = xml.name();
    if (name == u"release" && info.release.isEmpty())
      info.release = xml.attributes().value(QStringLiteral("version")).toString();
    if (name == u"id") info.id = xml.readElementText();
    if (name == u"launchable") info.launchable = xml.readElementText();
    if (name == u"binary") info.binaries.append(xml.readElementText());
    if (name == u"mediatype") info.mediaType = xml.readElementText();
    if (name == u"image") info.screenshot = xml.readElementText();
  }
  return info;
}

bool isProgram(const QDir& usr, const QString& name) {
  return QFileInfo(usr.filePath(QStringLiteral("bin/") + name)).isExecutable();
}

// The desktop entry, its program and its icon; `entry` gets its keys.
void verifyDesktopEntry(const QDir& usr, QMap<QString, QString>* entry) {
  const QString path =
      usr.filePath(QStringLiteral("share/applications/vornel-script-checker.desktop"));
  const ScanRunResult validated = runTool(QStringLiteral("desktop-file-validate"), {path});
  QVERIFY2(validated.exitCode == 0 && validated.out.isEmpty(), qPrintable(describe(validated)));
  *entry = readDesktopEntry(path);
  const QString program = entry->value(QStringLiteral("Exec")).section(u' ', 0, 0);
  QVERIFY2(isProgram(usr, program), qPrintable(program));
  const QString icon = entry->value(QStringLiteral("Icon"));
  const QString theme = usr.filePath(QStringLiteral("share/icons/hicolor"));
  QVERIFY2(QFileInfo::exists(QStringLiteral("%1/scalable/apps/%2.svg").arg(theme, icon)),
           qPrintable(icon));
  for (const int size : {48, 128, 256}) {
    const QString png = QStringLiteral("%1/%2x%2/apps/%3.png").arg(theme).arg(size).arg(icon);
    QCOMPARE(QImage(png).size(), QSize(size, size));
  }
}

}  // namespace

void verifyInstalledTree(const QString& prefix) {
  const QDir usr(prefix);
  QMap<QString, QString> entry;
  verifyDesktopEntry(usr, &entry);
  if (QTest::currentTestFailed()) return;

  // A file manager finds the type of a script from the MIME database, and the
  // programs for the type from the desktop database: both built as the
  // system's triggers build them.
  const ScanRunResult mime =
      runTool(QStringLiteral("update-mime-database"), {usr.filePath(QStringLiteral("share/mime"))});
  QVERIFY2(mime.exitCode == 0, qPrintable(describe(mime)));
  const QStringList types = entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
  QCOMPARE(types, QStringList{QStringLiteral("text/x-vornel-script")});
  QVERIFY(contentsOf(usr.filePath(QStringLiteral("share/mime/globs2")))
              .contains(":text/x-vornel-script:*.csm\n"));
  const ScanRunResult desktop = runTool(QStringLiteral("update-desktop-database"),
                                        {usr.filePath(QStringLiteral("share/applications"))});
  QVERIFY2(desktop.exitCode == 0, qPrintable(describe(desktop)));
  QVERIFY(contentsOf(usr.filePath(QStringLiteral("share/applications/mimeinfo.cache")))
              .contains("\ntext/x-vornel-script=vornel-script-checker.desktop;\n"));

  // The software centre's view of the program.
  const QDir metainfoFolder(usr.filePath(QStringLiteral("share/metainfo")));
  const QStringList metainfos = metainfoFolder.entryList({QStringLiteral("*.metainfo.xml")});
  QCOMPARE(metainfos.size(), 1);
  const QString metainfoPath = metainfoFolder.filePath(metainfos.first());
  const ScanRunResult validated = runTool(QStringLiteral("appstreamcli"),
                                          {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                           QStringLiteral("--pedantic"), metainfoPath});
  QVERIFY2(validated.exitCode == 0, qPrintable(describe(validated)));
  const Metainfo metainfo = readMetainfo(metainfoPath);
  QCOMPARE(metainfo.id + QStringLiteral(".metainfo.xml"), metainfos.first());
  QVERIFY2(
      QFileInfo::exists(usr.filePath(QStringLiteral("share/applications/") + metainfo.launchable)),
      qPrintable(metainfo.launchable));
  QCOMPARE(metainfo.mediaType, types.first());
  QCOMPARE(metainfo.binaries,
           (QStringList{QStringLiteral("vornel-scan"), QStringLiteral("vornel-script-checker")}));
  QCOMPARE(metainfo.release, QStringLiteral(VORNEL_VERSION));
  // The screenshot is the picture in the repository at the same path.
  const QString screenshot = metainfo.screenshot.section(QStringLiteral("/raw/main/"), 1);
  QVERIFY2(QFileInfo::exists(QStringLiteral(VORNEL_SOURCE_DIR "/") + screenshot),
           qPrintable(metainfo.screenshot));

  // Every program has its manual page, and the tables theirs; the shell
  // finds the completion.
  const QStringList programs = QDir(usr.filePath(QStringLiteral("bin"))).entryList(QDir::Files);
  QCOMPARE(programs, metainfo.binaries);
  for (const QString& program : programs) {
    QVERIFY2(QFileInfo::exists(usr.filePath(QStringLiteral("share/man/man1/%1.1.gz").arg(program))),
             qPrintable(program));
  }
  QVERIFY(QFileInfo::exists(usr.filePath(QStringLiteral("share/man/man5/vornel-tables.5.gz"))));
  verifyShellCompletes(usr.path());
  if (QTest::currentTestFailed()) return;
  QVERIFY(
      QFileInfo::exists(usr.filePath(QStringLiteral("share/doc/vornel-script-checker/copyright"))));
  for (const QString& table : {QStringLiteral("tags.txt"), QStringLiteral("param.txt")}) {
    QCOMPARE(contentsOf(usr.filePath(QStringLiteral("share/vornel-script-checker/") + table)),
             contentsOf(QStringLiteral(VORNEL_SOURCE_DIR "/data/") + table));
  }
}

void verifyShellCompletes(const QString& usr) {
  // As a new interactive bash does on the first Tab after vornel-scan: the
  // bash-completion package's loader looks for the command's completion in
  // the data folders, sources it and calls the function it registered.
  const char* const tab =
      "source /usr/share/bash-completion/bash_completion || exit 3\n"
      "loader=$(complete -p -D) || exit 4\n"
      "fn=${loader#*-F }; fn=${fn%% *}\n"
      "\"$fn\" vornel-scan; (($? == 124)) || exit 5\n"
      "registered=$(complete -p vornel-scan) || exit 6\n"
      "fn=${registered#*-F }; fn=${fn%% *}\n"
      "COMP_WORDS=(vornel-scan --explain zm); COMP_CWORD=2\n"
      "COMP_LINE=\"${COMP_WORDS[*]}\"; COMP_POINT=${#COMP_LINE}\n"
      "\"$fn\" vornel-scan zm --explain\n"
      "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
  ScanInvocation bash;
  bash.program = QStringLiteral("bash");
  bash.arguments = {QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"),
                    QString::fromLatin1(tab)};
  bash.workingFolder = usr;
  // Only this tree's completions and programs, none of the user's.
  bash.environment = {
      QStringLiteral("XDG_DATA_DIRS=") + usr + QStringLiteral("/share"),
      QStringLiteral("BASH_COMPLETION_USER_DIR=") + usr + QStringLiteral("/none"),
      QStringLiteral("PATH=") + usr + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")};
  const ScanRunResult run = runScan(bash);
  QVERIFY2(run.exitCode == 0 && run.err.isEmpty(),
           qPrintable(QStringLiteral("bash (%1): %2").arg(run.exitCode).arg(run.err)));
  // The installed program lists the installed tables' codes.
  QCOMPARE(run.out, QByteArray("zmod\n"));
}

void verifyScanFindsItsTables(const QString& prefix) {
  const QString usr = QDir(prefix).canonicalPath();
  ScanInvocation installed;
  installed.program = usr + QStringLiteral("/bin/vornel-scan");
  installed.arguments = QStringList{QStringLiteral("examples")};
  installed.workingFolder = QStringLiteral(VORNEL_SOURCE_DIR);
  const ScanRunResult scan = runScan(installed);
  const ScanRunResult built = runScan(installed.arguments, installed.workingFolder);
  QCOMPARE(scan.exitCode, 1);
  QCOMPARE(scan.out, built.out);
  QCOMPARE(scan.err, built.err);
  QVERIFY(scan.out.contains("examples/alerts.csm:2 "));

  installed.arguments = QStringList{QStringLiteral("--explain"), QStringLiteral("zmod")};
  const ScanRunResult explain = runScan(installed);
  QCOMPARE(explain.exitCode, 0);
  QVERIFY2(explain.out.contains(
               (usr + QStringLiteral("/share/vornel-script-checker/param.txt line 1")).toUtf8()),
           explain.out.constData());
}
