// `flashdisk add`: adds host files at the end of the chain, each as the
// add-file window would on OK, and saves only when every one was added.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/console.h"
#include "image/entry_plan.h"

namespace flashdisk::cli {

struct AddOptions {
  std::filesystem::path image;
  std::vector<std::filesystem::path> files;
  std::optional<std::string> name;  // UTF-8; only with a single file
  // Each flag given overrides what is derived from the file.
  std::optional<bool> rks;
  std::optional<bool> big;
  std::optional<bool> executable;
  bool aligned = false;
  std::optional<std::string> load_address;  // hexadecimal text; an RKS file's own wins
  std::uint32_t reserved_minimum = 0;
};

// What add is told about one file; each choice given overrides what is
// derived from the file. `pack` takes the same from a manifest's entry.
struct FileChoices {
  std::optional<std::string> name;  // UTF-8
  std::optional<bool> rks;
  std::optional<bool> big;
  std::optional<bool> executable;
  bool aligned = false;
  std::uint16_t load_address = 0;  // an RKS file's own wins
  std::uint32_t reserved_minimum = 0;
};

int RunAdd(const AddOptions& options, const Console& console);

// Adds one host file at the end of the chain, as the add-file window would on OK.
AddResult AddFile(DiskImage& image, const std::filesystem::path& file, const FileChoices& given,
                  RoomRule room = RoomRule::kLeaveByteAfter);

// The plan AddFile makes for `file` with `given` on `image`.
EntryPlan PlanOfAdd(const DiskImage& image, const std::filesystem::path& file,
                    const FileChoices& given);

// Warns on standard error, with both figures, when `file` goes onto the disk
// as an RKS file whose header promises another number of data bytes than it
// holds: a file cut short or padded. The add takes the file all the same.
void WarnOfRksLength(const std::filesystem::path& image, const std::filesystem::path& file,
                     const FileChoices& given, const Console& console);

}  // namespace flashdisk::cli
