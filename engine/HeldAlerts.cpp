#include "HeldAlerts.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Statements longer than this are kept whole rather than copied into a block.
constexpr qsizetype kLongestCopied = qsizetype(1) << 14;

// Whether a record holds all there is to `alert`: a table alert as the scan
// hands it on, nothing yet decided about it.
bool fitsRecord(const Diagnostic& alert) {
  return alert.isTableAlert() && alert.row != nullptr &&
         alert.silenced == Diagnostic::Silenced::No && !alert.severityInForce &&
         alert.path.isEmpty() && alert.text.isEmpty() && alert.silencedBecause.isEmpty() &&
         alert.statement.size() <= kLongestCopied;
}

// A record and its characters, rounded up so that the next record is aligned.
std::size_t entryBytes(std::size_t characters, std::size_t recordBytes) {
  const std::size_t bytes = recordBytes + characters * sizeof(char16_t);
  return (bytes + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
         alignof(std::max_align_t);
}

// The size of the block after `blocks` of them: small first, for the
// scripts that alert a few times, then whole huge pages.
std::size_t blockBytes(std::size_t blocks) {
  constexpr std::size_t kSizes[] = {std::size_t(64) << 10, std::size_t(256) << 10,
                                    std::size_t(2) << 20};
  return kSizes[std::min(blocks, std::size(kSizes) - 1)];
}

}  // namespace

char* HeldAlerts::room(std::size_t bytes) {
  if (blocks_.empty() || blocks_.back().memory.size() - blocks_.back().used < bytes) {
    Block block;
    block.memory = BulkMemory(std::max(blockBytes(blocks_.size()), bytes));
    blocks_.push_back(std::move(block));
  }
  Block& last = blocks_.back();
  char* at = static_cast<char*>(last.memory.data()) + last.used;
  last.used += bytes;
  return at;
}

void HeldAlerts::add(const Diagnostic& alert) {
  Record record{alert.row, alert.line, alert.column, alert.endColumn, 0, -1, alert.table};
  const bool fits = fitsRecord(alert);
  if (fits) {
    record.statementLength = qint32(alert.statement.size());
  } else {
    record.whole = qint32(whole_.size());
    whole_.push_back(alert);
  }
  char* at = room(entryBytes(std::size_t(record.statementLength), sizeof(Record)));
  std::memcpy(at, &record, sizeof record);
  if (fits) {
    std::memcpy(at + sizeof record, alert.statement.utf16(),
                std::size_t(record.statementLength) * sizeof(char16_t));
  }
  ++count_;
}

void HeldAlerts::forEach(const std::function<void(Diagnostic&)>& each) const {
  Diagnostic alert;
  for (const Block& block : blocks_) {
    const char* const bytes = static_cast<const char*>(block.memory.data());
    for (std::size_t at = 0; at < block.used;) {
      Record record;
      std::memcpy(&record, bytes + at, sizeof record);
      if (record.whole >= 0) {
        alert = whole_[std::size_t(record.whole)];
      } else {
        alert = Diagnostic();
        alert.table = record.table;
        alert.row = record.row;
        alert.line = record.line;
        alert.column = record.column;
        alert.endColumn = record.endColumn;
        alert.statement = QString(reinterpret_cast<const QChar*>(bytes + at + sizeof record),
                                  record.statementLength);
      }
      each(alert);
      at += entryBytes(std::size_t(record.statementLength), sizeof record);
    }
  }
}

void HeldAlerts::clear() {
  blocks_ = std::vector<Block>();
  whole_ = std::vector<Diagnostic>();
  count_ = 0;
}
