#include "KivTrx/KivTrxUtils.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

#include "Gui/Application.h"
#include "Gui/PlatformGui.h"
#include "KivLX/KivLXRegistry.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxPeUtils.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"

namespace {

struct MappedBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  PeLayout layout = PeLayout::File;
};

bool Readable(DWORD protect) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return (protect & kReadable) != 0 && (protect & PAGE_GUARD) == 0;
}

// The file's size; the most there is when it cannot be found, so that what is mapped
// decides.
std::uint64_t FileSize(const std::u16string& fileName) {
  Platform::FindData data;
  FindHandle find(Platform::FindFirstFile(fileName, data));
  return find ? data.size : UINT64_MAX;
}

// What is mapped of a loaded module: the readable pages from its start. The loader
// marks a module mapped as a data file, laid out as its file, in the low bits of the
// handle; one mapped as an image is laid out by addresses. Of a file, only what the
// file holds counts: the rest of its last page reads as zeros, which no resource is.
MappedBytes MappedBytesOf(HMODULE module, const std::u16string& fileName) {
  const auto handle = reinterpret_cast<std::uintptr_t>(module);
  MappedBytes bytes;
  bytes.data = reinterpret_cast<const std::uint8_t*>(handle & ~std::uintptr_t{3});
  bytes.layout = (handle & 3) != 0 ? PeLayout::File : PeLayout::Mapped;
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(bytes.data, &info, sizeof info) != sizeof info) return bytes;
  const void* allocation = info.AllocationBase;
  const std::uint8_t* end = bytes.data;
  while (VirtualQuery(end, &info, sizeof info) == sizeof info &&
         info.AllocationBase == allocation && info.State == MEM_COMMIT && Readable(info.Protect)) {
    end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
  }
  bytes.size = static_cast<std::size_t>(end - bytes.data);
  if (bytes.layout == PeLayout::File) {
    bytes.size = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size, FileSize(fileName)));
  }
  return bytes;
}

// Why the module can not be read safely; empty when it can.
std::string DamageOf(HMODULE module, const std::u16string& fileName) {
  const MappedBytes bytes = MappedBytesOf(module, fileName);
  try {
    CheckModuleResources(bytes.data, bytes.size, bytes.layout);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return {};
}

}  // namespace

void CheckModuleIntact(HMODULE module, const std::u16string& fileName) {
  const std::string damage = DamageOf(module, fileName);
  if (!damage.empty()) {
    throw EKivGeneralError(
        Format("The resource module %s is damaged (%s).", WideToAnsi(fileName), damage));
  }
}

ModuleHandle LoadModuleAsDataFile(const std::u16string& fileName) {
  ModuleHandle module(
      KIV_THROW_LAST_ERROR_IF_NULL(Platform::LoadLibraryEx(fileName, LOAD_LIBRARY_AS_DATAFILE)));
  CheckModuleIntact(module.get(), fileName);
  return module;
}

bool HasRcDataResource(HMODULE module, const std::u16string& name) {
  return Platform::FindResource(module, name, LOWORD(RT_RCDATA)) != nullptr;
}

std::u16string ReadRcDataText(HMODULE module, const std::u16string& name) {
  HRSRC info = Platform::FindResource(module, name, LOWORD(RT_RCDATA));
  if (!info) return {};
  DWORD size = SizeofResource(module, info);
  HGLOBAL data = KIV_THROW_LAST_ERROR_IF_NULL(LoadResource(module, info));
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(data));
  KIV_THROW_LAST_ERROR_IF(!bytes && size > 0);
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

namespace {

// The GUID of a module already loaded.
std::u16string ModuleGuidOf(HMODULE module) {
  std::u16string guid = ReadRcDataText(module, u"KIV_TRX_GUID");
  if (guid == kPlaceholderGuid) guid.clear();
  if (guid.empty()) guid = ReadRcDataText(module, u"KIV.GUID");
  return guid;
}

// The resource map is looked for among the loaded module's resources first: a module
// carries it there, and reading the file for its sections costs more.
bool IsPrepared(HMODULE module, const std::u16string& fileName) {
  bool hasMap = HasRcDataResource(module, u"KIV.DRC") || HasPeSection(fileName, "KIV.DRC");
  return hasMap && !ModuleGuidOf(module).empty();
}

}  // namespace

std::u16string ReadModuleGuid(const std::u16string& fileName) {
  return ModuleGuidOf(LoadModuleAsDataFile(fileName).get());
}

bool SameModuleGuid(const std::u16string& fileA, const std::u16string& fileB) {
  return ReadModuleGuid(fileA) == ReadModuleGuid(fileB);
}

bool IsResourceModulePrepared(const std::u16string& fileName) {
  return IsPrepared(LoadModuleAsDataFile(fileName).get(), fileName);
}

