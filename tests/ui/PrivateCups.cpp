#include "PrivateCups.h"

#include <sys/prctl.h>

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kToolTimeoutMs = 15000;

// Socket paths are limited to about 100 bytes, so the folder stays in /tmp.
QString rootTemplate() {
  return QStringLiteral("/tmp/vornel-cups-XXXXXX");
}

bool writeFile(const QString& path, const QString& text, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
    *error = path + QStringLiteral(": ") + file.errorString();
    return false;
  }
  return true;
}

QString findTool(const QString& name) {
  const QString inPath = QStandardPaths::findExecutable(name);
  if (!inPath.isEmpty()) return inPath;
  return QStandardPaths::findExecutable(
      name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
}

}  // namespace

PrivateCups::PrivateCups() : root_(rootTemplate()) {}

PrivateCups::~PrivateCups() {
  stop();
}

bool PrivateCups::writeConfiguration(QString* error) {
  const QDir dir(root_.path());
  for (const char* sub : {"conf", "spool", "cache", "state", "log", "tmp"}) {
    if (!dir.mkpath(QString::fromLatin1(sub))) {
      *error = QStringLiteral("cannot make ") + dir.filePath(QString::fromLatin1(sub));
      return false;
    }
  }
  // The scheduler drops to the lp user for some work; it must reach the folder.
  QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
  const QString at = root_.path();
  const QString cupsd = QStringLiteral(
                            "Listen %1/cups.sock\n"
                            "LogLevel info\n"
                            "Browsing No\n"
                            "WebInterface No\n"
                            "DefaultAuthType None\n"
                            "PreserveJobFiles Yes\n"
                            "PreserveJobHistory Yes\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                            "  </Limit>\n</Policy>\n")
                            .arg(at);
  const QString files = QStringLiteral(
                            "ServerRoot %1/conf\n"
                            "RequestRoot %1/spool\n"
                            "CacheDir %1/cache\n"
                            "StateDir %1/state\n"
                            "TempDir %1/tmp\n"
                            "ErrorLog %1/log/error_log\n"
                            "AccessLog %1/log/access_log\n"
                            "PageLog %1/log/page_log\n"
                            "FileDevice Yes\n")
                            .arg(at);
  return writeFile(dir.filePath(QStringLiteral("conf/cupsd.conf")), cupsd, error) &&
         writeFile(dir.filePath(QStringLiteral("conf/cups-files.conf")), files, error);
}

bool PrivateCups::start(QString* error) {
  if (!root_.isValid()) {
    *error = QStringLiteral("cannot make a temporary folder: ") + root_.errorString();
    return false;
  }
  const QString cupsd = findTool(QStringLiteral("cupsd"));
  if (cupsd.isEmpty()) {
    *error = QStringLiteral("cupsd not found; scripts/install-deps installs the cups package");
    return false;
  }
  if (!writeConfiguration(error)) return false;

  const QString socket = root_.filePath(QStringLiteral("cups.sock"));
  qputenv("CUPS_SERVER", socket.toLocal8Bit());
  qputenv("HOME", root_.path().toLocal8Bit());
  qunsetenv("PRINTER");
  qunsetenv("LPDEST");

  scheduler_.setProcessChannelMode(QProcess::MergedChannels);
  // Should the test crash, the scheduler goes with it instead of lingering.
  scheduler_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  scheduler_.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                           root_.filePath(QStringLiteral("conf/cupsd.conf")), QStringLiteral("-s"),
                           root_.filePath(QStringLiteral("conf/cups-files.conf"))});
  if (!scheduler_.waitForStarted()) {
    *error = QStringLiteral("cupsd did not start: ") + scheduler_.errorString();
    return false;
  }
  QElapsedTimer waited;
  waited.start();
  QString notYet;
  while (!runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &notYet)) {
    if (scheduler_.state() != QProcess::Running || waited.elapsed() > kStartTimeoutMs) {
      *error = QStringLiteral("cupsd is not answering: ") + notYet +
               QString::fromLocal8Bit(scheduler_.readAll()) + errorLog();
      return false;
    }
    QThread::msleep(50);
  }
  return true;
}

void PrivateCups::stop() {
  if (scheduler_.state() == QProcess::NotRunning) return;
  scheduler_.terminate();
  if (!scheduler_.waitForFinished(10000)) {
    scheduler_.kill();
    scheduler_.waitForFinished();
  }
}

bool PrivateCups::runTool(const QString& tool, const QStringList& arguments, QString* error) {
  const QString program = findTool(tool);
  if (program.isEmpty()) {
    *error = tool + QStringLiteral(" not found; scripts/install-deps installs cups-client");
    return false;
  }
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  const bool finished = process.waitForFinished(kToolTimeoutMs);
  const QString output = QString::fromLocal8Bit(process.readAll());
  if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    *error =
        tool + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") + output;
    return false;
  }
  // lpstat -r answers "scheduler is not running" with exit status 0 on some versions.
  if (output.contains(QStringLiteral("not running"))) {
    *error = output;
    return false;
  }
  return true;
}

bool PrivateCups::addDefaultQueue(const QString& name, QString* error) {
  return runTool(QStringLiteral("lpadmin"),
                 {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                  QStringLiteral("file:///dev/null"), QStringLiteral("-m"), QStringLiteral("raw")},
                 error) &&
         runTool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}, error);
}

bool PrivateCups::removeQueue(const QString& name, QString* error) {
  return runTool(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name}, error);
}

bool PrivateCups::setAcceptingJobs(const QString& name, bool accepting, QString* error) {
  return runTool(accepting ? QStringLiteral("cupsaccept") : QStringLiteral("cupsreject"), {name},
                 error);
}

QStringList PrivateCups::spooledDocuments() const {
  const QDir spool(root_.filePath(QStringLiteral("spool")));
  QStringList paths;
  // d<job>-<document>: the job numbers grow, so the names sort by age.
  for (const QString& name : spool.entryList({QStringLiteral("d*-*")}, QDir::Files, QDir::Name)) {
    paths.append(spool.filePath(name));
  }
  return paths;
}

QString PrivateCups::errorLog() const {
  QFile log(root_.filePath(QStringLiteral("log/error_log")));
  return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}
