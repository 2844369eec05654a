// The room after a large coordinate file where the twins in use are
// gathered with their blocks. In a large file the twins a tree uses stand
// scattered among many it never names, and their lookups would wait on
// memory; gathered, they share the processor's cache.
//
// What keeps the gathering safe while workers look up side by side:
// - The room fills from its top down, one copy at a time, under a lock. A
//   block is copied out in strides that read up to kCopyStride bytes past
//   its end (see padding.hpp): into copies made before it, which lie above
//   it and are whole, or into the padding above the room.
// - A copy is published, its slot pointed at it, only once it is written
//   whole: the publishing store releases, the lookup's load acquires.
// - No thread waits for another: one that finds the lock taken leaves the
//   twin where it stands, and a later use gathers it. Under the lock, a
//   twin that another thread gathered meanwhile is left alone.
// - A full room takes nothing more; the rest stay where they are.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string_view>

namespace platsmarkeraren {

class TwinRoom {
 public:
  // Until opened, there is no room: nothing is gathered.
  TwinRoom() = default;
  TwinRoom(const TwinRoom&) = delete;
  TwinRoom& operator=(const TwinRoom&) = delete;

  // The room is the `size` bytes from `bottom` on, with kCopyStride
  // readable bytes above them. Before any lookup.
  void open(char* bottom, std::size_t size) {
    bottom_ = bottom;
    left_.store(size, std::memory_order_relaxed);
  }

  // Whether `size` bytes may still fit: read without the lock, so only a
  // hint that spares most lookups the lock.
  bool may_fit(std::size_t size) const { return size <= left_.load(std::memory_order_relaxed); }

  // Copies `record` into the room and calls `publish` with the copy, unless
  // another thread holds the lock, `gathered_already()` says the twin was
  // gathered meanwhile, or the room is full.
  template <typename GatheredAlready, typename Publish>
  void gather(std::string_view record, const GatheredAlready& gathered_already, const Publish& publish) {
    const std::unique_lock lock(gathering_, std::try_to_lock);
    if (!lock.owns_lock() || gathered_already()) return;
    const std::size_t left = left_.load(std::memory_order_relaxed);
    if (record.size() > left) return;
    char* const to = bottom_ + left - record.size();
    std::memcpy(to, record.data(), record.size());
    left_.store(left - record.size(), std::memory_order_relaxed);
    publish(to);
  }

 private:
  char* bottom_ = nullptr;
  std::mutex gathering_;
  // Written only under the lock, read outside it by may_fit.
  std::atomic<std::size_t> left_ = 0;
};

}  // namespace platsmarkeraren
