// KivLXVerUtils: 64-bit file version numbers and the version resources of files.
//
// A version number holds four 16-bit parts, major most significant; 0 means none.
// Its packed form is the upper 32 bits (major * 65536 + minor).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TVersionNumber = std::uint64_t;

enum TVersionFormat { vfFull, vfRelease, vfRevision, vfShort };

struct TVersionParts {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t release = 0;
  std::uint16_t build = 0;
};

// The thirteen words of the system's fixed file information, in its order.
struct TFixedFileInfo {
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(TFixedFileInfo) == 52);

TVersionNumber MakeVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                           std::uint16_t build);
TVersionParts SplitVersion(TVersionNumber version);
std::uint32_t PackVersion(TVersionNumber version);
std::uint16_t VersionMajor(TVersionNumber version);
// "%d.%d.%d.%d", "%d.%d.%d", "%d.%d r%d" or "%d.%d"; empty for an unknown style.
std::u16string FormatVersion(TVersionFormat style, TVersionNumber version);

#ifdef _WIN32
// The file's version resource in a zero-filled buffer, or an empty buffer when it has
// none. A missing file raises "Internal Error: File does not exist: <name>".
std::vector<std::uint8_t> LoadFileVersionInfo(const std::u16string& fileName);
// Language in the low 16 bits, code page in the high 16 bits; 0 when none.
std::uint32_t GetFileTranslation(const std::u16string& fileName);
std::uint32_t GetFileLanguage(const std::u16string& fileName);
// A string-file-information value; language or code page 0 takes the file's first
// translation. Empty when not found.
std::u16string GetFileVersionString(const std::u16string& key, const std::u16string& fileName,
                                    std::uint16_t language, std::uint16_t codePage);
TFixedFileInfo GetFixedFileInfo(const std::u16string& fileName);
TVersionNumber GetFileVersion(const std::u16string& fileName);

// The same questions of a version resource already read with LoadFileVersionInfo
// (empty: the file has none), for asking several without reading the file again.
std::uint32_t VersionInfoTranslation(const std::vector<std::uint8_t>& info);
std::u16string VersionInfoString(const std::vector<std::uint8_t>& info, const std::u16string& key,
                                 std::uint16_t language, std::uint16_t codePage);
TFixedFileInfo VersionInfoFixed(const std::vector<std::uint8_t>& info);
TVersionNumber VersionInfoFileVersion(const std::vector<std::uint8_t>& info);
#endif
