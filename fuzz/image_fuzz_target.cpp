// Takes arbitrary bytes as an image file and drives every operation of the
// disk image core over it, checking by itself what must hold whatever the
// bytes: nothing is listed or read outside the disk, the free space never
// exceeds the disk, a refused add changes nothing and an accepted one lengthens
// the chain by exactly one entry.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "image/disk_image.h"
#include "image/entry_plan.h"

namespace {

namespace fs = std::filesystem;
using flashdisk::DirectoryEntry;
using flashdisk::DiskImage;
using flashdisk::fuzz::Require;
using flashdisk::fuzz::WriteWholeFile;
using Bytes = std::vector<std::uint8_t>;

void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  Require(WriteWholeFile(path, bytes), "the input could be written to its file");
}

Bytes Counting(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + i);
  }
  return bytes;
}

// The files every input shares: one path that each input is written to, and
// two small sources, a plain one and an RKS one, made once.
struct Workspace {
  static constexpr std::uint16_t kRksLoadAddress = 0x3000;

  fs::path folder;
  fs::path image_file;
  fs::path plain_source;
  fs::path rks_source;
  Bytes plain_bytes = Counting(300, 1);
  Bytes rks_bytes;

  Workspace() {
    folder = flashdisk::fuzz::MakeTemporaryFolder("flashdisk-fuzz-");
    Require(!folder.empty(), "a temporary folder could be made");
    image_file = folder / "input.rom";
    plain_source = folder / "plain.bin";
    rks_source = folder / "program.rks";
    WriteFile(plain_source, plain_bytes);
    rks_bytes = {kRksLoadAddress & 0xFF, kRksLoadAddress >> 8, 0xEE, 0xEE};
    const auto data = Counting(50, 0x80);
    rks_bytes.insert(rks_bytes.end(), data.begin(), data.end());
    rks_bytes.insert(rks_bytes.end(), {0xDD, 0xDD});
    WriteFile(rks_source, rks_bytes);
  }
  ~Workspace() {
    std::error_code error;
    fs::remove_all(folder, error);
  }
};

Workspace& Files() {
  static Workspace workspace;
  return workspace;
}

// Load rewrites every byte of the buffer and both sizes, so one image serves
// all inputs without carrying anything from one to the next that the
// operations below read before they set it.
DiskImage& Image() {
  static DiskImage image;
  return image;
}

// The disk as it was before an input's operations, kept cheaply. Most
// inputs claim a disk far longer than themselves, up to 8 MiB, and past the
// file's bytes such a disk must read as erased: so only its head, the
// file's bytes and as far as an entry's fields reach beyond them, is
// copied, and the erased rest is checked once before and once after all
// operations instead of being copied and compared at every step.
class DiskBefore {
 public:
  void Take(std::span<const std::uint8_t> disk, std::size_t file_size) {
    size_ = disk.size();
    const std::size_t head_end = std::min(
        disk.size(), std::max(file_size, flashdisk::kHeaderSize) + flashdisk::kEntryHeaderSize);
    head_.assign(disk.begin(), disk.begin() + static_cast<std::ptrdiff_t>(head_end));
    Require(Erased(disk, file_size, size_), "a disk reads as erased past its file's end");
  }

  std::size_t size() const { return size_; }

  // Whether bytes [from, to) of `disk` are as they were, as far as they lie
  // in the head; the rest is for EraseStaysPast.
  bool Same(std::span<const std::uint8_t> disk, std::size_t from, std::size_t to) const {
    to = std::min(to, head_.size());
    return disk.size() == size_ &&
           (from >= to || std::memcmp(head_.data() + from, disk.data() + from, to - from) == 0);
  }

  // Takes bytes [from, to) of the head over as `disk` has them now, once an
  // operation that was allowed to change them has been checked.
  void CatchUp(std::span<const std::uint8_t> disk, std::size_t from, std::size_t to) {
    to = std::min(to, head_.size());
    if (from < to) {
      std::memcpy(head_.data() + from, disk.data() + from, to - from);
    }
  }

