#pragma once

#include <vector>

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include "StatementSyntax.h"

// A comment that silences listed codes where it stands:
//
//   # vornel-scan: disable=CODE[,CODE...]            this line
//   # vornel-scan: disable-next-line=CODE[,CODE...]  the next line
//   # vornel-scan: disable-file=CODE[,CODE...]       the whole script
//
// Whatever follows ` -- ` is the reason, and is kept. The marker and the
// keywords are written in lower case; spaces and tabs may stand after the
// `:` and around the `=` and the commas. Any `#` of a line starts a comment, so one
// inside quotation marks starts one too, as the statement's comment rule
// has it.
struct Directive {
  enum class Scope { Line, NextLine, File };

  Scope scope = Scope::Line;
  QStringList codes;
  QString reason;
  qint64 line = 0;    // the script line it is written on
  qint64 column = 0;  // of its `#`, as alerts' columns count
  QString text;       // as written, from the marker on
  QString error;      // why it is not a directive though it starts like one
};

// The grammar is read by the scan and by the quick fix, and written by the
// quick fix, all from these constants, so that what one writes the others
// read.
namespace directive {

// The marker that a directive starts with, after its `#` and any spaces.
inline constexpr char kMarker[] = "vornel-scan:";
inline constexpr qsizetype kMarkerSize = sizeof kMarker - 1;
inline constexpr char16_t kCodesFollow = u'=';
inline constexpr char16_t kCodeSeparator = u',';
inline constexpr QLatin1StringView kReasonSeparator(" -- ");

// What may stand between the `#` and the marker, and around the keyword and
// the codes.
constexpr bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// The keyword of a scope, as written and as read.
QLatin1StringView keywordOf(Directive::Scope scope);

// Reads the text after the marker, up to the line end, into `directive`;
// sets its `error` when it is not a well-formed directive. With `listEnd`,
// notes the index of `afterMarker` just past the code list's last character
// that is no blank, where more codes can go.
void parse(QStringView afterMarker, Directive* directive, qsizetype* listEnd = nullptr);

// The directive whose `#` stands at `hash` of `bytes`, its marker ending at
// `markerEnd`, on script line `line`: its column, text and meaning.
Directive readAt(QByteArrayView bytes, qsizetype hash, qsizetype markerEnd, qint64 line);

// A well-formed directive of a decoded line, and the index of the line just
// past its code list.
struct Found {
  Directive directive;
  qsizetype listEnd = 0;
};

// The well-formed directives of `line`, which holds no line end, in the
// order they stand: the scan looks after every `#`, and so does this. Their
// `line` is left at 0.
std::vector<Found> findIn(QStringView line);

// Whether `code` can stand in a code list and read back as itself.
bool fitsDirective(QStringView code);

// A directive's text from its `#` on: `# vornel-scan: disable=a,b -- why`.
// The codes must fit; no reason, no separator.
QString write(Directive::Scope scope, const QStringList& codes, QStringView reason = {});

// What to insert at a code list's end to add `code`, which must fit.
QString appendedCode(QStringView code);

}  // namespace directive
