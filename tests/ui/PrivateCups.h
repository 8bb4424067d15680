#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A CUPS scheduler of the test's own: configuration, spool, logs and a Unix
// socket in a temporary folder, reached through CUPS_SERVER. Every job keeps
// its document in the spool, so a test can read what was printed. The
// scheduler is stopped and its folder removed when this object goes.
class PrivateCups {
 public:
  PrivateCups();
  ~PrivateCups();

  // Starts cupsd and waits until it answers. Sets CUPS_SERVER (and a HOME
  // of its own, so no personal printer settings interfere) for this process.
  bool start(QString* error);
  void stop();

  // A raw queue that writes to /dev/null, made the default printer.
  bool addDefaultQueue(const QString& name, QString* error);
  bool removeQueue(const QString& name, QString* error);
  bool setAcceptingJobs(const QString& name, bool accepting, QString* error);

  // The spooled documents, oldest first, as full paths.
  QStringList spooledDocuments() const;
  QString errorLog() const;

 private:
  bool writeConfiguration(QString* error);
  bool runTool(const QString& tool, const QStringList& arguments, QString* error);

  QTemporaryDir root_;
  QProcess scheduler_;
};
