// Reads a form's stored description (the binary form format) into the component tree
// the form's class has already built: the root's properties, then each child object,
// which must be a component the root owns under that name and of that class. Event
// properties name methods of the root.
//
// A description that does not fit the classes raises EReadError
// "Error reading <component>.<property>: <what>"; malformed bytes raise the binary
// reader's own EReadError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBinaryFormReader;
class TComponent;

void ReadComponentTree(TComponent& root, const std::uint8_t* data, std::size_t size);

// Helpers for ReadProperty implementations: the elements of a set value.
std::vector<std::string> ReadSetValue(TBinaryFormReader& reader);
// Raises EReadError "Error reading <component>.<property>: <what>".
[[noreturn]] void RaisePropertyError(const TComponent& c, std::string_view property,
                                     std::string_view what);

#ifdef _WIN32
#include "Rtl/Win.h"
// The description stored as the RT_RCDATA resource `resourceName` of `module`.
void ReadComponentResource(TComponent& root, HMODULE module, const std::u16string& resourceName);
#endif
