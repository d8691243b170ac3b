#include "ResStrScanner.h"

#include <algorithm>
#include <map>

#include "Rtl/CodePage.h"

namespace {

constexpr std::string_view kMacro = "KIV_RESOURCESTRING(";

[[noreturn]] void Fail(const std::string& file, std::string_view source, std::size_t pos,
                       const std::string& why) {
  std::size_t line = 1 + std::count(source.begin(), source.begin() + pos, '\n');
  throw ResStrScanError(file + ":" + std::to_string(line) + ": " + why);
}

bool IsIdent(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void SkipSpace(std::string_view s, std::size_t& i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a u"..." literal at i (escapes \\ \" \' \r \n \t \0 \xHH.. \uXXXX); the
// source is UTF-8.
std::u16string ReadLiteral(std::string_view s, std::size_t& i, const std::string& file) {
  if (s.substr(i, 2) != "u\"") Fail(file, s, i, "expected a u\"...\" literal");
  i += 2;
  std::string utf8;
  std::u16string out;
  auto flush = [&] {
    out += Utf8ToWide(utf8);
    utf8.clear();
  };
  while (true) {
    if (i >= s.size() || s[i] == '\n') Fail(file, s, i, "unterminated literal");
    char c = s[i++];
    if (c == '"') break;
    if (c != '\\') {
      utf8 += c;
      continue;
    }
    if (i >= s.size()) Fail(file, s, i, "unterminated literal");
    flush();
    char e = s[i++];
    switch (e) {
      case 'n':
        out += u'\n';
        break;
      case 'r':
        out += u'\r';
        break;
      case 't':
        out += u'\t';
        break;
      case '0':
        out += u'\0';
        break;
      case '\\':
        out += u'\\';
        break;
      case '"':
        out += u'"';
        break;
      case '\'':
        out += u'\'';
        break;
      case 'x':
      case 'u': {
        const std::size_t maxDigits = 4;
        std::uint32_t v = 0;
        std::size_t n = 0;
        while (n < maxDigits && i < s.size() && HexValue(s[i]) >= 0)
          v = v * 16 + HexValue(s[i++]), ++n;
        if (n == 0 || (e == 'u' && n != 4)) Fail(file, s, i, "bad escape in literal");
        out += static_cast<char16_t>(v);
        break;
      }
      default:
        Fail(file, s, i, std::string("unknown escape \\") + e);
    }
  }
  flush();
  return out;
}

}  // namespace

std::vector<ResStrDecl> ScanResourceStrings(std::string_view s, const std::string& file) {
  std::vector<ResStrDecl> decls;
  std::size_t pos = 0;
  while ((pos = s.find(kMacro, pos)) != std::string_view::npos) {
    std::size_t lineStart = s.rfind('\n', pos);
    lineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    std::string_view before = s.substr(lineStart, pos - lineStart);
    bool isDefinition = before.find("#define") != std::string_view::npos;
    bool partOfName = pos > 0 && IsIdent(s[pos - 1]);
    std::size_t i = pos + kMacro.size();
    pos = i;
    if (isDefinition || partOfName) continue;
    SkipSpace(s, i);
    std::size_t nameStart = i;
    while (i < s.size() && IsIdent(s[i])) ++i;
    if (i == nameStart) Fail(file, s, i, "expected a resource string name");
    ResStrDecl d;
    d.name = std::string(s.substr(nameStart, i - nameStart));
    SkipSpace(s, i);
    if (i >= s.size() || s[i] != ',') Fail(file, s, i, "expected ',' after " + d.name);
    ++i;
    SkipSpace(s, i);
    d.text = ReadLiteral(s, i, file);
    SkipSpace(s, i);
    if (i >= s.size() || s[i] != ')') {
      Fail(file, s, i, "expected ')' after the text of " + d.name + " (one literal only)");
    }
    decls.push_back(std::move(d));
    pos = i;
  }
  return decls;
}

void NumberResourceStrings(std::vector<ResStrDecl>& decls, std::uint16_t firstId) {
  std::sort(decls.begin(), decls.end(),
            [](const ResStrDecl& a, const ResStrDecl& b) { return a.name < b.name; });
  for (std::size_t i = 0; i < decls.size(); ++i) {
    if (i > 0 && decls[i].name == decls[i - 1].name) {
      throw ResStrScanError("resource string declared twice: " + decls[i].name);
    }
    if (firstId + i > 0xFFFF) throw ResStrScanError("too many resource strings");
    decls[i].id = static_cast<std::uint16_t>(firstId + i);
  }
}

std::vector<StringTableBlock> BuildStringTable(const std::vector<ResStrDecl>& decls) {
  std::map<std::uint16_t, std::vector<const ResStrDecl*>> byBlock;
  for (const ResStrDecl& d : decls) byBlock[d.id / 16].push_back(&d);
  std::vector<StringTableBlock> blocks;
  for (const auto& [block, members] : byBlock) {
    const ResStrDecl* slots[16] = {};
    for (const ResStrDecl* d : members) slots[d->id % 16] = d;
    StringTableBlock b{static_cast<std::uint16_t>(block + 1), {}};
    auto word = [&](std::uint16_t w) {
      b.bytes.push_back(static_cast<std::uint8_t>(w));
      b.bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    };
    for (const ResStrDecl* d : slots) {
      if (!d) {
        word(0);
        continue;
      }
      if (d->text.size() > 0xFFFF) throw ResStrScanError("resource string too long: " + d->name);
      word(static_cast<std::uint16_t>(d->text.size()));
      for (char16_t c : d->text) word(c);
    }
    blocks.push_back(std::move(b));
  }
  return blocks;
}
