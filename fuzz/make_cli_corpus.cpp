// Writes the seed corpus of the command-line fuzz target into the folder given
// as its argument: each command with its usual options, its refusals and its
// usage errors, over a disk whose entries carry names that must not become
// files as they stand (a link, a climb out of the folder, a folder, the image
// itself), a fresh disk and damaged ones. Commands that move entries or data
// get whole disks: a file shorter than its disk is a damaged image to them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/cli_fuzz_input.h"
#include "fuzz/fuzz_files.h"
#include "image/disk_image.h"
#include "image/entry_plan.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using flashdisk::DiskImage;
using flashdisk::fuzz::CliFuzzInput;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "make_cli_corpus: %s\n", what.c_str());
  std::exit(1);
}

void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  if (!flashdisk::fuzz::WriteWholeFile(path, bytes)) {
    Fail("cannot write " + path.string());
  }
}

Bytes Counting(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + i);
  }
  return bytes;
}

// Laid out in a vector of its final size: growing a four-byte vector by
// insert trips GCC 12's -Warray-bounds in optimised builds.
Bytes RksFile(std::uint16_t load_address, const Bytes& data) {
  Bytes file(4 + data.size() + 2, 0xDD);
  file[0] = static_cast<std::uint8_t>(load_address);
  file[1] = static_cast<std::uint8_t>(load_address >> 8);
  file[2] = 0xEE;
  file[3] = 0xEE;
  std::copy(data.begin(), data.end(), file.begin() + 4);
  return file;
}

// The disk without its trailing erased bytes, which a load reads back as erased.
Bytes Trimmed(std::span<const std::uint8_t> disk) {
  auto end = disk.size();
  while (end > 0 && disk[end - 1] == flashdisk::kErasedByte) {
    --end;
  }
  return Bytes(disk.begin(), disk.begin() + static_cast<std::ptrdiff_t>(end));
}

// Adds `data` as a new entry through the core, from a file in `sources`.
void Add(DiskImage& image, const fs::path& sources, const Bytes& data,
         const flashdisk::EntryChoices& choices) {
  const auto path = sources / "source";
  WriteFile(path, data);
  const auto size = flashdisk::LookUpSource(path);
  if (!size) {
    Fail("cannot find " + path.string());
  }
  image.List();
  const auto plan = flashdisk::PlanEntry(*size, choices.rks, choices.aligned,
                                         choices.reserved_minimum, image.sector_size());
  if (flashdisk::AddEntry(image, {path, *size}, choices, plan) != flashdisk::AddResult::kAdded) {
    Fail("cannot add " + choices.name);
  }
}

// A 64k disk whose entries 3 to 6 are named after what extract must not
// write through or over without being asked: the link out of the working
// folder, a climb out of it, the folder there and the image itself. The
// chain ends at 2048.
Bytes WholeDiskWithEntries(const fs::path& sources) {
  using namespace flashdisk::fuzz;
  DiskImage image;
  image.Format(0x10000, 256);
  image.SetLabel("ENTRIES");
  Add(image, sources, Counting(300, 1), {.name = "PROG", .load_address = 0xC000});
  Add(image, sources, RksFile(0x3000, Counting(40, 0x40)),
      {.name = "GAME.RKS", .rks = true, .executable = true, .load_address = 0x3000});
  for (const auto name : {kOutsideLink, std::string_view("../evil"), kFolder, kImageFile}) {
    Add(image, sources, Counting(20, 0x80), {.name = std::string(name)});
  }
  return Bytes(image.disk().begin(), image.disk().end());
}

Bytes FreshDisk() {
  DiskImage image;
  image.Format(0x10000, 128);
  return Trimmed(image.disk());
}

class CorpusWriter {
 public:
  explicit CorpusWriter(fs::path folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
  }

  void Write(const std::string& name, const CliFuzzInput& input) const {
    WriteFile(folder_ / (name + ".cli"), flashdisk::fuzz::EncodeCliInput(input));
  }

 private:
  fs::path folder_;
};

// An input of `command` on the image argument `image` ("" for none).
CliFuzzInput Input(std::string_view command, std::string_view image,
                   std::vector<std::string> arguments, const Bytes& disk,
                   const Bytes& source = Counting(100, 0x20)) {
  using namespace flashdisk::fuzz;
  CliFuzzInput input;
  input.command = kCommands.size();
  for (std::size_t i = 0; i < kCommands.size(); ++i) {
    if (kCommands[i] == command) {
      input.command = i;
    }
  }
  input.has_image_argument = !image.empty();
  for (std::size_t i = 0; i < kImageArguments.size(); ++i) {
    if (kImageArguments[i] == image) {
      input.image_argument = i;
    }
  }
  input.arguments = std::move(arguments);
  input.source = source;
  input.image = disk;
  return input;
}

