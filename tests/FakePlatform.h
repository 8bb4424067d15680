#pragma once

#include <atomic>
#include <memory>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include "FileSystem.h"
#include "WindowServices.h"

// An in-memory file system. Files can be made to fail at open or on a read,
// and can be replaced after a number of opens to mimic a script that changes
// while it is being scanned.
class FakeFileSystem : public FileSystem {
 public:
  void add(const QString& path, const QByteArray& bytes) {
    files_[path] = bytes;
    ++versions_[path];
  }
  void failOpen(const QString& path, const QString& reason) { openFailures_[path] = reason; }
  // Reads of `path` fail once `afterBytes` bytes have been delivered, on the
  // `fromOpen`-th open (counting from 1) and every later one.
  void failReads(const QString& path, qint64 afterBytes, int fromOpen = 1) {
    readFailures_[path] = {fromOpen, afterBytes};
  }
  // From the `openNumber`-th open on (counting from 1), `path` holds `bytes`.
  void replaceAtOpen(const QString& path, int openNumber, const QByteArray& bytes) {
    replacements_[path] = {openNumber, bytes};
  }
  // Deliver at most this many bytes per read, to exercise buffer boundaries.
  void setReadSize(qint64 bytes) { readSize_ = bytes; }
  int opens(const QString& path) const { return opens_.value(path); }
  // Streams tell their file's identity, as a disk file long unchanged does:
  // its path and how often its bytes were replaced. Off, as for a file just
  // written, they cannot tell.
  void setIdentities(bool on) { identities_ = on; }
  // Bytes delivered from `path` so far, over all its streams.
  qint64 bytesRead(const QString& path) const;

  std::unique_ptr<ByteStream> openForInput(const QString& path, QString* error) override;

 private:
  struct Replacement {
    int openNumber;
    QByteArray bytes;
  };
  QHash<QString, QByteArray> files_;
  QHash<QString, QString> openFailures_;
  struct ReadFailure {
    int fromOpen;
    qint64 afterBytes;
  };
  QHash<QString, ReadFailure> readFailures_;
  QHash<QString, Replacement> replacements_;
  QHash<QString, int> opens_;
  QHash<QString, int> versions_;
  mutable QMutex openLock_;  // channels may be opened and read from more than one thread
  QHash<QString, std::shared_ptr<std::atomic<qint64>>> bytesRead_;
  qint64 readSize_ = 1 << 20;
  bool identities_ = false;
};

// The window as the tests see it: every status text set, the report, the
// message boxes, and a queue of answers for the open-file dialog.
class FakeWindow : public WindowServices {
 public:
  struct MessageBox {
    QString text;
    QString title;
  };

  QString statusText() const override { return status; }
  void setStatusText(const QString& text) override {
    status = text;
    statusHistory.append(text);
  }
  QString reportText() const override { return report; }
  void setReportText(const QString& text) override {
    report = text;
    ++reportWrites;
  }
  void repaintNow() override { repaintedStatus.append(status); }
  void setDialogFilter(const QString& filter) override { dialogFilter = filter; }
  void showOpenDialog() override {
    ++dialogsShown;
    chosen = answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QString chosenFileName() const override { return chosen; }
  void showMessageBox(const QString& text, const QString& title) override {
    messageBoxes.append({text, title});
  }

  QStringList answers;  // what the next dialogs yield, in order
  QString chosen;
  QString status;
  QStringList statusHistory;
  QStringList repaintedStatus;
  QString report;
  int reportWrites = 0;
  QString dialogFilter;
  int dialogsShown = 0;
  QList<MessageBox> messageBoxes;
};
