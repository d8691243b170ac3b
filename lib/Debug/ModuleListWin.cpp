#include "Debug/ModuleList.h"

#include "Rtl/Platform.h"
#include "Win/Handles.h"

// After <windows.h>, which it needs.
#include "Rtl/Win.h"
#include <tlhelp32.h>

namespace {

bool ByToolHelp(std::vector<TLoadedModule>& modules) {
  // Present on the 9x family and from Windows 2000 on, not on NT 4.0.
  using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
  using WalkFn = BOOL(WINAPI*)(HANDLE, tagMODULEENTRY32*);
  auto snapshot =
      Platform::FindSystemFunction<SnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
  auto first = Platform::FindSystemFunction<WalkFn>("kernel32.dll", "Module32First");
  auto next = Platform::FindSystemFunction<WalkFn>("kernel32.dll", "Module32Next");
  if (!snapshot || !first || !next) return false;
  UniqueHandle<FileTraits> snap(snapshot(TH32CS_SNAPMODULE, 0));
  if (!snap) return false;
  tagMODULEENTRY32 entry{};  // the 8-bit form: the only one on 9x
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snap.get(), &entry); more; more = next(snap.get(), &entry)) {
    // The entry's 8-bit path would lose characters: ask for the wide one.
    modules.push_back({entry.hModule, Platform::GetModuleFileName(entry.hModule)});
  }
  return !modules.empty();
}

bool ByProcessStatus(std::vector<TLoadedModule>& modules) {
  UniqueHandle<ModuleTraits> psapi(Platform::LoadLibrary(u"psapi.dll"));
  if (!psapi) return false;
  auto enumerate = Platform::ModuleFunction<BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*)>(
      psapi.get(), "EnumProcessModules");
  if (!enumerate) return false;
  std::vector<HMODULE> handles(256);
  for (;;) {
    DWORD needed = 0;
    DWORD bytes = static_cast<DWORD>(handles.size() * sizeof(HMODULE));
    if (!enumerate(GetCurrentProcess(), handles.data(), bytes, &needed)) return false;
    if (needed <= bytes) {
      handles.resize(needed / sizeof(HMODULE));
      break;
    }
    handles.resize(needed / sizeof(HMODULE) + 16);
  }
  for (HMODULE h : handles) modules.push_back({h, Platform::GetModuleFileName(h)});
  return !modules.empty();
}

}  // namespace

bool EnumerateLoadedModules(std::vector<TLoadedModule>& modules) {
  modules.clear();
  if (!Platform::IsWin9x() && ByProcessStatus(modules)) return true;
  modules.clear();
  return ByToolHelp(modules);
}

bool LoadedImageLayout(HMODULE module, PeHeaders& layout) {
  if (!module) return false;
  MEMORY_BASIC_INFORMATION mbi{};
  if (!VirtualQuery(module, &mbi, sizeof mbi) || mbi.State != MEM_COMMIT ||
      mbi.AllocationBase != module || (mbi.Protect & (PAGE_NOACCESS | PAGE_GUARD)) ||
      // The 9x family does not tell mapped images from other memory.
      (!Platform::IsWin9x() && mbi.Type != MEM_IMAGE)) {
    return false;
  }
  std::size_t readable = mbi.RegionSize < kMappedHeaderSize ? mbi.RegionSize : kMappedHeaderSize;
  return ReadPeHeaders(reinterpret_cast<const std::uint8_t*>(module), readable, layout) == nullptr;
}

std::uintptr_t PreferredLoadAddress(const TLoadedModule& module) {
  PeHeaders layout;
  UniqueHandle<FileTraits> file(Platform::CreateFile(
      module.path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
  if (file) {
    std::uint8_t headers[kMappedHeaderSize];
    DWORD read = 0;
    if (ReadFile(file.get(), headers, sizeof headers, &read, nullptr) &&
        ReadPeHeaders(headers, read, layout) == nullptr) {
      return static_cast<std::uintptr_t>(layout.imageBase);
    }
  }
  if (LoadedImageLayout(module.handle, layout))
    return static_cast<std::uintptr_t>(layout.imageBase);
  return 0;
}
