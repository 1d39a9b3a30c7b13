// Runs one command line of the flashdisk program in-process over files made
// from the input (see fuzz/cli_fuzz_input.h) and checks by itself what must
// hold whatever the arguments and the image: the exit status is 0, 1 or 2 (3
// from a check that cannot read its image); a command that fails changes no
// file and leaves none behind; nothing is written outside the working
// folder, whatever names the image holds; and an
// image that a command has changed still loads, checks and lists, with only
// what that command may change changed; a check always finishes, and a
// remove, replace or move leaves an image that a check finds as sound as
// before. An unpack writes into one folder only, and packing that folder
// gives back the image it read; a packed image is sound.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/pack_command.h"
#include "fuzz/cli_fuzz_input.h"
#include "fuzz/fuzz_files.h"
#include "image/disk_image.h"
#include "image/image_problems.h"

namespace {

namespace fs = std::filesystem;
using flashdisk::DirectoryEntry;
using flashdisk::DiskImage;
using flashdisk::fuzz::CliFuzzInput;
using flashdisk::fuzz::Require;
using flashdisk::fuzz::WriteWholeFile;

void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  Require(WriteWholeFile(path, bytes), "an input file could be written");
}

// The whole file in one read; the checks read every file twice per input.
std::string ReadFile(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(stream.tellg(), 0)), '\0');
  stream.seekg(0);
  stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(stream.gcount(), 0)));
  return bytes;
}

const std::string kOutsideBytes = "outside the working folder";

// The folders of every run: the command runs in `work`, three levels below
// the temporary folder, so that a name that climbs out of it lands where the
// checks look. A link in `work` leads to a file at the top.
struct Workspace {
  fs::path top;
  fs::path work;

  Workspace() {
    std::string pattern = (flashdisk::fuzz::TemporaryRoot() / "flashdisk-cli-fuzz-XXXXXX").string();
    Require(::mkdtemp(pattern.data()) != nullptr, "a temporary folder could be made");
    top = pattern;
    work = top / "up2" / "up1" / "work";
    fs::create_directories(work);
  }
  ~Workspace() {
    std::error_code error;
    fs::remove_all(top, error);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Empties the working folder and lays out the files of one input.
  void Reset(const CliFuzzInput& input) const {
    using namespace flashdisk::fuzz;
    for (const auto& item : fs::directory_iterator(work)) {
      fs::remove_all(item.path());
    }
    WriteFile(top / kOutsideTarget,
              {reinterpret_cast<const std::uint8_t*>(kOutsideBytes.data()), kOutsideBytes.size()});
    WriteFile(work / kImageFile, input.image);
    WriteFile(work / kPlainSource, input.source);
    WriteFile(work / kRksSource, input.source);
    WriteFile(work / kManifest, input.source);
    WriteFile(work / kEmptySource, {});
    fs::create_directory(work / kFolder);
    fs::create_symlink(kImageFile, work / kImageLink);
    fs::create_symlink(fs::path("../../..") / kOutsideTarget, work / kOutsideLink);
  }
};

const Workspace& Files() {
  static const Workspace workspace;
  return workspace;
}

// Each item below a folder by its relative path: a file by its bytes, a link
// by where it leads, a folder as such.
using FolderState = std::map<std::string, std::string>;

FolderState StateOf(const fs::path& folder) {
  FolderState state;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    const auto name = item.path().lexically_relative(folder).string();
    if (item.is_symlink()) {
      state[name] = "link to " + fs::read_symlink(item.path()).string();
    } else if (item.is_directory()) {
      state[name] = "folder";
    } else if (item.is_regular_file()) {
      state[name] = "file " + ReadFile(item.path());
    } else {
      state[name] = "other";
    }
  }
  return state;
}

// Names that were added, removed or changed.
std::vector<std::string> ChangedNames(const FolderState& before, const FolderState& after) {
  std::vector<std::string> changed;
  for (const auto& [name, content] : after) {
    const auto old = before.find(name);
    if (old == before.end() || old->second != content) {
      changed.push_back(name);
    }
  }
  for (const auto& [name, content] : before) {
    if (!after.contains(name)) {
      changed.push_back(name);
    }
  }
  return changed;
}

