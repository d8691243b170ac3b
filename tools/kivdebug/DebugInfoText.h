// Reads the text that binutils prints about an unstripped link: the decoded DWARF
// line table (`objdump --dwarf=decodedline`) and the demangled symbol list
// (`nm -C --defined-only`), and turns them into the rows of the symbol table.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Debug/SymbolTable.h"

class DebugInfoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line row with the compile unit it came from (an index into `units`).
struct DecodedLines {
  std::vector<std::string> units;  // compile units' source paths, as printed
  struct Row {
    std::uint64_t address = 0;
    std::uint32_t line = 0;  // 0: end of a sequence
    std::string file;        // base name
    std::size_t unit = 0;
  };
  std::vector<Row> rows;  // in the printed order
};

DecodedLines ParseDecodedLines(std::string_view text);

struct TextSymbol {
  std::uint64_t address = 0;
  char type = 0;  // nm's letter
  std::string name;
};
// Defined code symbols ('T', 't', 'W', 'w'); section and local labels (names
// starting with '.') are left out.
std::vector<TextSymbol> ParseSymbols(std::string_view text);

// The addresses of the rows that carry a line, one "0x..." per line: what
// addr2line is asked about (see ParseOutermostLines).
std::string RowAddresses(const DecodedLines& lines);

// For code inlined into a procedure, the line of the procedure itself that the
// code stands for: the call of the outermost inlined procedure.
struct OutermostLine {
  std::uint32_t line = 0;
  std::string file;  // base name
  // For inlined code: the line of the outermost inlined procedure's own code there,
  // and its file; 0 and empty for code that is not inlined.
  std::uint32_t inlinedLine = 0;
  std::string inlinedFile;
};
// Reads `addr2line -a -i` output: per address, its location and then, for inlined
// code, the call sites outward; the last one is the procedure's own line. Addresses
// addr2line knows nothing of are left out.
std::map<std::uint64_t, OutermostLine> ParseOutermostLines(std::string_view text);

// The table's input for code in [codeStart, codeEnd) of an image based at
// `imageBase` (all absolute addresses). Each row takes the procedure's own line
// from `outermost` where it has one, so that inlined code is shown as the line
// that called it. Rows addr2line does not place in an inlined procedure although
// their line lies within the lines it saw of one inlined into the same procedure
// (the compiler's debug information leaves out pieces of inlined code, such as
// its exception handlers) are taken as that procedure's too. A procedure's unit is that of the line
// sequence it starts in; its file is that of the row at its start and its first line the smallest
// of its rows in that file. The parts a compiler splits off a procedure ("[clone ...]") take the
// first line and file of the procedure itself.
struct TableInput {
  std::vector<SymbolTable::Procedure> procedures;
  std::vector<SymbolTable::LineRow> rows;
};
TableInput MakeTableInput(const DecodedLines& lines, const std::vector<TextSymbol>& symbols,
                          std::uint64_t imageBase, std::uint64_t codeStart, std::uint64_t codeEnd,
                          const std::map<std::uint64_t, OutermostLine>& outermost = {});
