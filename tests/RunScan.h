#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Running the built vornel-scan as a user would, and what it left.
struct ScanRunResult {
  int exitCode = -1;
  QByteArray out;
  QString err;
};

struct ScanInvocation {
  QStringList arguments;
  QString workingFolder;
  QByteArray standardInput;
  QStringList environment;  // "NAME=value" added to the test's own
  QString program = QStringLiteral(VORNEL_SCAN_PATH);
  int timeoutMs = 120000;  // then it is killed, with exit code -1
};

inline ScanRunResult runScan(const ScanInvocation& how) {
  QProcess process;
  if (!how.workingFolder.isEmpty()) process.setWorkingDirectory(how.workingFolder);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const QString& setting : how.environment)
    environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
  process.setProcessEnvironment(environment);
  process.start(how.program, how.arguments);
  process.write(how.standardInput);
  process.closeWriteChannel();
  if (!process.waitForFinished(how.timeoutMs)) return {-1, {}, QStringLiteral("did not finish")};
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

inline ScanRunResult runScan(const QStringList& arguments, const QString& workingFolder = {}) {
  ScanInvocation how;
  how.arguments = arguments;
  how.workingFolder = workingFolder;
  return runScan(how);
}

// Writes `bytes` to `path`, making its folders; false when it cannot.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The lines of the first fenced block of `document` (relative to the
// repository) whose opening line is `fence` and which holds `marker`, so
// that a test runs a recipe exactly as a user copies it.
inline QByteArray fencedBlock(const char* document, const QString& fence, const QString& marker) {
  QFile file(QStringLiteral(VORNEL_SOURCE_DIR "/") + QLatin1String(document));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].trimmed() != fence) continue;
    QStringList block;
    while (++i < lines.size() && lines[i].trimmed() != QStringLiteral("```")) block << lines[i];
    if (block.join(u'\n').contains(marker)) return (block.join(u'\n') + u'\n').toUtf8();
  }
  return {};
}
