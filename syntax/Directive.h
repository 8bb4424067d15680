#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

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

namespace directive {

// The marker that a directive starts with, after its `#` and any spaces.
inline constexpr char kMarker[] = "vornel-scan:";
inline constexpr qsizetype kMarkerSize = sizeof kMarker - 1;

// Reads the text after the marker, up to the line end, into `directive`;
// sets its `error` when it is not a well-formed directive.
void parse(QStringView afterMarker, Directive* directive);

// The directive whose `#` stands at `hash` of `bytes`, its marker ending at
// `markerEnd`, on script line `line`: its column, text and meaning.
Directive readAt(QByteArrayView bytes, qsizetype hash, qsizetype markerEnd, qint64 line);

}  // namespace directive
