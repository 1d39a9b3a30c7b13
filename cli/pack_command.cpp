#include "cli/pack_command.h"

#include <set>
#include <span>
#include <string>

#include "cli/command_messages.h"
#include "cli/new_command.h"
#include "disk_folder/folder_packing.h"
#include "image/host_files.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

// A name as make reads it in a rule: '/' between folders on every system,
// spaces and '#' escaped, '$' doubled.
std::string MakeName(const fs::path& path) {
  const auto generic = path.generic_u8string();
  std::string name;
  for (const char8_t c : generic) {
    if (c == u8' ' || c == u8'#') {
      name += '\\';
    }
    name += c == u8'$' ? "$$" : std::string(1, static_cast<char>(c));
  }
  return name;
}

// "IMAGE: MANIFEST FILES…", and an empty rule for each file, so that make
// does not stop when one is gone from a later manifest.
std::string MakeRule(const fs::path& image, const fs::path& manifest,
                     const std::vector<fs::path>& sources) {
  std::string rule = MakeName(image) + ": " + MakeName(manifest);
  std::string empty_rules;
  std::set<fs::path> named;
  for (const auto& source : sources) {
    if (!named.insert(source).second) {
      continue;
    }
    rule += " \\\n  " + MakeName(source);
    empty_rules += "\n" + MakeName(source) + ":\n";
  }
  return rule + "\n" + empty_rules;
}

}  // namespace

std::optional<DiskImage> PackManifest(const fs::path& manifest, const fs::path& image,
                                      const Console& console, std::vector<fs::path>* sources) {
  auto packed = PackFolder(manifest, image);
  for (const auto& warning : packed.warnings) {
    console.err << kProgramName << ": " << warning << '\n' << std::flush;
  }
  if (!packed.image) {
    console.err << kProgramName << ": " << packed.error << '\n' << std::flush;
  }
  if (sources != nullptr) {
    *sources = std::move(packed.sources);
  }
  return std::move(packed.image);
}

int RunPack(const PackOptions& options, const Console& console) {
  if (!MayCreateImage(options.image, options.force, console)) {
    return kExitRefused;
  }
  const auto manifest = ManifestOf(options.source);
  std::vector<fs::path> sources;
  const auto image = PackManifest(manifest, options.image, console, &sources);
  if (!image || !SaveNewImage(*image, options.image, console)) {
    return kExitRefused;
  }
  if (options.depfile) {
    const auto rule = MakeRule(options.image, manifest, sources);
    if (!WriteFileAtomically(
            *options.depfile,
            std::span(reinterpret_cast<const std::uint8_t*>(rule.data()), rule.size()))) {
      console.Report(options.image, *options.depfile, kWriteErrorMessage);
      return kExitRefused;
    }
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
