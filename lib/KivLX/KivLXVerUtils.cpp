#include "KivLX/KivLXVerUtils.h"

#include "Rtl/Format.h"

TVersionNumber MakeVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                           std::uint16_t build) {
  return (static_cast<TVersionNumber>(major) << 48) | (static_cast<TVersionNumber>(minor) << 32) |
         (static_cast<TVersionNumber>(release) << 16) | build;
}

TVersionParts SplitVersion(TVersionNumber version) {
  return {static_cast<std::uint16_t>(version >> 48), static_cast<std::uint16_t>(version >> 32),
          static_cast<std::uint16_t>(version >> 16), static_cast<std::uint16_t>(version)};
}

std::uint32_t PackVersion(TVersionNumber version) {
  return static_cast<std::uint32_t>(version >> 32);
}

std::uint16_t VersionMajor(TVersionNumber version) {
  return static_cast<std::uint16_t>(version >> 48);
}

std::u16string FormatVersion(TVersionFormat style, TVersionNumber version) {
  TVersionParts p = SplitVersion(version);
  switch (style) {
    case vfFull:
      return WideFormat(u"%d.%d.%d.%d", p.major, p.minor, p.release, p.build);
    case vfRelease:
      return WideFormat(u"%d.%d.%d", p.major, p.minor, p.release);
    case vfRevision:
      return WideFormat(u"%d.%d r%d", p.major, p.minor, p.release);
    case vfShort:
      return WideFormat(u"%d.%d", p.major, p.minor);
  }
  return {};
}
