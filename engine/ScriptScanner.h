#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "ByteSource.h"
#include "DiagnosticSink.h"
#include "HelperThread.h"
#include "LineBlockReader.h"
#include "LoneLineFeeds.h"
#include "QuotedCodeFilter.h"
#include "Tables.h"

// What one scan came to: the script's line count, or why it could not be
// read to its end.
struct ScanResult {
  qint64 lines = 0;
  QString error;  // the system's reason; empty when the whole script was read
  LoneLineFeeds loneLineFeeds;
  bool ok() const { return error.isEmpty(); }
};

class ScanWorkspace;
class StretchScan;

// Scans scripts against one set of tables: tables and one open script in,
// alerts out, in line order, through a sink. It reads each script once, in
// one pass that both counts its lines and finds its alerts. Holds nothing
// of a scan between calls: one scanner serves many scripts, on several
// threads at once.
class ScriptScanner {
 public:
  // Scripts read by offset from this size on are read in stretches of
  // kStretchBytes, by the calling thread and a helper thread at once.
  static constexpr qint64 kSplitFrom = qint64(4) << 20;
  static constexpr qint64 kStretchBytes = qint64(1) << 20;

  // `tables` must outlive the scanner and the alerts it hands out.
  explicit ScriptScanner(const Tables& tables);

  // Reads `script` to its end and hands every alert to `sink`. With
  // `helper`, a large script is read in stretches on two threads; the sink
  // is still called on this thread only, in line order. When a read fails,
  // the alerts of the lines before it have been handed over, and the result
  // holds the reason.
  // With `workspace`, its buffers are used and kept for the next scan.
  ScanResult scan(ByteSource& script, DiagnosticSink& sink, HelperThread* helper = nullptr,
                  ScanWorkspace* workspace = nullptr) const;

  // For tests: where stretches begin to be used, and their size.
  void setStretches(qint64 splitFrom, qint64 stretchBytes) {
    splitFrom_ = splitFrom;
    stretchBytes_ = stretchBytes;
  }
  // For tests: the length from which a line of a file is read in pieces.
  void setLongLine(qsizetype length) { longLine_ = length; }

 private:
  ScanResult scanInOnePiece(ByteSource& script, DiagnosticSink& sink,
                            ScanWorkspace& workspace) const;
  ScanResult scanInStretches(ByteSource& script, DiagnosticSink& sink, HelperThread& helper) const;

  friend class ScanWorkspace;
  const Tables& tables_;
  QuotedCodeFilter filter_;
  qint64 splitFrom_ = kSplitFrom;
  qint64 stretchBytes_ = kStretchBytes;
  qsizetype longLine_ = LineBlockReader::kLongLine;
  // The most read buffer a workspace keeps from one script to the next.
  static constexpr qsizetype kKeptBuffer = qsizetype(8) << 20;
};

// The buffers one thread reuses from scan to scan, so that scanning many
// small scripts allocates nothing per script. It serves one scanner, on one
// thread at a time.
class ScanWorkspace {
 public:
  explicit ScanWorkspace(const ScriptScanner& scanner);
  ~ScanWorkspace();

 private:
  friend class ScriptScanner;
  QByteArray readBuffer_;
  std::unique_ptr<StretchScan> scan_;
};