void CheckResourceModulePrepared(const std::u16string& fileName) {
  if (!IsResourceModulePrepared(fileName)) {
    throw EKivInternalError(Format("Internal Error: %s or %s resource not created.  (%s)",
                                   "KIV.DRC", "KIV_TRX_GUID", WideToAnsi(fileName)));
  }
}

// ---- The program's resource source ----

namespace {

constexpr const char16_t* kNotPrepared =
    u"The translation resource was not properly prepared.  The application will run without "
    u"a translation.";
constexpr const char16_t* kDamaged =
    u"The translation resource %s is damaged.  The application will run without a "
    u"translation.";

std::u16string ProgramFileName() {
  return GetLongPathText(Platform::GetModuleFileName(Platform::ProgramModule()));
}

// A value that is not a string cannot be read as an override; the start-up must not
// fail on it, and the choice at process start and the search here must agree.
std::u16string ReadOverrideValue(const TKivRegistry& reg, const std::u16string& name) {
  try {
    return reg.ReadString(name);
  } catch (const ERegistryException&) {
    return {};
  }
}

ModuleHandle LoadDataFileQuietly(const std::u16string& fileName) {
  return ModuleHandle(Platform::LoadLibraryEx(fileName, LOAD_LIBRARY_AS_DATAFILE));
}

// The names (in upper case) of the files beside the program that are named like it,
// from one search: most starts have no module, and looking up each candidate and what
// a rebuild may have left beside it costs a call into the file system each. None when
// the folder cannot be searched.
std::optional<std::unordered_set<std::u16string>> FilesNamedLike(const std::u16string& exe) {
  std::unordered_set<std::u16string> names;
  Platform::FindData data;
  FindHandle find(Platform::FindFirstFile(ReplaceFileExt(exe, u".*"), data));
  if (!find) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return names;
    return std::nullopt;
  }
  do {
    names.insert(WideUpperCase(data.name));
  } while (Platform::FindNextFile(find.get(), data));
  return names;
}

// The run-time's record of the module chosen at start: finding it again by the rules
// costs as much as the choice itself, a few milliseconds of every translated start.
// A damaged module is recorded without a handle, to be named at the start-up check.
struct ChosenModule {
  HMODULE handle = nullptr;
  std::u16string fileName;
  bool damaged = false;
};
ChosenModule& Chosen() {
  static ChosenModule chosen;
  return chosen;
}

void SwitchResourceModule(ModuleHandle module) {
  TResourceModuleOwner& owner = TResourceModuleOwner::Instance();
  // A later module may come back under the freed one's handle.
  if (Chosen().handle == owner.Current() && Chosen().handle != module.get()) Chosen() = {};
  owner.Use(std::move(module));
}

}  // namespace

std::u16string ReadLocaleOverride() {
  struct Place {
    HKEY root;
    const char16_t* key;
  };
  static const Place kPlaces[] = {{HKEY_CURRENT_USER, u"Software\\Kiv\\Locales"},
                                  {HKEY_LOCAL_MACHINE, u"Software\\Kiv\\Locales"},
                                  {HKEY_CURRENT_USER, u"Software\\Kiv\\Toolkit\\Locales"}};
  for (const Place& place : kPlaces) {
    TKivRegistry reg(KEY_READ);
    reg.SetRootKey(place.root);
    if (!reg.OpenKeyReadOnly(place.key)) continue;
    std::u16string value = ReadOverrideValue(reg, ProgramFileName());
    if (value.empty()) value = ReadOverrideValue(reg, u"");
    return value;
  }
  return {};
}

std::u16string ThreadLocaleAbbreviation() {
  return Platform::GetLocaleInfo(GetThreadLocale(), LOCALE_SABBREVLANGNAME);
}

HMODULE ChooseResourceModule() {
  Chosen() = {};
  const std::u16string exe = ProgramFileName();
  const std::optional<std::unordered_set<std::u16string>> present = FilesNamedLike(exe);
  auto there = [&](const std::u16string& file) {
    return !present || present->count(WideUpperCase(ExtractFileName(file))) > 0;
  };
  std::u16string unloadable;
  for (const std::u16string& candidate :
       ResourceModuleCandidates(exe, ReadLocaleOverride(), ThreadLocaleAbbreviation())) {
    if (there(RebuildSetAsideName(candidate)) || there(RebuildSuccessorName(candidate))) {
      ResolveInterruptedRebuild(candidate);
    } else if (!there(candidate)) {
      continue;
    }
    ModuleHandle module = LoadDataFileQuietly(candidate);
    if (!module) {
      if (unloadable.empty() && FileExists(candidate)) unloadable = candidate;
      continue;
    }
    // Forms and strings are read from the resource source by the system's calls,
    // which must never see a damaged module.
    if (!DamageOf(module.get(), candidate).empty()) {
      Chosen() = {nullptr, candidate, true};
      return nullptr;
    }
    HMODULE chosen = module.get();
    SwitchResourceModule(std::move(module));
    Chosen() = {chosen, candidate, false};
    return chosen;
  }
  if (!unloadable.empty()) Chosen() = {nullptr, unloadable, true};
  return nullptr;
}

