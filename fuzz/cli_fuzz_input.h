// How the command-line fuzz target reads its input bytes: a command, the
// image argument, a handful of further arguments (each either one of the
// program's real options, values and file names, or arbitrary bytes), a small
// source file and the bytes of the image file. The corpus generator writes
// its seeds in the same form.
//
//   byte 0       bits 0-2 and 6 (the high bit): command (13 and more:
//                none); bits 3-4: image argument; bit 5: no image argument
//   byte 1       bits 0-3: number of further arguments
//   arguments    a byte below 0xC0 picks a known argument; 0xC0 + N is
//                followed by N arbitrary bytes (N up to 63)
//   2 bytes      length of the source file, little-endian
//   the source file's bytes, then the rest: the image file's bytes
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace flashdisk::fuzz {

inline constexpr std::array<std::string_view, 15> kCommands = {
    "new",    "info",    "list",   "add",  "label", "set",  "extract", "check",
    "remove", "replace", "unpack", "pack", "move",  "dump", "diff"};

// The files that every run finds in its working folder, and names of none.
inline constexpr std::string_view kImageFile = "disk.rom";      // the input's image bytes
inline constexpr std::string_view kImageLink = "link.rom";      // a link to disk.rom
inline constexpr std::string_view kFolder = "folder.rom";       // an empty folder
inline constexpr std::string_view kAbsentImage = "absent.rom";  // no such file
inline constexpr std::string_view kPlainSource = "source.bin";  // the input's source bytes
inline constexpr std::string_view kRksSource = "source.rks";    // the same bytes again
inline constexpr std::string_view kEmptySource = "empty.bin";   // 0 bytes
inline constexpr std::string_view kOutsideLink = "LINK.BIN";    // a link to kOutsideTarget
inline constexpr std::string_view kManifest = "disk.toml";      // the source bytes again
// The file that kOutsideLink leads to, three folders above the working one.
inline constexpr std::string_view kOutsideTarget = "linked.bin";

// The image argument, by bits 3-4 of byte 0.
inline constexpr std::array<std::string_view, 4> kImageArguments = {kImageFile, kImageLink, kFolder,
                                                                    kAbsentImage};

struct CliFuzzInput {
  std::size_t command = 0;         // index into kCommands; kCommands.size() for none
  std::size_t image_argument = 0;  // index into kImageArguments
  bool has_image_argument = true;
  std::vector<std::string> arguments;  // after the command and the image
  std::vector<std::uint8_t> source;
  std::vector<std::uint8_t> image;

  // The program's arguments, its name first.
  std::vector<std::string> CommandLine() const;
};

// The known arguments, picked by number.
std::span<const std::string_view> KnownArguments();

// Reads any bytes: what is missing counts as empty. Arbitrary arguments never
// hold '/' or NUL (both become '_'), so none of them names a path outside the
// working folder.
CliFuzzInput DecodeCliInput(std::span<const std::uint8_t> bytes);

// The bytes that decode to `input`; an argument that is not a known one
// must be at most 63 bytes long.
std::vector<std::uint8_t> EncodeCliInput(const CliFuzzInput& input);

}  // namespace flashdisk::fuzz
