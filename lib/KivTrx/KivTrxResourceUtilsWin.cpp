#include "KivTrx/KivTrxResourceUtils.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "FormFiles/FormText.h"
#include "Gui/Forms.h"
#include "KivLX/KivLXFlashMsg.h"
#include "KivTrx/KivTrxPeUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Win/Handles.h"

KIV_RESOURCESTRING(KivTrxResourceUtils_SNoTranslationUpdates,
                   u"Translation resource editing is not available on this version of Windows.");

namespace {

using BeginUpdateFn = HANDLE(WINAPI*)(LPCWSTR, BOOL);
using UpdateFn = BOOL(WINAPI*)(HANDLE, LPCWSTR, LPCWSTR, WORD, LPVOID, DWORD);
using EndUpdateFn = BOOL(WINAPI*)(HANDLE, BOOL);

struct UpdateCalls {
  BeginUpdateFn begin = nullptr;
  UpdateFn update = nullptr;
  EndUpdateFn end = nullptr;
  bool Complete() const { return begin && update && end; }
};

// The 9x update library, loaded on first need and kept until the unit's finalisation.
struct UpdateLibrary {
  ModuleHandle module;
  UpdateCalls calls;
};
UpdateLibrary gUpdateLibrary;

// The system's calls on NT. They are looked up at run time: a program that imported
// them would not load on systems whose kernel lacks them.
UpdateCalls SystemUpdateCalls() {
  UpdateCalls calls;
  calls.begin = Platform::FindSystemFunction<BeginUpdateFn>("kernel32.dll", "BeginUpdateResourceW");
  calls.update = Platform::FindSystemFunction<UpdateFn>("kernel32.dll", "UpdateResourceW");
  calls.end = Platform::FindSystemFunction<EndUpdateFn>("kernel32.dll", "EndUpdateResourceW");
  return calls;
}

// The calls to use, or the refusal when this system has none.
UpdateCalls RequireUpdateCalls() {
  if (!Platform::IsWin9x()) {
    UpdateCalls system = SystemUpdateCalls();
    if (system.Complete()) return system;
  } else if (LoadResourceUpdateLibrary()) {
    return gUpdateLibrary.calls;
  }
  throw EKivGeneralError(LoadAnsiResString(KivTrxResourceUtils_SNoTranslationUpdates));
}

// A zero-size form, shown and brought to front, and destroyed again.
void ShowZeroSizeForm() {
  const DWORD lastError = GetLastError();
  {
    TKivForm form(nullptr);
    form.SetBounds(0, 0, 0, 0);
    form.Show();
    form.BringToFront();
  }
  SetLastError(lastError);
}

bool IsIntegerId(const wchar_t* id) { return IS_INTRESOURCE(id); }
WORD IntegerIdOf(const wchar_t* id) { return LOWORD(reinterpret_cast<ULONG_PTR>(id)); }

// The system's identifier for an enumerated type or name: the integer id, or a
// pointer to the copy of the name kept in `storage`.
const wchar_t* IdentifierOf(const Platform::ResourceId& id, std::u16string& storage) {
  if (id.name.empty()) return MAKEINTRESOURCEW(id.id);
  storage = id.name;
  return WStr(storage);
}

void AppendResource(HMODULE module, const Platform::ResourceId& type,
                    const Platform::ResourceId& name, WORD language, TResDataList& list) {
  auto res = std::make_unique<TResData>();
  res->Type = IdentifierOf(type, res->TypeName);
  res->Name = IdentifierOf(name, res->ResName);
  res->Language = language;
  HRSRC info = KIV_THROW_LAST_ERROR_IF_NULL(
      Platform::FindResourceEx(module, res->Type, res->Name, language));
  HGLOBAL loaded = KIV_THROW_LAST_ERROR_IF_NULL(LoadResource(module, info));
  res->Data = KIV_THROW_LAST_ERROR_IF_NULL(LockResource(loaded));
  res->Size = KIV_THROW_IF_WIN32_FALSE(SizeofResource(module, info));
  list.push_back(std::move(res));
}

bool IsRcData(const TResData& res) {
  return IsIntegerId(res.Type) && IntegerIdOf(res.Type) == LOWORD(RT_RCDATA);
}

bool IsBinaryFormData(const TResData& res) {
  const auto* bytes = static_cast<const std::uint8_t*>(res.Data);
  return (res.Size >= 1 && bytes[0] == 0xFF) ||
         (res.Size >= 4 && std::memcmp(bytes, "TPF0", 4) == 0);
}

void WriteResource(HANDLE update, const wchar_t* type, const wchar_t* name, const void* data,
                   DWORD size) {
  KIV_THROW_IF_WIN32_FALSE(TrxUpdateResource(update, type, name, 0, data, size));
}

// The resource-string map without the NULs the linker pads its section with.
std::u16string WithoutTrailingNuls(std::u16string text) {
  std::size_t end = text.find_last_not_of(u'\0');
  text.resize(end == std::u16string::npos ? 0 : end + 1);
  return text;
}

}  // namespace

