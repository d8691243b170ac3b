#include "Rtl/ResourceString.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::atomic<HMODULE> currentSource{nullptr};

// The program's own map, read once from its "KIV.DRC" section.
class ProgramResStrMap {
 public:
  ProgramResStrMap() {
    // The 8-bit form: the wide one is a failing stub on 9x.
    auto base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
      if (std::memcmp(section->Name, "KIV.DRC", 8) != 0) continue;
      // The linker pads the section; the parser drops the padding NULs.
      DWORD size = std::min(section->Misc.VirtualSize, section->SizeOfRawData);
      auto text = reinterpret_cast<const char16_t*>(base + section->VirtualAddress);
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

void SetResourceSource(HMODULE module) { currentSource.store(module); }

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
