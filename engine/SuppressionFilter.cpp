#include "SuppressionFilter.h"

#include <algorithm>
#include <utility>

namespace {

Diagnostic directiveDiagnostic(Rule rule, const Directive& directive, QString text) {
  Diagnostic d;
  d.rule = rule;
  d.line = directive.line;
  d.column = directive.column;
  d.text = std::move(text);
  return d;
}

}  // namespace

SuppressionFilter::SuppressionFilter(DiagnosticSink& next, const Tables& tables, ByteSource* script,
                                     bool unusedDisables)
    : next_(next), tables_(tables), script_(script), unusedDisables_(unusedDisables) {}

qsizetype SuppressionFilter::note(const Directive& directive) {
  // The search of the whole script may have seen it already.
  for (const qsizetype i : byLine_.value(directive.line)) {
    if (noted_[std::size_t(i)].directive.text == directive.text) return i;
  }
  const qsizetype index = qsizetype(noted_.size());
  noted_.push_back({directive, QList<bool>(directive.codes.size(), false)});
  byLine_[directive.line].append(index);
  if (directive.scope == Directive::Scope::File && directive.error.isEmpty())
    fileWide_.append(index);
  return index;
}

void SuppressionFilter::directive(const Directive& directive) {
  const qsizetype index = note(directive);
  next_.directive(directive);
  // Alerts no longer wait, so neither does what can be told of a directive now.
  if (!handingOnAtOnce_) return;
  if (!directive.error.isEmpty()) {
    noted_[std::size_t(index)].told = true;
    next_.diagnostic(directiveDiagnostic(Rule::NotADirective, directive,
                                         QStringLiteral("not a directive: ") + directive.error));
  } else if (!script_ && directive.scope == Directive::Scope::File) {
    next_.diagnostic(directiveDiagnostic(
        Rule::LateDisable, directive,
        QStringLiteral("disable-file comes after more than %1 alerts of a script read "
                       "as a stream, which cannot be read again: it silences only "
                       "the alerts after it")
            .arg(kMostHeld)));
  }
}

void SuppressionFilter::decide(Diagnostic* alert) {
  auto silences = [&](qsizetype index, Directive::Scope scope) {
    Noted& noted = noted_[std::size_t(index)];
    if (noted.directive.scope != scope || !noted.directive.error.isEmpty()) return false;
    const qsizetype code = noted.directive.codes.indexOf(alert->code());
    if (code < 0) return false;
    noted.used[code] = true;
    if (alert->silenced == Diagnostic::Silenced::No) {
      alert->silenced = Diagnostic::Silenced::InSource;
      alert->silencedBecause = noted.directive.reason;
    }
    return true;
  };
  // Most scripts hold no directive.
  if (noted_.empty()) return;
  // Every directive that would silence the alert counts as used. The lists
  // are read as constants: looping over a list that may be written copies
  // it first, an empty one too.
  const QList<qsizetype> onLine = byLine_.value(alert->line);
  for (const qsizetype i : onLine) silences(i, Directive::Scope::Line);
  const QList<qsizetype> onLineBefore = byLine_.value(alert->line - 1);
  for (const qsizetype i : onLineBefore) silences(i, Directive::Scope::NextLine);
  for (const qsizetype i : std::as_const(fileWide_)) silences(i, Directive::Scope::File);
}

void SuppressionFilter::diagnostic(const Diagnostic& alert) {
  if (handingOnAtOnce_) {
    Diagnostic decided = alert;
    decide(&decided);
    next_.diagnostic(decided);
    return;
  }
  held_.add(alert);
  if (held_.size() > kMostHeld) {
    if (script_) searchWholeScript();
    handingOnAtOnce_ = true;
    handOnHeld(false);
  }
}

void SuppressionFilter::finish() {
  handOnHeld(true);
}

