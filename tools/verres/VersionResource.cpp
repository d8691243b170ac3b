#include "VersionResource.h"

namespace {

class Writer {
 public:
  std::size_t Begin(const std::u16string& key, std::uint16_t valueLength, std::uint16_t type) {
    Align();
    std::size_t start = out_.size();
    Word(0);  // length, patched by End
    Word(valueLength);
    Word(type);
    for (char16_t c : key) Word(c);
    Word(0);
    Align();
    return start;
  }
  void End(std::size_t start) {
    std::size_t length = out_.size() - start;
    out_[start] = static_cast<std::uint8_t>(length);
    out_[start + 1] = static_cast<std::uint8_t>(length >> 8);
  }
  void Word(std::uint16_t w) {
    out_.push_back(static_cast<std::uint8_t>(w));
    out_.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  void Dword(std::uint32_t d) {
    Word(static_cast<std::uint16_t>(d));
    Word(static_cast<std::uint16_t>(d >> 16));
  }
  void Align() {
    while (out_.size() % 4 != 0) out_.push_back(0);
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

std::uint32_t Hi(const std::uint16_t v[4]) { return (std::uint32_t(v[0]) << 16) | v[1]; }
std::uint32_t Lo(const std::uint16_t v[4]) { return (std::uint32_t(v[2]) << 16) | v[3]; }

}  // namespace

std::vector<std::uint8_t> BuildVersionResource(const VersionLayout& layout) {
  Writer w;
  std::size_t root = w.Begin(u"VS_VERSION_INFO", 52, 0);
  w.Dword(0xFEEF04BD);  // signature
  w.Dword(0x00010000);  // structure version
  w.Dword(Hi(layout.fileVersion));
  w.Dword(Lo(layout.fileVersion));
  w.Dword(Hi(layout.productVersion));
  w.Dword(Lo(layout.productVersion));
  w.Dword(0x3F);     // flags mask
  w.Dword(0);        // flags
  w.Dword(0x40004);  // VOS_NT_WINDOWS32
  w.Dword(layout.fileType);
  w.Dword(0);  // subtype
  w.Dword(0);  // date
  w.Dword(0);

  if (!layout.strings.empty()) {
    std::size_t sfi = w.Begin(u"StringFileInfo", 0, 1);
    std::size_t table = w.Begin(layout.stringBlock, 0, 1);
    for (const VersionString& s : layout.strings) {
      std::size_t chars = s.lengthOverruns ? 0xFFFF : s.value.size() + (s.lengthCountsNul ? 1 : 0);
      std::size_t str = w.Begin(s.key, static_cast<std::uint16_t>(chars), 1);
      for (char16_t c : s.value) w.Word(c);
      w.Word(0);
      w.End(str);
    }
    w.End(table);
    w.End(sfi);
  }
  if (!layout.translations.empty()) {
    std::size_t vfi = w.Begin(u"VarFileInfo", 0, 1);
    std::size_t var =
        w.Begin(u"Translation", static_cast<std::uint16_t>(4 * layout.translations.size()), 0);
    for (std::uint32_t t : layout.translations) w.Dword(t);
    w.End(var);
    w.End(vfi);
  }
  w.End(root);
  return w.Take();
}