  // Whether past the head `disk` is still erased, but for [from, to).
  bool ErasedPastHeadBut(std::span<const std::uint8_t> disk, std::size_t from,
                         std::size_t to) const {
    from = std::max(from, head_.size());
    if (from >= to) {
      return Erased(disk, head_.size(), size_);
    }
    return Erased(disk, head_.size(), from) && Erased(disk, to, size_);
  }

 private:
  // A byte loop over 8 MiB would slow the fuzzer down a hundredfold under
  // the sanitizers; memcmp of the stretch against itself one byte on says
  // as much: every byte equals the one before it.
  static bool Erased(std::span<const std::uint8_t> disk, std::size_t from, std::size_t to) {
    to = std::min(to, disk.size());
    return from >= to ||
           (disk[from] == flashdisk::kErasedByte &&
            std::memcmp(disk.data() + from, disk.data() + from + 1, to - from - 1) == 0);
  }

  Bytes head_;
  std::size_t size_ = 0;
};

DiskBefore& Before() {
  static DiskBefore before;
  return before;
}

// The add's choices come from the header's system fields (bytes 40 to 43),
// which nothing in the core reads, so a mutation there changes only the plan.
struct FuzzChoices {
  flashdisk::EntryChoices entry;
  bool rks_source = false;
};

FuzzChoices ChoicesFrom(std::span<const std::uint8_t> input) {
  const auto byte = [&](std::size_t at) -> std::uint32_t {
    return at < input.size() ? input[at] : 0;
  };
  const std::uint32_t flags = byte(40);
  FuzzChoices choices;
  choices.entry.rks = (flags & 0x01) != 0;
  choices.entry.aligned = (flags & 0x02) != 0;
  choices.entry.big = (flags & 0x04) != 0;
  choices.entry.executable = (flags & 0x08) != 0;
  choices.rks_source = (flags & 0x10) != 0;
  choices.entry.name = (flags & 0x20) != 0 ? "" : "FUZZ";
  // Bytes 41 to 43 times 1, 16, 256 or 4096, capped at 32 bits, so minimums
  // beyond any disk, up to the largest of all, occur too.
  const std::uint64_t base = byte(41) | byte(42) << 8 | byte(43) << 16;
  choices.entry.reserved_minimum =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(base << (flags >> 6) * 4, 0xFFFFFFFF));
  choices.entry.load_address = static_cast<std::uint16_t>(byte(41) | byte(42) << 8);
  return choices;
}

void CheckListing(const DiskImage& image, const flashdisk::DirectoryListing& listing) {
  const auto disk = image.disk();
  Require(listing.free_space <= disk.size(), "free space never exceeds the disk");
  Require(image.free_space() == listing.free_space, "the image keeps the listed free space");
  std::uint64_t previous_end = 0;
  for (const auto& entry : listing.entries) {
    const std::uint64_t fixed_end = std::uint64_t{entry.position} + flashdisk::kEntryHeaderSize;
    Require(fixed_end <= disk.size(), "a listed entry's fixed part lies inside the disk");
    Require(entry.position >= flashdisk::kHeaderSize, "no entry is listed inside the header");
    Require(entry.position >= previous_end, "listed entries never overlap");
    Require(disk[entry.position] == flashdisk::kEntryMarker, "a listed entry has its marker");
    previous_end = fixed_end;
  }
  if (!listing.entries.empty()) {
    Require(disk.size() - listing.free_space >= previous_end,
            "the end of the chain lies after the last entry's fixed part");
  }
  Require(image.EndOfChain() == disk.size() - listing.free_space,
          "the end of the chain is where the free space begins");
}

