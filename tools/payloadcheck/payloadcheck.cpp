// payloadcheck: checks the files the installer is to carry against the table they
// must match, and stops the build with a clear message when one differs.
//
//   payloadcheck [--stamp FILE] PATH|SIZE|VERSION ...
//
// SIZE "-" skips the size check. On success the stamp file is written.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

namespace {

std::string FormatVersion(std::uint64_t v) {
  return std::to_string(v >> 48) + "." + std::to_string((v >> 32) & 0xFFFF) + "." +
         std::to_string((v >> 16) & 0xFFFF) + "." + std::to_string(v & 0xFFFF);
}

// Returns an empty string when the file matches, else what is wrong.
std::string Check(const std::string& path, const std::string& size, const std::string& version) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return path + ": cannot be read";
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (size != "-" && std::to_string(bytes.size()) != size) {
    return path + ": " + std::to_string(bytes.size()) + " bytes, expected " + size;
  }
  try {
    auto v = PeImage(std::move(bytes)).FileVersion();
    if (!v) return path + ": has no version resource, expected file version " + version;
    if (FormatVersion(*v) != version) {
      return path + ": file version " + FormatVersion(*v) + ", expected " + version;
    }
  } catch (const Exception& e) {
    return path + ": " + e.Message();
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::string stamp;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--stamp" && i + 1 < argc) {
      stamp = argv[++i];
      continue;
    }
    std::size_t p1 = a.find('|');
    std::size_t p2 = p1 == std::string::npos ? p1 : a.find('|', p1 + 1);
    if (p2 == std::string::npos) {
      std::fprintf(stderr, "payloadcheck: expected PATH|SIZE|VERSION, got %s\n", a.c_str());
      return 2;
    }
    std::string problem = Check(a.substr(0, p1), a.substr(p1 + 1, p2 - p1 - 1), a.substr(p2 + 1));
    if (!problem.empty()) {
      std::fprintf(stderr, "payload file does not match the table: %s\n", problem.c_str());
      ++failures;
    }
  }
  if (failures > 0) return 1;
  if (!stamp.empty()) std::ofstream(stamp) << "ok\n";
  return 0;
}
