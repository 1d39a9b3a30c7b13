// The target's RKS file: the load address and the last data address, each
// low byte first, the data, then the monitor's checksum of the data, low byte
// first. An entry written back this way is read again as the same entry.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace flashdisk {

// The sum the target's monitor computes when it reads a file: every data
// byte but the last is added with a weight of 257 (to the low byte, and with
// the carry to the high byte), the last to the low byte only.
std::uint16_t RksChecksum(std::span<const std::uint8_t> data);

// The whole RKS file of `data` loaded at `load_address`. The end address
// wraps at FFFF as the target's address space does.
std::vector<std::uint8_t> MakeRksFile(std::uint16_t load_address,
                                      std::span<const std::uint8_t> data);

// The end address an RKS file's header promises against the data bytes it
// holds: an RKS file of `file_size` bytes whose header (the first 4 bytes)
// states another length was cut short or padded. Files shorter than an RKS
// file's overhead never agree.
bool RksLengthAgrees(std::span<const std::uint8_t> header, std::uint64_t file_size);

// The warning, with both figures, for an RKS file of `file_size` bytes whose
// header promises another number of data bytes than it holds; nothing when
// the two agree or the file is shorter than an RKS file's overhead.
std::optional<std::string> RksLengthWarning(std::span<const std::uint8_t> header,
                                            std::uint64_t file_size);

}  // namespace flashdisk