void WriteNew(const CorpusWriter& writer, const Bytes& entries) {
  writer.Write("new-default", Input("new", "absent.rom", {}, {}));
  writer.Write(
      "new-64k-sector-128-label",
      Input("new", "absent.rom", {"--size", "64k", "--sector", "128", "--label", "Диск"}, {}));
  writer.Write("new-over-image", Input("new", "disk.rom", {"--size", "64k"}, entries));
  writer.Write("new-over-image-forced",
               Input("new", "disk.rom", {"--force", "--size", "64k"}, entries));
  writer.Write("new-through-link",
               Input("new", "link.rom", {"--force", "--size", "128k"}, entries));
  writer.Write("new-over-folder", Input("new", "folder.rom", {"--force"}, {}));
  writer.Write("new-into-missing-folder", Input("new", "", {"missing/out.bin"}, {}));
  writer.Write("new-into-folder", Input("new", "", {"folder.rom/out.bin", "--size", "64k"}, {}));
  writer.Write("new-unoffered-sizes",
               Input("new", "absent.rom", {"--size", "32k", "--sector", "136"}, {}));
}

void WriteShow(const CorpusWriter& writer, const Bytes& entries, const Bytes& fresh) {
  auto bad_magic = entries;
  bad_magic[0] = 0x00;
  auto chain_past_disk = entries;
  chain_past_disk[256 + 512 + 40 + 2] = 0x01;  // the second entry's total length runs off
  writer.Write("info-text", Input("info", "disk.rom", {}, entries));
  writer.Write("info-json", Input("info", "link.rom", {"--json"}, fresh));
  writer.Write("info-bad-magic", Input("info", "disk.rom", {}, bad_magic));
  writer.Write("info-absent-image", Input("info", "absent.rom", {}, {}));
  writer.Write("info-folder-image", Input("info", "folder.rom", {}, {}));
  writer.Write("list-text", Input("list", "disk.rom", {}, entries));
  writer.Write("list-json", Input("list", "disk.rom", {"--json"}, entries));
  writer.Write("list-chain-past-disk", Input("list", "disk.rom", {"--json"}, chain_past_disk));
}

void WriteAdd(const CorpusWriter& writer, const Bytes& entries, const Bytes& fresh) {
  auto bad_magic = entries;
  bad_magic[1] = 0x00;
  writer.Write("add-plain",
               Input("add", "disk.rom",
                     {"source.bin", "--name", "PROG2", "--load", "C000", "--exec"}, entries));
  writer.Write("add-rks", Input("add", "disk.rom", {"source.rks"}, fresh,
                                RksFile(0x1234, Counting(60, 0x30))));
  writer.Write("add-two-through-link",
               Input("add", "link.rom", {"source.bin", "empty.bin"}, fresh));
  writer.Write("add-flags", Input("add", "disk.rom",
                                  {"source.rks", "--plain", "--big", "--no-exec", "--aligned",
                                   "--reserve", "4294967295"},
                                  fresh));
  writer.Write("add-no-room",
               Input("add", "disk.rom", {"source.bin", "--reserve", "65536"}, entries));
  writer.Write("add-absent-source",
               Input("add", "disk.rom", {"source.bin", "absent.bin"}, entries));
  writer.Write("add-folder-source", Input("add", "disk.rom", {"folder.rom"}, entries));
  writer.Write("add-name-for-two",
               Input("add", "disk.rom", {"source.bin", "source.rks", "--name", "X"}, entries));
  writer.Write("add-bad-load", Input("add", "disk.rom", {"source.bin", "--load", "x1"}, entries));
  writer.Write("add-empty-name", Input("add", "disk.rom", {"source.bin", "--name", ""}, entries));
  writer.Write("add-to-folder", Input("add", "folder.rom", {"source.bin"}, entries));
  writer.Write("add-to-damaged-image", Input("add", "disk.rom", {"source.bin"}, bad_magic));
  writer.Write("add-help", Input("add", "", {"--help"}, {}));
}

void WriteEdits(const CorpusWriter& writer, const Bytes& entries) {
  writer.Write("label", Input("label", "disk.rom", {"Диск"}, entries));
  writer.Write("label-too-long",
               Input("label", "link.rom", {"0123456789012345678901234567890123456789"}, entries));
  writer.Write("label-missing", Input("label", "disk.rom", {}, entries));
  writer.Write("set-everything", Input("set", "disk.rom",
                                       {"1", "--name", "NEW", "--load", "ffff", "--set",
                                        "deleted,big", "--clear", "readonly"},
                                       entries));
  writer.Write("set-empty-name", Input("set", "disk.rom", {"2", "--name", ""}, entries));
  writer.Write("set-missing-entry", Input("set", "disk.rom", {"7"}, entries));
  writer.Write("set-and-clear-the-same",
               Input("set", "disk.rom", {"1", "--set", "big", "--clear", "big,big"}, entries));
}

