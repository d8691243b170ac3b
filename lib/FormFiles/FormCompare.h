// Forms compared by what they hold rather than by their bytes, to tell a conversion that
// changed a value from one that only stored it in another kind (an integer of another
// width, a string of another kind with the same characters, an identifier True as the
// value True).
//
// A string holds bytes or characters: 8-bit text beyond ASCII is bytes of a code page no
// reader can know, and holds the same only as the same bytes; any other string holds its
// characters, whatever its kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TStringContent {
  bool codePageBytes = false;
  std::string bytes;     // with codePageBytes
  std::u16string chars;  // otherwise

  friend bool operator==(const TStringContent&, const TStringContent&) = default;
};

// What an 8-bit string holds (ASCII is characters), and what characters hold.
TStringContent EightBitContent(std::string_view bytes);
TStringContent CharContent(std::u16string_view chars);

struct TFormStringAt {
  TStringContent content;
  std::size_t where = 0;  // the text line (from 1), or the offset of the value in the data
};

// Every string value in the order of the form: of form text (EParserError when the text
// is malformed), and of a binary form (EReadError when the data is malformed).
std::vector<TFormStringAt> FormTextStrings(std::string_view text);
std::vector<TFormStringAt> FormBinaryStrings(const std::uint8_t* data, std::size_t size);

// The index of the first string whose content differs, or the shorter list's size when
// one list ends early; npos when they are the same.
std::size_t FirstStringChange(const std::vector<TFormStringAt>& a,
                              const std::vector<TFormStringAt>& b);

struct TFormComparison {
  bool sameContent = true;
  std::size_t contentOffset = 0;  // with !sameContent: where the first difference starts in a
  int kindChanges = 0;            // values of the same content stored in another kind
  std::size_t kindOffset = 0;     // where the first of them starts in a
};

// Two binary forms (bare streams or binary form files), up to the end of their root
// objects. EReadError when either is malformed.
TFormComparison CompareBinaryForms(const std::uint8_t* a, std::size_t aSize, const std::uint8_t* b,
                                   std::size_t bSize);
