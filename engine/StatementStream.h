#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include "StatementSyntax.h"
#include "SystemText.h"

// Builds the statement of one line from its raw bytes a piece at a time,
// exactly as decoding the whole line and normalising it would, without
// holding the line or its decoded text: for lines too long to hold more
// than once. Pieces are decoded up to a byte where decoding may safely
// stop and start again; the few bytes after it wait for the next piece.
class StatementStream {
 public:
  // Starts a new line.
  void restart() { *this = StatementStream(); }

  // Takes the next piece of the line, `last` when the line ends with it
  // (its line end not included). Each statement character goes to
  // `kept(char16_t c, qint64 column)`, with the column of the raw
  // character it comes from, counted as alerts count columns.
  template <typename Kept>
  void feed(QByteArrayView piece, bool last, Kept&& kept);

  // The statement has ended at a comment: nothing more will be kept.
  bool ended() const { return ended_; }
  bool hasEquals() const { return hasEquals_; }

 private:
  // Where decoding may stop in `bytes`, the rest waiting for the next piece:
  // before the last byte that continues no character, or at the end after
  // four that do, which no character has. Decoding in pieces cut so gives
  // what decoding the whole gives.
  static qsizetype safeEnd(QByteArrayView bytes);
  template <typename Kept>
  void take(QStringView text, Kept& kept);

  QByteArray carry_;  // the start of a character cut by the last piece's end
  qint64 column_ = 1;
  bool word_ = false;
  char16_t last_ = 0;        // the last character kept
  bool spaceWaits_ = false;  // a space, kept only if a word character follows
  qint64 spaceColumn_ = 0;
  bool ended_ = false;
  bool hasEquals_ = false;
};

inline qsizetype StatementStream::safeEnd(QByteArrayView bytes) {
  const auto continues = [&](qsizetype i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    return b >= 0x80 && b <= 0xBF;
  };
  const qsizetype n = bytes.size();
  if (n >= 4 && continues(n - 1) && continues(n - 2) && continues(n - 3) && continues(n - 4))
    return n;
  qsizetype last = n - 1;
  while (last >= 0 && continues(last)) --last;
  return qMax<qsizetype>(last, 0);
}

template <typename Kept>
void StatementStream::feed(QByteArrayView piece, bool last, Kept&& kept) {
  if (ended_) return;
  qsizetype from = 0;
  if (!carry_.isEmpty()) {
    // Complete the cut character with the bytes up to the next safe cut.
    qsizetype to = 0;
    while (to < piece.size() && to < 4 && static_cast<unsigned char>(piece[to]) >= 0x80 &&
           static_cast<unsigned char>(piece[to]) <= 0xBF) {
      ++to;
    }
    carry_.append(piece.first(to));
    if (to == piece.size() && !last) return;
    take(decodeSystemText(carry_), kept);
    carry_.clear();
    from = to;
  }
  const QByteArrayView rest = piece.sliced(from);
  const qsizetype end = last ? rest.size() : safeEnd(rest);
  take(decodeSystemText(rest.first(end)), kept);
  carry_ = rest.sliced(end).toByteArray();
  if (last && !carry_.isEmpty()) {
    take(decodeSystemText(carry_), kept);
    carry_.clear();
  }
}

template <typename Kept>
void StatementStream::take(QStringView text, Kept& kept) {
  using syntax::Treatment;
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    const qint64 column = column_;
    if (!ch.isLowSurrogate()) ++column_;
    if (ended_) return;
    if (spaceWaits_) {
      spaceWaits_ = false;
      if (syntax::isWordCharacter(c)) {
        last_ = syntax::kSpace;
        kept(syntax::kSpace, spaceColumn_);
      }
    }
    switch (syntax::treatmentOf(c)) {
      case Treatment::Space:
        if (word_ && syntax::isWordCharacter(last_)) {
          spaceWaits_ = true;
          spaceColumn_ = column;
        }
        break;
      case Treatment::Equals:
        hasEquals_ = true;
        last_ = c;
        kept(c, column);
        break;
      case Treatment::Dropped:
        break;
      case Treatment::Comment:
        ended_ = true;
        return;
      case Treatment::Kept:
      case Treatment::LineEnd:
        last_ = c;
        kept(c, column);
        word_ = true;
    }
  }
}
