#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "DiagnosticSink.h"
#include "SystemText.h"
#include "Tables.h"

// An alert as a value the tests can compare and print.
struct SeenAlert {
  qint64 line = 0;
  QString statement;
  TableKind table = TableKind::Params;
  qsizetype row = -1;  // index into its table
  qint64 column = 0;
  qint64 endColumn = 0;
  bool operator==(const SeenAlert&) const = default;
};

inline QString describe(const SeenAlert& a) {
  return QStringLiteral("%1:%2-%3 %4 %5[%6]")
      .arg(a.line)
      .arg(a.column)
      .arg(a.endColumn)
      .arg(a.statement)
      .arg(a.table == TableKind::Tags ? "tags" : "params")
      .arg(a.row);
}

// Collects what a scan hands over, with the row turned back into its index.
class CollectingSink : public DiagnosticSink {
 public:
  explicit CollectingSink(const Tables& tables) : tables_(tables) {}
  void diagnostic(const Diagnostic& a) override {
    const ReferenceTable& table = tables_[a.table];
    alerts.append(
        {a.line, a.statement, a.table, a.row - table.rows().data(), a.column, a.endColumn});
  }
  QList<SeenAlert> alerts;

 private:
  const Tables& tables_;
};

// The scan written as plain procedures over shared state, the way the
// checker was first described: count the lines, then read, normalise and
// check each in turn, searching every row at every position. The scanner
// must find exactly what this finds.
class ReferenceScan {
 public:
  explicit ReferenceScan(const Tables& tables)
      : tables_(tables), quotedParams_(quoted(tables.params)), quotedTags_(quoted(tables.tags)) {}

  // Scans `script`; returns the alerts and sets lines().
  QList<SeenAlert> run(const QByteArray& script) {
    script_ = script;
    // A byte-order mark at the start marks the encoding; it is no text.
    const qsizetype start = script.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    position_ = start;
    const qint64 count = CountLines();
    position_ = start;
    alerts_.clear();
    for (LineNumber = 1; LineNumber <= count; ++LineNumber) {
      NormaliseLine();
      CheckStatement();
    }
    lines_ = count;
    return alerts_;
  }
  qint64 lines() const { return lines_; }

  qint64 CountLines() {
    qint64 count = 0;
    while (position_ < script_.size()) {
      readLine();
      ++count;
    }
    return count;
  }

  // Builds Statement from the next raw line, noting for each of its
  // characters the raw character it came from.
  void NormaliseLine() {
    RawLine = decodeSystemText(readLine());
    Statement.clear();
    From.clear();
    HasEquals = false;
    bool word = false;
    const qsizetype n = RawLine.size();
    for (qsizetype i = 0; i < n; ++i) {
      const QChar c = RawLine[i];
      if (c == u' ') {
        if (word && i + 1 < n && isLetterOrDigit(Statement.back()) &&
            isLetterOrDigit(RawLine[i + 1]))
          keep(i);
      } else if (c == u'=') {
        HasEquals = true;
        keep(i);
      } else if (c == u'\n' || c == u'\t' || c == u'\f') {
      } else if (c == u'#') {
        break;
      } else {
        keep(i);
        word = true;
      }
    }
  }

  void CheckStatement() {
    static const struct {
      const char16_t* name;
      bool parameter;
    } kCalls[] = {{u"GetCameraState", true},  {u"GetParameterState", true},
                  {u"SetCameraState", true},  {u"SetParameterState", true},
                  {u"GetFileTag", false},     {u"RestoreCameraDefault", true},
                  {u"SetUserFileTag", false}, {u"RestoreParameterDefault", true}};
    for (const auto& call : kCalls) {
      if (Statement.startsWith(QString::fromUtf16(call.name))) {
        if (call.parameter && FindParameter()) Report(TableKind::Params);
        if (!call.parameter && FindTag()) Report(TableKind::Tags);
        return;
      }
    }
    if (!HasEquals) return;
    if (FindParameter()) Report(TableKind::Params);
    if (FindTag()) Report(TableKind::Tags);
  }

  bool FindParameter() { return find(quotedParams_); }
  bool FindTag() { return find(quotedTags_); }

  void Report(TableKind table) {
    const qsizetype close = MatchPosition + 5;
    alerts_.append({LineNumber, Statement, table, MatchIndex, columnOf(From[MatchPosition]),
                    columnOf(From[close]) + 1});
  }

  qint64 LineNumber = 0;
  QString RawLine;
  QString Statement;
  QList<qsizetype> From;
  bool HasEquals = false;
  qsizetype MatchIndex = -1;
  qsizetype MatchPosition = -1;

 private:
  static bool isLetterOrDigit(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
  }
  void keep(qsizetype i) {
    Statement += RawLine[i];
    From.append(i);
  }
  QByteArray readLine() {
    qsizetype end = position_;
    while (end < script_.size() && script_[end] != '\r') ++end;
    const QByteArray line = script_.mid(position_, end - position_);
    position_ = end + 1;
    if (position_ < script_.size() && script_[position_] == '\n') ++position_;
    return line;
  }
  // Each row's code between quotation marks, formed once.
  static QStringList quoted(const ReferenceTable& table) {
    QStringList codes;
    for (const TableRow& row : table.rows()) codes.append(u'"' + row.code.toString() + u'"');
    return codes;
  }
  bool find(const QStringList& quotedCodes) {
    const qsizetype length = Statement.size();
    if (length <= 6) return false;
    for (qsizetype p = 0; p <= length - 6; ++p) {
      if (Statement[p] != u'"') continue;  // no quoted code starts here
      for (qsizetype r = 0; r < quotedCodes.size(); ++r) {
        if (QStringView(Statement).mid(p, 6) == quotedCodes[r]) {
          MatchIndex = r;
          MatchPosition = p;
          return true;
        }
      }
    }
    return false;
  }
  qint64 columnOf(qsizetype index) const {
    qint64 column = 1;
    for (qsizetype i = 0; i < index; ++i) column += RawLine[i].isLowSurrogate() ? 0 : 1;
    return column;
  }

  const Tables& tables_;
  const QStringList quotedParams_;
  const QStringList quotedTags_;
  QByteArray script_;
  qsizetype position_ = 0;
  QList<SeenAlert> alerts_;
  qint64 lines_ = 0;
};
