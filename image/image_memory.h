// The allocator of a disk image's buffer: its memory comes from the platform
// seam, in huge pages where the system offers them.
#pragma once

#include <cstddef>

#include "image/platform_seam.h"

namespace flashdisk {

template <typename T>
struct ImageMemoryAllocator {
  using value_type = T;

  ImageMemoryAllocator() = default;
  template <typename U>
  explicit ImageMemoryAllocator(const ImageMemoryAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    return static_cast<T*>(platform::AllocateImageMemory(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept {
    platform::FreeImageMemory(block, count * sizeof(T));
  }

  friend bool operator==(const ImageMemoryAllocator&, const ImageMemoryAllocator&) = default;
};

}  // namespace flashdisk
