// The modules loaded in the process: enumeration, image headers, preferred load
// addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the headers of a PE image say about its layout.
struct TImageSection {
  char name[9] = {};
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t characteristics = 0;
  bool IsCode() const { return (characteristics & 0x20000020u) != 0; }  // code or execute
};
struct TImageLayout {
  std::uint64_t imageBase = 0;  // preferred load address
  std::uint32_t sizeOfImage = 0;
  std::uint32_t timeDateStamp = 0;
  std::vector<TImageSection> sections;
};

// Reads the headers at the start of an image, file or mapped, from `size` bytes.
// False, with nothing read out of bounds, when they are not a PE image's.
bool ReadImageHeaders(const std::uint8_t* headers, std::size_t size, TImageLayout& layout);

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

// The layout of a module loaded in this process, from its mapped headers.
bool LoadedImageLayout(HMODULE module, TImageLayout& layout);

// The preferred load address of a loaded module, from its file's image header
// (the loader may rewrite the mapped one when it relocates); from the mapped header
// when the file cannot be read; 0 when neither can.
std::uintptr_t PreferredLoadAddress(const TLoadedModule& module);
#endif
