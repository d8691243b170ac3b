#include "Rtl/ResourceString.h"

#include <algorithm>
#include <atomic>

#include "Rtl/PeImage.h"

namespace {

std::atomic<HMODULE> currentSource{nullptr};

// The program's own map, read once from its "KIV.DRC" section.
class ProgramResStrMap {
 public:
  ProgramResStrMap() {
    // The 8-bit form: the wide one is a failing stub on 9x.
    auto base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
    // The loader has checked the program's headers; a map that cannot be found leaves
    // every string with its declared text.
    PeHeaders headers;
    if (ReadPeHeaders(base, kMappedHeaderSize, headers) != nullptr) return;
    for (const PeSection& section : headers.sections) {
      if (section.name != "KIV.DRC" || section.virtualAddress >= headers.sizeOfImage) continue;
      // The linker pads the section; the parser drops the padding NULs.
      std::uint32_t size = std::min(
          {section.virtualSize, section.rawSize, headers.sizeOfImage - section.virtualAddress});
      auto text = reinterpret_cast<const char16_t*>(base + section.virtualAddress);
      entries_ = ParseResStrMap(std::u16string_view(text, size / 2));
      std::sort(entries_.begin(), entries_.end(),
                [](const ResStrMapEntry& a, const ResStrMapEntry& b) { return a.name < b.name; });
      break;
    }
  }

  std::uint16_t Find(const char* name) const {
    auto it = std::lower_bound(
        entries_.begin(), entries_.end(), name,
        [](const ResStrMapEntry& e, const char* n) { return e.name < std::string_view(n); });
    return it != entries_.end() && it->name == name ? it->id : 0;
  }

 private:
  std::vector<ResStrMapEntry> entries_;
};

}  // namespace

HMODULE ResourceSource() {
  HMODULE m = currentSource.load();
  return m ? m : GetModuleHandleA(nullptr);
}

void TResourceSourceRecord::Set(HMODULE module) { currentSource.store(module); }

std::uint16_t ResStrId(const char* name) {
  static const ProgramResStrMap map;
  return map.Find(name);
}

namespace {
// With a zero buffer length the call hands out a pointer to the resource itself.
bool LoadFrom(HMODULE module, std::uint16_t id, std::u16string& out) {
  const wchar_t* text = nullptr;
  int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return false;
  out = FromWStr(text, static_cast<std::size_t>(length));
  return true;
}
}  // namespace

std::u16string LoadResString(const ResourceString& rs) {
  std::uint16_t id = ResStrId(rs.name);
  std::u16string text;
  // A resource module that lacks the string falls back to the program's own table.
  if (id != 0 &&
      (LoadFrom(ResourceSource(), id, text) || LoadFrom(GetModuleHandleA(nullptr), id, text))) {
    return text;
  }
  return rs.text;
}
