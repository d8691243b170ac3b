// The symbol and line table an executable carries in its "KIVDEBUG" section.
//
// The build extracts it from the unstripped link (tools/kivdebug) and writes it into
// the section; at run time the program maps its own code addresses to unit,
// procedure, source file and line with it. Addresses are offsets from the image base
// (RVAs), so the table holds wherever the image is loaded.
//
// Layout (little-endian): a header of 32-bit words, a string pool of NUL-terminated
// names, the unit and file name tables (string offsets), and two sorted entry lists,
// procedures and line rows. Each list is cut into blocks of a few entries whose rows
// are delta-coded as variable-length integers; an index of (first RVA, block offset)
// pairs is searched by binary search, then one block is decoded. The reader checks
// every offset it follows: a damaged table answers "unknown", never reads outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace SymbolTable {

inline constexpr const char* kSectionName = "KIVDEBUG";

// One procedure as the builder takes it: start RVA, name without parameters, the
// unit it belongs to, and the line at which it starts (0 when unknown) with the file
// that line is in. A procedure extends to the next one's start.
struct Procedure {
  std::uint32_t rva = 0;
  std::string name;
  std::string unit;
  std::uint32_t firstLine = 0;
  std::string file;
};

// One line row: from `rva` on, code belongs to `line` of `file` (a base name such
// as "KivTrxExceptDlg.cpp"). Line 0 ends a sequence: code from there on has no line.
struct LineRow {
  std::uint32_t rva = 0;
  std::uint32_t line = 0;
  std::string file;
};

// Encodes the table for code up to `codeEnd` (the RVA where the code section ends).
// Procedures and rows need not be sorted; of procedures at one RVA the first is kept,
// of rows at one RVA the last (it describes the instruction there).
std::vector<std::uint8_t> Build(std::vector<Procedure> procedures, std::vector<LineRow> rows,
                                std::uint32_t codeEnd);

struct Location {
  std::string unit;       // empty when unknown
  std::string procedure;  // empty when unknown
  std::string file;       // empty when unknown
  std::uint32_t procedureRva = 0;
  std::uint32_t procedureEndRva = 0;     // where the next procedure (or the code) starts
  std::uint32_t procedureFirstLine = 0;  // 0 when unknown
  std::string procedureFile;             // the first line's file; empty when unknown
  std::uint32_t line = 0;                // 0 when unknown
  std::uint32_t lineRva = 0;             // where the line's code starts
};

// A view of an encoded table; the bytes must outlive it.
class Reader {
 public:
  // An unusable table (missing, damaged, of another version) gives a reader that
  // knows nothing.
  explicit Reader(std::span<const std::uint8_t> table);

  bool Valid() const { return valid_; }
  std::size_t ProcedureCount() const { return procCount_; }
  std::size_t LineCount() const { return lineCount_; }

  // What the table knows about the code at `rva`; none when it knows no procedure
  // there.
  std::optional<Location> Find(std::uint32_t rva) const;

 private:
  struct List {
    std::uint32_t count = 0;
    std::uint32_t blockCount = 0;
    std::size_t index = 0;   // offset of the (rva, offset) pairs
    std::size_t blocks = 0;  // offset of the block data
    std::size_t blocksSize = 0;
  };
  bool ReadList(std::size_t headerWord, List& list) const;
  // Index of the last block whose first RVA is <= rva, or -1.
  long BlockFor(const List& list, std::uint32_t rva) const;
  bool BlockRange(const List& list, long block, std::size_t& begin, std::size_t& end) const;
  std::uint32_t Word(std::size_t offset) const;
  std::string String(std::uint32_t offset) const;
  std::string NameAt(std::size_t table, std::uint32_t count, std::uint32_t index) const;

  std::span<const std::uint8_t> t_;
  bool valid_ = false;
  std::uint32_t codeEnd_ = 0;
  std::size_t strings_ = 0, stringsSize_ = 0;
  std::size_t units_ = 0, files_ = 0;
  std::uint32_t unitCount_ = 0, fileCount_ = 0;
  std::uint32_t procCount_ = 0, lineCount_ = 0;
  List procs_, lines_;
};

// The unit a source file belongs to: its base name without extension, and without a
// "Win" or "Host" ending (the Windows half and the host stand-in of unit X are
// XWin.cpp and XHost.cpp).
std::string UnitOfSourceFile(std::string_view path);

// A demangled function name without its parameter list, qualifiers after it and the
// return type a template function's name carries: "int ns::f<int>(int) const" gives
// "ns::f<int>".
std::string ProcedureName(std::string_view demangled);

}  // namespace SymbolTable
