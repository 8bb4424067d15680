#include "BulkMemory.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a block is not worth a mapping of its own.
constexpr std::size_t kMappedFrom = std::size_t(1) << 20;

std::size_t roundUp(std::size_t n, std::size_t to) {
  return (n + to - 1) / to * to;
}

}  // namespace

BulkMemory::BulkMemory(std::size_t bytes) {
  if (bytes == 0) return;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kMappedFrom) {
    size_ = roundUp(bytes, kHugePage);
    // One huge page more, to cut an aligned block out of the mapping.
    mappedSize_ = size_ + kHugePage;
    mapped_ =
        ::mmap(nullptr, mappedSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped_ == MAP_FAILED) {
      mapped_ = nullptr;
      throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped_);
    data_ = reinterpret_cast<void*>(roundUp(start, kHugePage));
    // Only a hint: a refusal changes nothing but the speed.
    (void)::madvise(data_, size_, MADV_HUGEPAGE);
    return;
  }
#endif
  data_ = std::malloc(bytes);
  if (!data_) throw std::bad_alloc();
  size_ = bytes;
}

BulkMemory::~BulkMemory() {
  release();
}

BulkMemory::BulkMemory(BulkMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mappedSize_(std::exchange(other.mappedSize_, 0)) {}

BulkMemory& BulkMemory::operator=(BulkMemory&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, nullptr);
    mappedSize_ = std::exchange(other.mappedSize_, 0);
  }
  return *this;
}

void BulkMemory::release() {
#if defined(__linux__)
  if (mapped_) {
    ::munmap(mapped_, mappedSize_);
    mapped_ = nullptr;
    data_ = nullptr;
    return;
  }
#endif
  std::free(data_);
  data_ = nullptr;
}
