// Stands in for libFuzzer's driver where it is missing: feeds every file of
// the folders (or the files) given on the command line to the fuzz target
// once, in name order, so the seed corpus runs in the normal test suite.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "image/utf8_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsIn(const fs::path& argument) {
  if (!fs::is_directory(argument)) {
    return {argument};
  }
  std::vector<fs::path> inputs;
  for (const auto& item : fs::directory_iterator(argument)) {
    if (item.is_regular_file()) {
      inputs.push_back(item.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& input : InputsIn(argv[i])) {
      std::ifstream stream(input, std::ios::binary);
      if (!stream) {
        std::fprintf(stderr, "cannot read %s\n", flashdisk::Utf8FromPath(input).c_str());
        return 1;
      }
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                            std::istreambuf_iterator<char>()};
      std::printf("%s (%zu bytes)\n", flashdisk::Utf8FromPath(input.filename()).c_str(),
                  bytes.size());
      std::fflush(stdout);
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  // An empty corpus would let this test pass whatever the target does.
  return replayed == 0 ? 1 : 0;
}
