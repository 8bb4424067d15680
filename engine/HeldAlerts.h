#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QtGlobal>

#include "BulkMemory.h"
#include "Diagnostic.h"

// The diagnostics of a script held until its directives are all known, in
// the order they came. A table alert as it leaves the scan is written as a
// small record followed by its statement's characters into blocks that grow
// in turn, the later ones backed by huge pages: holding tens of thousands
// costs neither an allocation each nor a page fault for every few of them,
// and a script of a few alerts touches no more than a small block. Any
// other diagnostic is kept whole.
class HeldAlerts {
 public:
  void add(const Diagnostic& alert);
  std::size_t size() const { return count_; }
  // Calls `each` with every alert held, as it was added, in the order they came.
  void forEach(const std::function<void(Diagnostic&)>& each) const;
  // Lets go of every one held, and of their memory.
  void clear();

 private:
  struct Record {
    const TableRow* row;
    qint64 line;
    qint64 column;
    qint64 endColumn;
    qint32 statementLength;  // the characters that follow the record
    qint32 whole;            // its index in whole_, or -1
    TableKind table;
  };
  struct Block {
    BulkMemory memory;
    std::size_t used = 0;
  };
  // Room for `bytes` more at the end of the last block, which may be a new one.
  char* room(std::size_t bytes);

  std::vector<Block> blocks_;
  std::vector<Diagnostic> whole_;
  std::size_t count_ = 0;
};