void CheckEntryReads(const DiskImage& image, const flashdisk::DirectoryListing& listing) {
  const auto disk = image.disk();
  for (const auto& listed : listing.entries) {
    const auto entry = image.ReadEntry(listed.position);
    Require(entry.has_value(), "a listed entry can be read");
    Require(entry->name == listed.name && entry->total_length == listed.total_length &&
                entry->data_size == listed.data_size,
            "reading an entry gives what the listing gave");
    Require(entry->name.size() <= flashdisk::kTextFieldSize, "a name never exceeds its field");
    const auto data = image.EntryData(*entry);
    if (data.empty()) {
      continue;
    }
    const auto offset = static_cast<std::uint64_t>(data.data() - disk.data());
    const std::uint64_t start = std::uint64_t{entry->position} + flashdisk::kEntryHeaderSize;
    Require(offset == start, "an entry's data starts right after its fixed part");
    Require(offset + data.size() <= disk.size(), "an entry's data lies inside the disk");
    Require(data.size() <= entry->data_size, "no more data than the entry claims");
    Require(data.size() <= entry->total_length - flashdisk::kEntryHeaderSize,
            "an entry's data lies inside the entry");
  }
  // Positions whose fixed part would not fit the disk hold no entry.
  const auto end = static_cast<std::uint32_t>(disk.size());
  for (const std::uint32_t back : {0u, 1u, 43u}) {
    if (end >= back) {
      Require(!image.ReadEntry(end - back).has_value(), "no entry is read past the disk");
    }
  }
  Require(!image.ReadEntry(0xFFFFFFFF).has_value(), "no entry is read past the disk");
}

// Writes every field of every listed entry, then checks that only the written
// fields changed: never a marker, a total length or a byte between entries.
void ExerciseSetters(DiskImage& image, const flashdisk::DirectoryListing& listing,
                     DiskBefore& before) {
  for (const auto& entry : listing.entries) {
    auto attributes = entry.attributes;
    attributes.stored = static_cast<std::uint8_t>(~attributes.stored);
    const std::string name = entry.name.empty() ? "N" : entry.name.substr(1);
    const auto address = static_cast<std::uint16_t>(entry.load_address ^ 0x5AA5);
    Require(image.SetEntryAttributes(entry.position, attributes), "attributes can be set");
    Require(image.SetEntryName(entry.position, name), "a name can be set");
    Require(image.SetEntryLoadAddress(entry.position, address), "a load address can be set");
    const auto written = image.ReadEntry(entry.position);
    Require(written.has_value() && written->attributes.stored == attributes.stored &&
                written->name == name.substr(0, flashdisk::kMaxTextLength) &&
                written->load_address == address && written->total_length == entry.total_length,
            "an entry reads back what was set");
  }
  const auto after = image.disk();
  Require(after.size() == before.size(), "setters keep the disk size");
  // Between the written fields of one entry and those of the next, nothing changed.
  std::size_t unchanged_from = 0;
  for (const auto& entry : listing.entries) {
    const std::size_t fields_from = entry.position + flashdisk::kEntryAttributesOffset;
    Require(before.Same(after, unchanged_from, fields_from),
            "setters write only the attributes, the name and the load address");
    unchanged_from = entry.position + flashdisk::kEntryDataSizeOffset;
  }
  Require(before.Same(after, unchanged_from, before.size()),
          "setters write nothing after the last entry's fields");
  for (const auto& entry : listing.entries) {
    before.CatchUp(after, entry.position + flashdisk::kEntryAttributesOffset,
                   entry.position + flashdisk::kEntryDataSizeOffset);
  }
}

// `before` is the disk as it is now.
void ExerciseLabel(DiskImage& image, DiskBefore& before) {
  image.SetLabel(std::string(40, 'L'));
  const auto after = image.disk();
  Require(after.size() == before.size(), "setting the label keeps the disk size");
  const auto label_end = flashdisk::kLabelOffset + flashdisk::kTextFieldSize;
  Require(before.Same(after, 0, flashdisk::kLabelOffset) &&
              before.Same(after, label_end, before.size()),
          "setting the label writes only the label field");
  before.CatchUp(after, flashdisk::kLabelOffset, label_end);
}

