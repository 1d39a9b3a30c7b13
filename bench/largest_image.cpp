#include "bench/largest_image.h"

#include <fstream>
#include <stdexcept>
#include <string>

#include "image/entry_plan.h"

namespace flashdisk::bench {

void FillWithEmptyEntries(DiskImage& image, std::size_t count,
                          const std::filesystem::path& scratch) {
  const auto source_path = scratch / "empty.bin";
  std::ofstream(source_path, std::ios::binary | std::ios::trunc).close();
  image.Format(kDiskSizeChoices[5].bytes, kSectorSizeChoices[0].bytes);
  image.Check();
  image.List();
  const SourceFile source{source_path, 0};
  const auto plan = PlanEntry(0, false, false, 0, image.sector_size());
  for (std::size_t i = 0; i < count; ++i) {
    EntryChoices choices;
    choices.name = "FILE" + std::to_string(i) + ".BIN";
    if (AddEntry(image, source, choices, plan) != AddResult::kAdded) {
      throw std::runtime_error("the disk is full after " + std::to_string(i) + " entries");
    }
  }
  image.List();
}

}  // namespace flashdisk::bench
