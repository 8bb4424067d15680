#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

// A large block of memory that is about to be filled: taken straight from
// the system, aligned to 2 MiB and backed by huge pages where the system
// offers them on request. Filling fresh memory costs a page fault per 4 KiB
// page otherwise, which on virtual machines takes microseconds: a
// millisecond per 400 KiB or so. A small block comes from the heap, and
// nothing but the speed changes where huge pages are not to be had.
// Untouched parts of a block cost address space only.
class BulkMemory {
 public:
  BulkMemory() = default;
  // At least `bytes` bytes, uninitialised; throws std::bad_alloc when the
  // system has none to give.
  explicit BulkMemory(std::size_t bytes);
  ~BulkMemory();
  BulkMemory(BulkMemory&& other) noexcept;
  BulkMemory& operator=(BulkMemory&& other) noexcept;
  BulkMemory(const BulkMemory&) = delete;
  BulkMemory& operator=(const BulkMemory&) = delete;

  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void release();

  void* data_ = nullptr;
  std::size_t size_ = 0;
  void* mapped_ = nullptr;  // the mapping behind data_, when it has one
  std::size_t mappedSize_ = 0;
};

// A growing array of plain values in bulk memory, for tables built once and
// then only read: doubling as it grows, so a good first guess of its size
// spares the copies.
template <typename T>
class BulkArray {
  static_assert(std::is_trivially_copyable_v<T>, "moved by copying its bytes");

 public:
  explicit BulkArray(std::size_t capacity = 0) { reserve(capacity); }

  T* data() const { return static_cast<T*>(memory_.data()); }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return memory_.size() / sizeof(T); }

  // Makes room for `more` values behind the last one; returns where they go.
  T* grow(std::size_t more);
  void push_back(const T& value) {
    *grow(1) = value;
    ++size_;
  }
  // Counts `n` values written at grow()'s pointer as part of the array.
  void added(std::size_t n) { size_ += n; }
  void reserve(std::size_t capacity);

 private:
  BulkMemory memory_;
  std::size_t size_ = 0;
};

template <typename T>
void BulkArray<T>::reserve(std::size_t capacity) {
  if (capacity <= this->capacity()) return;
  BulkMemory bigger(capacity * sizeof(T));
  if (size_ > 0) std::memcpy(bigger.data(), memory_.data(), size_ * sizeof(T));
  memory_ = std::move(bigger);
}

template <typename T>
T* BulkArray<T>::grow(std::size_t more) {
  if (capacity() - size_ < more) reserve(std::max(2 * capacity(), size_ + more));
  return data() + size_;
}
