// Colours, fonts, cursors and the canvas that paint handlers draw on.
//
// A colour is a 32-bit value: an RGB value (0x00BBGGRR), or a system colour, which is
// 0x80000000 plus the system's colour index (clBtnFace is the button face). Colours,
// character sets and cursors have names in descriptions (clBtnFace, DEFAULT_CHARSET,
// crHourGlass).
#pragma once

#include "Rtl/Win.h"

#include <cstdint>
#include <functional>
#include <string>

#include "Gui/ClassInfo.h"
#include "Gui/Persistent.h"
#include "Win/Handles.h"

using TColor = std::int32_t;

inline constexpr TColor kSystemColorFlag = static_cast<TColor>(0x80000000u);
constexpr TColor SystemColor(int index) { return kSystemColorFlag | index; }

inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clMenu = SystemColor(COLOR_MENU);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
inline constexpr TColor clMenuBar = SystemColor(30);  // COLOR_MENUBAR
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour (system colours as the system paints them now).
COLORREF ColorToRGB(TColor color);
// A solid brush of the colour, kept for the life of the process (one per colour).
HBRUSH ColorBrush(TColor color);
const TIdentMap& ColorIdents();
const TIdentMap& CharsetIdents();

// Screen cursors; 0 is the default cursor.
enum TCursor : int {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22,
};
const TIdentMap& CursorIdents();
// The system cursor for a cursor value (the arrow for crDefault and unknown values).
HCURSOR CursorHandle(int cursor);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
enum class TFontPitch { fpDefault, fpVariable, fpFixed };
enum class TFontQuality {
  fqDefault,
  fqDraft,
  fqProof,
  fqNonAntialiased,
  fqAntialiased,
  fqClearType,
  fqClearTypeNatural
};

// A font as a description stores it: Charset, Color, Height, Name, Pitch, Quality,
// Style. The handle is made on first use and remade after a change; OnChange tells the
// control using it.
class TFont : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  TFont();
  int Charset() const { return charset_; }
  void SetCharset(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Height() const { return height_; }
  void SetHeight(int v);
  std::u16string Name() const { return name_; }
  void SetName(const std::u16string& v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned v);
  // The point size at 96 dots per inch.
  int Size() const;

  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;
  HFONT Handle();

  std::function<void()> OnChange;

 private:
  void Changed();

  int charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int height_ = -11;
  std::u16string name_ = u"MS Shell Dlg 2";
  TFontPitch pitch_ = TFontPitch::fpDefault;
  TFontQuality quality_ = TFontQuality::fqDefault;
  unsigned style_ = 0;
  GdiObject handle_;
};

// A device context for painting, with the font, brush and pen colours to use.
class TCanvas {
 public:
  explicit TCanvas(HDC dc) : dc_(dc) {}
  HDC Handle() const { return dc_; }

  void SetFont(TFont& font);
  void SetBrushColor(TColor color) { brushColor_ = color; }
  void SetPenColor(TColor color) { penColor_ = color; }
  void FillRect(const RECT& r);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::u16string& text);
  SIZE TextExtent(const std::u16string& text);
  int TextHeight(const std::u16string& text) { return TextExtent(text).cy; }
  void DrawIcon(int x, int y, HICON icon);

 private:
  HDC dc_;
  TColor brushColor_ = clBtnFace;
  TColor penColor_ = clBlack;
};
