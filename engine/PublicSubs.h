#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

#include "FileSystem.h"
#include "HelperThread.h"
#include "InputFile.h"
#include "QuotedCodeFilter.h"
#include "RangeScan.h"
#include "ReferenceTables.h"
#include "WindowServices.h"

// The scanning engine: the state shared by one scan and the procedures that
// work on it. Counters are 64-bit, so no script, statement or alert count is
// too large. The window, the harness and the tests each hand it their own
// file system and window.
class PublicSubs {
 public:
  enum class ScanOutcome { NoFileChosen, Completed, Failed };

  PublicSubs(FileSystem& files, WindowServices& window);
  // The same with a helper thread that the caller started early.
  PublicSubs(FileSystem& files, WindowServices& window, HelperThread& helper);

  // The thread that takes stretches of a large script, and that loads
  // one table while the caller loads the other.
  HelperThread& helperThread() { return helper_; }

  // The "Open Script" command: choose a script, scan it, show the report and
  // the summary. A script that cannot be read ends the scan with a message
  // box and leaves the previous report and counters as they were.
  ScanOutcome ScanScript();

  // Lines from the read position of file number 1 to its end; -1 on a read error.
  qint64 CountLines();
  // Reads the next line into RawLine and builds Statement, StatementLength
  // and HasEquals. False when no line is left or the read failed.
  bool NormaliseLine();
  void CheckStatement(const QString& statement);
  qint64 FindParameter();
  qint64 FindTag();
  void ReportParameterAlert();
  void ReportTagAlert();

  // Scripts of at least this many bytes are read in stretches on two threads.
  static constexpr qint64 kSplitFrom = 4 << 20;
  void setSplitFrom(qint64 bytes) { splitFrom_ = bytes; }

  // The report as the alerts of the running scan build it; the report box
  // receives it whole when the scan completes.
  const QString& reportInProgress() const { return report_; }

  // Shared scan state; each holds the value of the last scan until the next.
  qint64 ScriptLineCount = 0;
  qint64 LineNumber = 0;
  qint64 AlertCount = 0;
  QString RawLine;
  QString Statement;
  qint64 StatementLength = 0;
  bool HasEquals = false;
  qint64 MatchIndex = 0;
  ReferenceTables Tables;
  InputFile FileNumber1;

 private:
  struct Counters {
    qint64 scriptLineCount, lineNumber, alertCount;
  };

  void appendStatusLine(const QString& line);
  void appendAlert(const QString& message);
  // Builds the shared line state from a raw line's bytes.
  void takeLine(QByteArrayView raw);
  void normaliseRawLine();
  // Reads and checks the lines of the script open on FileNumber1, at most
  // `most` of them, in stretches when it has `size` bytes or more, into read_;
  // notes where the read ended. False with the reason when a read failed.
  bool readScript(qint64 size, qint64 most, QString* failure);
  // Counts the lines of the script open on FileNumber1, checking them on
  // the way; -1 with the reason when a read failed.
  qint64 countScript(QString* failure);
  // The lines of all stretches in read_.
  qint64 linesRead() const;
  // The line loop of a scan, on the script open again on FileNumber1: when
  // it is `unchanged` since it was counted, the lines the count checked are
  // reported without reading them again. False with the reason when a read
  // failed.
  bool checkLines(bool unchanged, QString* failure);
  void reportFound(const RangeScan& scan, qint64 firstLine);
  void finishLines(qint64 lines, const QByteArray& lastLine);
  ScanOutcome failScan(const QString& fileLine, const Counters& saved, const QString& reason);

  WindowServices& window_;
  QString report_;
  QuotedCodeFilter filter_;
  FileSystem& files_;
  std::unique_ptr<HelperThread> ownHelper_;
  HelperThread& helper_;
  // What the last read of the script found, stretch by stretch in order.
  std::vector<std::unique_ptr<RangeScan>> read_;
  // The script's size when it was counted, and the size from which it is
  // read in stretches.
  qint64 scriptBytes_ = 0;
  qint64 splitFrom_ = kSplitFrom;
};