HANDLE TrxBeginUpdateResource(const std::u16string& fileName, bool deleteExisting) {
  const UpdateCalls calls = RequireUpdateCalls();
  HANDLE update = calls.begin(WStr(fileName), deleteExisting ? TRUE : FALSE);
  try {
    ShowZeroSizeForm();
  } catch (...) {
    // The caller never sees the handle: end the update here.
    if (update) calls.end(update, TRUE);
    throw;
  }
  return update;
}

bool TrxUpdateResource(HANDLE update, const wchar_t* type, const wchar_t* name, WORD language,
                       const void* data, DWORD size) {
  // A null pointer with size 0 would delete the resource instead of writing it.
  static const std::uint8_t kNothing = 0;
  if (!data) data = &kNothing;
  return RequireUpdateCalls().update(update, type, name, language, const_cast<void*>(data), size) !=
         FALSE;
}

bool TrxEndUpdateResource(HANDLE update, bool discard) {
  return RequireUpdateCalls().end(update, discard ? TRUE : FALSE) != FALSE;
}

bool LoadResourceUpdateLibrary() {
  if (gUpdateLibrary.module) return true;
  ModuleHandle module(Platform::LoadLibrary(u"kiv_unicows.dll"));
  if (!module) return false;
  UpdateCalls calls;
  calls.begin = Platform::ModuleFunction<BeginUpdateFn>(module.get(), "BeginUpdateResourceW");
  calls.update = Platform::ModuleFunction<UpdateFn>(module.get(), "UpdateResourceW");
  calls.end = Platform::ModuleFunction<EndUpdateFn>(module.get(), "EndUpdateResourceW");
  if (!calls.Complete()) return false;  // unloaded again; the next call tries anew
  gUpdateLibrary.module = std::move(module);
  gUpdateLibrary.calls = calls;
  return true;
}

