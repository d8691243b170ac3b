#include "Gui/Graphics.h"

#include <map>

#include "Gui/DeviceContext.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

constexpr TIdentMapEntry kColorNames[] = {
    {clBlack, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {clGray, "clGray"},
    {0xC0C0C0, "clSilver"},
    {clRed, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {SystemColor(COLOR_INACTIVECAPTION), "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {SystemColor(COLOR_ACTIVEBORDER), "clActiveBorder"},
    {SystemColor(COLOR_INACTIVEBORDER), "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {SystemColor(COLOR_INACTIVECAPTIONTEXT), "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {SystemColor(COLOR_3DDKSHADOW), "cl3DDkShadow"},
    {SystemColor(COLOR_3DLIGHT), "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {SystemColor(26), "clHotLight"},
    {SystemColor(27), "clGradientActiveCaption"},
    {SystemColor(28), "clGradientInactiveCaption"},
    {SystemColor(29), "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};
constexpr TIdentMap kColors{kColorNames};

constexpr TIdentMapEntry kCharsetNames[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};
constexpr TIdentMap kCharsets{kCharsetNames};

constexpr TIdentMapEntry kCursorNames[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};
constexpr TIdentMap kCursors{kCursorNames};

constexpr const char* kFontStyleNameList[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr TEnumNames kFontStyleNames{kFontStyleNameList};

constexpr const char* kFontPitchNameList[] = {"fpDefault", "fpVariable", "fpFixed"};
constexpr TEnumNames kFontPitchNames{kFontPitchNameList};
constexpr const char* kFontQualityNameList[] = {"fqDefault",         "fqDraft",       "fqProof",
                                                "fqNonAntialiased",  "fqAntialiased", "fqClearType",
                                                "fqClearTypeNatural"};
constexpr TEnumNames kFontQualityNames{kFontQualityNameList};
// LOGFONT's values for the pitches and qualities, in the order of their names.
constexpr BYTE kPitches[] = {DEFAULT_PITCH, VARIABLE_PITCH, FIXED_PITCH};
constexpr BYTE kQualities[] = {DEFAULT_QUALITY,          DRAFT_QUALITY,       PROOF_QUALITY,
                               NONANTIALIASED_QUALITY,   ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                               CLEARTYPE_NATURAL_QUALITY};

constexpr TPropInfo kFontProps[] = {
    IdentProp<&TFont::Charset, &TFont::SetCharset>("Charset", kCharsets),
    IdentProp<&TFont::Color, &TFont::SetColor>("Color", kColors),
    IntProp<&TFont::Height, &TFont::SetHeight>("Height"),
    StrProp<&TFont::Name, &TFont::SetName>("Name"),
    EnumProp<&TFont::Pitch, &TFont::SetPitch>("Pitch", kFontPitchNames, 0),
    EnumProp<&TFont::Quality, &TFont::SetQuality>("Quality", kFontQualityNames, 0),
    SetProp<&TFont::Style, &TFont::SetStyle>("Style", kFontStyleNames, -1),
};

}  // namespace

const TClassInfo TFont::kClassInfo{"TFont", &TPersistent::kClassInfo, nullptr, kFontProps, {}, {}};

const TIdentMap& ColorIdents() { return kColors; }
const TIdentMap& CharsetIdents() { return kCharsets; }
const TIdentMap& CursorIdents() { return kCursors; }

COLORREF ColorToRGB(TColor color) {
  if (color & kSystemColorFlag) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

HBRUSH ColorBrush(TColor color) {
  // A handful of colours live for the whole run; creating one per paint would leak or
  // flicker.
  static std::map<TColor, GdiObject> brushes;
  if (color & kSystemColorFlag) return GetSysColorBrush(color & 0xFF);
  GdiObject& b = brushes[color];
  if (!b) b.reset(CreateSolidBrush(ColorToRGB(color)));
  return static_cast<HBRUSH>(b.get());
}

HCURSOR CursorHandle(int cursor) {
  WORD id = 32512;  // IDC_ARROW
  switch (cursor) {
    case crCross:
      id = 32515;
      break;
    case crIBeam:
      id = 32513;
      break;
    case crSizeNESW:
      id = 32643;
      break;
    case crSizeNS:
      id = 32645;
      break;
    case crSizeNWSE:
      id = 32642;
      break;
    case crSizeWE:
      id = 32644;
      break;
    case crUpArrow:
      id = 32516;
      break;
    case crHourGlass:
      id = 32514;
      break;
    case crNo:
      id = 32648;
      break;
    case crAppStart:
      id = 32650;
      break;
    case crHelp:
      id = 32651;
      break;
    case crHandPoint:
      id = 32649;
      break;
    case crSizeAll:
      id = 32646;
      break;
    case crNone:
      return nullptr;
    default:
      break;
  }
  HCURSOR h = Platform::LoadSystemCursor(id);
  // Older systems lack the hand; the arrow stands in.
  return h ? h : Platform::LoadSystemCursor(32512);
}

TFont::TFont() = default;

void TFont::Changed() {
  handle_.reset();
  if (OnChange) OnChange();
}

void TFont::SetCharset(int v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetName(const std::u16string& v) {
  if (v == name_) return;
  name_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetQuality(TFontQuality v) {
  if (v == quality_) return;
  quality_ = v;
  Changed();
}

void TFont::SetStyle(unsigned v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, 96); }

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  charset_ = other.charset_;
  color_ = other.color_;
  height_ = other.height_;
  name_ = other.name_;
  pitch_ = other.pitch_;
  quality_ = other.quality_;
  style_ = other.style_;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return charset_ == other.charset_ && color_ == other.color_ && height_ == other.height_ &&
         name_ == other.name_ && pitch_ == other.pitch_ && quality_ == other.quality_ &&
         style_ == other.style_;
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(charset_);
    lf.lfPitchAndFamily = kPitches[static_cast<int>(pitch_)];
    lf.lfQuality = kQualities[static_cast<int>(quality_)];
    handle_.reset(Platform::CreateFont(lf, name_));
  }
  return static_cast<HFONT>(handle_.get());
}

void TCanvas::SetFont(TFont& font) {
  SelectObject(dc_, font.Handle());
  ::SetTextColor(dc_, ColorToRGB(font.Color()));
}

void TCanvas::FillRect(const RECT& r) { ::FillRect(dc_, &r, ColorBrush(brushColor_)); }

void TCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  GdiObject pen(CreatePen(PS_SOLID, 1, ColorToRGB(penColor_)));
  SelectedObject selected(dc_, pen.get());
  ::LineTo(dc_, x, y);
}

void TCanvas::TextOut(int x, int y, const std::u16string& text) {
  SetBkMode(dc_, TRANSPARENT);
  Platform::TextOut(dc_, x, y, text);
}

SIZE TCanvas::TextExtent(const std::u16string& text) {
  SIZE s;
  Platform::GetTextExtent(dc_, text, s);
  return s;
}

void TCanvas::DrawIcon(int x, int y, HICON icon) { ::DrawIcon(dc_, x, y, icon); }
