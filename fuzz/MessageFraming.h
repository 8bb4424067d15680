#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include "MessageDecoder.h"

// The language server's framing decoder: bytes in, cut anywhere, out the
// same messages or protocol errors as from the bytes whole. Every message
// is taken as large enough to be left unparsed when it is a didOpen or a
// didChange: one left so must parse as the notification the decoder took
// it for, or as no message at all. The first four bytes of the input give
// the sizes of the pieces, in turn; the rest is the stream. Returns the
// first difference, or the empty text.
namespace fuzzcheck {

inline bool sameMessage(const lsp::Incoming& a, const lsp::Incoming& b) {
  return a.kind == b.kind && a.id == b.id && a.method == b.method && a.params == b.params &&
         a.message == b.message && a.errorCode == b.errorCode && a.problem == b.problem &&
         a.unparsed == b.unparsed && a.documentUri == b.documentUri;
}

inline void drain(lsp::MessageDecoder* decoder, QList<lsp::Incoming>* messages) {
  lsp::Incoming message;
  while (decoder->next(&message)) {
    messages->append(message);
    message = lsp::Incoming();
  }
}

inline QString framingDifference(QByteArrayView input) {
  if (input.size() < 4) return {};
  const QByteArrayView stream = input.sliced(4);
  const qint64 most = lsp::MessageDecoder::kDefaultMostContentBytes;
  lsp::MessageDecoder whole(most, 0);
  whole.feed(stream);
  QList<lsp::Incoming> expected;
  drain(&whole, &expected);
  for (const lsp::Incoming& skimmed : expected) {
    if (skimmed.unparsed.isEmpty()) continue;
    const lsp::Incoming parsed = lsp::decodeMessage(skimmed.unparsed);
    if (parsed.kind == lsp::Incoming::Kind::Invalid) continue;
    if (parsed.kind != lsp::Incoming::Kind::Notification || parsed.method != skimmed.method ||
        parsed.params["textDocument"]["uri"].toString() != skimmed.documentUri) {
      return QStringLiteral("skimmed as %1 for %2, parsed as %3")
          .arg(skimmed.method, skimmed.documentUri, parsed.method);
    }
  }
  lsp::MessageDecoder cut(most, 0);
  QList<lsp::Incoming> got;
  for (qsizetype at = 0, piece = 0; at < stream.size(); ++piece) {
    const qsizetype size =
        qMin<qsizetype>(1 + static_cast<unsigned char>(input[piece % 4]), stream.size() - at);
    cut.feed(stream.sliced(at, size));
    drain(&cut, &got);
    at += size;
  }
  for (qsizetype i = 0; i < qMax(got.size(), expected.size()); ++i) {
    if (i >= got.size() || i >= expected.size() || !sameMessage(got[i], expected[i]))
      return QStringLiteral("message %1 of %2 (cut: %3) differs: %4")
          .arg(i)
          .arg(expected.size())
          .arg(got.size())
          .arg(i < got.size() ? got[i].problem + u' ' + got[i].method : QStringLiteral("none"));
  }
  if (cut.pendingBytes() != whole.pendingBytes()) return QStringLiteral("bytes held differ");
  return {};
}

}  // namespace fuzzcheck
