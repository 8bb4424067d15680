#pragma once

#include <memory>

#include <QString>

#include "ReportFormat.h"
#include "Tables.h"

// What --statistics tells the keeper of the tables: for each row that
// alerts hit, its alerts and the scripts they are in, most first; and the
// rows that no script of the run hit, the dead ones. A silenced alert is a
// hit: its row still matches scripts, so a row that a directive, the
// project file or a baseline silences wherever it matches is no dead row.

// The table files as the statistics name them.
struct TableNames {
  QString tags;
  QString params;
};

// For standard error: a line per row hit, under a line of headings, then
// the dead rows, each as "<table file>:<line>: <code>  <message>". Texts
// are escaped as the line formats escape them. Empty when no row is hit
// and none is dead.
QString statisticsText(const RunTotals& totals, const Tables& tables, const TableNames& names);

// The same as one JSON document, written at the run's end in place of a
// report: the alerts themselves are not written, and the diagnostics of
// other rules are told on standard error, as the classic format tells them.
std::unique_ptr<ReportFormat> makeStatisticsFormat(const RunFacts& facts, const TableNames& names);
