// Host stand-ins for the system's clock and character types.
#include "KivLX/KivLXUtils.h"

#include <chrono>

std::uint64_t ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                    std::chrono::steady_clock::now().time_since_epoch().count());
}

// The Unicode white space.
bool IsBlankChar(char16_t c) {
  switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}
