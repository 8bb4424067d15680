#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "Directive.h"
#include "Tables.h"

// One hit: a listed code, quoted, in a statement searched in its table.
struct Alert {
  qint64 line = 0;    // 1-based line of the script
  QString statement;  // the normalised statement, as the report shows it
  TableKind table = TableKind::Params;
  const TableRow* row = nullptr;  // its message and note; valid as long as the tables
  // 1-based columns in the raw line, counted in Unicode code points as the
  // line decodes (a tab counts one): where the code's opening quotation
  // mark stands, and just past its closing one.
  qint64 column = 0;
  qint64 endColumn = 0;

  // Whether something silences the alert: a directive in the script, or a
  // setting outside it (the project's settings, a baseline). A silenced
  // alert is still handed on, for the reports that list silenced alerts.
  enum class Silenced { No, InSource, External };
  Silenced silenced = Silenced::No;
  QString silencedBecause;  // the directive's reason, or what silenced it

  QStringView code() const { return row->code; }
  QStringView message() const { return row->message; }
};

// Where a scan hands its alerts, one at a time and in line order, as it
// finds them; a line that gives two alerts gives the parameter alert first,
// and a directive in a line's comment comes before the line's alerts.
// Called on the thread that runs the scan.
class AlertSink {
 public:
  virtual ~AlertSink() = default;
  virtual void alert(const Alert& alert) = 0;
  virtual void directive(const Directive& directive) { Q_UNUSED(directive); }
};
