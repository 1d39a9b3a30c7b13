// Image files for the tests, put together from bytes written out in the
// tests themselves: everything erased to 0xFF, then each stretch placed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace flashdisk::testing {

class DiskBytes {
 public:
  explicit DiskBytes(std::size_t size) : bytes_(size, 0xFF) {}

  DiskBytes& Put(std::size_t offset, const std::vector<std::uint8_t>& stretch) {
    std::copy(stretch.begin(), stretch.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace flashdisk::testing
