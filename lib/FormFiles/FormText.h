// Conversion between the binary form format and form text, in the layout the
// development tools write.
//
// Form text: one object per header line ("object", "inherited" or "inline", then
// "Name: Class" or only the class, then " [n]" for a child position), its properties as
// "Name = Value" lines one level deeper, its children, and an "end" line; two spaces per
// level, lines ending in CR LF. Values continue on lines one level deeper than the line
// they start on: lists "(" ... ")", collections "<" item ... end ">", binary data of
// more than 32 bytes as lines of 64 hexadecimal digits in braces, and strings of more
// than 64 characters as pieces joined by " +", starting on a line of their own.
//
// No conversion changes a character: 8-bit strings keep their bytes (those beyond ASCII
// stand raw in the quotes, in whatever code page they were saved), and the characters of
// wide and UTF-8 strings beyond ASCII are written as "#" codes. Text whose identifiers
// are all ASCII is 8-bit text; a form with a non-ASCII identifier is written as UTF-8 and
// starts with a byte-order mark (a form that has both those and 8-bit strings beyond
// ASCII has no text form: EReadError). Reading takes both.
//
// Binary to text and back gives the same bytes for any form the writer produced; for
// other forms, the same values, possibly of other kinds (FormBinaryFormat.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// The form stream or binary form file (resource header first) as text. Raises EReadError
// for malformed data. With `lineOffsets`, entry i is the offset in the data where what
// text line i + 1 shows begins.
std::string FormBinaryToText(const std::uint8_t* data, std::size_t size,
                             std::vector<std::size_t>* lineOffsets = nullptr);
std::string FormBinaryToText(const std::vector<std::uint8_t>& bytes);
// The form stream (from "TPF0") of form text. Raises EParserError "<what> on line <n>"
// for malformed text. AddFormResourceHeader (FormBinary.h) makes a binary form file of it.
std::vector<std::uint8_t> FormTextToBinary(std::string_view text);

// Stream forms: read the rest of `input`, append the result to `output`.
void ObjectBinaryToText(TStream& input, TStream& output);
void ObjectTextToBinary(TStream& input, TStream& output);

// A string in form syntax: runs of printable ASCII characters in single quotes and
// every other character as "#" and its decimal code (AppendFormBytes: 8-bit text, whose
// bytes beyond ASCII stand in the quotes too, and whose pieces count bytes). Strings longer than 64
// characters are cut into pieces of at most 64 characters joined by " +" and a line break; each
// continuation line starts with `continuationIndent` spaces. With `leadingBreak`, a long
// string also starts with a line break and the indent, so that no piece shares a line
// with what precedes it. An empty string is "''".
void AppendFormString(std::string& out, std::u16string_view s, std::size_t continuationIndent,
                      bool leadingBreak);
void AppendFormBytes(std::string& out, std::string_view s, std::size_t continuationIndent,
                     bool leadingBreak);
