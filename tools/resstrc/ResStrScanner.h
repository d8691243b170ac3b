// Finds the resource-string declarations in source text and numbers them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct ResStrDecl {
  std::string name;
  std::u16string text;
  std::uint16_t id = 0;
};

class ResStrScanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every KIV_RESOURCESTRING(Name, u"text") in the source, in order. The text is one
// wide literal with C escapes. A malformed declaration raises ResStrScanError naming
// the file and line.
std::vector<ResStrDecl> ScanResourceStrings(std::string_view source, const std::string& fileName);

// Sorts by name and numbers from `firstId` upwards. A name declared twice raises
// ResStrScanError.
void NumberResourceStrings(std::vector<ResStrDecl>& decls, std::uint16_t firstId);

// The string-table blocks: block n (resource name n + 1) holds the strings with ids
// 16n .. 16n + 15, each as a length word and that many UTF-16 units.
struct StringTableBlock {
  std::uint16_t resourceName;
  std::vector<std::uint8_t> bytes;
};
std::vector<StringTableBlock> BuildStringTable(const std::vector<ResStrDecl>& decls);
