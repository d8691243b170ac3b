// Small 32-bit library files with chosen resources, laid out as the system's resource
// writer lays them out, for tests of the readers of module resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Rtl/PeImage.h"

struct TestResource {
  PeResourceId type;
  PeResourceId name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
};

PeResourceId ResId(std::uint16_t id);
PeResourceId ResName(std::u16string name);
// UTF-16LE bytes of a text, without a terminator.
std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text);

// Where the parts of a built image lie, for tests that damage them.
struct TestImageLayout {
  static constexpr std::size_t kSectionHeader = 0x178;
  static constexpr std::size_t kResourceDirectory = 0x108;  // its address, then its size
  static constexpr std::size_t kSectionOffset = 0x200;
  static constexpr std::uint32_t kSectionRva = 0x1000;
  std::vector<std::size_t> dataEntries;  // file offset of each resource's data entry
  std::vector<std::size_t> names;        // file offset of each name string
  std::size_t end = 0;                   // the file's size
};

// A PE32 library: headers, then one section ".rsrc" at file offset 0x200 and address
// 0x1000 holding the resource directory, its names and the data. The resources are
// sorted as the system sorts them (named types and names first); `layout` lists the
// data entries in that order.
std::vector<std::uint8_t> BuildResourceImage(std::vector<TestResource> resources,
                                             TestImageLayout* layout = nullptr);

void Put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

// Damaged copies of a library file, as a cut copy, a bad disk or a hostile file would
// leave it.
enum class ModuleDamage {
  CutInHeaders,    // in its headers: too short to be loaded on Windows
  CutInResources,  // at 60 % of its resource section's data
  CutAt60Percent,  // of the file: in a module the framework made, in the resources
  CutAt90Percent,
  DirectoryOutside,     // the resource directory's address lies beyond the file
  SubdirectoryOutside,  // the first type's names lie beyond the file
  StringTableCutShort,  // the first string table's first count runs past its end
};
inline constexpr ModuleDamage kEveryModuleDamage[] = {
    ModuleDamage::CutInHeaders,       ModuleDamage::CutInResources,
    ModuleDamage::CutAt60Percent,     ModuleDamage::CutAt90Percent,
    ModuleDamage::DirectoryOutside,   ModuleDamage::SubdirectoryOutside,
    ModuleDamage::StringTableCutShort};
// The damages that leave a library whatever its layout unreadable: a library with data
// after its resources (debugging information, say) survives a cut into that data.
inline constexpr ModuleDamage kResourceDamages[] = {
    ModuleDamage::CutInHeaders, ModuleDamage::CutInResources, ModuleDamage::DirectoryOutside,
    ModuleDamage::SubdirectoryOutside, ModuleDamage::StringTableCutShort};
const char* DamageName(ModuleDamage damage);
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, ModuleDamage damage);
