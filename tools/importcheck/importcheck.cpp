// importcheck: fails when a Windows program or library imports a system function
// that Windows 98 SE or NT 4.0 SP6 lacks, naming each one as "binary: DLL!function".
//
//   importcheck --lists FOLDER [--also FILE]... BINARY...
//
// FOLDER holds one "<library>.txt" list per system library; each --also file adds
// "library!function" lines allowed besides them (imports that exist only for 64-bit
// code, say). The binaries may import from each other (a server from its companion).
// Prints "no offender" and exits 0 when every import is allowed.
#include "ImportCheck.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Rtl/Exceptions.h"

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: importcheck --lists FOLDER [--also FILE]... BINARY...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string lists;
  std::vector<std::string> extras;
  std::vector<std::string> binaries;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--lists" && i + 1 < argc) {
      lists = argv[++i];
    } else if (a == "--also" && i + 1 < argc) {
      extras.push_back(argv[++i]);
    } else if (a.rfind("--", 0) == 0) {
      return Usage();
    } else {
      binaries.push_back(a);
    }
  }
  if (lists.empty() || binaries.empty()) return Usage();

  ImportAllowList allowed(lists);
  // The binaries are checked as one set: they may import from each other.
  for (const std::string& path : binaries) allowed.AddOwnLibrary(path);
  for (const std::string& path : extras) {
    std::ifstream in(path);
    if (!in) {
      std::fprintf(stderr, "importcheck: cannot read %s\n", path.c_str());
      return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    allowed.AddExtra(text.str());
  }

  int offenders = 0;
  int problems = 0;
  std::size_t imports = 0;
  for (const std::string& path : binaries) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFile(path, bytes)) {
      std::printf("%s: cannot read the file (is it built?)\n", path.c_str());
      ++problems;
      continue;
    }
    try {
      for (const PeImport& i : PeImage(std::move(bytes)).Imports()) {
        ++imports;
        std::string why = allowed.Refusal(i);
        if (why.empty()) continue;
        std::string name =
            i.ByOrdinal() ? std::string("#").append(std::to_string(i.ordinal)) : i.function;
        std::printf("%s: %s!%s %s\n", path.c_str(), i.dll.c_str(), name.c_str(), why.c_str());
        ++offenders;
      }
    } catch (const Exception& e) {
      std::printf("%s: %s\n", path.c_str(), e.Message().c_str());
      ++problems;
    }
  }
  if (offenders == 0 && problems == 0) {
    std::printf("no offender: %zu imports of %zu files\n", imports, binaries.size());
    return 0;
  }
  std::printf("%d offender(s), %d unreadable file(s)\n", offenders, problems);
  return 1;
}