void WriteExtract(const CorpusWriter& writer, const Bytes& entries) {
  writer.Write("extract-by-name", Input("extract", "disk.rom", {"1"}, entries));
  writer.Write("extract-to-output", Input("extract", "disk.rom", {"2", "-o", "out.bin"}, entries));
  writer.Write("extract-into-missing-folder",
               Input("extract", "disk.rom", {"1", "-o", "missing/out.bin"}, entries));
  writer.Write("extract-into-folder",
               Input("extract", "disk.rom", {"1", "--output", "folder.rom/out.bin"}, entries));
  writer.Write("extract-over-source",
               Input("extract", "link.rom", {"1", "-o", "source.bin", "--force"}, entries));
  writer.Write("extract-name-of-link", Input("extract", "disk.rom", {"3", "--force"}, entries));
  writer.Write("extract-name-climbing-out", Input("extract", "disk.rom", {"4"}, entries));
  writer.Write("extract-name-of-folder", Input("extract", "disk.rom", {"5", "--force"}, entries));
  writer.Write("extract-name-of-image", Input("extract", "disk.rom", {"6", "--force"}, entries));
  writer.Write("extract-missing-entry", Input("extract", "disk.rom", {"0"}, entries));
}

// Leftovers after the chain: bytes that are not erased, with an entry marker
// at a sector boundary among them.
Bytes WithLeftovers(Bytes disk) {
  disk[3000] = 0x00;
  disk[4096] = flashdisk::kEntryMarker;
  disk[4097] = 0x12;
  return disk;
}

void WriteCheck(const CorpusWriter& writer, const Bytes& whole, const Bytes& entries) {
  auto bad_magic = whole;
  bad_magic[0] = 0x00;
  auto broken_link = whole;
  broken_link[768 + 40] = 0x10;  // GAME.RKS is 16 bytes long: the chain stops there
  writer.Write("check-sound", Input("check", "disk.rom", {}, whole));
  writer.Write("check-short-file", Input("check", "link.rom", {"--json"}, entries));
  writer.Write("check-bad-magic", Input("check", "disk.rom", {"--json"}, bad_magic));
  writer.Write("check-broken-link", Input("check", "disk.rom", {}, broken_link));
  writer.Write("check-leftovers", Input("check", "disk.rom", {"--json"}, WithLeftovers(whole)));
  writer.Write("check-absent-image", Input("check", "absent.rom", {}, {}));
}

void WriteRemove(const CorpusWriter& writer, const Bytes& whole, const Bytes& entries) {
  writer.Write("remove-one", Input("remove", "disk.rom", {"2"}, whole));
  writer.Write("remove-several", Input("remove", "link.rom", {"4", "1", "4"}, whole));
  writer.Write("remove-missing-entry", Input("remove", "disk.rom", {"1", "7"}, whole));
  writer.Write("remove-from-short-file", Input("remove", "disk.rom", {"1"}, entries));
  writer.Write("remove-before-leftovers", Input("remove", "disk.rom", {"6"}, WithLeftovers(whole)));
}

