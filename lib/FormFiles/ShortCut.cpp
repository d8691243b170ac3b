#include "FormFiles/ShortCut.h"

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

struct KeyName {
  std::uint8_t key;
  const char16_t* name;
};

// Keys whose name is not simply their character. Punctuation keys carry the names of
// their characters on a US keyboard.
constexpr KeyName kKeyNames[] = {
    {0x08, u"BkSp"},  {0x09, u"Tab"},   {0x0D, u"Enter"}, {0x13, u"Pause"}, {0x1B, u"Esc"},
    {0x20, u"Space"}, {0x21, u"PgUp"},  {0x22, u"PgDn"},  {0x23, u"End"},   {0x24, u"Home"},
    {0x25, u"Left"},  {0x26, u"Up"},    {0x27, u"Right"}, {0x28, u"Down"},  {0x2D, u"Ins"},
    {0x2E, u"Del"},   {0x6A, u"Num *"}, {0x6B, u"Num +"}, {0x6D, u"Num -"}, {0x6E, u"Num ."},
    {0x6F, u"Num /"}, {0xBA, u";"},     {0xBB, u"="},     {0xBC, u","},     {0xBD, u"-"},
    {0xBE, u"."},     {0xBF, u"/"},     {0xC0, u"`"},     {0xDB, u"["},     {0xDC, u"\\"},
    {0xDD, u"]"},     {0xDE, u"'"},
};

struct Modifier {
  TShortCut bit;
  const char16_t* prefix;
};
constexpr Modifier kModifiers[] = {{scCtrl, u"Ctrl+"}, {scShift, u"Shift+"}, {scAlt, u"Alt+"}};

constexpr TShortCut kKnownBits = 0x00FF | scShift | scCtrl | scAlt;

std::u16string KeyToText(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::u16string(1, key);
  if (key >= 0x60 && key <= 0x69) return u"Num " + std::u16string(1, u'0' + (key - 0x60));
  if (key >= 0x70 && key <= 0x87) return u"F" + IntToWide(key - 0x6F);
  for (const KeyName& k : kKeyNames) {
    if (k.key == key) return k.name;
  }
  return WideFormat(u"$%.2x", key);
}

bool ParseHex(std::u16string_view s, std::uint32_t& v) {
  if (s.empty() || s.size() > 4) return false;
  v = 0;
  for (char16_t c : s) {
    int d = c >= u'0' && c <= u'9'   ? c - u'0'
            : c >= u'A' && c <= u'F' ? c - u'A' + 10
            : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                     : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

bool TextToKey(std::u16string_view text, std::uint32_t& key) {
  if (text.size() == 1) {
    char16_t c = WideUpperCase(text)[0];
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z')) {
      key = c;
      return true;
    }
  }
  if (text.size() >= 2 && (text[0] == u'F' || text[0] == u'f')) {
    std::uint32_t n = 0;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9' || n > 24) return false;
      n = n * 10 + (c - u'0');
    }
    if (n < 1 || n > 24) return false;
    key = 0x6F + n;
    return true;
  }
  if (text.size() == 5 && WideSameText(text.substr(0, 4), u"Num ") && text[4] >= u'0' &&
      text[4] <= u'9') {
    key = 0x60 + (text[4] - u'0');
    return true;
  }
  for (const KeyName& k : kKeyNames) {
    if (WideSameText(text, k.name)) {
      key = k.key;
      return true;
    }
  }
  if (!text.empty() && text[0] == u'$') return ParseHex(text.substr(1), key);
  return false;
}

}  // namespace

std::u16string ShortCutToText(TShortCut shortCut) {
  if (shortCut == 0) return {};
  if ((shortCut & ~kKnownBits) != 0) return WideFormat(u"$%.4x", shortCut);
  std::u16string text;
  for (const Modifier& m : kModifiers) {
    if (shortCut & m.bit) text += m.prefix;
  }
  return text + KeyToText(static_cast<std::uint8_t>(shortCut & 0xFF));
}

bool TryTextToShortCut(std::u16string_view text, TShortCut& shortCut) {
  std::u16string t = Trim(text);
  std::u16string_view rest = t;
  if (rest.empty()) {
    shortCut = 0;
    return true;
  }
  TShortCut modifiers = 0;
  for (bool matched = true; matched;) {
    matched = false;
    for (const Modifier& m : kModifiers) {
      std::u16string_view prefix = m.prefix;
      if (rest.size() > prefix.size() && WideSameText(rest.substr(0, prefix.size()), prefix)) {
        modifiers |= m.bit;
        rest.remove_prefix(prefix.size());
        matched = true;
      }
    }
  }
  std::uint32_t key = 0;
  if (!TextToKey(rest, key)) return false;
  if (key > 0xFF) {
    // A whole value in hexadecimal stands alone.
    if (modifiers != 0) return false;
    shortCut = static_cast<TShortCut>(key);
    return true;
  }
  shortCut = static_cast<TShortCut>(modifiers | key);
  return true;
}

TShortCut TextToShortCut(std::u16string_view text) {
  TShortCut shortCut = 0;
  if (!TryTextToShortCut(text, shortCut)) {
    throw EConvertError(Format("Invalid shortcut text: %s", std::u16string(text)));
  }
  return shortCut;
}