// Changes the working folder for the run of one command, and back.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : previous_(::open(".", O_RDONLY | O_DIRECTORY)) {
    Require(previous_ >= 0 && ::chdir(folder.c_str()) == 0, "the working folder can be entered");
  }
  ~WorkingFolder() {
    Require(::fchdir(previous_) == 0, "the previous working folder can be entered again");
    ::close(previous_);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  int previous_;
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Made once for all inputs, as making it costs more than most commands.
flashdisk::cli::CommandLine& Parser() {
  static flashdisk::cli::CommandLine parser;
  return parser;
}

Outcome Run(const CliFuzzInput& input) {
  const auto line = input.CommandLine();
  std::vector<const char*> argv;
  for (const auto& word : line) {
    argv.push_back(word.c_str());
  }
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  Outcome outcome;
  {
    const WorkingFolder inside(Files().work);
    outcome.status = Parser().Run(static_cast<int>(line.size()), argv.data(), out, err);
  }
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

// With FLASHDISK_FUZZ_SHOW set, each run is shown: what a finding ran and said.
void Show(const CliFuzzInput& input, const Outcome& outcome) {
  if (std::getenv("FLASHDISK_FUZZ_SHOW") == nullptr) {
    return;
  }
  for (const auto& word : input.CommandLine()) {
    std::fprintf(stderr, "[%s] ", word.c_str());
  }
  std::fprintf(stderr, "-> %d\n%s%s", outcome.status, outcome.out.substr(0, 2000).c_str(),
               outcome.err.c_str());
}

// All that a command that succeeds may say: that an RKS file it took holds
// another number of data bytes than its header promises, or that a manifest
// it packed names two entries alike.
bool OnlyWarnings(const std::string& err) {
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("flashdisk: ") ||
        !(line.ends_with(": файл обрезан или дополнен!") ||
          line.find(": Внимание: такое же имя у записи ") != std::string::npos)) {
      return false;
    }
  }
  return err.empty() || err.ends_with("\n");
}

// `findings` for a check or a diff: status 1 tells what they found, and 3
// that they could not read a disk.
void CheckReport(const Outcome& outcome, bool findings) {
  Require(outcome.status == 0 || outcome.status == 1 || outcome.status == 2 ||
              (findings && outcome.status == flashdisk::cli::kExitUnreadable),
          "the exit status is 0, 1 or 2, or 3 from a check or diff that cannot read a disk");
  if (outcome.status == 0) {
    Require(OnlyWarnings(outcome.err), "a command that succeeds reports nothing but warnings");
    return;
  }
  if (findings && outcome.status == 1 && !outcome.out.empty()) {
    Require(OnlyWarnings(outcome.err), "a check or diff that finds something reports no error");
    return;
  }
  Require(outcome.err.starts_with("flashdisk: ") && outcome.err.ends_with("\n"),
          "a command that fails says why, after the program's name");
  // Under --json a check that cannot read its image says so on standard output too.
  Require(outcome.out.empty() || (outcome.status == flashdisk::cli::kExitUnreadable &&
                                  nlohmann::json::accept(outcome.out)),
          "a command that fails prints no result");
}