TResourceModuleOwner& TResourceModuleOwner::Instance() {
  static TResourceModuleOwner owner;
  return owner;
}

TResourceModuleOwner::~TResourceModuleOwner() { Use(ModuleHandle()); }

HMODULE TResourceModuleOwner::Current() const {
  return module_ ? module_.get() : Platform::ProgramModule();
}

void TResourceModuleOwner::Use(ModuleHandle module) {
  // Readers must never see a freed handle: the record changes first.
  TResourceSourceRecord::Set(module.get());
  module_ = std::move(module);
}

HMODULE CurrentResourceInstance() { return TResourceModuleOwner::Instance().Current(); }

HMODULE SetResourceInstance(HMODULE module) {
  if (module != CurrentResourceInstance()) {
    SwitchResourceModule(ModuleHandle(module == Platform::ProgramModule() ? nullptr : module));
  }
  return module;
}

std::u16string FindResourceModuleFile() {
  if (CurrentResourceInstance() == Platform::ProgramModule()) return ProgramFileName();
  const ChosenModule& chosen = Chosen();
  if (chosen.handle == CurrentResourceInstance() && FileExists(chosen.fileName)) {
    return chosen.fileName;
  }
  const std::u16string exe = ProgramFileName();
  for (const std::u16string& candidate :
       ResourceModuleCandidates(exe, ReadLocaleOverride(), ThreadLocaleAbbreviation())) {
    if (!FileExists(candidate)) continue;
    if (ModuleHandle trial{LoadDataFileQuietly(candidate)}) return candidate;
  }
  throw EKivInternalError("Internal Error: Can not determine resource module.");
}

void CheckLocaleCodePage(std::uint32_t langId) {
  const LCID locale = MAKELCID(static_cast<WORD>(langId), SORT_DEFAULT);
  std::u16string text = Platform::GetLocaleInfo(locale, LOCALE_IDEFAULTANSICODEPAGE);
  UINT codePage = GetACP();
  if (!text.empty() && text.size() <= 6 &&
      std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
    codePage = static_cast<UINT>(std::stoul(WideToAnsi(text)));
  }
  if (!Platform::IsWin9x() || codePage == 0 || codePage == GetACP()) return;
  std::u16string language = Platform::GetLocaleInfo(locale, LOCALE_SENGLANGUAGE);
  Platform::MessageBox(nullptr,
                       WideFormat(u"The current System Locale does not support the display of %s "
                                  u"characters.\r\nThe user interface may appear garbled.",
                                  language),
                       Application().Title(), MB_OK | MB_ICONWARNING);
}

namespace {

void ShowDamaged(const std::u16string& moduleFile) {
  Platform::MessageBox(nullptr, WideFormat(kDamaged, moduleFile), u"", MB_OK);
}

}  // namespace

void StartTranslation() {
  HMODULE program = Platform::ProgramModule();
  HMODULE module = CurrentResourceInstance();
  if (module == program) {
    if (Chosen().damaged) ShowDamaged(Chosen().fileName);
    return;
  }
  const std::u16string moduleFile = FindResourceModuleFile();
  const std::u16string exeFile = Platform::GetModuleFileName(program);
  // Both are loaded already, the module as the resource source: their resources are
  // read where they are rather than from their files again. The module chosen at
  // start was checked then.
  if (Chosen().handle != module && !DamageOf(module, moduleFile).empty()) {
    ShowDamaged(moduleFile);
    SetResourceInstance(program);
    return;
  }
  if (!IsPrepared(module, moduleFile)) {
    Platform::MessageBox(nullptr, kNotPrepared, u"", MB_OK);
    SetResourceInstance(program);
    return;
  }
  CheckLocaleCodePage(ResourceModuleLanguage(exeFile, moduleFile));
  if (ModuleGuidOf(program) == ModuleGuidOf(module)) return;
  // The rebuild rewrites the file, which must not be held open as the resource source.
  SetResourceInstance(program);
  if (moduleFile.empty()) return;
  try {
    UpdateTranslationResource(exeFile, moduleFile);
  } catch (const std::exception& e) {
    Platform::MessageBox(nullptr, AnsiToWide(e.what()), u"", MB_OK);
    return;
  }
  ModuleHandle rebuilt = LoadDataFileQuietly(moduleFile);
  if (!rebuilt || !DamageOf(rebuilt.get(), moduleFile).empty()) return;
  SwitchResourceModule(std::move(rebuilt));
}
