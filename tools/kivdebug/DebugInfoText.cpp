#include "DebugInfoText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>

namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return out;
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool ParseNumber(std::string_view s, int base, std::uint64_t& v) {
  if (base == 16 && (s.starts_with("0x") || s.starts_with("0X"))) s.remove_prefix(2);
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  return ec == std::errc() && p == s.data() + s.size();
}

std::string BaseName(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsRowHeader(std::string_view line) { return line.starts_with("File name"); }

// The rows of the code in [codeStart, codeEnd), each with the line of the procedure
// that holds it (see MakeTableInput). `procedures` are sorted by address.
std::vector<SymbolTable::LineRow> OwnLineRows(
    const DecodedLines& lines, const std::map<std::uint64_t, OutermostLine>& outermost,
    const std::vector<SymbolTable::Procedure>& procedures, std::uint64_t imageBase,
    std::uint64_t codeStart, std::uint64_t codeEnd) {
  auto procedureAt = [&](std::uint64_t a) -> long {
    auto it = std::upper_bound(
        procedures.begin(), procedures.end(), a - imageBase,
        [](std::uint64_t v, const SymbolTable::Procedure& p) { return v < p.rva; });
    return static_cast<long>(it - procedures.begin()) - 1;
  };
  // The lines seen of each procedure inlined into another, by the line that calls it.
  struct Span {
    std::string callFile, file;
    std::uint32_t callLine, first, last;
  };
  std::map<long, std::vector<Span>> spans;  // by the procedure they are inlined into
  for (const auto& [address, o] : outermost) {
    if (o.inlinedLine == 0 || address < codeStart || address >= codeEnd) continue;
    std::vector<Span>& in = spans[procedureAt(address)];
    auto it = std::find_if(in.begin(), in.end(), [&](const Span& s) {
      return s.callLine == o.line && s.callFile == o.file && s.file == o.inlinedFile;
    });
    if (it == in.end()) {
      in.push_back({o.file, o.inlinedFile, o.line, o.inlinedLine, o.inlinedLine});
    } else {
      it->first = std::min(it->first, o.inlinedLine);
      it->last = std::max(it->last, o.inlinedLine);
    }
  }

  std::vector<SymbolTable::LineRow> rows;
  for (const DecodedLines::Row& r : lines.rows) {
    if (r.address < codeStart || r.address >= codeEnd) continue;
    SymbolTable::LineRow row{static_cast<std::uint32_t>(r.address - imageBase), r.line,
                             r.line ? r.file : ""};
    if (r.line == 0) {
      rows.push_back(std::move(row));
      continue;
    }
    auto own = outermost.find(r.address);
    if (own != outermost.end()) {
      row.line = own->second.line;
      row.file = own->second.file;
    }
    if (own == outermost.end() || own->second.inlinedLine == 0) {
      // Not placed in an inlined procedure: the narrowest one whose lines hold it.
      const Span* best = nullptr;
      static const std::vector<Span> none;
      auto in = spans.find(procedureAt(r.address));
      const std::vector<Span>& candidates = in != spans.end() ? in->second : none;
      for (const Span& s : candidates) {
        if (s.file == row.file && s.first <= row.line && row.line <= s.last &&
            (!best || s.last - s.first < best->last - best->first)) {
          best = &s;
        }
      }
      if (best) {
        row.line = best->callLine;
        row.file = best->callFile;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// Each procedure's file (that of its first row with a line) and first line (the
// smallest of its rows in that file). Procedures are sorted by address.
void SetFirstLines(TableInput& in) {
  std::vector<SymbolTable::LineRow> rows = in.rows;
  std::stable_sort(
      rows.begin(), rows.end(),
      [](const SymbolTable::LineRow& a, const SymbolTable::LineRow& b) { return a.rva < b.rva; });
  std::size_t r = 0;
  for (std::size_t i = 0; i < in.procedures.size(); ++i) {
    SymbolTable::Procedure& p = in.procedures[i];
    std::uint32_t end = i + 1 < in.procedures.size() ? in.procedures[i + 1].rva : UINT32_MAX;
    while (r < rows.size() && rows[r].rva < p.rva) ++r;
    for (std::size_t k = r; k < rows.size() && rows[k].rva < end; ++k) {
      // Of rows at one address the last describes the code there.
      if (k + 1 < rows.size() && rows[k + 1].rva == rows[k].rva) continue;
      if (rows[k].line == 0) continue;
      if (p.file.empty()) {
        p.file = rows[k].file;
        p.firstLine = rows[k].line;
      } else if (rows[k].file == p.file) {
        p.firstLine = std::min(p.firstLine, rows[k].line);
      }
    }
  }
}

// "f(int) [clone .cold]" is a part of "f(int)": its lines count from f's first line.
void TakeFirstLinesOfSplitParts(std::vector<SymbolTable::Procedure>& procedures,
                                const std::vector<std::string>& fullNames) {
  std::map<std::string_view, std::size_t> whole;
  for (std::size_t i = 0; i < fullNames.size(); ++i) {
    if (fullNames[i].find(" [clone ") == std::string::npos) whole.emplace(fullNames[i], i);
  }
  for (std::size_t i = 0; i < fullNames.size(); ++i) {
    std::size_t clone = fullNames[i].find(" [clone ");
    if (clone == std::string::npos) continue;
    auto it = whole.find(std::string_view(fullNames[i]).substr(0, clone));
    if (it == whole.end() || procedures[it->second].firstLine == 0) continue;
    procedures[i].firstLine = procedures[it->second].firstLine;
    procedures[i].file = procedures[it->second].file;
  }
}

}  // namespace

DecodedLines ParseDecodedLines(std::string_view text) {
  DecodedLines out;
  std::vector<std::string_view> lines = SplitLines(text);
  bool inUnit = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.empty() || IsRowHeader(line) || line.starts_with("Contents of")) continue;
    if (line.back() == ':' && line.find("file format") == std::string_view::npos) {
      // A path header: a new compile unit when the column header follows it, else
      // the rows switch to another file of the same unit.
      if (i + 1 < lines.size() && IsRowHeader(lines[i + 1])) {
        std::string_view path = line.substr(0, line.size() - 1);
        if (path.starts_with("CU: ")) path.remove_prefix(4);
        out.units.emplace_back(path);
        inUnit = true;
      }
      continue;
    }
    if (!inUnit) continue;
    // A row: file name (possibly with blanks), line or "-", address, [view], ["x"].
    std::vector<std::string_view> t = Tokens(line);
    std::size_t a = 0;
    while (a < t.size() && !(t[a].starts_with("0x") && a >= 2)) ++a;
    if (a == t.size()) continue;  // not a row: a line of another kind
    DecodedLines::Row row;
    if (!ParseNumber(t[a], 16, row.address)) continue;
    std::uint64_t n = 0;
    if (t[a - 1] == "-") {
      row.line = 0;
    } else if (ParseNumber(t[a - 1], 10, n) && n > 0 && n <= 0xFFFFFFFFu) {
      row.line = static_cast<std::uint32_t>(n);
    } else {
      continue;
    }
    std::size_t nameEnd = t[a - 2].data() + t[a - 2].size() - line.data();
    row.file = BaseName(line.substr(0, nameEnd));
    row.unit = out.units.size() - 1;
    out.rows.push_back(std::move(row));
  }
  return out;
}

std::vector<TextSymbol> ParseSymbols(std::string_view text) {
  std::vector<TextSymbol> out;
  for (std::string_view line : SplitLines(text)) {
    // "<address> <type> <name>", the name possibly holding blanks.
    std::size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos || sp1 + 3 > line.size() || line[sp1 + 2] != ' ') continue;
    TextSymbol s;
    if (!ParseNumber(line.substr(0, sp1), 16, s.address)) continue;
    s.type = line[sp1 + 1];
    if (s.type != 'T' && s.type != 't' && s.type != 'W' && s.type != 'w') continue;
    s.name = std::string(line.substr(sp1 + 3));
    if (s.name.empty() || s.name[0] == '.') continue;
    out.push_back(std::move(s));
  }
  return out;
}

std::string RowAddresses(const DecodedLines& lines) {
  std::string out;
  char buf[32];
  for (const DecodedLines::Row& r : lines.rows) {
    if (r.line == 0) continue;
    std::snprintf(buf, sizeof buf, "0x%llx\n", static_cast<unsigned long long>(r.address));
    out += buf;
  }
  return out;
}

std::map<std::uint64_t, OutermostLine> ParseOutermostLines(std::string_view text) {
  std::map<std::uint64_t, OutermostLine> out;
  bool have = false;
  std::uint64_t address = 0;
  // The locations of one address, innermost first; none where addr2line had none.
  std::vector<std::optional<OutermostLine>> chain;
  auto finish = [&] {
    if (!have || chain.empty() || !chain.back()) return;
    OutermostLine o = *chain.back();
    if (chain.size() > 1 && chain[chain.size() - 2]) {
      o.inlinedLine = chain[chain.size() - 2]->line;
      o.inlinedFile = chain[chain.size() - 2]->file;
    }
    out[address] = o;
  };
  for (std::string_view line : SplitLines(text)) {
    std::uint64_t a = 0;
    if (line.starts_with("0x") && ParseNumber(line, 16, a)) {
      finish();
      have = true;
      address = a;
      chain.clear();
      continue;
    }
    if (!have || line.empty()) continue;
    // "path:line", possibly followed by " (discriminator N)".
    if (std::size_t d = line.find(" (discriminator"); d != std::string_view::npos)
      line = line.substr(0, d);
    std::size_t colon = line.rfind(':');
    std::uint64_t n = 0;
    if (colon == std::string_view::npos || line.substr(0, colon) == "??" ||
        !ParseNumber(line.substr(colon + 1), 10, n) || n == 0 || n > 0xFFFFFFFFu) {
      chain.emplace_back();
      continue;
    }
    OutermostLine o;
    o.line = static_cast<std::uint32_t>(n);
    o.file = BaseName(line.substr(0, colon));
    chain.emplace_back(std::move(o));
  }
  finish();
  return out;
}

TableInput MakeTableInput(const DecodedLines& lines, const std::vector<TextSymbol>& symbols,
                          std::uint64_t imageBase, std::uint64_t codeStart, std::uint64_t codeEnd,
                          const std::map<std::uint64_t, OutermostLine>& outermost) {
  auto inCode = [&](std::uint64_t a) { return a >= codeStart && a < codeEnd; };
  auto rva = [&](std::uint64_t a) { return static_cast<std::uint32_t>(a - imageBase); };
  TableInput in;

  // Sequences: runs of rows of one unit ended by an end-of-sequence row.
  struct Sequence {
    std::uint64_t start, end;
    std::size_t unit;
  };
  std::vector<Sequence> sequences;
  bool open = false;
  Sequence current{};
  for (const DecodedLines::Row& r : lines.rows) {
    if (!open || r.unit != current.unit) {
      current = {r.address, r.address, r.unit};
      open = true;
    }
    if (r.line == 0) {
      current.end = r.address;
      if (current.end > current.start) sequences.push_back(current);
      open = false;
    }
  }
  std::sort(sequences.begin(), sequences.end(),
            [](const Sequence& a, const Sequence& b) { return a.start < b.start; });

  auto unitAt = [&](std::uint64_t a) -> std::string {
    auto it = std::upper_bound(sequences.begin(), sequences.end(), a,
                               [](std::uint64_t v, const Sequence& s) { return v < s.start; });
    if (it == sequences.begin()) return {};
    --it;
    if (a >= it->end) return {};
    return SymbolTable::UnitOfSourceFile(lines.units[it->unit]);
  };

  // Of several names at one address the global one is kept.
  std::vector<TextSymbol> sorted(symbols);
  std::stable_sort(sorted.begin(), sorted.end(), [](const TextSymbol& a, const TextSymbol& b) {
    if (a.address != b.address) return a.address < b.address;
    return (a.type == 'T') > (b.type == 'T');
  });
  std::vector<std::string> fullNames;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const TextSymbol& s = sorted[i];
    if (!inCode(s.address) || (i > 0 && sorted[i - 1].address == s.address)) continue;
    SymbolTable::Procedure p;
    p.rva = rva(s.address);
    p.name = SymbolTable::ProcedureName(s.name);
    p.unit = unitAt(s.address);
    in.procedures.push_back(std::move(p));
    fullNames.push_back(s.name);
  }
  in.rows = OwnLineRows(lines, outermost, in.procedures, imageBase, codeStart, codeEnd);
  SetFirstLines(in);
  TakeFirstLinesOfSplitParts(in.procedures, fullNames);
  return in;
}