void WriteMinimalLibraryImage(const std::u16string& fileName) {
  FileHandle file(
      Platform::CreateFile(fileName, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  KIV_THROW_LAST_ERROR_IF(!file);
  DWORD written = 0;
  if (!WriteFile(file.get(), kMinimalLibraryImage, static_cast<DWORD>(kMinimalLibraryImageSize),
                 &written, nullptr) ||
      written != kMinimalLibraryImageSize) {
    const DWORD error = GetLastError();
    file.reset();
    Platform::DeleteFile(fileName);
    KIV_THROW_WIN32(error, "WriteFile(file, kMinimalLibraryImage)");
  }
}

TResourceUpdate::TResourceUpdate(const std::u16string& fileName, bool deleteExisting)
    : handle_(TrxBeginUpdateResource(fileName, deleteExisting)) {
  KIV_THROW_LAST_ERROR_IF(!handle_);
}

TResourceUpdate::~TResourceUpdate() {
  if (!handle_) return;
  try {
    TrxEndUpdateResource(handle_, true);
  } catch (...) {
  }
}

void TResourceUpdate::Commit() {
  HANDLE update = handle_;
  handle_ = nullptr;
  KIV_THROW_IF_WIN32_FALSE(TrxEndUpdateResource(update, false));
}

void EnumerateResources(HMODULE module, TResDataList& list) {
  std::vector<Platform::ResourceId> types;
  if (!Platform::EnumResourceTypes(module, types)) {
    // A module without any resource has nothing to enumerate; that is no failure.
    if (GetLastError() == ERROR_RESOURCE_DATA_NOT_FOUND && types.empty()) return;
    KIV_THROW_WIN32(GetLastError(), "EnumResourceTypes(module)");
  }
  for (const Platform::ResourceId& type : types) {
    std::u16string typeStorage;
    const wchar_t* typeId = IdentifierOf(type, typeStorage);
    std::vector<Platform::ResourceId> names;
    KIV_THROW_IF_WIN32_FALSE(Platform::EnumResourceNames(module, typeId, names));
    for (const Platform::ResourceId& name : names) {
      std::u16string nameStorage;
      const wchar_t* nameId = IdentifierOf(name, nameStorage);
      std::vector<WORD> languages;
      KIV_THROW_IF_WIN32_FALSE(Platform::EnumResourceLanguages(module, typeId, nameId, languages));
      for (WORD language : languages) AppendResource(module, type, name, language, list);
    }
  }
}

void ReadStringTables(HMODULE module, TStringTableBlocks& blocks) {
  blocks.clear();
  TResDataList resources;
  EnumerateResources(module, resources);
  for (const auto& res : resources) {
    if (!IsIntegerId(res->Type) || IntegerIdOf(res->Type) != LOWORD(RT_STRING)) continue;
    if (!IsIntegerId(res->Name)) continue;  // blocks are numbered, never named
    auto block = std::make_unique<TKivStringList>();
    DecodeStringTableBlock(IntegerIdOf(res->Name), static_cast<const std::uint8_t*>(res->Data),
                           res->Size, *block);
    blocks.push_back(std::move(block));
  }
}

void WriteStringTables(HANDLE update, const TStringTableBlocks& blocks) {
  for (const auto& block : blocks) {
    if (block->Count() == 0) continue;
    int number = 0;
    std::vector<std::uint8_t> bytes = EncodeStringTableBlock(*block, number);
    WriteResource(update, RT_STRING, MAKEINTRESOURCEW(number), bytes.data(),
                  static_cast<DWORD>(bytes.size()));
  }
}

void SaveRcText(HANDLE update, const std::u16string& name, const std::u16string& text) {
  if (name != Platform::CharUpper(name)) {
    throw Exception("Internal Error: SaveRcText.ResName must be upper case.");
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  WriteResource(update, RT_RCDATA, WStr(name), bytes.data(), static_cast<DWORD>(bytes.size()));
}

void ListFormResources(HMODULE module, std::vector<std::string>& names) {
  names.clear();
  TResDataList resources;
  EnumerateResources(module, resources);
  for (const auto& res : resources) {
    if (!IsRcData(*res) || IsIntegerId(res->Name) || !IsBinaryFormData(*res)) continue;
    std::string name = WideToAnsi(res->ResName);
    // A form present in several languages is still one form: it is loaded by name.
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
}

void LoadFormsFromModule(HMODULE module, const std::u16string& fileName, TDfmForms& forms,
                         TDfmPropertyList& flat) {
  std::unique_ptr<TKivFlashForm> flash(
      ShowFlashMessage(u"Reading Translation Info for " + fileName));
  forms.clear();
  flat.clear();
  std::vector<std::string> names;
  ListFormResources(module, names);
  for (const std::string& name : names) {
    auto form = std::make_unique<TDfmForm>();
    form->LoadFromResource(module, AnsiToWide(name), &flat);
    forms.push_back(std::move(form));
  }
}

void SaveFormsToModule(HANDLE update, const TDfmForms& forms) {
  for (const auto& form : forms) {
    std::vector<std::uint8_t> bytes = FormTextToBinary(form->AsText());
    std::u16string name = u"T" + Platform::CharUpper(form->NameToWide(form->ObjectName));
    WriteResource(update, RT_RCDATA, WStr(name), bytes.data(), static_cast<DWORD>(bytes.size()));
  }
}

void CopyResourcesToUpdate(const std::u16string& exeFileName, HANDLE update) {
  const bool hasMap = HasPeSection(exeFileName, "KIV.DRC");
  std::u16string map;
  if (hasMap) map = WithoutTrailingNuls(ReadPeSectionText(exeFileName, "KIV.DRC"));
  ModuleHandle exe = LoadModuleAsDataFile(exeFileName);
  TResDataList resources;
  EnumerateResources(exe.get(), resources);
  for (const auto& res : resources) {
    if (!TrxUpdateResource(update, res->Type, res->Name, res->Language, res->Data, res->Size)) {
      KIV_THROW_WIN32(GetLastError(), "TrxUpdateResource(update, res)");
    }
  }
  if (hasMap) SaveRcText(update, u"KIV.DRC", map);
}

void CopyResourcesToModule(const std::u16string& exeFileName,
                           const std::u16string& moduleFileName) {
  // Ended with discard when a write fails: the module keeps the image it had.
  TResourceUpdate update(moduleFileName, true);
  CopyResourcesToUpdate(exeFileName, update.get());
  update.Commit();
}

void InitializeKivTrxResourceUtils() {}

void FinalizeKivTrxResourceUtils() {
  gUpdateLibrary.module.reset();
  gUpdateLibrary.calls = UpdateCalls();
}
