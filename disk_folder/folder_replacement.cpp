#include "disk_folder/folder_replacement.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <system_error>

#include "image/host_files.h"
#include "image/platform_seam.h"
#include "image/utf8_path.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::uint64_t kLargestClaim = 64 * 1024 * 1024;

bool Passes(const FolderStepHook& hook, FolderStep step) {
  return !hook || hook(step);
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

fs::path FolderOf(const fs::path& path) {
  const auto parent = path.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// `folder` and every missing folder above it, each synced into its parent:
// otherwise a power cut could take a folder away with the files in it.
bool CreateFolders(const fs::path& folder) {
  std::vector<fs::path> missing;
  for (auto at = folder; !at.empty() && !Exists(at); at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) {
      break;
    }
  }
  std::error_code error;
  for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
    if (!fs::create_directory(*at, error) || !platform::SyncFolder(FolderOf(*at))) {
      return false;
    }
  }
  return true;
}

// Synced before its name goes anywhere: the rename must not show an empty
// file after a power cut.
bool WriteSynced(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = platform::CreatePlainFile(path);
  if (file == nullptr) {
    return false;
  }
  return WriteSyncedAndClose(file, bytes);
}

// A name no other run chooses, so that two of them never share temporaries.
std::string RunStem() {
  std::random_device random;
  return std::string(kProgramFilePrefix) + std::to_string(random()) + std::to_string(random()) +
         "-";
}

// Removes a file the old manifest listed, when it is still a plain file
// inside the folder: nothing through a link, nothing that climbs out.
bool RemoveOldFile(const fs::path& folder, const fs::path& relative) {
  if (relative.has_root_path() || std::any_of(relative.begin(), relative.end(),
                                              [](const fs::path& part) { return part == ".."; })) {
    return true;
  }
  auto at = folder;
  for (const auto& part : relative) {
    at /= part;
    if (platform::IsLink(at)) {
      return true;
    }
  }
  std::error_code error;
  if (!fs::is_regular_file(fs::symlink_status(at, error))) {
    return true;
  }
  return fs::remove(at, error);
}

// Whether a new file took the old one's place under another letter case:
// then the file is new data, not a leftover.
bool IsNewFile(const fs::path& folder, const fs::path& old_file,
               const std::vector<FolderFile>& files) {
  const auto old_name = Utf8FromPath(old_file);
  std::error_code error;
  return std::any_of(files.begin(), files.end(), [&](const FolderFile& file) {
    return file.name.size() == old_name.size() &&
           fs::equivalent(folder / old_file, folder / PathFromUtf8(file.name), error);
  });
}

// One name a line, '/' between folders: the new files and the old ones.
std::vector<std::uint8_t> ClaimText(const std::vector<FolderFile>& files,
                                    const std::vector<fs::path>& old_files) {
  std::string text;
  for (const auto& file : files) {
    text += file.name + '\n';
  }
  for (const auto& old_file : old_files) {
    const auto generic = old_file.generic_u8string();
    text += std::string(generic.begin(), generic.end()) + '\n';
  }
  return {text.begin(), text.end()};
}

// Writes each file, the manifest last, under its temporary name; the name
// that failed, if one did.
std::optional<std::string> WriteTemporaries(const std::vector<FolderFile>& files,
                                            const platform::TemporaryFilesGuard& temporaries,
                                            const FolderStepHook& hook) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!WriteSynced(temporaries.Name(i), files[i].bytes) ||
        !Passes(hook, FolderStep::kFileWritten)) {
      return files[i].name;
    }
  }
  return std::nullopt;
}

void RemoveTemporaries(const platform::TemporaryFilesGuard& temporaries, std::size_t count) {
  std::error_code error;
  for (std::size_t i = 0; i < count; ++i) {
    fs::remove(temporaries.Name(i), error);
  }
}

