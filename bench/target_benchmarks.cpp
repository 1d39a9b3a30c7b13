// The target layer's speed: 64 KiB of 8080 code, the whole address space,
// disassembled into text, and shown as hex rows, as `dump` writes them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "target/hex_rows.h"
#include "target/i8080_disassembler.h"

namespace {

constexpr std::size_t kAddressSpace = 64 * 1024;

std::vector<std::uint8_t> RandomCode() {
  std::vector<std::uint8_t> code(kAddressSpace);
  std::mt19937 random(8080);
  std::uniform_int_distribution<int> byte(0, 255);
  for (auto& b : code) {
    b = static_cast<std::uint8_t>(byte(random));
  }
  return code;
}

void BM_Disassemble64KiB(benchmark::State& state) {
  const auto code = RandomCode();
  // Room for every byte as an instruction of its own, as dump writes them.
  std::vector<char> text(code.size() * flashdisk::target::kLongestInstructionLine);
  for (auto _ : state) {
    char* at = text.data();
    for (std::size_t offset = 0; offset < code.size();) {
      std::size_t length = 0;
      at = flashdisk::target::WriteInstructionLineAt(at, code, offset, 0x0100, length);
      offset += length;
    }
    benchmark::DoNotOptimize(at);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * code.size()));
}
BENCHMARK(BM_Disassemble64KiB)->Unit(benchmark::kMillisecond);

void BM_HexRows64KiB(benchmark::State& state) {
  const auto code = RandomCode();
  const std::span<const std::uint8_t> bytes(code);
  std::vector<char> text(code.size() / flashdisk::target::kHexRowBytes *
                         flashdisk::target::kLongestHexRow);
  for (auto _ : state) {
    char* at = text.data();
    for (std::size_t offset = 0; offset < bytes.size(); offset += flashdisk::target::kHexRowBytes) {
      at = flashdisk::target::WriteHexRow(
          at, bytes.subspan(offset, flashdisk::target::kHexRowBytes),
          static_cast<std::uint16_t>(offset), flashdisk::target::CharacterSet::kCp1251);
    }
    benchmark::DoNotOptimize(at);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * code.size()));
}
BENCHMARK(BM_HexRows64KiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
