// kivdebug: makes the symbol and line table an executable carries in its "KIVDEBUG"
// section, and writes it there.
//
//   kivdebug rows --lines LINES.txt --out ADDRESSES.txt
//       The addresses of the line rows, for `addr2line -a -i -e EXE < ADDRESSES.txt`.
//   kivdebug table --image EXE --lines LINES.txt --symbols SYMS.txt
//                  [--inlines INLINES.txt] --out TABLE
//       LINES.txt is `objdump --dwarf=decodedline EXE`, SYMS.txt `nm -C --defined-only
//       EXE`, INLINES.txt addr2line's answer for the rows, all of the unstripped link.
//   kivdebug fill --image EXE --table TABLE
//       Writes the table into the section reserved at link time and sets the
//       section's virtual size to the table's. Exits with 3, printing
//       "reserve <bytes>", when the reservation does not fit the table: too small,
//       or so large that the image would keep unused pages.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Debug/SymbolTable.h"
#include "DebugInfoText.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

namespace {

constexpr int kNeedsReservation = 3;
constexpr std::uint32_t kPage = 4096;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DebugInfoError("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DebugInfoError("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw DebugInfoError("cannot write " + path);
}

std::uint32_t Pages(std::uint32_t size) { return (size + kPage - 1) / kPage; }

int WriteRows(const std::string& linesPath, const std::string& outPath) {
  std::string text = RowAddresses(ParseDecodedLines(ReadText(linesPath)));
  WriteBytes(outPath, std::vector<std::uint8_t>(text.begin(), text.end()));
  return 0;
}

int MakeTable(const std::string& image, const std::string& linesPath, const std::string& symsPath,
              const std::string& inlinesPath, const std::string& outPath) {
  PeImage pe(ReadBytes(image));
  const PeSection* text = pe.FindSection(".text");
  if (!text) throw DebugInfoError(image + " has no .text section");
  std::uint64_t start = pe.ImageBase() + text->virtualAddress;
  std::uint64_t end = start + text->virtualSize;
  DecodedLines lines = ParseDecodedLines(ReadText(linesPath));
  std::vector<TextSymbol> symbols = ParseSymbols(ReadText(symsPath));
  std::map<std::uint64_t, OutermostLine> outermost;
  if (!inlinesPath.empty()) outermost = ParseOutermostLines(ReadText(inlinesPath));
  TableInput in = MakeTableInput(lines, symbols, pe.ImageBase(), start, end, outermost);
  if (in.procedures.empty()) throw DebugInfoError(symsPath + " names no procedure in the code");
  std::vector<std::uint8_t> table = SymbolTable::Build(std::move(in.procedures), std::move(in.rows),
                                                       text->virtualAddress + text->virtualSize);
  WriteBytes(outPath, table);
  return 0;
}

int Fill(const std::string& image, const std::string& tablePath) {
  std::vector<std::uint8_t> table = ReadBytes(tablePath);
  std::vector<std::uint8_t> bytes = ReadBytes(image);
  PeSection section;
  {
    PeImage pe(bytes);
    const PeSection* s = pe.FindSection(SymbolTable::kSectionName);
    if (!s)
      throw DebugInfoError(image + " has no reserved " + SymbolTable::kSectionName + " section");
    section = *s;
  }
  std::uint32_t size = static_cast<std::uint32_t>(table.size());
  // Sections follow each other page by page: the table must take as many pages as
  // the reservation, or the image would have a hole (or an overlap).
  if (size > section.rawSize || Pages(size) != Pages(section.virtualSize)) {
    std::printf("reserve %u\n", size);
    return kNeedsReservation;
  }
  if (static_cast<std::uint64_t>(section.rawOffset) + section.rawSize > bytes.size()) {
    throw DebugInfoError(image + ": the reserved section lies outside the file");
  }
  std::fill(bytes.begin() + section.rawOffset, bytes.begin() + section.rawOffset + section.rawSize,
            0);
  std::copy(table.begin(), table.end(), bytes.begin() + section.rawOffset);
  for (int i = 0; i < 4; ++i)
    bytes[section.headerOffset + 8 + i] = static_cast<std::uint8_t>(size >> (8 * i));
  WriteBytes(image, bytes);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: kivdebug rows --lines LINES --out ADDRESSES\n"
               "       kivdebug table --image EXE --lines LINES --symbols SYMS [--inlines INLINES]"
               " --out TABLE\n"
               "       kivdebug fill --image EXE --table TABLE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::string image, lines, symbols, inlines, out, table;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    std::string v = argv[i + 1];
    if (a == "--image")
      image = v;
    else if (a == "--lines")
      lines = v;
    else if (a == "--symbols")
      symbols = v;
    else if (a == "--inlines")
      inlines = v;
    else if (a == "--out")
      out = v;
    else if (a == "--table")
      table = v;
    else
      return Usage();
  }
  try {
    if (command == "rows" && !lines.empty() && !out.empty()) return WriteRows(lines, out);
    if (command == "table" && !image.empty() && !lines.empty() && !symbols.empty() &&
        !out.empty()) {
      return MakeTable(image, lines, symbols, inlines, out);
    }
    if (command == "fill" && !image.empty() && !table.empty()) return Fill(image, table);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kivdebug: %s\n", e.what());
    return 1;
  }
}