void SuppressionFilter::handOnHeld(bool atEnd) {
  // Whether a directive silences anything is known once every held alert
  // has been decided; each is decided again as it goes on.
  if (!noted_.empty()) held_.forEach([this](Diagnostic& held) { decide(&held); });
  const std::vector<Diagnostic> told = directiveDiagnostics(atEnd);
  auto next = told.cbegin();
  held_.forEach([&](Diagnostic& held) {
    decide(&held);
    for (; next != told.cend() && next->line <= held.line; ++next) next_.diagnostic(*next);
    next_.diagnostic(held);
  });
  for (; next != told.cend(); ++next) next_.diagnostic(*next);
  held_.clear();
}

void SuppressionFilter::searchWholeScript() {
  // Marker by marker, in chunks that overlap so that none is cut in two. A
  // directive's line is the line ends before it, plus one; they are counted
  // only for a disable-file, which is rare, so that the search costs little
  // more than reading the script. Lines are at most as long as a chunk is
  // kept whole.
  constexpr qint64 kChunk = 1 << 20;
  const qint64 size = script_->size();
  QByteArray chunk;
  QByteArray earlier;
  qint64 lineEnds = 0;
  qint64 counted = 0;  // the bytes whose line ends are in lineEnds
  QString error;
  // Counts the line ends up to `offset` of the script, in the chunk read at
  // `at` and, before it, read again.
  auto countTo = [&](qint64 offset, QByteArrayView bytes, qint64 at) {
    while (counted < at) {
      earlier.resize(qMin(kChunk, at - counted));
      const qint64 n = script_->readAt(counted, earlier.data(), earlier.size(), &error);
      if (n <= 0) return false;
      lineEnds += std::count(earlier.cbegin(), earlier.cbegin() + n, '\r');
      counted += n;
    }
    lineEnds += std::count(bytes.begin() + (counted - at), bytes.begin() + (offset - at), '\r');
    counted = offset;
    return true;
  };
  const QByteArrayView marker(directive::kMarker, directive::kMarkerSize);
  for (qint64 at = 0; at < size; at += kChunk) {
    chunk.resize(qMin(kChunk + 4096, size - at));
    const qint64 n = script_->readAt(at, chunk.data(), chunk.size(), &error);
    if (n <= 0) return;
    chunk.truncate(n);
    const QByteArrayView bytes(chunk);
    for (qsizetype from = 0;;) {
      const qsizetype markerAt = bytes.indexOf(marker, from);
      if (markerAt < 0) break;
      from = markerAt + 1;
      if (markerAt >= kChunk && at + kChunk < size) break;  // the next chunk has it
      qsizetype hash = markerAt;
      while (hash > 0 && directive::isBlank(static_cast<unsigned char>(bytes[hash - 1]))) --hash;
      if (hash == 0 || bytes[hash - 1] != char(syntax::kComment)) continue;
      --hash;
      Directive found = directive::readAt(bytes, hash, markerAt + directive::kMarkerSize, 0);
      if (found.scope != Directive::Scope::File) continue;
      if (!countTo(at + hash, bytes, at)) return;
      found.line = lineEnds + 1;
      note(found);
    }
  }
}

std::vector<Diagnostic> SuppressionFilter::directiveDiagnostics(bool atEnd) {
  std::vector<Diagnostic> found;
  for (Noted& noted : noted_) {
    const Directive& d = noted.directive;
    if (!d.error.isEmpty()) {
      if (!noted.told)
        found.push_back(directiveDiagnostic(Rule::NotADirective, d,
                                            QStringLiteral("not a directive: ") + d.error));
      noted.told = true;
      continue;
    }
    // Whether a directive silenced anything is known only at the end.
    if (!unusedDisables_ || !atEnd) continue;
    for (qsizetype i = 0; i < d.codes.size(); ++i) {
      const QString& code = d.codes[i];
      if (tables_.params.find(code) < 0 && tables_.tags.find(code) < 0) {
        found.push_back(directiveDiagnostic(
            Rule::UnknownCode, d,
            QStringLiteral("directive names '%1', which no table lists").arg(code)));
      } else if (!noted.used[i]) {
        found.push_back(directiveDiagnostic(
            Rule::UnusedDisable, d, QStringLiteral("directive silences no '%1' alert").arg(code)));
      }
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
  return found;
}
