#pragma once

#include <array>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include "CodeSearch.h"
#include "InputFile.h"
#include "QuotedCodeFilter.h"
#include "ReferenceTables.h"
#include "ScriptMasks.h"

// Checks the lines of one stretch of a script: reads them from a channel in
// blocks, picks out by their bytes the few lines that may hold a listed code,
// and checks those in full. It touches no shared scan state, so two can run
// at once on two stretches of one script; the caller reports what they found
// in line order afterwards.
class RangeScan {
 public:
  // One alert: the line (counted from 1 at the stretch's first line), its
  // statement, and the row of the table it names.
  struct Found {
    qint64 line;
    QString statement;
    bool hasEquals;
    qint64 row;
    bool isTag;
  };

  RangeScan(const QuotedCodeFilter& filter, const ReferenceTables& tables)
      : filter_(filter), tables_(tables) {}

  // Reads and checks lines until the channel ends or `maxLines` are read.
  // False when a read failed.
  bool run(InputFile& file, qint64 maxLines);

  qint64 lines() const { return lines_; }
  const std::vector<Found>& found() const { return found_; }
  // The bytes of the last line read, without its line end.
  const QByteArray& lastLine() const { return lastLine_; }

 private:
  // Checks the whole lines of a block, the first of them line lines_ + 1;
  // returns how many lines it holds.
  qint64 checkBlock(QByteArrayView block);
  // Checks one line that may hold a listed code, as the plain procedures would.
  void checkLine(QByteArrayView raw, qint64 line);
  void checkDecodedLine(QByteArrayView raw, qint64 line);
  // For the mark at `bit` of the group masked in `m` (`x` the next group),
  // at index `at` of the block: whether its window may begin a listed code.
  bool mayOpenCode(const ScriptMasks& m, const ScriptMasks& x, const char* bytes, qsizetype n,
                   qsizetype at, int bit) const;
  // Whether a window opened by a mark before `codeEnd` may hold one of `codes`.
  bool anyWindowHolds(QByteArrayView raw, qsizetype codeEnd, const CodeIndex& codes) const;
  template <typename Char>
  void addAlerts(const Char* statement, qsizetype length, bool hasEquals,
                 codesearch::Searched searched, qint64 line);

  const QuotedCodeFilter& filter_;
  const ReferenceTables& tables_;
  qint64 lines_ = 0;
  std::vector<Found> found_;
  QByteArray lastLine_;
  // Masks for 4 KiB of script at a time, and one group after them.
  static constexpr qsizetype kMaskedGroups = 64;
  std::array<ScriptMasks, kMaskedGroups + 1> masks_{};
  QByteArray statementBytes_;  // reused for every line checked as bytes
  QString decoded_;            // and for every line decoded first
  QString statementText_;
};
