#include "Debug/StackTrace.h"

#include <algorithm>

#include "Rtl/Format.h"

std::u16string FormatCodeLocation(std::uintptr_t address, const TCodeLocation& loc,
                                  const TAddressFormat& format) {
  const void* a = reinterpret_cast<const void*>(address);
  std::u16string text;
  if (format.virtualAddress && loc.moduleBase != 0) {
    // The offset into the module's code, which starts one page after the image.
    text = WideFormat(u"(%p) ", reinterpret_cast<const void*>(address - loc.moduleBase - 4096));
  }
  text += WideFormat(u"[%p]", a);
  if (format.moduleName && !loc.moduleName.empty()) text += WideFormat(u" {%s}", loc.moduleName);
  if (loc.procedure.empty()) return text;

  if (loc.line == 0) {
    std::u16string offset;
    if (format.addressOffset) offset = WideFormat(u" + $%x", address - loc.procedureStart);
    if (loc.unit.empty()) return text + WideFormat(u" %s%s", loc.procedure, offset);
    return text + WideFormat(u" %s.%s%s", loc.unit, loc.procedure, offset);
  }

  std::u16string lineOffset;
  // Lines of another file (or before the procedure's start) are not counted from it.
  if (format.lineOffset && loc.procedureFirstLine != 0 && loc.line >= loc.procedureFirstLine &&
      loc.sourceFile == loc.procedureFile) {
    lineOffset = WideFormat(u" + %d", static_cast<std::int64_t>(loc.line - loc.procedureFirstLine));
  }
  std::u16string addressOffset;
  if (format.addressOffset) {
    addressOffset = address >= loc.lineStart ? WideFormat(u" + $%x", address - loc.lineStart)
                                             : WideFormat(u" - $%x", loc.lineStart - address);
  }
  return text + WideFormat(u" %s.%s (Line %u, \"%s\"%s)%s", loc.unit, loc.procedure, loc.line,
                           loc.sourceFile, lineOffset, addressOffset);
}

bool EndsWithCall(const std::uint8_t* b, std::size_t n) {
  auto at = [&](std::size_t back) -> int { return back <= n ? b[n - back] : -1; };
  auto isCall = [](int modrm) { return modrm >= 0 && ((modrm >> 3) & 7) == 2; };
  auto mod = [](int modrm) { return modrm >> 6; };
  auto rm = [](int modrm) { return modrm & 7; };

  if (at(5) == 0xE8) return true;  // call rel32
  // FF /2: call through a register or memory operand, by the operand's length.
  if (at(2) == 0xFF && isCall(at(1))) {
    int m = at(1);
    if (mod(m) == 3 || (mod(m) == 0 && rm(m) != 4 && rm(m) != 5)) return true;
  }
  if (at(3) == 0xFF && isCall(at(2))) {
    int m = at(2);
    if (mod(m) == 1 && rm(m) != 4) return true;                      // [reg + disp8]
    if (mod(m) == 0 && rm(m) == 4 && (at(1) & 7) != 5) return true;  // [sib]
  }
  if (at(4) == 0xFF && isCall(at(3)) && mod(at(3)) == 1 && rm(at(3)) == 4) return true;
  if (at(6) == 0xFF && isCall(at(5))) {
    int m = at(5);
    if ((mod(m) == 2 && rm(m) != 4) || (mod(m) == 0 && rm(m) == 5)) return true;  // disp32
  }
  if (at(7) == 0xFF && isCall(at(6))) {
    int m = at(6);
    if (mod(m) == 2 && rm(m) == 4) return true;                      // [sib + disp32]
    if (mod(m) == 0 && rm(m) == 4 && (at(5) & 7) == 5) return true;  // [index + disp32]
  }
  return false;
}

std::vector<bool> LiveCallChain(const std::vector<TEntryFacts>& entries) {
  std::vector<bool> live(entries.size(), true);
  // The procedures of the entries kept so far: a live return address called one of
  // them. (Every kept entry counts, not only the last one matched, so that an entry
  // kept for want of knowledge never makes the live ones after it look left over.)
  std::vector<const std::string*> callees;
  auto holds = [&](const std::string& procedure) {
    return std::any_of(callees.begin(), callees.end(),
                       [&](const std::string* c) { return *c == procedure; });
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TEntryFacts& e = entries[i];
    if (i > 0 && !e.callee.empty() && !holds(e.callee)) {
      std::optional<std::vector<std::string>> tail =
          e.tailCallees ? e.tailCallees() : std::vector<std::string>{};
      if (tail && std::none_of(tail->begin(), tail->end(), holds)) {
        live[i] = false;  // its call went elsewhere, and has returned
        continue;
      }
    }
    callees.push_back(&e.procedure);
  }
  return live;
}
