// pever: prints the file version of Windows executables and libraries, read from the
// files themselves, so scripts on the build machine can show what an install wrote.
//
//   pever FILE...    prints "a.b.c.d" per file, "-" when it has no version resource
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

int main(int argc, char** argv) {
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "pever: cannot read %s\n", argv[i]);
      ++failures;
      continue;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    try {
      auto v = PeImage(std::move(bytes)).FileVersion();
      if (v) {
        std::printf("%u.%u.%u.%u\n", unsigned(*v >> 48), unsigned((*v >> 32) & 0xFFFF),
                    unsigned((*v >> 16) & 0xFFFF), unsigned(*v & 0xFFFF));
      } else {
        std::printf("-\n");
      }
    } catch (const Exception& e) {
      std::fprintf(stderr, "pever: %s: %s\n", argv[i], e.Message().c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