// `before` is the disk as it is now. Checks at the end that past the head
// nothing but the new entry was written, by this or an earlier operation.
void ExerciseAdd(DiskImage& image, const FuzzChoices& choices, const DiskBefore& before) {
  const auto& files = Files();
  const auto before_listing = image.List();
  flashdisk::SourceFile source;
  source.path = choices.rks_source ? files.rks_source : files.plain_source;
  const auto size = flashdisk::LookUpSource(source.path);
  Require(size.has_value(), "the source is found");
  source.size = *size;
  auto entry_choices = choices.entry;
  if (entry_choices.rks) {
    const auto address = flashdisk::ReadRksLoadAddress(source.path);
    Require(address.has_value(), "a source of 2 bytes or more has a load address");
    entry_choices.load_address = *address;
  }
  const auto plan = flashdisk::PlanEntry(source.size, entry_choices.rks, entry_choices.aligned,
                                         entry_choices.reserved_minimum, image.sector_size());
  const auto result = flashdisk::AddEntry(image, source, entry_choices, plan);
  if (result != flashdisk::AddResult::kAdded) {
    const auto after = image.disk();
    Require(before.Same(after, 0, before.size()) && before.ErasedPastHeadBut(after, 0, 0),
            "a refused add leaves the disk byte for byte as it was");
    return;
  }
  const auto listing = image.List();
  CheckListing(image, listing);
  Require(listing.entries.size() == before_listing.entries.size() + 1,
          "an accepted add lists exactly one entry more");
  const auto& added = listing.entries.back();
  Require(added.position == image.disk().size() - before_listing.free_space,
          "the new entry starts where the chain ended");
  Require(added.total_length == plan.total_length, "the new entry has the planned length");
  Require(listing.free_space == before_listing.free_space - plan.total_length,
          "the free space shrinks by the entry's total length");
  // An RKS entry holds the source less its 4 leading and 2 trailing bytes,
  // whichever of the two sources it was made from.
  const auto& source_bytes = choices.rks_source ? files.rks_bytes : files.plain_bytes;
  const auto expected = entry_choices.rks
                            ? std::span(source_bytes).subspan(4, source_bytes.size() - 6)
                            : std::span(source_bytes);
  const auto data = image.EntryData(added);
  Require(std::equal(data.begin(), data.end(), expected.begin(), expected.end()),
          "the new entry holds the source's data");
  const auto after = image.disk();
  const std::size_t entry_end = added.position + added.total_length;
  Require(entry_end < after.size(), "the disk's last byte stays free for the walk");
  Require(before.Same(after, 0, added.position),
          "an add changes nothing before the end of the chain");
  Require(after[entry_end] != flashdisk::kEntryMarker &&
              before.Same(after, entry_end + 1, before.size()),
          "an add changes nothing after the new entry but a marker right behind it");
  Require(before.ErasedPastHeadBut(after, added.position, entry_end + 1),
          "nothing is written past the file's bytes but the new entry");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  auto& files = Files();
  auto& image = Image();
  WriteFile(files.image_file, input);
  if (!image.Load(files.image_file)) {
    Require(size > flashdisk::kImageBufferSize, "every file that fits the buffer loads");
    return 0;
  }
  const auto check = image.Check();
  Require(image.disk().size() <= flashdisk::kImageBufferSize, "the disk fits the buffer");
  Require(!check.valid() || image.has_valid_sizes(), "a valid header gives valid sizes");
  // Walked afresh here, since Check dropped the last listing's end.
  const auto walked_end = image.EndOfChain();
  auto listing = image.List();
  CheckListing(image, listing);
  Require(walked_end == image.disk().size() - listing.free_space,
          "a fresh walk and a listing end the chain at the same place");
  CheckEntryReads(image, listing);
  // One copy of the disk's head serves all three: each brings it up to date
  // with what it was allowed to change once it has checked that.
  auto& before = Before();
  before.Take(image.disk(), size);
  ExerciseSetters(image, listing, before);
  ExerciseLabel(image, before);
  listing = image.List();
  CheckListing(image, listing);
  ExerciseAdd(image, ChoicesFrom(input), before);
  return 0;
}
