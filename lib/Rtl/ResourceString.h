// Resource strings: user-visible texts declared once, in the unit that owns them, by
// the name "Unit_Identifier" and their text.
//
// The build numbers every declared string, writes them into the program's string
// table, and embeds the id-to-name map in the PE section "KIV.DRC" (UTF-16 LE lines
// "id=Unit_Identifier", ascending ids, each ended by CR LF). At run time a string's id
// comes from that map and its text from the current resource source (a translated
// resource module when one is loaded, else the program), falling back to the
// declared text when either is missing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ResourceString {
  const char* name;
  const char16_t* text;
};

// Declares a resource string in its unit's source file; the unit's header makes it
// visible to others with KIV_EXTERN_RESOURCESTRING. The build finds declarations by
// this macro's name, so the text must be one u"..." literal.
#define KIV_RESOURCESTRING(Name, Text) \
  extern const ResourceString Name;    \
  const ResourceString Name { #Name, Text }
#define KIV_EXTERN_RESOURCESTRING(Name) extern const ResourceString Name

std::u16string LoadResString(const ResourceString& rs);
// The same in the system code page, for exception messages.
std::string LoadAnsiResString(const ResourceString& rs);

// The id-to-name map as it travels in "KIV.DRC".
struct ResStrMapEntry {
  std::uint16_t id;
  std::string name;
};
std::u16string FormatResStrMap(const std::vector<ResStrMapEntry>& entries);
// Reads the map, ignoring trailing NUL padding and lines that are not "id=name".
std::vector<ResStrMapEntry> ParseResStrMap(std::u16string_view text);

#ifdef _WIN32
#include "Rtl/Win.h"
// The module resource strings and forms are loaded from: the program itself unless the
// translation framework's owner of the resource module has made a module current.
HMODULE ResourceSource();
// What ResourceSource answers is written by that owner alone, which also frees the
// module; a handle set from anywhere else would be freed by no one, or twice.
class TResourceSourceRecord {
  friend class TResourceModuleOwner;
  // Null: the program itself.
  static void Set(HMODULE module);
};
// The id the build gave a resource string, or 0 when the program carries no map or
// the map does not know the name.
std::uint16_t ResStrId(const char* name);
#endif
