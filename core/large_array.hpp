// The few large arrays of a run (the coordinate file and its index). They
// are filled once and then read at random, so they are asked for in huge
// pages where the system offers them: that saves most page faults while
// they are filled and most address-translation misses while they are read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace platsmarkeraren {

// Memory for a large array, in huge pages where the system offers them;
// throws std::bad_alloc when there is none.
void* allocate_large(std::size_t bytes);
void free_large(void* data);

template <typename T>
class LargeArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  LargeArray() = default;

  // The elements are left uninitialised.
  explicit LargeArray(std::size_t size)
      : data_(static_cast<T*>(allocate_large(size * sizeof(T)))), size_(size) {}

  // Grows to `size` elements, keeping the first `keep`.
  void grow(std::size_t size, std::size_t keep) {
    LargeArray grown(size);
    std::copy_n(data_.get(), keep, grown.data());
    *this = std::move(grown);
  }

  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return data_.get()[i]; }
  const T& operator[](std::size_t i) const { return data_.get()[i]; }

 private:
  struct Free {
    void operator()(T* data) const { free_large(data); }
  };

  std::unique_ptr<T, Free> data_;
  std::size_t size_ = 0;
};

}  // namespace platsmarkeraren
