// Names of the files that `unpack` writes into a folder: each entry's name,
// made safe on Linux and on Windows alike, and no two of them alike even
// where the file system does not tell letter case apart.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace flashdisk::cli {

// `utf8` with every character that Windows or Linux would take for part of
// a path, a control or a device replaced, so that it names a file in the
// folder itself. What passes extract's check is kept as it is.
std::string SafeFileName(std::string_view utf8);

class FileNamePicker {
 public:
  // A name the folder holds anyway, such as the manifest's.
  void Reserve(std::string_view utf8);
  // The safe form of `wanted`, with "-2", "-3"… before its extension when an
  // earlier name has taken it.
  std::string Pick(std::string_view wanted);

 private:
  std::set<std::string> taken_;  // in the folded letter case
  std::map<std::string, int>
      last_copy_;  // by the folded safe name; 0 before its first pick, then the last copy tried
};

}  // namespace flashdisk::cli
