// Resource strings: user-visible texts declared once, in the unit that owns them, by
// the name "Unit_Identifier" and their text. The build numbers them and writes them
// into the program's string table; at run time a text is loaded from the current
// resource source (a translated resource module when one is loaded), falling back to
// the declared text.
#pragma once

#include <string>

struct ResourceString {
  const char* name;
  const char16_t* text;
};

// Declares a resource string in a unit's source file. Other units that use it
// declare it with KIV_EXTERN_RESOURCESTRING in the owning unit's header.
#define KIV_RESOURCESTRING(Name, Text) \
  extern const ResourceString Name;    \
  const ResourceString Name { #Name, Text }
#define KIV_EXTERN_RESOURCESTRING(Name) extern const ResourceString Name

std::u16string LoadResString(const ResourceString& rs);
// The same in the system code page, for exception messages.
std::string LoadAnsiResString(const ResourceString& rs);
