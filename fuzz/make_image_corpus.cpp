// Writes the seed corpus of the image fuzz target into the folder given as
// its argument: fresh disks of every size, disks with entries made through
// the core, and damaged images made from them byte by byte. Trailing erased
// bytes are left out of most files (a load reads them back as erased), which
// keeps the corpus small.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
using Bytes = std::vector<std::uint8_t>;
using flashdisk::DiskImage;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "make_image_corpus: %s\n", what.c_str());
  std::exit(1);
}

void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  if (!flashdisk::fuzz::WriteWholeFile(path, bytes)) {
    Fail("cannot write " + path.string());
  }
}

void Put16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

Bytes Counting(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + i);
  }
  return bytes;
}

Bytes Copy(std::span<const std::uint8_t> bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

class CorpusWriter {
 public:
  explicit CorpusWriter(fs::path folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
    sources_ = flashdisk::fuzz::MakeTemporaryFolder("flashdisk-corpus-");
    if (sources_.empty()) {
      Fail("cannot make a temporary folder");
    }
  }
  ~CorpusWriter() {
    std::error_code error;
    fs::remove_all(sources_, error);
  }
  CorpusWriter(const CorpusWriter&) = delete;
  CorpusWriter& operator=(const CorpusWriter&) = delete;

  // The whole disk, as an image file of exactly the disk's size.
  void Whole(const std::string& name, std::span<const std::uint8_t> bytes) const {
    WriteFile(folder_ / name, bytes);
  }

  // The disk without its trailing erased bytes.
  void Trimmed(const std::string& name, std::span<const std::uint8_t> bytes) const {
    auto end = bytes.size();
    while (end > 0 && bytes[end - 1] == flashdisk::kErasedByte) {
      --end;
    }
    WriteFile(folder_ / name, bytes.first(end));
  }

  // Adds `data` as a new entry through the core, as the add-file dialog does.
  void Add(DiskImage& image, const Bytes& data, flashdisk::EntryChoices choices) const {
    const auto path = sources_ / (choices.rks ? "source.rks" : "source.bin");
    WriteFile(path, data);
    const auto size = flashdisk::LookUpSource(path);
    if (!size) {
      Fail("cannot find the source " + path.string());
    }
    image.List();
    const auto plan = flashdisk::PlanEntry(*size, choices.rks, choices.aligned,
                                           choices.reserved_minimum, image.sector_size());
    if (flashdisk::AddEntry(image, {path, *size}, choices, plan) != flashdisk::AddResult::kAdded) {
      Fail("cannot add " + choices.name);
    }
  }

 private:
  fs::path folder_;
  fs::path sources_;
};

constexpr std::size_t kFirstEntry = 256;
constexpr std::size_t kSecondEntry = 1536;
constexpr std::size_t kThirdEntry = 1792;

Bytes FreshDisk(std::uint32_t disk_size, std::uint32_t sector_size) {
  DiskImage image;
  if (!image.Format(disk_size, sector_size)) {
    Fail("cannot format");
  }
  return Copy(image.disk());
}

// A 64k disk with 256-byte sectors and three entries at 256, 1536 and 1792:
// a plain file, an RKS program and an aligned entry with a reserved minimum.
Bytes DiskWithEntries(const CorpusWriter& writer) {
  DiskImage image;
  image.Format(0x10000, 256);
  image.SetLabel("ENTRIES");
  writer.Add(image, Counting(1000, 1), {.name = "DATA.BIN", .load_address = 0x1234});
  Bytes rks = {0x00, 0x30, 0xEE, 0xEE};
  const auto code = Counting(200, 0x40);
  rks.insert(rks.end(), code.begin(), code.end());
  rks.insert(rks.end(), {0xDD, 0xDD});
  writer.Add(image, rks,
             {.name = "GAME.RKS", .rks = true, .executable = true, .load_address = 0x3000});
  writer.Add(image, Counting(10, 0xA0),
             {.name = "ALIGNED", .aligned = true, .reserved_minimum = 1000});
  const auto listing = image.List();
  if (listing.entries.size() != 3 || listing.entries[0].position != kFirstEntry ||
      listing.entries[1].position != kSecondEntry || listing.entries[2].position != kThirdEntry) {
    Fail("the entries are not where the damaged images expect them");
  }
  return Copy(image.disk());
}

void WriteFreshDisks(const CorpusWriter& writer) {
  for (const auto& sector : flashdisk::kSectorSizeChoices) {
    writer.Whole("fresh-64k-sector-" + std::string(sector.text) + ".rom",
                 FreshDisk(0x10000, sector.bytes));
  }
  writer.Whole("fresh-128k.rom", FreshDisk(0x20000, 512));
  writer.Trimmed("fresh-256k-trimmed.rom", FreshDisk(0x40000, 1024));
  writer.Trimmed("fresh-512k-trimmed.rom", FreshDisk(0x80000, 256));
  writer.Trimmed("fresh-1024k-trimmed.rom", FreshDisk(0x100000, 128));
  writer.Trimmed("fresh-2048k-trimmed.rom", FreshDisk(0x200000, 1));
}

void WriteDisksWithEntries(const CorpusWriter& writer, const Bytes& entries) {
  writer.Trimmed("entries-64k.rom", entries);

  DiskImage byte_sectors;
  byte_sectors.Format(0x10000, 1);
  writer.Add(byte_sectors, Counting(100, 7), {.name = "A"});
  writer.Add(byte_sectors, Counting(3, 9), {.name = "B", .aligned = true});
  writer.Trimmed("entries-sector-1.rom", byte_sectors.disk());

  // A big entry of erased bytes last, so trimming keeps the file small.
  DiskImage big;
  big.Format(0x20000, 1024);
  writer.Add(big, Counting(64, 3), {.name = "SMALL"});
  writer.Add(big, Bytes(70000, 0xFF), {.name = "BIG", .big = true});
  writer.Trimmed("entries-big-128k.rom", big.disk());

  auto deleted = entries;
  deleted[kSecondEntry + flashdisk::kEntryAttributesOffset] = 0x7F;
  writer.Trimmed("entry-deleted.rom", deleted);

  // Choices of the fuzz target's add, which it takes from bytes 40 to 43.
  const struct {
    const char* name;
    std::uint8_t flags;
    std::uint32_t reserved_minimum;
  } choices[] = {
      {"add-rks-aligned.rom", 0x13, 0},
      {"add-plain-source-as-rks.rom", 0x01, 0},
      {"add-big-executable.rom", 0x0C, 0x300},
      {"add-empty-name.rom", 0x20, 0},
      {"add-reserved-beyond-disk.rom", 0xC0, 0xFFFFFF},
  };
  for (const auto& choice : choices) {
    auto bytes = entries;
    bytes[40] = choice.flags;
    bytes[41] = static_cast<std::uint8_t>(choice.reserved_minimum);
    bytes[42] = static_cast<std::uint8_t>(choice.reserved_minimum >> 8);
    bytes[43] = static_cast<std::uint8_t>(choice.reserved_minimum >> 16);
    writer.Trimmed(choice.name, bytes);
  }
}

void WriteDamagedHeaders(const CorpusWriter& writer, const Bytes& entries) {
  const auto fresh = FreshDisk(0x10000, 256);
  const auto with_header = [&](const char* name, auto change) {
    auto bytes = entries;
    change(bytes);
    writer.Trimmed(name, bytes);
  };
  with_header("disk-size-0.rom", [](Bytes& b) { Put32(b, 2, 0); });
  with_header("disk-size-3x64k.rom", [](Bytes& b) { Put32(b, 2, 3 * 0x10000); });
  with_header("disk-size-64k-stray-top-bit.rom", [](Bytes& b) { Put32(b, 2, 0x01010000); });
  with_header("disk-size-huge.rom", [](Bytes& b) { Put32(b, 2, 0xFFFFFFFF); });
  with_header("disk-size-below-header.rom", [](Bytes& b) { Put32(b, 2, 40); });
  with_header("sector-size-0.rom", [](Bytes& b) { Put16(b, 6, 0); });
  with_header("sector-size-136.rom", [](Bytes& b) { Put16(b, 6, 136); });
  with_header("sector-size-2048.rom", [](Bytes& b) { Put16(b, 6, 2048); });
  with_header("bad-magic.rom", [](Bytes& b) { Put16(b, 0, 0xAA55); });
  with_header("label-without-nul.rom", [](Bytes& b) {
    for (std::size_t i = 0; i < 32; ++i) {
      b[8 + i] = static_cast<std::uint8_t>('A' + i % 26);
    }
  });
  with_header("directory-offset-past-disk.rom", [](Bytes& b) { Put32(b, 44, 0x20000); });
  with_header("directory-offset-huge.rom", [](Bytes& b) { Put32(b, 44, 0xFFFFFFFF); });
  with_header("directory-offset-in-label.rom", [](Bytes& b) {
    Put32(b, 44, 8);
    b[8] = flashdisk::kEntryMarker;
  });
  with_header("directory-offset-0.rom", [](Bytes& b) { Put32(b, 44, 0); });

  auto last_byte = fresh;
  Put32(last_byte, 44, 0xFFFF);
  last_byte[0xFFFF] = flashdisk::kEntryMarker;
  writer.Whole("directory-offset-at-last-byte.rom", last_byte);

  writer.Whole("empty.rom", {});
  writer.Whole("shorter-than-header.rom", std::span(fresh).first(20));
  const std::string text = "This is a text file, not an image of a disk.\n";
  writer.Whole("not-an-image.rom", Bytes(text.begin(), text.end()));
}

void WriteDamagedEntries(const CorpusWriter& writer, const Bytes& entries) {
  const auto with_entries = [&](const std::string& name, auto change) {
    auto bytes = entries;
    change(bytes);
    writer.Trimmed(name, bytes);
  };
  for (const std::uint32_t length : {0u, 1u, 43u, 0x10000u, 0xFFFFFFFFu}) {
    with_entries("total-length-" + std::to_string(length) + ".rom",
                 [&](Bytes& b) { Put32(b, kSecondEntry + 40, length); });
  }
  with_entries("chain-ends-at-disk-end.rom",
               [](Bytes& b) { Put32(b, kThirdEntry + 40, 0x10000 - kThirdEntry); });
  with_entries("chain-ends-one-before-disk-end.rom",
               [](Bytes& b) { Put32(b, kThirdEntry + 40, 0x10000 - kThirdEntry - 1); });
  with_entries("data-size-beyond-total-length.rom", [](Bytes& b) {
    Put32(b, kFirstEntry + 36, 5000);
    Put32(b, kSecondEntry + 36, 0xFFFFFFFF);
  });
  with_entries("name-without-nul.rom", [](Bytes& b) {
    for (std::size_t i = 0; i < 32; ++i) {
      b[kFirstEntry + 2 + i] = static_cast<std::uint8_t>('a' + i % 26);
    }
  });
  // A broken marker ends the chain early; the entries behind it are stale.
  // The fuzz target's add of its RKS source then ends right on the third one.
  with_entries("stale-entries-after-chain-end.rom", [](Bytes& b) {
    b[kSecondEntry] = flashdisk::kErasedByte;
    b[40] = 0x11;
  });
  with_entries("entry-at-disk-end.rom", [](Bytes& b) {
    Put32(b, kThirdEntry + 40, 0x10000 - 44 - kThirdEntry);
    b[0x10000 - 44] = flashdisk::kEntryMarker;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_image_corpus FOLDER\n");
    return 2;
  }
  const CorpusWriter writer(argv[1]);
  const auto entries = DiskWithEntries(writer);
  WriteFreshDisks(writer);
  WriteDisksWithEntries(writer, entries);
  WriteDamagedHeaders(writer, entries);
  WriteDamagedEntries(writer, entries);
  return 0;
}
