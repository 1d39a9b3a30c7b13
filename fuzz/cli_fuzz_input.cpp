#include "fuzz/cli_fuzz_input.h"

#include <algorithm>

namespace flashdisk::fuzz {

namespace {

constexpr std::uint8_t kCommandLowBits = 0x07;
constexpr std::uint8_t kCommandHighBit = 0x40;  // the command number's bit 3
constexpr std::uint8_t kNoImageArgument = 0x20;
constexpr std::uint8_t kFirstArbitrary = 0xC0;
constexpr std::size_t kMaxArbitraryLength = 0x3F;
constexpr std::size_t kMaxArguments = 15;

// Every option of every command, values that each of them takes or refuses,
// and the names of the files in the working folder.
constexpr std::string_view kKnownArguments[] = {
    // commands, so that one can stand where a value should
    "new", "info", "list", "add", "label", "set", "extract", "check", "remove", "replace",
    // new
    "--size", "64k", "128k", "256k", "512k", "1024k", "2048k", "32k", "--sector", "1", "128", "256",
    "512", "1024", "136", "--label", "--force",
    // info, list
    "--json",
    // add
    "--name", "--rks", "--plain", "--big", "--no-big", "--exec", "--no-exec", "--aligned", "--load",
    "--reserve", "C000", "ffff", "0", "10000", "x1", "65536", "4294967295", "4294967296", "-1",
    // set
    "--set", "--clear", "deleted", "big", "executable", "aligned", "readonly", "bit2", "bit1",
    "bit0", "deleted,big", "big,big", "executable,readonly,bit0",
    // extract
    "-o", "--output", "2", "3", "6", "7",
    // remove, replace
    "4",
    // everyone
    "--help", "-h", "--", "--size=64k", "--name=", "--set=bit0",
    // files and texts
    "disk.rom", "link.rom", "folder.rom", "absent.rom", "source.bin", "source.rks", "empty.bin",
    "absent.bin", "out.bin", "missing/out.bin", "folder.rom/out.bin", "Диск", "ИМЯ.RKS",
    "0123456789012345678901234567890123456789", "",
    // unpack, pack, move
    "unpack", "pack", "move", "disk.toml", "unpacked", "out.rom", ".",
    // dump, diff
    "dump", "diff", "--disasm", "--charset", "koi7", "1251", "--from", "--to", "F000", "--git"};

std::string ArbitraryArgument(std::span<const std::uint8_t> bytes) {
  std::string argument(bytes.begin(), bytes.end());
  std::replace(argument.begin(), argument.end(), '/', '_');
  std::replace(argument.begin(), argument.end(), '\0', '_');
  return argument;
}

// Reads the input front to back; past its end every byte reads as 0.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    count = std::min(count, bytes_.size() - at_);
    const auto taken = bytes_.subspan(at_, count);
    at_ += count;
    return taken;
  }
  std::span<const std::uint8_t> Rest() { return Bytes(bytes_.size() - at_); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::span<const std::string_view> KnownArguments() {
  return kKnownArguments;
}

std::vector<std::string> CliFuzzInput::CommandLine() const {
  std::vector<std::string> line{"flashdisk"};
  if (command < kCommands.size()) {
    line.emplace_back(kCommands[command]);
  }
  if (has_image_argument) {
    line.emplace_back(kImageArguments[image_argument]);
  }
  line.insert(line.end(), arguments.begin(), arguments.end());
  return line;
}

CliFuzzInput DecodeCliInput(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  CliFuzzInput input;
  const auto choices = reader.Byte();
  const std::size_t command = (choices & kCommandLowBits) | (choices & kCommandHighBit) >> 3;
  input.command = std::min(command, kCommands.size());
  input.image_argument = (choices >> 3) & 0x03;
  input.has_image_argument = (choices & kNoImageArgument) == 0;
  const std::size_t count = reader.Byte() & 0x0F;
  for (std::size_t i = 0; i < count; ++i) {
    const auto pick = reader.Byte();
    if (pick < kFirstArbitrary) {
      input.arguments.emplace_back(kKnownArguments[pick % std::size(kKnownArguments)]);
    } else {
      input.arguments.push_back(ArbitraryArgument(reader.Bytes(pick - kFirstArbitrary)));
    }
  }
  const std::size_t source_size = reader.Byte() | std::size_t{reader.Byte()} << 8;
  const auto source = reader.Bytes(source_size);
  input.source.assign(source.begin(), source.end());
  const auto image = reader.Rest();
  input.image.assign(image.begin(), image.end());
  return input;
}

std::vector<std::uint8_t> EncodeCliInput(const CliFuzzInput& input) {
  std::vector<std::uint8_t> bytes;
  const auto command = std::min(input.command, kCommands.size());
  bytes.push_back(static_cast<std::uint8_t>((command & kCommandLowBits) | (command & 0x08) << 3 |
                                            input.image_argument << 3 |
                                            (input.has_image_argument ? 0 : kNoImageArgument)));
  const auto count = std::min(input.arguments.size(), kMaxArguments);
  bytes.push_back(static_cast<std::uint8_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    const auto& argument = input.arguments[i];
    const auto known = std::find(std::begin(kKnownArguments), std::end(kKnownArguments), argument);
    if (known != std::end(kKnownArguments)) {
      bytes.push_back(static_cast<std::uint8_t>(known - std::begin(kKnownArguments)));
      continue;
    }
    const auto length = std::min(argument.size(), kMaxArbitraryLength);
    bytes.push_back(static_cast<std::uint8_t>(kFirstArbitrary + length));
    bytes.insert(bytes.end(), argument.begin(),
                 argument.begin() + static_cast<std::ptrdiff_t>(length));
  }
  const auto source_size = std::min<std::size_t>(input.source.size(), 0xFFFF);
  bytes.push_back(static_cast<std::uint8_t>(source_size));
  bytes.push_back(static_cast<std::uint8_t>(source_size >> 8));
  bytes.insert(bytes.end(), input.source.begin(),
               input.source.begin() + static_cast<std::ptrdiff_t>(source_size));
  bytes.insert(bytes.end(), input.image.begin(), input.image.end());
  return bytes;
}

}  // namespace flashdisk::fuzz
