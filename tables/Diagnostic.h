#pragma once

#include <optional>

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "Rules.h"
#include "Tables.h"

// Everything the checker says about a place: a listed code in a statement
// (a table alert), a directive that is no directive or silences nothing, a
// table row that can never match. Every report renders every rule.
struct Diagnostic {
  // Whether something silences it: a directive in the script, or a setting
  // outside it (the project's settings, a baseline). A silenced diagnostic
  // is still handed on, for the reports that list silenced ones.
  enum class Silenced : quint8 { No, InSource, External };

  // Small fields first: a script's alerts are held by the tens of thousands
  // while its directives are not all known.
  Rule rule = Rule::TableRow;
  // A table alert's table and row: its code, message and note; valid as
  // long as the tables. Null for every other rule.
  TableKind table = TableKind::Params;
  Silenced silenced = Silenced::No;
  // The severity in force, as the project's settings give it; none: the rule's.
  std::optional<Severity> severityInForce;
  const TableRow* row = nullptr;
  // 1-based; 0 for a fault in no line, a table that cannot be read: the
  // file as a whole, which no report shows a line for.
  qint64 line = 0;
  // 1-based columns in the raw line, counted in Unicode code points as the
  // line decodes (a tab counts one): of a table alert, where the code's
  // opening quotation mark stands, and just past its closing one. An end
  // column of 0 runs to the line's end; a column of 0 names the whole line.
  qint64 column = 0;
  qint64 endColumn = 0;
  QString path;             // of the script or table, as reports show it
  QString statement;        // a table alert's normalised statement; the code a table check is about
  QString text;             // the message of every rule but a table row's
  QString silencedBecause;  // the directive's reason, or what silenced it

  QStringView code() const { return row ? QStringView(row->code) : QStringView(statement); }
  // The message as the table row or the check gives it: empty when a row
  // gives none. The desktop program's report shows it so.
  QStringView givenMessage() const { return row ? QStringView(row->message) : QStringView(text); }
  // What reports show: the given message, or the code when it is empty, so
  // that no report carries an alert without text.
  QStringView message() const {
    const QStringView given = givenMessage();
    return given.isEmpty() ? code() : given;
  }
  Severity severity() const { return severityInForce.value_or(rules::infoOf(rule).severity); }
  // "params/zmod" for a table alert, the rule's name otherwise.
  QString ruleId() const {
    return row ? rules::rowId(table, row->code) : QString(rules::infoOf(rule).id);
  }
  bool isTableAlert() const { return rule == Rule::TableRow; }
};
