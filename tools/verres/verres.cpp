// verres: writes a version resource block for a fixture or stand-in library.
//
//   verres --out FILE --file-version A.B.C.D [--product-version A.B.C.D]
//          [--file-type dll|app] [--translation LANG CODEPAGE]... [--block XXXXXXXX]
//          [--string KEY=VALUE]... [--string-counted KEY=VALUE]...
//          [--string-overrun KEY=VALUE]...
//
// LANG, CODEPAGE and the block name are hexadecimal. Without --translation there is
// no translation block. "\0" in a value stands for a NUL character. --string-counted
// stores a length that counts the terminating NUL; --string-overrun writes a damaged
// value whose stored length claims far more characters than its block holds.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Rtl/CodePage.h"
#include "VersionResource.h"

namespace {

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr, "verres: %s\n", why);
  std::exit(2);
}

void ParseVersion(const std::string& text, std::uint16_t out[4]) {
  unsigned a, b, c, d;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4 || a > 65535 || b > 65535 ||
      c > 65535 || d > 65535) {
    Usage("a version is four numbers 0..65535 separated by dots");
  }
  out[0] = a;
  out[1] = b;
  out[2] = c;
  out[3] = d;
}

std::u16string Unescape(const std::string& text) {
  std::u16string out = Utf8ToWide(text);
  std::u16string result;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == u'\\' && i + 1 < out.size() && out[i + 1] == u'0') {
      result.push_back(0);
      ++i;
    } else {
      result.push_back(out[i]);
    }
  }
  return result;
}

VersionString ParseString(const std::string& arg, bool counted, bool overruns = false) {
  std::size_t eq = arg.find('=');
  if (eq == std::string::npos) Usage("a string is KEY=VALUE");
  return {Utf8ToWide(arg.substr(0, eq)), Unescape(arg.substr(eq + 1)), counted, overruns};
}

}  // namespace

int main(int argc, char** argv) {
  VersionLayout layout;
  std::string out;
  bool productSet = false;
  bool blockSet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value after " + a).c_str());
      return argv[++i];
    };
    if (a == "--out") {
      out = next();
    } else if (a == "--file-version") {
      ParseVersion(next(), layout.fileVersion);
    } else if (a == "--product-version") {
      ParseVersion(next(), layout.productVersion);
      productSet = true;
    } else if (a == "--file-type") {
      layout.fileType = next() == "app" ? 1 : 2;
    } else if (a == "--translation") {
      unsigned long lang = std::strtoul(next().c_str(), nullptr, 16);
      unsigned long cp = std::strtoul(next().c_str(), nullptr, 16);
      layout.translations.push_back(static_cast<std::uint32_t>((cp << 16) | (lang & 0xFFFF)));
    } else if (a == "--block") {
      layout.stringBlock = Utf8ToWide(next());
      blockSet = true;
    } else if (a == "--string") {
      layout.strings.push_back(ParseString(next(), false));
    } else if (a == "--string-counted") {
      layout.strings.push_back(ParseString(next(), true));
    } else if (a == "--string-overrun") {
      layout.strings.push_back(ParseString(next(), false, true));
    } else {
      Usage(("unknown argument " + a).c_str());
    }
  }
  if (out.empty()) Usage("--out is required");
  if (!productSet) {
    for (int k = 0; k < 4; ++k) layout.productVersion[k] = layout.fileVersion[k];
  }
  if (!blockSet && !layout.translations.empty()) {
    char block[16];
    std::snprintf(block, sizeof block, "%04x%04x", layout.translations[0] & 0xFFFF,
                  layout.translations[0] >> 16);
    layout.stringBlock = Utf8ToWide(block);
  }
  std::vector<std::uint8_t> bytes = BuildVersionResource(layout);
  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "verres: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
