// Keyboard shortcuts and their display texts.
//
// A shortcut is a 16-bit value: the virtual-key code in the low byte, and the modifier
// bits scShift, scCtrl and scAlt. Its text names the modifiers, then the key, joined
// by "+": "Ctrl+Shift+F5", "Alt+Enter", "Num +". Every value has a text that reads
// back as the same value: a key without a name is written as "$" and two hexadecimal
// digits, a value with bits outside key and modifiers as "$" and four.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// 0 is no shortcut, with an empty text.
std::u16string ShortCutToText(TShortCut shortCut);
// Reads a display text (modifiers in any order and letter case). False for a text that
// names no key; an empty text is 0.
bool TryTextToShortCut(std::u16string_view text, TShortCut& shortCut);
// The same, raising EConvertError "Invalid shortcut text: <text>" for a text that names
// no key, rather than dropping the shortcut.
TShortCut TextToShortCut(std::u16string_view text);
