// KivLXUtils: the application library's helpers. Its parts by idea have headers of
// their own (paths and files, modules and probes, shell, system information,
// temporary files), all included here; this one holds assertions, random numbers,
// mail addresses, the screen-cursor stack and the unit's start-up and shut-down.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Rtl/ResourceString.h"

class TKivStringList;

KIV_EXTERN_RESOURCESTRING(KivLXUtils_SFileCouldntCreate);
KIV_EXTERN_RESOURCESTRING(KivLXUtils_SIE5orNewer);
KIV_EXTERN_RESOURCESTRING(KivLXUtils_SIEWebLink);

// Raises `Exception` with the message when the condition is false.
void AssertTrue(bool condition, const std::string& message);

// A number from 0 to 2147483646 from the runtime's generator, seeded from the clock
// on the first call.
int RandomNumber();
// Raises EKivInternalError "Internal Error: <name> not assigned." for a null list.
void AssertListAssigned(const TKivStringList* list, const char* listName);

// Mail addresses. An address list is free text: display names with bracketed
// addresses, bare addresses, separated by commas, semicolons or (between bare
// addresses) blanks.
//
// Fills `list` with the list's unique normalised entries (see FormatAddress).
void ParseAddressList(TKivStringList& list, std::u16string_view text,
                      const std::u16string& defaultName, bool includeNames, bool allowNameOnly);
// One entry normalised: the bare address without names (or for an entry without a
// name), else the quoted name and the bracketed address; a name without address only
// when `allowNameOnly`, else empty.
std::u16string FormatAddress(std::u16string_view entry, const std::u16string& defaultName,
                             bool includeNames, bool allowNameOnly);
// The display name and address of one entry; an address without name gets the
// default name. Quotes and angle brackets in the name become "'", "{" and "}".
void ParseAddress(std::u16string_view entry, const std::u16string& defaultName,
                  std::u16string& name, std::u16string& address);
// The 1-based position of the comma or semicolon that ends the first entry, or 0
// when the text is one entry.
std::size_t FindAddressSeparator(std::u16string_view text);
// Removes every character that IsBlankChar accepts.
std::u16string RemoveWhitespace(std::u16string_view text);
// Non-overlapping occurrences of `pattern` in `text`; 0 when either is empty.
std::size_t CountOccurrences(std::u16string_view text, std::u16string_view pattern);
// For a text that starts with a double quote, the quoted text with doubled quotes
// read as one; the text unchanged when that is empty or it starts otherwise.
std::u16string ExtractQuoted(std::u16string_view text);
// A seed from the clock and the process, different on every run.
std::uint64_t ClockSeed();
// Whether the system counts the character as white space or a blank (the platform's
// character types; the host's stand-in knows the Unicode spaces).
bool IsBlankChar(char16_t c);

#include "KivLX/KivLXUtilsPaths.h"
#include "KivLX/KivLXUtilsProbes.h"
#include "KivLX/KivLXUtilsShell.h"
#include "KivLX/KivLXUtilsSysInfo.h"
#include "KivLX/KivLXUtilsTempFiles.h"

#ifdef _WIN32
#include "Rtl/Win.h"

// The screen-cursor stack: pushing saves the screen's cursor and shows the given one;
// popping shows the saved one again (the default cursor when the stack is empty).
// Outside the unit's life the stack does not exist: EKivInternalError "Internal Error:
// ScreenCursorStack not assigned.".
void PushScreenCursor(int cursor);
void PopScreenCursor();
int ScreenCursorDepth();

// The unit's start-up and shut-down (the program's unit table).
void InitializeKivLXUtils();
void FinalizeKivLXUtils();
#endif
