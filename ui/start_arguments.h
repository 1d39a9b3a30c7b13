// What the window program is asked to do by its command line: show its
// usage or version, or open the window, with an image file to open first.
// A relative image path is made whole against the folder the program was
// started in before anything else sees it, so that the file opened is the
// file saved, whatever folder a dialog later shows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace flashdisk {

enum class StartAction { kOpenWindow, kPrintUsage, kPrintVersion };

struct StartRequest {
  StartAction action = StartAction::kOpenWindow;
  // Absolute; nothing when no file was named.
  std::optional<std::filesystem::path> image;
};

// `arguments` are the program's in UTF-8, its own name first; only the first
// one after it counts.
StartRequest ReadStartArguments(const std::vector<std::string>& arguments,
                                const std::filesystem::path& start_folder);

// The texts --help and --version print, in UTF-8.
std::string UsageText();
std::string VersionText();

}  // namespace flashdisk
