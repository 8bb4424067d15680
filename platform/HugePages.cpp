#include "HugePages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#endif

void preferHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
  if (first >= end) return;
  // A refusal changes nothing, so its result is not needed.
  (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void preferHugePagesForLargeBlocks(std::size_t reserve) {
#if defined(__linux__) && defined(M_MMAP_THRESHOLD) && defined(MADV_HUGEPAGE)
  // Blocks up to twice the reserve come from the heap, and freeing them
  // gives the heap back to the system only past that, so a block freed is
  // there for the next one, its pages already in place.
  const int most = int(2 * reserve);
  if (mallopt(M_MMAP_THRESHOLD, most) != 1 || mallopt(M_TRIM_THRESHOLD, most) != 1) return;
  // Growing the heap by the reserve and freeing it at once leaves the heap's
  // end reserved but untouched: no memory is used until a block is written.
  void* const grown = std::malloc(reserve);
  if (grown == nullptr) return;
  preferHugePages(grown, reserve);
  std::free(grown);
#else
  (void)reserve;
#endif
}
