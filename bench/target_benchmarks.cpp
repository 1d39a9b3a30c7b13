// The target layer's speed: 64 KiB of 8080 code, the whole address space,
// disassembled into text as `dump --disasm` and the viewer do.
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
  std::string text;
  for (auto _ : state) {
    text.clear();
    for (std::size_t offset = 0; offset < code.size();) {
      const auto instruction = flashdisk::target::DecodeInstruction(code, offset, 0x0100);
      flashdisk::target::AppendInstructionLine(text, instruction);
      offset += instruction.length;
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * code.size()));
}
BENCHMARK(BM_Disassemble64KiB)->Unit(benchmark::kMillisecond);

void BM_HexRows64KiB(benchmark::State& state) {
  const auto code = RandomCode();
  const std::span<const std::uint8_t> bytes(code);
  std::string text;
  for (auto _ : state) {
    text.clear();
    for (std::size_t offset = 0; offset < bytes.size(); offset += flashdisk::target::kHexRowBytes) {
      flashdisk::target::AppendHexRow(text, bytes.subspan(offset, flashdisk::target::kHexRowBytes),
                                      static_cast<std::uint16_t>(offset),
                                      flashdisk::target::CharacterSet::kCp1251);
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * code.size()));
}
BENCHMARK(BM_HexRows64KiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
