#include "image/rks_file.h"

#include <algorithm>

#include "image/entry_plan.h"
#include "image/little_endian.h"

namespace flashdisk {

std::uint16_t RksChecksum(std::span<const std::uint8_t> data) {
  if (data.empty()) {
    return 0;
  }
  std::uint16_t sum = 0;
  for (const auto byte : data.first(data.size() - 1)) {
    sum = static_cast<std::uint16_t>(sum + byte * 257u);
  }
  const auto low = static_cast<std::uint8_t>((sum & 0xFFu) + data.back());
  return static_cast<std::uint16_t>((sum & 0xFF00u) | low);
}

std::vector<std::uint8_t> MakeRksFile(std::uint16_t load_address,
                                      std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> file(kRksOverhead + data.size());
  const auto end_address = static_cast<std::uint16_t>(load_address + data.size() - 1);
  WriteLe16(file, 0, load_address);
  WriteLe16(file, 2, end_address);
  std::copy(data.begin(), data.end(), file.begin() + kRksHeaderSize);
  WriteLe16(file, file.size() - 2, RksChecksum(data));
  return file;
}

bool RksLengthAgrees(std::span<const std::uint8_t> header, std::uint64_t file_size) {
  if (header.size() < kRksHeaderSize || file_size < kRksOverhead) {
    return false;
  }
  const auto load_address = ReadLe16(header, 0);
  const auto end_address = ReadLe16(header, 2);
  const std::uint64_t promised = static_cast<std::uint16_t>(end_address - load_address) + 1u;
  return promised == file_size - kRksOverhead;
}

std::optional<std::string> RksLengthWarning(std::span<const std::uint8_t> header,
                                            std::uint64_t file_size) {
  if (file_size < kRksOverhead || RksLengthAgrees(header, file_size)) {
    return std::nullopt;
  }
  const auto promised = static_cast<std::uint16_t>(ReadLe16(header, 2) - ReadLe16(header, 0)) + 1u;
  return "Заголовок RKS обещает " + std::to_string(promised) + " байт данных, а в файле " +
         std::to_string(file_size - kRksOverhead) + ": файл обрезан или дополнен!";
}

}  // namespace flashdisk
