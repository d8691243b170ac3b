// Builds the bytes of a version resource (the VS_VERSIONINFO block), with full control
// over its translation block and the way string lengths are stored, so fixtures can
// carry exactly the oddities that real files have.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VersionString {
  std::u16string key;
  std::u16string value;
  // Most resource compilers count the terminating NUL in the stored length; some
  // do not. Both occur in real files.
  bool lengthCountsNul = false;
  // A damaged resource: the stored length claims far more characters (0xFFFF) than
  // the string block holds.
  bool lengthOverruns = false;
};

struct VersionLayout {
  std::uint16_t fileVersion[4] = {0, 0, 0, 0};
  std::uint16_t productVersion[4] = {0, 0, 0, 0};
  std::uint32_t fileType = 2;  // VFT_DLL
  // Each translation: language in the low word, code page in the high word. Empty:
  // no VarFileInfo block at all.
  std::vector<std::uint32_t> translations;
  // Name of the string table block: eight hex digits, language then code page.
  std::u16string stringBlock = u"040904b0";
  std::vector<VersionString> strings;
};

std::vector<std::uint8_t> BuildVersionResource(const VersionLayout& layout);
