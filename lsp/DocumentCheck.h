#pragma once

#include <atomic>
#include <vector>

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include "CheckSetup.h"
#include "ProtocolValues.h"

// One check of an open script: a warning for each alert that nothing
// silences (ranged over the quoted code) and for each comment that starts
// like a directive but is none, which vornel-scan would name on standard
// error. Many checks may wait together for the main thread, so each keeps
// no more than its ranges and the table rows: their JSON, many times the
// size, is made as they are published.
struct DocumentCheck {
  struct Warning {
    lsp::TextRange range;
    const TableRow* row = nullptr;  // in the tables of the setup checked with
    QString message;                // when there is no row
    QString rule;                   // the rule's name, when there is no row
    Severity severity = Severity::Warning;
  };
  std::vector<Warning> warnings;
  qint64 count = 0;      // of warnings, those past the most shown too
  bool stopped = false;  // `stop` was set before the check ended
};

// A script with more alerts than this gets this many, and a last
// diagnostic that tells how many there are: an editor is no place for a
// million squiggles, and the message would take more memory than the script.
inline constexpr qsizetype kMostDiagnostics = 10000;

// Checks `text` (UTF-8, lone surrogate halves as editortext holds them);
// reads `stop` as it goes and gives up once it is set.
DocumentCheck checkDocument(const CheckSetup& setup, const QByteArray& text,
                            const std::atomic<bool>& stop);
// The LSP ranges of the diagnostics of a check of `text`, as the check
// read it, in one pass over the text; the diagnostics in line order.
std::vector<lsp::TextRange> rangesOf(const QByteArray& text, const std::vector<Diagnostic>& found);
// What the table checks (checkTables()) found in one table, `found`, as the
// check of the table's document: `text` as the editor holds it, its lines
// counted as the loader counts them.
DocumentCheck tableDocumentCheck(const QByteArray& text, std::vector<Diagnostic> found);
// The LSP diagnostics of a check, while the setup it was made with lasts.
QJsonArray diagnosticsOf(const DocumentCheck& check);
