#pragma once

#include <array>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include "CodeSearch.h"
#include "DiagnosticSink.h"
#include "LoneLineFeeds.h"
#include "QuotedCodeFilter.h"
#include "ScriptMasks.h"
#include "Tables.h"

// Checks the lines of one stretch of a script, a block of whole lines at a
// time: picks out by their bytes the few lines that may hold a listed code,
// and checks those in full. It touches nothing shared, so two can run at
// once on two stretches of one script; what each found is handed on in
// line order afterwards.
class StretchScan {
 public:
  StretchScan(const QuotedCodeFilter& filter, const Tables& tables)
      : filter_(filter), tables_(tables) {}

  // Checks the whole lines of `block`, which follow the lines checked so far.
  void check(QByteArrayView block);
  // Counts one line that was not checked: it holds nothing to report, and
  // `loneLineFeeds` LFs that follow no CR, none of them the stretch's first.
  void passLine(qint64 loneLineFeeds = 0) {
    ++lines_;
    loneLineFeeds_.count += loneLineFeeds;
  }

  // Lines from this length on have their statements built a piece at a
  // time, so that a long line costs its own length and its statement's.
  static constexpr qsizetype kLongStatement = 64 * 1024;
  // Starts again at line 1, keeping its buffers; what was found and not
  // handed over is dropped.
  void restart();

  // Lines checked so far.
  qint64 lines() const { return lines_; }
  // The LFs of those lines that follow no CR, lines numbered from 1 for the
  // stretch's first.
  const LoneLineFeeds& loneLineFeeds() const { return loneLineFeeds_; }
  // Alerts found since the last handOver(), if any.
  bool hasFound() const { return !found_.empty() || !directives_.empty(); }
  // About how many bytes what was found holds until it is handed over.
  qsizetype foundBytes() const {
    qsizetype bytes = qsizetype(found_.size() * sizeof(Found)) + statements_.size() * 2;
    for (const QString& statement : longStatements_) bytes += statement.size() * 2;
    return bytes;
  }
  // Hands the alerts and directives found so far to `sink`, in line order,
  // numbering lines from `firstLine` for this stretch's first, and forgets
  // them.
  void handOver(qint64 firstLine, DiagnosticSink& sink);

 private:
  // An alert as kept until it is handed over: its statement stands in
  // statements_, shared by the alerts of one line, or, for a long line, in
  // longStatements_[-1 - statementAt].
  struct Found {
    qint64 line;  // from 1 for the stretch's first line
    qsizetype statementAt;
    qsizetype statementLength;
    qsizetype row;
    TableKind table;
    qint64 column;
    qint64 endColumn;
  };

  // Notes the directive whose `#` stands at `hash` of the block, its marker
  // ending at `markerEnd`.
  void noteDirective(QByteArrayView block, qsizetype hash, qsizetype markerEnd, qint64 line);
  // Counts the LFs `lone` of a group at `base` of the block, of which the
  // lowest stands on line `line`.
  void noteLoneLineFeeds(QByteArrayView block, qsizetype base, std::uint64_t lone, qint64 line);
  // Checks one line that may hold a listed code, as the plain procedures would.
  void checkLine(QByteArrayView raw, qint64 line);
  void checkDecodedLine(QByteArrayView raw, qint64 line);
  void checkLongLine(QByteArrayView raw, qint64 line);
  // For the mark at `bit` of the group masked in `m` (`x` the next group),
  // at index `at` of the block: whether its window may begin a listed code.
  bool mayOpenCode(const ScriptMasks& m, const ScriptMasks& x, const char* bytes, qsizetype n,
                   qsizetype at, int bit) const;
  // Whether a window opened by a mark before `codeEnd` may hold one of `codes`.
  bool anyWindowHolds(QByteArrayView raw, qsizetype codeEnd, const CodeIndex& codes) const;
  // Searches a statement whose characters came from raw characters
  // `rawIndex`; `column` turns a raw index into a column.
  template <typename Char, typename Column>
  void addAlerts(const Char* statement, qsizetype length, const qsizetype* rawIndex,
                 codesearch::Searched searched, qint64 line, Column column);

  const QuotedCodeFilter& filter_;
  const Tables& tables_;
  qint64 lines_ = 0;
  LoneLineFeeds loneLineFeeds_;
  std::vector<Found> found_;
  QString statements_;
  std::vector<QString> longStatements_;
  std::vector<Directive> directives_;  // found since the last handOver(), in line order
  // Masks for 4 KiB of script at a time, and one group after them.
  static constexpr qsizetype kMaskedGroups = 64;
  std::array<ScriptMasks, kMaskedGroups + 1> masks_{};
  QByteArray statementBytes_;        // reused for every line checked as bytes
  std::vector<qsizetype> rawIndex_;  // and where each statement character came from
  QString decoded_;                  // reused for every line decoded first
  QString statementText_;
};
