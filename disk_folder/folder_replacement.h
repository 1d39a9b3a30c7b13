// Puts a new set of files and its manifest into a folder so that, whatever
// stops the program on the way (a full disk, Ctrl+C, SIGTERM, a power cut),
// the folder holds the old manifest with all of its old files, or no
// manifest, or the new manifest with all of its new files, and never a
// temporary file of the program once it has ended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flashdisk {

struct FolderFile {
  std::string name;  // UTF-8, safe on Linux and Windows
  std::vector<std::uint8_t> bytes;
};

// Each step of the sequence, in the order taken, so that a test can stop the
// program at any of them.
enum class FolderStep {
  kOldManifestRemoved,
  kFileWritten,  // once per file, under its temporary name, synced
  kFileRenamed,  // once per data file
  kOldFileRemoved,
  kManifestRenamed,
  kFolderSynced,  // the folder's names made to last a power cut
};
// False makes the step fail as a full disk would.
using FolderStepHook = std::function<bool(FolderStep)>;

// The list of every file a run writes or removes, written before the old
// manifest goes: a run stopped before its new manifest is in leaves it, so
// that the next run knows those files for its own. Gone once the manifest is.
inline constexpr std::string_view kClaimFileName = ".flashdisk-files";
// Where an update in place sets the old manifest aside while the data files
// change under it: a stopped run leaves it, so that the next run knows the
// old files for its own. Gone once the new manifest is in.
inline constexpr std::string_view kOldManifestFileName = ".flashdisk-old-disk.toml";
// How the names of the program's own files in a folder start.
inline constexpr std::string_view kProgramFilePrefix = ".flashdisk-";

// The files the claim of a stopped run lists, relative to `folder`.
std::vector<std::filesystem::path> ClaimedFiles(const std::filesystem::path& folder);

// The temporary files a killed run left: "<folder>/.flashdisk-*.tmp". They
// are the program's own, and nothing else is named so.
void RemoveLeftTemporaries(const std::filesystem::path& folder);

// Writes `files` into `folder`, the manifest (the last of them) after all
// the others; then removes `old_files`, relative paths the old manifest
// listed that the new one does not. The name of the file that failed, if
// one did; nothing is left half done but the new data files without a
// manifest.
std::optional<std::string> ReplaceFolderFiles(const std::filesystem::path& folder,
                                              const std::vector<FolderFile>& files,
                                              const std::vector<std::filesystem::path>& old_files,
                                              const FolderStepHook& hook = {});

// Writes only the files that change, the manifest last of them, into a
// folder that holds a manifest; then removes `old_files`. The old manifest is
// set aside under kOldManifestFileName meanwhile, unless the manifest alone
// changes, which then replaces it in one step. `claim` when a written file
// is not one the old manifest listed. Each file is synced, and the folder
// once.
std::optional<std::string> UpdateFolderFiles(const std::filesystem::path& folder,
                                             const std::vector<FolderFile>& files,
                                             const std::vector<std::filesystem::path>& old_files,
                                             bool claim, const FolderStepHook& hook = {});

}  // namespace flashdisk
