// The modules loaded in the process: enumeration, mapped image headers, preferred load
// addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Rtl/PeImage.h"

#ifdef _WIN32
#include "Rtl/Win.h"

struct TLoadedModule {
  HMODULE handle = nullptr;  // its load address
  std::u16string path;       // full path
};

// The modules of the process, in the system's order: through the tool-help
// functions on the 9x family, through the process-status library on NT (the
// tool-help functions where that library is missing). False when neither works.
bool EnumerateLoadedModules(std::vector<TLoadedModule>& modules);

// The headers of a module loaded in this process, where it is mapped. False, with
// nothing read outside the module's memory, when they are not a PE image's.
bool LoadedImageLayout(HMODULE module, PeHeaders& layout);

// The preferred load address of a loaded module, from its file's image header
// (the loader may rewrite the mapped one when it relocates); from the mapped header
// when the file cannot be read; 0 when neither can.
std::uintptr_t PreferredLoadAddress(const TLoadedModule& module);
#endif