void WriteReplace(const CorpusWriter& writer, const Bytes& whole, const Bytes& entries) {
  writer.Write("replace-smaller", Input("replace", "disk.rom", {"1", "source.bin"}, whole));
  writer.Write("replace-growing-last",
               Input("replace", "disk.rom", {"6", "source.rks"}, WithLeftovers(whole),
                     RksFile(0x2000, Counting(3000, 0x10))));
  writer.Write("replace-no-room",
               Input("replace", "disk.rom", {"1", "source.bin"}, whole, Counting(2000, 0)));
  writer.Write("replace-flags",
               Input("replace", "link.rom",
                     {"2", "source.rks", "--plain", "--big", "--load", "C000"}, whole));
  writer.Write("replace-absent-source", Input("replace", "disk.rom", {"3", "absent.bin"}, whole));
  writer.Write("replace-in-short-file", Input("replace", "disk.rom", {"1", "empty.bin"}, entries));
  writer.Write("replace-bad-load",
               Input("replace", "disk.rom", {"1", "source.bin", "--load", "x1"}, whole));
}

Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// Manifests as a stranger's repository might hold them: sound ones, and ones
// that name files outside the folder, break TOML or give keys wrong values.
void WriteFolders(const CorpusWriter& writer, const Bytes& whole, const Bytes& entries) {
  const auto manifest = Text(
      "[disk]\nsize = \"64k\"\nsector = 128\nlabel = \"Диск\"\nsystem_load = 0x8000\n"
      "[[entry]]\nfile = \"source.bin\"\nname = \"ИГРА\"\nload = \"c000\"\nreserve = 1000\n"
      "readonly = true\nname_rest = \"00 12\"\n"
      "[[entry]]\nfile = \"source.rks\"\naligned = true\ntail = \"empty.bin\"\n");
  writer.Write("unpack-whole", Input("unpack", "disk.rom", {"unpacked"}, whole));
  writer.Write("unpack-leftovers-into-folder",
               Input("unpack", "link.rom", {"folder.rom"}, WithLeftovers(whole)));
  writer.Write("unpack-into-working-folder", Input("unpack", "disk.rom", {".", "--force"}, whole));
  writer.Write("unpack-short-file", Input("unpack", "disk.rom", {"unpacked"}, entries));
  writer.Write("pack-manifest", Input("pack", "", {"disk.toml", "out.rom"}, {}, manifest));
  writer.Write("pack-folder-over-image",
               Input("pack", "", {".", "disk.rom", "--force"}, whole, manifest));
  writer.Write("pack-image-as-manifest", Input("pack", "disk.rom", {"out.rom"}, whole));
  writer.Write("pack-link-out",
               Input("pack", "", {"disk.toml", "out.rom"}, {},
                     Text("[[entry]]\nfile = \"LINK.BIN\"\n[[entry]]\nfile = \"../x\"\n")));
  writer.Write("pack-odd-bytes",
               Input("pack", "", {"disk.toml", "out.rom"}, {},
                     Text("[disk]\ndirectory = 512\nheader_rest = \"source.bin\"\nfull = true\n"
                          "after_chain = \"source.rks\"\n[[entry]]\nfile = \"empty.bin\"\n")));
  writer.Write("pack-bad-values",
               Input("pack", "", {"disk.toml", "out.rom"}, {},
                     Text("[disk]\nsector = 3\n[[entry]]\nfile = 7\nreserv = -1\n[x\n")));
  writer.Write("move-last-first", Input("move", "disk.rom", {"6", "1"}, whole));
  writer.Write("move-missing-place", Input("move", "link.rom", {"1", "7"}, whole));
  writer.Write("move-in-short-file", Input("move", "disk.rom", {"2", "1"}, entries));
}

// Looking into entries and comparing disks: images with another one, with
// themselves through a link and with a folder's manifest.
void WriteLooks(const CorpusWriter& writer, const Bytes& whole, const Bytes& entries) {
  const auto manifest = Text("[disk]\nsize = \"64k\"\n[[entry]]\nfile = \"source.bin\"\n");
  writer.Write("dump-bytes", Input("dump", "disk.rom", {"1"}, whole));
  writer.Write(
      "dump-disasm-range",
      Input("dump", "disk.rom", {"2", "--disasm", "--from", "F000", "--to", "ffff"}, whole));
  writer.Write("dump-koi7-json",
               Input("dump", "link.rom", {"3", "--charset", "koi7", "--json"}, whole));
  writer.Write("dump-missing-entry", Input("dump", "disk.rom", {"7"}, entries));
  writer.Write("diff-through-link", Input("diff", "disk.rom", {"link.rom"}, whole));
  writer.Write("diff-with-manifest",
               Input("diff", "disk.rom", {"disk.toml", "--json"}, whole, manifest));
  writer.Write("diff-short-file-git",
               Input("diff", "", {"disk.toml", "disk.rom", "--git"}, entries, manifest));
}

void WriteUsage(const CorpusWriter& writer, const Bytes& entries) {
  writer.Write("usage-nothing", Input("", "", {}, {}));
  writer.Write("usage-help", Input("", "", {"--help"}, {}));
  writer.Write("usage-unknown-command", Input("", "", {"format", "disk.rom"}, entries));
  writer.Write("usage-unknown-option", Input("list", "disk.rom", {"--verbose"}, entries));
  writer.Write("usage-missing-image", Input("info", "", {}, entries));
  writer.Write("usage-command-among-arguments",
               Input("", "", {"new", "absent.rom", "--size", "64k"}, {}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cli_corpus FOLDER\n");
    return 2;
  }
  const fs::path sources = flashdisk::fuzz::MakeTemporaryFolder("flashdisk-corpus-");
  if (sources.empty()) {
    Fail("cannot make a temporary folder");
  }
  const auto whole = WholeDiskWithEntries(sources);
  const auto entries = Trimmed(whole);
  std::error_code error;
  fs::remove_all(sources, error);
  const auto fresh = FreshDisk();

  const CorpusWriter writer(argv[1]);
  WriteNew(writer, entries);
  WriteShow(writer, entries, fresh);
  WriteAdd(writer, entries, fresh);
  WriteEdits(writer, entries);
  WriteExtract(writer, entries);
  WriteCheck(writer, whole, entries);
  WriteRemove(writer, whole, entries);
  WriteReplace(writer, whole, entries);
  WriteFolders(writer, whole, entries);
  WriteLooks(writer, whole, entries);
  WriteUsage(writer, entries);
  return 0;
}
