#include "cli/dump_command.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string_view>
#include <vector>

#include "cli/command_messages.h"
#include "cli/load_address_text.h"
#include "cli/opened_image.h"
#include "image/user_messages.h"
#include "target/address_space.h"
#include "target/hex_rows.h"
#include "target/i8080_disassembler.h"

namespace flashdisk::cli {

namespace {

// Text is handed to the stream in pieces of this size: a 2 MiB entry makes
// about 10 MB of rows, and writing them a line at a time would cost more
// than making them.
constexpr std::size_t kWriteChunk = 64 * 1024;

// "65535", and a line of JSON with the longest of everything in it.
constexpr std::size_t kLongestNumber = 5;
constexpr std::size_t kLongestJsonLine = 128;

// The part of an entry's data that the options ask for, as offsets.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;  // past the last byte
};

std::optional<std::uint16_t> ReadAddress(const std::optional<std::string>& text,
                                         const DumpOptions& options, const Console& console,
                                         bool& valid) {
  if (!text) {
    return std::nullopt;
  }
  const auto address = ParseLoadAddress(*text);
  if (!address && valid) {  // one report for both options
    console.Report(options.image, kBadAddressMessage);
  }
  valid = valid && address.has_value();
  return address;
}

// --from is the first offset the target sees at that address; --to the
// first at or after it, so that a range may run past FFFF as the entry does.
std::optional<Span> ChosenSpan(const DumpOptions& options, std::uint16_t load_address,
                               std::size_t size, const Console& console) {
  bool valid = true;
  const auto from = ReadAddress(options.from, options, console, valid);
  const auto to = ReadAddress(options.to, options, console, valid);
  if (!valid) {
    return std::nullopt;
  }
  Span span{0, size};
  if (from) {
    span.begin = target::FirstOffsetOf(load_address, *from);
    if (span.begin >= size) {
      console.Report(options.image, kAddressOutsideEntryMessage);
      return std::nullopt;
    }
  }
  if (to) {
    const auto first = target::AddressAt(load_address, span.begin);
    span.end = std::min(size, span.begin + target::FirstOffsetOf(first, *to) + 1);
  }
  return span;
}

// Lines are written straight into one buffer, which goes to the stream
// whenever it holds a chunk.
class LineBuffer {
 public:
  LineBuffer(std::ostream& out, std::size_t longest_line)
      : out_(out), buffer_(kWriteChunk + longest_line) {}
  ~LineBuffer() { Flush(); }

  // Where the next line goes; there is room for the longest.
  char* next() { return buffer_.data() + used_; }
  void Wrote(char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.data());
    if (used_ >= kWriteChunk) {
      Flush();
    }
  }

 private:
  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

  std::ostream& out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

void WriteHexRows(std::span<const std::uint8_t> data, std::uint16_t load_address, Span span,
                  target::CharacterSet set, std::ostream& out) {
  LineBuffer lines(out, target::kLongestHexRow);
  for (auto offset = span.begin; offset < span.end; offset += target::kHexRowBytes) {
    const auto count = std::min(target::kHexRowBytes, span.end - offset);
    lines.Wrote(target::WriteHexRow(lines.next(), data.subspan(offset, count),
                                    target::AddressAt(load_address, offset), set));
  }
}

// Instructions that start inside the span are shown whole, however far the
// last one reaches; none reaches past the data.
template <typename Write>
void ForEachInstruction(std::span<const std::uint8_t> data, std::uint16_t load_address, Span span,
                        Write write) {
  for (auto offset = span.begin; offset < span.end;) {
    const auto instruction = target::DecodeInstruction(data, offset, load_address);
    write(instruction);
    offset += instruction.length;
  }
}

void WriteListing(std::span<const std::uint8_t> data, std::uint16_t load_address, Span span,
                  std::ostream& out) {
  LineBuffer lines(out, target::kLongestInstructionLine);
  for (auto offset = span.begin; offset < span.end;) {
    std::size_t length = 0;
    lines.Wrote(target::WriteInstructionLineAt(lines.next(), data, offset, load_address, length));
    offset += length;
  }
}

char* Put(char* out, std::string_view text) {
  return std::copy(text.begin(), text.end(), out);
}

char* PutNumber(char* out, unsigned value) {
  return std::to_chars(out, out + kLongestNumber, value).ptr;
}

// {"address":30208,"bytes":[62,65],"mnemonic":"MVI","operands":"A,41H"}:
// numbers, and texts of capitals, digits and commas that need no escape,
// written as nlohmann-json writes them, since a Big entry has over a million.
char* WriteInstructionJson(char* out, const target::Instruction& instruction) {
  out = PutNumber(Put(out, "{\"address\":"), instruction.address);
  out = Put(out, ",\"bytes\":[");
  for (std::size_t i = 0; i < instruction.length; ++i) {
    out = PutNumber(i == 0 ? out : Put(out, ","), instruction.bytes[i]);
  }
  out = Put(Put(out, "],\"mnemonic\":\""), instruction.mnemonic);
  out = Put(Put(out, "\",\"operands\":\""), instruction.operands());
  return Put(out, "\"}");
}

// An array of objects, one a line, written as they are made.
void WriteListingJson(std::span<const std::uint8_t> data, std::uint16_t load_address, Span span,
                      std::ostream& out) {
  LineBuffer lines(out, kLongestJsonLine);
  lines.Wrote(Put(lines.next(), "["));
  std::string_view separator = "\n  ";
  ForEachInstruction(data, load_address, span, [&](const target::Instruction& instruction) {
    lines.Wrote(WriteInstructionJson(Put(lines.next(), separator), instruction));
    separator = ",\n  ";
  });
  lines.Wrote(Put(lines.next(), span.begin < span.end ? "\n]\n" : "]\n"));
}

}  // namespace

int RunDump(const DumpOptions& options, const Console& console) {
  const auto opened = ReadImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  const auto data = opened->image.EntryData(*entry);
  const auto span = ChosenSpan(options, entry->load_address, data.size(), console);
  if (!span) {
    return kExitRefused;
  }
  if (!options.disassemble) {
    const auto set =
        options.charset == "koi7" ? target::CharacterSet::kKoi7 : target::CharacterSet::kCp1251;
    WriteHexRows(data, entry->load_address, *span, set, console.out);
  } else if (options.json) {
    WriteListingJson(data, entry->load_address, *span, console.out);
  } else {
    WriteListing(data, entry->load_address, *span, console.out);
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
