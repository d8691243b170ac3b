#include "Debug/SymbolTable.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace SymbolTable {
namespace {

constexpr std::uint32_t kMagic = 0x4742444B;  // "KDBG"
constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kHeaderWords = 20;
constexpr std::size_t kBlockEntries = 16;

enum HeaderWord {
  hMagic,
  hVersion,
  hSize,
  hCodeEnd,
  hStrings,
  hStringsSize,
  hUnitCount,
  hUnits,
  hFileCount,
  hFiles,
  hProcs,  // five words: count, block count, index, blocks, blocks size
  hLines = hProcs + 5,
};

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void SetWord(std::vector<std::uint8_t>& out, std::size_t word, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[word * 4 + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutVarint(std::vector<std::uint8_t>& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(v));
}
std::uint64_t ZigZag(std::int64_t v) {
  return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
std::int64_t UnZigZag(std::uint64_t v) {
  return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

// Reads a varint of at most five bytes (32 bits) from [pos, end).
bool GetVarint(std::span<const std::uint8_t> t, std::size_t& pos, std::size_t end,
               std::uint32_t& v) {
  std::uint64_t r = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (pos >= end) return false;
    std::uint8_t b = t[pos++];
    r |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) {
      if (r > 0xFFFFFFFFu) return false;
      v = static_cast<std::uint32_t>(r);
      return true;
    }
  }
  return false;
}

class StringPool {
 public:
  std::uint32_t Add(const std::string& s) {
    auto [it, fresh] = offsets_.try_emplace(s, static_cast<std::uint32_t>(bytes_.size()));
    if (fresh) {
      bytes_.insert(bytes_.end(), s.begin(), s.end());
      bytes_.push_back(0);
    }
    return it->second;
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::map<std::string, std::uint32_t> offsets_;
  std::vector<std::uint8_t> bytes_;
};

// Interns names into a numbered table.
class NameTable {
 public:
  std::uint32_t Add(const std::string& s) {
    auto [it, fresh] = index_.try_emplace(s, static_cast<std::uint32_t>(names_.size()));
    if (fresh) names_.push_back(s);
    return it->second;
  }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::map<std::string, std::uint32_t> index_;
  std::vector<std::string> names_;
};

// Writes a blocked list: each entry is encoded by `encode(out, entry, previous)`.
template <typename Entry, typename Encode>
void PutList(std::vector<std::uint8_t>& out, std::size_t headerWord,
             const std::vector<Entry>& entries, Encode encode) {
  std::vector<std::uint8_t> blocks;
  std::vector<std::uint8_t> index;
  std::uint32_t blockCount = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry* previous = nullptr;
    if (i % kBlockEntries == 0) {
      PutWord(index, entries[i].rva);
      PutWord(index, static_cast<std::uint32_t>(blocks.size()));
      ++blockCount;
    } else {
      previous = &entries[i - 1];
    }
    encode(blocks, entries[i], previous);
  }
  SetWord(out, headerWord, static_cast<std::uint32_t>(entries.size()));
  SetWord(out, headerWord + 1, blockCount);
  SetWord(out, headerWord + 2, static_cast<std::uint32_t>(out.size()));
  out.insert(out.end(), index.begin(), index.end());
  SetWord(out, headerWord + 3, static_cast<std::uint32_t>(out.size()));
  SetWord(out, headerWord + 4, static_cast<std::uint32_t>(blocks.size()));
  out.insert(out.end(), blocks.begin(), blocks.end());
}

struct EncodedProc {
  std::uint32_t rva, name, unit, firstLine, file;  // file: index + 1, 0 for none
};
struct EncodedRow {
  std::uint32_t rva, line, file;
};

}  // namespace

std::vector<std::uint8_t> Build(std::vector<Procedure> procedures, std::vector<LineRow> rows,
                                std::uint32_t codeEnd) {
  std::stable_sort(procedures.begin(), procedures.end(),
                   [](const Procedure& a, const Procedure& b) { return a.rva < b.rva; });
  std::stable_sort(rows.begin(), rows.end(),
                   [](const LineRow& a, const LineRow& b) { return a.rva < b.rva; });

  StringPool pool;
  NameTable units, files;
  std::vector<EncodedProc> procs;
  for (const Procedure& p : procedures) {
    if (p.rva >= codeEnd || (!procs.empty() && procs.back().rva == p.rva)) continue;
    std::uint32_t file = p.file.empty() ? 0 : files.Add(p.file) + 1;
    procs.push_back({p.rva, pool.Add(p.name), units.Add(p.unit), p.firstLine, file});
  }
  std::vector<EncodedRow> lines;
  for (const LineRow& r : rows) {
    if (r.rva >= codeEnd || r.line > 0x3FFFFFFF) continue;  // keeps the coded delta in 32 bits
    EncodedRow e{r.rva, r.line, files.Add(r.file)};
    if (!lines.empty() && lines.back().rva == r.rva) {
      lines.back() = e;
    } else {
      lines.push_back(e);
    }
  }
  // A row that repeats the line and file before it adds nothing.
  std::vector<EncodedRow> kept;
  for (const EncodedRow& e : lines) {
    if (!kept.empty() && kept.back().line == e.line && kept.back().file == e.file) continue;
    kept.push_back(e);
  }
  lines = std::move(kept);

  std::vector<std::uint8_t> out(kHeaderWords * 4, 0);
  SetWord(out, hMagic, kMagic);
  SetWord(out, hVersion, kVersion);
  SetWord(out, hCodeEnd, codeEnd);
  auto putNames = [&](std::size_t countWord, std::size_t offsetWord, const NameTable& t) {
    SetWord(out, countWord, static_cast<std::uint32_t>(t.Names().size()));
    SetWord(out, offsetWord, static_cast<std::uint32_t>(out.size()));
    for (const std::string& n : t.Names()) PutWord(out, pool.Add(n));
  };
  putNames(hUnitCount, hUnits, units);
  putNames(hFileCount, hFiles, files);

  PutList(out, hProcs, procs,
          [](std::vector<std::uint8_t>& b, const EncodedProc& p, const EncodedProc* prev) {
            PutVarint(b, prev ? p.rva - prev->rva : 0);
            PutVarint(b, p.name);
            PutVarint(b, p.unit);
            PutVarint(b, p.firstLine);
            PutVarint(b, p.file);
          });
  PutList(out, hLines, lines,
          [](std::vector<std::uint8_t>& b, const EncodedRow& r, const EncodedRow* prev) {
            // The file is written only where it changes, told by the low bit.
            bool fileChanges = !prev || prev->file != r.file;
            PutVarint(b, prev ? r.rva - prev->rva : 0);
            std::int64_t lineDelta = static_cast<std::int64_t>(r.line) - (prev ? prev->line : 0);
            PutVarint(b, (ZigZag(lineDelta) << 1) | (fileChanges ? 1 : 0));
            if (fileChanges) PutVarint(b, r.file);
          });

  // The pool goes last: the name tables above may still have added to it.
  SetWord(out, hStrings, static_cast<std::uint32_t>(out.size()));
  SetWord(out, hStringsSize, static_cast<std::uint32_t>(pool.Bytes().size()));
  out.insert(out.end(), pool.Bytes().begin(), pool.Bytes().end());
  SetWord(out, hSize, static_cast<std::uint32_t>(out.size()));
  return out;
}

// ---- Reader ----

std::uint32_t Reader::Word(std::size_t o) const {
  return t_[o] | (t_[o + 1] << 8) | (t_[o + 2] << 16) |
         (static_cast<std::uint32_t>(t_[o + 3]) << 24);
}

bool Reader::ReadList(std::size_t w, List& list) const {
  list.count = Word(w * 4);
  list.blockCount = Word(w * 4 + 4);
  list.index = Word(w * 4 + 8);
  list.blocks = Word(w * 4 + 12);
  list.blocksSize = Word(w * 4 + 16);
  std::size_t size = t_.size();
  if (list.blockCount != (list.count + kBlockEntries - 1) / kBlockEntries) return false;
  if (list.index > size || static_cast<std::uint64_t>(list.blockCount) * 8 > size - list.index) {
    return false;
  }
  return list.blocks <= size && list.blocksSize <= size - list.blocks;
}

Reader::Reader(std::span<const std::uint8_t> table) : t_(table) {
  if (t_.size() < kHeaderWords * 4 || Word(hMagic * 4) != kMagic ||
      Word(hVersion * 4) != kVersion || Word(hSize * 4) > t_.size()) {
    return;
  }
  t_ = t_.first(Word(hSize * 4));
  std::size_t size = t_.size();
  codeEnd_ = Word(hCodeEnd * 4);
  strings_ = Word(hStrings * 4);
  stringsSize_ = Word(hStringsSize * 4);
  unitCount_ = Word(hUnitCount * 4);
  units_ = Word(hUnits * 4);
  fileCount_ = Word(hFileCount * 4);
  files_ = Word(hFiles * 4);
  if (strings_ > size || stringsSize_ > size - strings_) return;
  if (units_ > size || static_cast<std::uint64_t>(unitCount_) * 4 > size - units_) return;
  if (files_ > size || static_cast<std::uint64_t>(fileCount_) * 4 > size - files_) return;
  if (!ReadList(hProcs, procs_) || !ReadList(hLines, lines_)) return;
  procCount_ = procs_.count;
  lineCount_ = lines_.count;
  valid_ = true;
}

std::string Reader::String(std::uint32_t offset) const {
  if (offset >= stringsSize_) return {};
  const std::uint8_t* begin = t_.data() + strings_ + offset;
  const std::uint8_t* end = t_.data() + strings_ + stringsSize_;
  const std::uint8_t* nul = std::find(begin, end, 0);
  if (nul == end) return {};
  return std::string(begin, nul);
}

std::string Reader::NameAt(std::size_t table, std::uint32_t count, std::uint32_t index) const {
  if (index >= count) return {};
  return String(Word(table + static_cast<std::size_t>(index) * 4));
}

long Reader::BlockFor(const List& list, std::uint32_t rva) const {
  long lo = 0, hi = static_cast<long>(list.blockCount) - 1, found = -1;
  while (lo <= hi) {
    long mid = lo + (hi - lo) / 2;
    if (Word(list.index + static_cast<std::size_t>(mid) * 8) <= rva) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return found;
}

bool Reader::BlockRange(const List& list, long block, std::size_t& begin, std::size_t& end) const {
  std::size_t at = list.index + static_cast<std::size_t>(block) * 8 + 4;
  std::uint32_t b = Word(at);
  std::uint32_t e = block + 1 < static_cast<long>(list.blockCount)
                        ? Word(at + 8)
                        : static_cast<std::uint32_t>(list.blocksSize);
  if (b > e || e > list.blocksSize) return false;
  begin = list.blocks + b;
  end = list.blocks + e;
  return true;
}

std::optional<Location> Reader::Find(std::uint32_t rva) const {
  if (!valid_ || rva >= codeEnd_) return std::nullopt;

  long block = BlockFor(procs_, rva);
  std::size_t pos, end;
  if (block < 0 || !BlockRange(procs_, block, pos, end)) return std::nullopt;
  std::uint32_t entryRva = Word(procs_.index + static_cast<std::size_t>(block) * 8);
  std::size_t entries = std::min<std::size_t>(
      kBlockEntries, procs_.count - static_cast<std::size_t>(block) * kBlockEntries);
  bool found = false;
  std::uint32_t name = 0, unit = 0, firstLine = 0, firstFile = 0, procRva = 0;
  std::uint32_t procEnd = codeEnd_;
  for (std::size_t i = 0; i < entries; ++i) {
    std::uint32_t delta, n, u, f, file;
    if (!GetVarint(t_, pos, end, delta) || !GetVarint(t_, pos, end, n) ||
        !GetVarint(t_, pos, end, u) || !GetVarint(t_, pos, end, f) ||
        !GetVarint(t_, pos, end, file)) {
      return std::nullopt;
    }
    if (i > 0 && (delta == 0 || entryRva + static_cast<std::uint64_t>(delta) > 0xFFFFFFFFu)) {
      return std::nullopt;  // entries strictly ascend
    }
    entryRva += delta;
    if (entryRva > rva) {
      procEnd = entryRva;
      break;
    }
    found = true;
    procRva = entryRva;
    name = n;
    unit = u;
    firstLine = f;
    firstFile = file;
  }
  if (!found) return std::nullopt;
  // The last procedure of a block ends where the next block's first one starts.
  if (procEnd == codeEnd_ && block + 1 < static_cast<long>(procs_.blockCount)) {
    procEnd = Word(procs_.index + static_cast<std::size_t>(block + 1) * 8);
  }

  Location loc;
  loc.procedure = String(name);
  loc.unit = NameAt(units_, unitCount_, unit);
  loc.procedureRva = procRva;
  loc.procedureEndRva = std::max(procEnd, procRva);
  loc.procedureFirstLine = firstLine;
  if (firstFile > 0) loc.procedureFile = NameAt(files_, fileCount_, firstFile - 1);

  block = BlockFor(lines_, rva);
  if (block >= 0 && BlockRange(lines_, block, pos, end)) {
    entryRva = Word(lines_.index + static_cast<std::size_t>(block) * 8);
    entries = std::min<std::size_t>(kBlockEntries,
                                    lines_.count - static_cast<std::size_t>(block) * kBlockEntries);
    std::int64_t line = 0;
    std::uint32_t rowRva = 0, rowFile = 0;
    std::int64_t rowLine = -1;
    std::uint32_t file = 0;
    for (std::size_t i = 0; i < entries; ++i) {
      std::uint32_t delta, coded;
      if (!GetVarint(t_, pos, end, delta) || !GetVarint(t_, pos, end, coded) ||
          ((coded & 1) && !GetVarint(t_, pos, end, file)) || (i == 0 && !(coded & 1)) ||
          (i > 0 && delta == 0)) {
        rowLine = -1;
        break;
      }
      entryRva += delta;
      line += UnZigZag(coded >> 1);
      if (entryRva > rva) break;
      rowRva = entryRva;
      rowLine = line;
      rowFile = file;
    }
    // A row before the procedure's start belongs to other code.
    if (rowLine > 0 && rowLine <= 0xFFFFFFFF && rowRva >= procRva) {
      loc.line = static_cast<std::uint32_t>(rowLine);
      loc.lineRva = rowRva;
      loc.file = NameAt(files_, fileCount_, rowFile);
    }
  }
  return loc;
}

// ---- Names ----

std::string UnitOfSourceFile(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = base.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
  for (std::string_view suffix : {std::string_view("Win"), std::string_view("Host")}) {
    if (base.size() > suffix.size() && base.ends_with(suffix)) {
      base.remove_suffix(suffix.size());
      break;
    }
  }
  return std::string(base);
}

namespace {

// Index of the '(' that opens the parameter list, or npos. The list is the last
// top-level parenthesised group; what follows it may only be qualifiers.
std::size_t ParameterListStart(std::string_view s) {
  int depth = 0;
  for (std::size_t i = s.size(); i-- > 0;) {
    char c = s[i];
    if (c == ')' || c == '>' || c == ']') {
      ++depth;
    } else if (c == '(' || c == '<' || c == '[') {
      if (depth == 0) return std::string_view::npos;  // unbalanced: leave as is
      if (--depth == 0 && c == '(') {
        // "operator()" names a function whose own list follows it.
        if (i >= 8 && s.substr(i - 8, 8) == "operator" && i + 1 < s.size() && s[i + 1] == ')') {
          continue;
        }
        return i;
      }
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string ProcedureName(std::string_view d) {
  // Clones the compiler makes ("f(int) [clone .cold]") and C-style decorations
  // ("WinMain@16") name the same procedure.
  if (std::size_t clone = d.find(" [clone "); clone != std::string_view::npos)
    d = d.substr(0, clone);
  std::size_t open = ParameterListStart(d);
  if (open != std::string_view::npos) {
    d = d.substr(0, open);
  } else if (std::size_t at = d.find('@'); at != std::string_view::npos && at > 0) {
    d = d.substr(0, at);
  }
  // A template function's demangled name starts with its return type: drop
  // everything up to the last top-level blank, unless that blank belongs to an
  // operator's name ("operator new", "operator delete[]", conversions).
  int depth = 0;
  std::size_t cut = std::string_view::npos;
  for (std::size_t i = 0; i < d.size(); ++i) {
    char c = d[i];
    if (c == '<' || c == '(' || c == '[') {
      // "operator<" and "operator<<" are names, not template brackets.
      if (c == '<' && i >= 8 && d.substr(i - 8, 8) == "operator") {
        while (i + 1 < d.size() && (d[i + 1] == '<' || d[i + 1] == '=')) ++i;
        continue;
      }
      ++depth;
    } else if (c == '>' || c == ')' || c == ']') {
      if (c == '>' && i >= 8 && d.substr(i - 8, 8) == "operator") continue;
      if (c == '>' && i >= 1 && d[i - 1] == '-') continue;  // operator->
      if (depth > 0) --depth;
    } else if (c == ' ' && depth == 0) {
      std::string_view before = d.substr(0, i);
      if (before.ends_with("operator")) continue;
      cut = i;
    }
  }
  if (cut != std::string_view::npos) d = d.substr(cut + 1);
  return std::string(d);
}

}  // namespace SymbolTable
