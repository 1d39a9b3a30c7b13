// The core's costs on the largest directories: the walk, the listing, a load
// with its check, formatting, saving, an add at the end of a long chain, the
// search for problems, and a remove that moves the whole chain.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/largest_image.h"
#include "image/entry_plan.h"
#include "image/entry_removal.h"
#include "image/image_problems.h"

namespace flashdisk::bench {
namespace {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
  static const fs::path folder = [] {
    auto path =
        fs::temp_directory_path() / ("flashdisk-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(path);
    return path;
  }();
  return folder;
}

// One image per entry count, made once and shared by the benchmarks.
DiskImage& ImageWith(std::size_t entries) {
  static std::map<std::size_t, std::unique_ptr<DiskImage>> images;
  auto& image = images[entries];
  if (!image) {
    image = std::make_unique<DiskImage>();
    FillWithEmptyEntries(*image, entries, ScratchFolder());
  }
  return *image;
}

void BM_Walk(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  const auto disk = ImageWith(entries).disk();
  for (auto _ : state) {
    DirectoryWalk walk(disk, kHeaderSize);
    std::size_t visited = 0;
    while (walk.Next()) {
      ++visited;
    }
    benchmark::DoNotOptimize(visited);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}
BENCHMARK(BM_Walk)->Arg(1000)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(30000)->Arg(40000)->Arg(
    kLargestEntryCount);

void BM_List(benchmark::State& state) {
  auto& image = ImageWith(kLargestEntryCount);
  for (auto _ : state) {
    benchmark::DoNotOptimize(image.List());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLargestEntryCount));
}
BENCHMARK(BM_List)->Unit(benchmark::kMillisecond);

void BM_LoadCheckList(benchmark::State& state) {
  const auto file = ScratchFolder() / "largest.rom";
  ImageWith(kLargestEntryCount).Save(file);
  DiskImage image;
  for (auto _ : state) {
    const bool loaded = image.Load(file);
    const bool valid = image.Check().valid();
    if (!loaded || !valid || image.List().entries.size() != kLargestEntryCount) {
      state.SkipWithError("the saved image does not load back whole");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLargestEntryCount));
}
BENCHMARK(BM_LoadCheckList)->Unit(benchmark::kMillisecond);

void BM_Format(benchmark::State& state) {
  DiskImage image;
  for (auto _ : state) {
    image.Format(kDiskSizeChoices[5].bytes, 256);
  }
}
BENCHMARK(BM_Format)->Unit(benchmark::kMicrosecond);

void BM_Save(benchmark::State& state) {
  const auto& image = ImageWith(kLargestEntryCount);
  const auto file = ScratchFolder() / "saved.rom";
  for (auto _ : state) {
    image.Save(file);
  }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// An add at the end of a chain of the given length, the end already known
// from the last listing; the image is loaded back outside the timing.
void BM_AddAtEndOfChain(benchmark::State& state) {
  DiskImage image;
  FillWithEmptyEntries(image, static_cast<std::size_t>(state.range(0)), ScratchFolder());
  const auto pristine = ScratchFolder() / ("chain-" + std::to_string(state.range(0)) + ".rom");
  image.Save(pristine);
  const auto source_path = ScratchFolder() / "hundred.bin";
  std::ofstream(source_path, std::ios::binary) << std::string(100, 'x');
  const SourceFile source{source_path, 100};
  EntryChoices choices;
  choices.name = "NEW.BIN";
  const auto plan = PlanEntry(100, false, false, 0, image.sector_size());
  for (auto _ : state) {
    if (AddEntry(image, source, choices, plan) != AddResult::kAdded) {
      state.SkipWithError("add refused");
      break;
    }
    state.PauseTiming();
    image.Load(pristine);
    image.Check();
    image.List();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddAtEndOfChain)->Arg(10)->Arg(47000)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_FindProblemsOfLargest(benchmark::State& state) {
  const auto& image = ImageWith(kLargestEntryCount);
  for (auto _ : state) {
    const auto found = FindImageProblems(image, HeaderCheck::Outcome::kValid);
    if (found.entries != kLargestEntryCount || !found.problems.empty()) {
      state.SkipWithError("the largest image is not found whole and sound");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLargestEntryCount));
}
BENCHMARK(BM_FindProblemsOfLargest)->Unit(benchmark::kMillisecond);

// The first entry of the largest image goes, so every other one moves down:
// nearly 2 MiB in one copy. The image is loaded back outside the timing.
void BM_RemoveFirstOfLargest(benchmark::State& state) {
  const auto pristine = ScratchFolder() / "largest-to-remove.rom";
  ImageWith(kLargestEntryCount).Save(pristine);
  DiskImage image;
  image.Load(pristine);
  image.Check();
  const auto first = image.List().entries.front().position;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RemoveEntries(image, {first}));
    state.PauseTiming();
    image.Load(pristine);
    image.Check();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RemoveFirstOfLargest)->Unit(benchmark::kMillisecond);

void BM_PlanEntry(benchmark::State& state) {
  std::uint32_t size = 0;
  for (auto _ : state) {
    ++size;
    benchmark::DoNotOptimize(PlanEntry(size, (size & 1) != 0, (size & 2) != 0, size & 0xFFF, 256));
  }
}
BENCHMARK(BM_PlanEntry);

}  // namespace
}  // namespace flashdisk::bench

BENCHMARK_MAIN();