// Renames the data files' temporaries to their names, then removes the
// files only the old manifest listed; the name that failed, if one did.
std::optional<std::string> PutDataFilesInPlace(const fs::path& folder,
                                               const std::vector<FolderFile>& files,
                                               const std::vector<fs::path>& old_files,
                                               const platform::TemporaryFilesGuard& temporaries,
                                               const FolderStepHook& hook) {
  for (std::size_t i = 0; i + 1 < files.size(); ++i) {
    if (!platform::MoveFileInto(temporaries.Name(i), folder / PathFromUtf8(files[i].name)) ||
        !Passes(hook, FolderStep::kFileRenamed)) {
      return files[i].name;
    }
  }
  for (const auto& old_file : old_files) {
    if (!IsNewFile(folder, old_file, files) &&
        (!RemoveOldFile(folder, old_file) || !Passes(hook, FolderStep::kOldFileRemoved))) {
      return Utf8FromPath(old_file);
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<fs::path> ClaimedFiles(const fs::path& folder) {
  const auto claim = folder / kClaimFileName;
  if (platform::IsLink(claim)) {
    return {};
  }
  const auto text = ReadWholeFile(claim, kLargestClaim);
  if (!text) {
    return {};
  }
  std::vector<fs::path> files;
  std::string line;
  for (const auto byte : *text) {
    if (byte != '\n') {
      line += static_cast<char>(byte);
    } else if (!line.empty()) {
      files.push_back(PathFromUtf8(line).lexically_normal());
      line.clear();
    }
  }
  return files;
}

void RemoveLeftTemporaries(const fs::path& folder) {
  std::error_code error;
  std::vector<fs::path> left;
  for (fs::directory_iterator at(folder, error), end; !error && at != end; at.increment(error)) {
    const auto name = Utf8FromPath(at->path().filename());
    if (name.starts_with(kProgramFilePrefix) && name.ends_with(kTemporarySuffix)) {
      left.push_back(at->path());
    }
  }
  for (const auto& path : left) {
    fs::remove(path, error);
  }
}

std::optional<std::string> ReplaceFolderFiles(const fs::path& folder,
                                              const std::vector<FolderFile>& files,
                                              const std::vector<fs::path>& old_files,
                                              const FolderStepHook& hook) {
  if (!CreateFolders(folder)) {
    return std::string();
  }
  const auto& manifest_name = files.back().name;
  const auto manifest = folder / PathFromUtf8(manifest_name);
  const auto claim = folder / kClaimFileName;
  // The last temporary is the claim's.
  const platform::TemporaryFilesGuard temporaries(folder / RunStem(), files.size() + 1);
  std::error_code error;
  const auto fail = [&](const std::string& name) {
    RemoveTemporaries(temporaries, files.size() + 1);
    return std::optional<std::string>(name);
  };
  // No manifest first: a folder without one is never packed, so the data
  // files can change under it. The claim and the removal are on the disk
  // after one sync of the folder.
  const auto claimed = temporaries.Name(files.size());
  if (!WriteSynced(claimed, ClaimText(files, old_files)) ||
      !platform::MoveFileInto(claimed, claim) ||
      (Exists(manifest) && !fs::remove(manifest, error)) || !platform::SyncFolder(folder) ||
      !Passes(hook, FolderStep::kFolderSynced) || !Passes(hook, FolderStep::kOldManifestRemoved)) {
    return fail(manifest_name);
  }
  if (const auto failed = WriteTemporaries(files, temporaries, hook)) {
    return fail(*failed);
  }
  const auto data_files = files.size() - 1;
  if (const auto failed = PutDataFilesInPlace(folder, files, old_files, temporaries, hook)) {
    return fail(*failed);
  }
  // The new names are on the disk before the manifest that lists them.
  if (!platform::SyncFolder(folder) || !Passes(hook, FolderStep::kFolderSynced) ||
      !platform::MoveFileOver(temporaries.Name(data_files), manifest) ||
      !Passes(hook, FolderStep::kManifestRenamed)) {
    return fail(manifest_name);
  }
  fs::remove(claim, error);
  return std::nullopt;
}

std::optional<std::string> UpdateFolderFiles(const fs::path& folder,
                                             const std::vector<FolderFile>& files,
                                             const std::vector<fs::path>& old_files, bool claim,
                                             const FolderStepHook& hook) {
  const auto& manifest_name = files.back().name;
  const auto manifest = folder / PathFromUtf8(manifest_name);
  const auto set_aside = folder / kOldManifestFileName;
  const platform::TemporaryFilesGuard temporaries(folder / RunStem(), files.size() + 1);
  std::error_code error;
  const auto fail = [&](const std::string& name) {
    RemoveTemporaries(temporaries, files.size() + 1);
    return std::optional<std::string>(name);
  };
  if (const auto failed = WriteTemporaries(files, temporaries, hook)) {
    return fail(*failed);
  }
  const auto data_files = files.size() - 1;
  if (data_files == 0 && old_files.empty()) {
    // One rename replaces the manifest whole.
    if (!platform::MoveFileInto(temporaries.Name(0), manifest) || !platform::SyncFolder(folder) ||
        !Passes(hook, FolderStep::kManifestRenamed) || !Passes(hook, FolderStep::kFolderSynced)) {
      return fail(manifest_name);
    }
    return std::nullopt;
  }
  const auto claimed = temporaries.Name(files.size());
  if ((claim && (!WriteSynced(claimed, ClaimText(files, old_files)) ||
                 !platform::MoveFileInto(claimed, folder / kClaimFileName))) ||
      (Exists(manifest) && !platform::MoveFileInto(manifest, set_aside)) ||
      !Passes(hook, FolderStep::kOldManifestRemoved)) {
    return fail(manifest_name);
  }
  if (const auto failed = PutDataFilesInPlace(folder, files, old_files, temporaries, hook)) {
    return fail(*failed);
  }
  // A journalling file system keeps one folder's changes in their order, so
  // the manifest set aside and the new data files are on the disk together,
  // and before the manifest that lists them.
  if (!platform::SyncFolder(folder) || !Passes(hook, FolderStep::kFolderSynced) ||
      !platform::MoveFileInto(temporaries.Name(data_files), manifest) ||
      !Passes(hook, FolderStep::kManifestRenamed)) {
    return fail(manifest_name);
  }
  fs::remove(set_aside, error);
  fs::remove(folder / kClaimFileName, error);
  return std::nullopt;
}

}  // namespace flashdisk