// The folders above the working one hold what they held, whatever names the
// image gave: only a command line that names the link itself may write to
// the file that it leads to.
void CheckNothingOutside(const CliFuzzInput& input) {
  using namespace flashdisk::fuzz;
  const auto& files = Files();
  const auto names = [](const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& item : fs::directory_iterator(folder)) {
      found.push_back(item.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  Require(names(files.top) == std::vector<std::string>{std::string(kOutsideTarget), "up2"} &&
              names(files.top / "up2") == std::vector<std::string>{"up1"} &&
              names(files.top / "up2" / "up1") == std::vector<std::string>{"work"},
          "nothing is written outside the working folder");
  const auto& arguments = input.arguments;
  const bool link_named = std::any_of(arguments.begin(), arguments.end(), [](const auto& word) {
    return word.find(kOutsideLink) != std::string::npos;
  });
  Require(link_named || ReadFile(files.top / kOutsideTarget) == kOutsideBytes,
          "no file outside the working folder is written through a link");
}

// The image file of the input, loaded and listed before the command runs.
struct ImageBefore {
  DiskImage image;
  bool valid = false;
  std::vector<DirectoryEntry> entries;

  void Load(const fs::path& path) {
    valid = image.Load(path) && image.Check().valid();
    entries.clear();
    if (valid) {
      const auto& listed = image.List().entries;
      entries.assign(listed.begin(), listed.end());
    }
  }
};

ImageBefore& Before() {
  static ImageBefore before;
  return before;
}

DiskImage& After() {
  static DiskImage after;
  return after;
}

// Whether the two disks agree outside the byte ranges [from, to) given.
bool SameOutside(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                 std::vector<std::pair<std::size_t, std::size_t>> ranges) {
  if (a.size() != b.size()) {
    return false;
  }
  std::sort(ranges.begin(), ranges.end());
  std::size_t from = 0;
  for (auto [start, end] : ranges) {
    start = std::min(start, a.size());
    if (start > from && std::memcmp(a.data() + from, b.data() + from, start - from) != 0) {
      return false;
    }
    from = std::max(from, end);
  }
  return from >= a.size() || std::memcmp(a.data() + from, b.data() + from, a.size() - from) == 0;
}

bool SameChain(const std::vector<DirectoryEntry>& before, std::span<const DirectoryEntry> after) {
  return std::equal(before.begin(), before.end(), after.begin(), after.end(),
                    [](const DirectoryEntry& a, const DirectoryEntry& b) {
                      return a.position == b.position && a.total_length == b.total_length &&
                             a.data_size == b.data_size;
                    });
}

std::span<const std::uint8_t> BytesOf(const DiskImage& image, const DirectoryEntry& entry) {
  return image.disk().subspan(entry.position, entry.total_length);
}

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// An edit that moves entries or data needs a sound chain, and may leave no
// more problems than it found.
void CheckStillSound() {
  const auto valid = flashdisk::HeaderCheck::Outcome::kValid;
  const auto before = flashdisk::FindImageProblems(Before().image, valid);
  const auto after = flashdisk::FindImageProblems(After(), valid);
  Require(!before.damaged(), "only an image with a sound header and chain is edited");
  Require(!after.damaged() && after.problems.size() <= before.problems.size(),
          "an edit leaves the image as sound as it was");
}

// The entries left are some of those before, in their order and whole; what
// the chain gave up is erased, and the rest of the disk is as it was.
void CheckRemove(std::span<const DirectoryEntry> entries) {
  CheckStillSound();
  const auto& before = Before();
  Require(entries.size() < before.entries.size(), "a remove takes entries out");
  auto kept = before.entries.begin();
  for (const auto& entry : entries) {
    kept = std::find_if(kept, before.entries.end(), [&](const DirectoryEntry& old) {
      return SameBytes(BytesOf(before.image, old), BytesOf(After(), entry));
    });
    Require(kept != before.entries.end(), "a moved entry keeps its bytes and its order");
    ++kept;
  }
  const auto old_end = before.image.disk().size() - before.image.free_space();
  const auto new_end = After().disk().size() - After().listing().free_space;
  const auto freed = After().disk().subspan(new_end, old_end - new_end);
  Require(std::all_of(freed.begin(), freed.end(),
                      [](std::uint8_t byte) { return byte == flashdisk::kErasedByte; }),
          "a remove erases the space it frees");
  Require(SameOutside(before.image.disk(), After().disk(), {{0, old_end}}),
          "a remove leaves the disk after the chain as it was");
}

// One entry changed, in its own place; its name stays.
void CheckReplace(std::span<const DirectoryEntry> entries) {
  CheckStillSound();
  const auto& before = Before();
  Require(entries.size() == before.entries.size(), "a replace keeps every entry");
  std::vector<std::pair<std::size_t, std::size_t>> changed;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& old = before.entries[i];
    const auto& now = entries[i];
    Require(now.position == old.position && now.name == old.name &&
                now.total_length >= old.total_length,
            "a replace keeps every entry's place and name and never shrinks one");
    if (!SameBytes(BytesOf(before.image, old), BytesOf(After(), now))) {
      changed.emplace_back(now.position, std::size_t{now.position} + now.total_length + 1);
    }
  }
  Require(changed.size() <= 1 && SameOutside(before.image.disk(), After().disk(), changed),
          "a replace changes one entry only");
}

// The same entries, each with all its bytes, in any order; the chain ends
// where it did and nothing after it changes.
void CheckMove(std::span<const DirectoryEntry> entries) {
  CheckStillSound();
  const auto& before = Before();
  // Unordered: sorting vectors of bytes trips a false warning of GCC 12.
  const auto all_bytes = [](const DiskImage& image, auto listed) {
    std::unordered_multiset<std::string> all;
    for (const auto& entry : listed) {
      const auto bytes = BytesOf(image, entry);
      all.emplace(bytes.begin(), bytes.end());
    }
    return all;
  };
  Require(all_bytes(before.image, std::span(before.entries)) == all_bytes(After(), entries),
          "a move keeps every entry with all its bytes");
  const auto end = before.image.disk().size() - before.image.free_space();
  Require(After().listing().free_space == before.image.free_space() &&
              SameOutside(before.image.disk(), After().disk(),
                          {{before.entries.empty() ? end : before.entries.front().position, end}}),
          "a move changes only the chain");
}

// What each command may have changed in the input's image, now in After().
void CheckEdit(const std::string& command) {
  const auto& before = Before();
  const auto& after = After();
  const auto entries = after.listing().entries;
  if (command == "new") {
    Require(entries.empty(), "a new image has no entries");
    return;
  }
  Require(before.valid, "only an image that checks is ever changed");
  Require(after.disk_size() == before.image.disk_size() &&
              after.sector_size() == before.image.sector_size(),
          "a change keeps the disk's sizes");
  const auto old = before.image.disk();
  const auto now = after.disk();
  if (command == "add") {
    Require(entries.size() > before.entries.size() &&
                SameChain(before.entries, std::span(entries).first(before.entries.size())),
            "an add keeps every entry and puts new ones behind them");
    const std::size_t end_of_chain = old.size() - before.image.free_space();
    Require(SameOutside(old, now, {{end_of_chain, old.size()}}),
            "an add changes nothing before the end of the chain");
  } else if (command == "remove") {
    CheckRemove(entries);
  } else if (command == "replace") {
    CheckReplace(entries);
  } else if (command == "move") {
    CheckMove(entries);
  } else if (command == "label") {
    const auto label_end = flashdisk::kLabelOffset + flashdisk::kTextFieldSize;
    Require(SameOutside(old, now, {{flashdisk::kLabelOffset, label_end}}),
            "a label changes only the label field");
  } else {
    std::vector<std::pair<std::size_t, std::size_t>> fields;
    for (const auto& entry : before.entries) {
      fields.emplace_back(entry.position + flashdisk::kEntryAttributesOffset,
                          entry.position + flashdisk::kEntryDataSizeOffset);
    }
    Require(SameChain(before.entries, entries) && SameOutside(old, now, fields),
            "a set changes only the attributes, names and load addresses of entries");
  }
}

// The file that the image argument names, through its link.
std::string ImageFileNamed(const CliFuzzInput& input) {
  using namespace flashdisk::fuzz;
  const auto named = kImageArguments[input.image_argument];
  return std::string(named == kImageLink ? kImageFile : named);
}

// The command that the program ran: the first word after its name, which
// the arguments give when the input chose no command. Empty when none.
std::string CommandRun(const CliFuzzInput& input) {
  using flashdisk::fuzz::kCommands;
  const auto line = input.CommandLine();
  if (line.size() < 2 ||
      std::find(kCommands.begin(), kCommands.end(), line[1]) == kCommands.end()) {
    return "";
  }
  return line[1];
}

bool Names(const CliFuzzInput& input, std::string_view word) {
  return std::find(input.arguments.begin(), input.arguments.end(), word) != input.arguments.end();
}

// Whether the command ran on the input's image file, named as the image.
bool RanOnTheImageFile(const CliFuzzInput& input) {
  using namespace flashdisk::fuzz;
  return input.command < kCommands.size() && input.has_image_argument &&
         ImageFileNamed(input) == kImageFile;
}

// JSON that scripts read: well formed, and telling what the image holds.
void CheckJson(const CliFuzzInput& input, const std::string& command, const std::string& out) {
  if (!Names(input, "--json") || Names(input, "--help") || Names(input, "-h")) {
    return;
  }
  Require(nlohmann::json::accept(out), "--json prints well-formed JSON");
  if (!RanOnTheImageFile(input)) {
    return;
  }
  const auto& before = Before();
  const auto json = nlohmann::json::parse(out);
  Require(json.value("free_space", std::int64_t{-1}) == std::int64_t{before.image.free_space()},
          "--json shows the image's free space");
  if (command == "list") {
    Require(json["entries"].size() == before.entries.size(), "list --json shows every entry");
  }
  if (command == "check") {
    Require(json["entries"] == before.entries.size() && json["problems"].empty(),
            "a check that passes counts every entry and shows no problem");
  }
}

// The extracted file holds the data of one of the image's entries.
void CheckExtract(const CliFuzzInput& input, const fs::path& written) {
  if (!RanOnTheImageFile(input)) {
    return;
  }
  const auto& before = Before();
  Require(before.valid, "only an image that checks is extracted from");
  const auto bytes = ReadFile(written);
  Require(std::any_of(before.entries.begin(), before.entries.end(),
                      [&](const DirectoryEntry& entry) {
                        const auto data = before.image.EntryData(entry);
                        return std::equal(data.begin(), data.end(), bytes.begin(), bytes.end(),
                                          [](std::uint8_t a, char b) {
                                            return a == static_cast<std::uint8_t>(b);
                                          });
                      }),
          "an extract writes the data of an entry");
}

// Everything an unpack writes lies in the folder of its manifest, and that
// manifest packs into the very image that was unpacked.
void CheckUnpack(const CliFuzzInput& input, const std::vector<std::string>& changed) {
  using flashdisk::fuzz::kManifest;
  const auto manifest = std::find_if(changed.begin(), changed.end(), [](const std::string& name) {
    return fs::path(name).filename() == kManifest;
  });
  Require(manifest != changed.end(), "an unpack writes a manifest");
  const auto folder = fs::path(*manifest).parent_path().string();
  Require(std::all_of(changed.begin(), changed.end(),
                      [&folder](const std::string& name) {
                        return folder.empty() || name == folder || name.starts_with(folder + "/");
                      }),
          "an unpack writes into its folder only");
  if (!RanOnTheImageFile(input)) {
    return;
  }
  std::ostringstream out;
  std::ostringstream err;
  const auto packed =
      flashdisk::cli::PackManifest(Files().work / *manifest, "packed.rom", {out, err});
  Require(packed && SameBytes(packed->disk(), Before().image.disk()),
          "packing an unpacked folder gives the image back byte for byte");
}

// A packed image loads, and its header and chain are sound.
void CheckPack(const std::vector<std::string>& changed) {
  Require(changed.size() <= 1, "a pack writes one image");
  if (changed.empty()) {
    return;
  }
  auto& after = After();
  Require(after.Load(Files().work / changed.front()) && after.Check().valid(),
          "a packed image loads and checks");
  after.List();
  Require(!flashdisk::FindImageProblems(after, flashdisk::HeaderCheck::Outcome::kValid).damaged(),
          "a packed image is sound");
}

void CheckSuccess(const CliFuzzInput& input, const Outcome& outcome,
                  const std::vector<std::string>& changed) {
  using namespace flashdisk::fuzz;
  const auto command = CommandRun(input);
  if (command == "info" || command == "list" || command == "check" || command.empty()) {
    Require(changed.empty(), "showing an image changes no file");
    Require(!outcome.out.empty(), "showing an image prints something");
    CheckJson(input, command, outcome.out);
    return;
  }
  // A dump shows bytes, a diff tells what differs: nothing when the two
  // disks are the same.
  if (command == "dump" || command == "diff") {
    Require(changed.empty(), "dump and diff change no file");
    Require(command == "diff" || !outcome.out.empty(), "a dump prints something");
    if (Names(input, "--json") && !Names(input, "--help") && !Names(input, "-h")) {
      Require(nlohmann::json::accept(outcome.out), "--json prints well-formed JSON");
    }
    return;
  }
  if (command == "unpack" && !Names(input, "--help") && !Names(input, "-h")) {
    CheckUnpack(input, changed);
    return;
  }
  if (command == "pack") {
    CheckPack(changed);
    return;
  }
  Require(changed.size() <= 1, "a command writes at most one file");
  if (changed.empty()) {
    // The others may write a file over itself with the same bytes.
    Require(command != "add" || !outcome.out.empty(), "an add that succeeds writes its image");
    return;
  }
  const auto written = Files().work / changed.front();
  Require(fs::is_regular_file(fs::symlink_status(written)), "what a command writes is a file");
  if (command == "extract") {
    CheckExtract(input, written);
    return;
  }
  auto& after = After();
  Require(after.Load(written) && after.Check().valid(), "a written image loads and checks");
  Require(fs::file_size(written) == after.disk_size(), "a written image is as long as its disk");
  after.List();
  // Without a chosen command the image argument may stand anywhere, or be
  // missing, since the arguments then name the command.
  if (input.command < kCommands.size() && input.has_image_argument) {
    Require(changed.front() == ImageFileNamed(input), "a command writes only its image");
    CheckEdit(command);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto input = flashdisk::fuzz::DecodeCliInput({data, size});
  const auto& files = Files();
  files.Reset(input);
  Before().Load(files.work / flashdisk::fuzz::kImageFile);
  const auto before = StateOf(files.work);
  const auto outcome = Run(input);
  Show(input, outcome);
  CheckReport(outcome, CommandRun(input) == "check" || CommandRun(input) == "diff");
  CheckNothingOutside(input);
  const auto changed = ChangedNames(before, StateOf(files.work));
  if (outcome.status != 0) {
    Require(changed.empty(), "a command that fails changes no file and leaves none behind");
    return 0;
  }
  CheckSuccess(input, outcome, changed);
  return 0;
}
