// Feeds every file of a fuzz target's corpus folder to its entry point, in a build
// without libFuzzer, so the ordinary sanitized test run checks that no input the
// fuzzer once kept crashes, leaks or breaks an invariant again.
//
//   <replay program> <corpus folder>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  std::error_code error;
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1], error)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  // An empty or missing folder would make the test pass without replaying anything.
  if (error || inputs.empty()) {
    std::fprintf(stderr, "no corpus inputs in %s\n", argv[1]);
    return 2;
  }
  std::sort(inputs.begin(), inputs.end());
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    if (!file.eof() && file.fail()) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    // Printed first, so a crash names the input that caused it.
    std::fprintf(stderr, "%s\n", path.filename().c_str());
    // A copy of exactly the input's size, so reading past its end is caught.
    std::vector<std::uint8_t> input(bytes);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
