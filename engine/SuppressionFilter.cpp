#include "SuppressionFilter.h"

#include <algorithm>

SuppressionFilter::SuppressionFilter(AlertSink& next, const Tables& tables, ByteSource* script)
    : next_(next), tables_(tables), script_(script) {}

void SuppressionFilter::note(const Directive& directive) {
  // The search of the whole script may have seen it already.
  for (const qsizetype i : byLine_.value(directive.line)) {
    if (noted_[std::size_t(i)].directive.text == directive.text) return;
  }
  const qsizetype index = qsizetype(noted_.size());
  noted_.push_back({directive, QList<bool>(directive.codes.size(), false)});
  byLine_[directive.line].append(index);
  if (directive.scope == Directive::Scope::File && directive.error.isEmpty())
    fileWide_.append(index);
}

void SuppressionFilter::directive(const Directive& directive) {
  note(directive);
  if (handingOnAtOnce_ && !script_ && directive.scope == Directive::Scope::File &&
      directive.error.isEmpty()) {
    late_.push_back({directive.line, directive.column,
                     QStringLiteral("disable-file comes after more than %1 alerts of a script read "
                                    "as a stream, which cannot be read again: it silences only "
                                    "the alerts after it")
                         .arg(kMostHeld),
                     Finding::Kind::Late});
  }
  next_.directive(directive);
}

void SuppressionFilter::decide(Alert* alert) {
  auto silences = [&](qsizetype index, Directive::Scope scope) {
    Noted& noted = noted_[std::size_t(index)];
    if (noted.directive.scope != scope || !noted.directive.error.isEmpty()) return false;
    const qsizetype code = noted.directive.codes.indexOf(alert->code());
    if (code < 0) return false;
    noted.used[code] = true;
    if (alert->silenced == Alert::Silenced::No) {
      alert->silenced = Alert::Silenced::InSource;
      alert->silencedBecause = noted.directive.reason;
    }
    return true;
  };
  // Every directive that would silence the alert counts as used.
  for (const qsizetype i : byLine_.value(alert->line)) silences(i, Directive::Scope::Line);
  for (const qsizetype i : byLine_.value(alert->line - 1)) silences(i, Directive::Scope::NextLine);
  for (const qsizetype i : fileWide_) silences(i, Directive::Scope::File);
}

void SuppressionFilter::alert(const Alert& alert) {
  if (handingOnAtOnce_) {
    Alert decided = alert;
    decide(&decided);
    next_.alert(decided);
    return;
  }
  held_.push_back(alert);
  if (held_.size() >= kMostHeld) {
    if (script_) searchWholeScript();
    handingOnAtOnce_ = true;
    finish();
  }
}

void SuppressionFilter::finish() {
  for (Alert& held : held_) {
    decide(&held);
    next_.alert(held);
  }
  held_.clear();
  held_.shrink_to_fit();
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

std::vector<SuppressionFilter::Finding> SuppressionFilter::findings() const {
  std::vector<Finding> found;
  for (const Noted& noted : noted_) {
    const Directive& d = noted.directive;
    if (!d.error.isEmpty()) {
      found.push_back({d.line, d.column, QStringLiteral("not a directive: ") + d.error,
                       Finding::Kind::Malformed});
      continue;
    }
    for (qsizetype i = 0; i < d.codes.size(); ++i) {
      const QString& code = d.codes[i];
      if (tables_.params.find(code) < 0 && tables_.tags.find(code) < 0) {
        found.push_back({d.line, d.column,
                         QStringLiteral("directive names '%1', which no table lists").arg(code),
                         Finding::Kind::Unused});
      } else if (!noted.used[i]) {
        found.push_back({d.line, d.column,
                         QStringLiteral("directive silences no '%1' alert").arg(code),
                         Finding::Kind::Unused});
      }
    }
  }
  found.insert(found.end(), late_.begin(), late_.end());
  std::stable_sort(found.begin(), found.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return found;
}
