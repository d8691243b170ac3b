// Reads what the build and the tests need from a PE image (an executable or library
// file) without loading it: its sections, its import table, its resources and the file
// version of its version resource. Every offset and size read from the image is checked
// against the image; a damaged image raises EReadError naming what is wrong, never reads
// out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PeSection {
  std::string name;  // up to 8 characters
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawOffset = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t headerOffset = 0;  // file offset of the section's header
  std::uint32_t characteristics = 0;
  bool IsCode() const { return (characteristics & 0x20000020u) != 0; }  // code or execute
};

// What the headers at the start of an image say.
struct PeHeaders {
  bool is64 = false;
  std::uint64_t imageBase = 0;  // preferred load address
  std::uint32_t sizeOfImage = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t importRva = 0;
  std::uint32_t resourceRva = 0;
  std::uint32_t resourceSize = 0;
  // The resource directory as the system reads it: it looks at the directory count
  // only, not at the optional header's declared size.
  std::uint32_t systemResourceRva = 0;
  std::uint32_t systemResourceSize = 0;
  std::vector<PeSection> sections;
};

// A mapped image's headers lie in its first page.
constexpr std::size_t kMappedHeaderSize = 4096;

// Reads the headers of an image, file or mapped, from its first `size` bytes, without
// raising (the stack walker reads mapped headers while an exception is being raised):
// nullptr when read, else what is wrong ("no PE signature", ...). Nothing outside the
// bytes is read.
const char* ReadPeHeaders(const std::uint8_t* data, std::size_t size, PeHeaders& headers);

// One function a PE image imports from a library.
struct PeImport {
  std::string dll;            // the library's name as the image spells it
  std::string function;       // empty when imported by ordinal
  std::uint16_t ordinal = 0;  // set when imported by ordinal
  bool ByOrdinal() const { return function.empty(); }
};

// A resource type or name: an integer id or a name.
struct PeResourceId {
  bool named = false;
  std::uint16_t id = 0;  // when not named
  std::u16string name;   // when named

  bool operator==(const PeResourceId&) const = default;
};

// One resource: where its bytes lie in the image's bytes.
struct PeResource {
  PeResourceId type;
  PeResourceId name;
  std::uint16_t language = 0;
  std::size_t offset = 0;
  std::uint32_t size = 0;
};

// How the bytes are laid out: as in the file, or as the loader maps an image, where an
// address is the offset from the start.
enum class PeLayout { File, Mapped };

class PeImage {
 public:
  // Raises EReadError "Invalid PE image: ..." when the headers are damaged.
  explicit PeImage(std::vector<std::uint8_t> bytes);
  // The same on bytes the caller keeps alive for the object's life (a mapped module).
  PeImage(const std::uint8_t* data, std::size_t size, PeLayout layout = PeLayout::File);
  PeImage(const PeImage&) = delete;
  PeImage& operator=(const PeImage&) = delete;

  const PeHeaders& Headers() const { return headers_; }
  bool Is64Bit() const { return headers_.is64; }
  // The preferred load address from the optional header.
  std::uint64_t ImageBase() const { return headers_.imageBase; }
  const std::vector<PeSection>& Sections() const { return headers_.sections; }
  const PeSection* FindSection(const std::string& name) const;
  // Bytes of a section as stored in the file.
  std::vector<std::uint8_t> SectionData(const PeSection& section) const;

  // The image's static imports, in table order. Delay-loaded imports are not read.
  std::vector<PeImport> Imports() const;

  // The file version of the first version resource (most significant part first),
  // or none when the image has no version resource.
  std::optional<std::uint64_t> FileVersion() const;

  // Every resource (type, name, language), in directory order, found the way the
  // system's resource calls find them, so that a module whose list reads can be handed
  // to those calls: every directory, entry, name and data block must lie within the
  // bytes, subdirectories at the type and name levels and data at the language level.
  // An image without a resource directory has none.
  std::vector<PeResource> Resources() const;

 private:
  std::size_t ResourceRootOffset() const;
  std::size_t ResourceDataOffset(std::uint32_t rva, std::uint32_t size) const;
  PeResourceId ResourceEntryId(std::size_t root, std::size_t entry, bool named) const;
  std::uint32_t RvaToOffset(std::uint32_t rva, std::uint32_t size) const;
  std::uint32_t U32(std::size_t offset) const;
  std::uint16_t U16(std::size_t offset) const;
  std::uint64_t U64(std::size_t offset) const;
  void Need(std::size_t offset, std::size_t size, const char* what) const;
  std::string NameAt(std::uint32_t rva) const;

  std::vector<std::uint8_t> owned_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  PeLayout layout_ = PeLayout::File;
  PeHeaders headers_;
};
