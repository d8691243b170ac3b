// Conversion between the binary form format and form text.
//
// Form text: one object per header line ("object", "inherited" or "inline", then
// "Name: Class" or only the class, then " [n]" for a child position), its properties as
// "Name = Value" lines one level deeper, its children, and an "end" line; two spaces per
// level, lines ending in CR LF. Values continue on lines at least one level deeper than
// the property line: lists "(" ... ")", collections "<" item ... end ">", binary data as
// hexadecimal lines in braces, long strings as pieces joined by " +".
//
// Binary to text and back gives the same bytes for any form the writer produced; text
// is pure ASCII (other characters are written as "#" codes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// Raises EReadError for malformed form data.
std::string FormBinaryToText(const std::uint8_t* data, std::size_t size);
std::string FormBinaryToText(const std::vector<std::uint8_t>& bytes);
// Raises EParserError "<what> on line <n>" for malformed text.
std::vector<std::uint8_t> FormTextToBinary(std::string_view text);

// Stream forms: read the rest of `input`, append the result to `output`.
void ObjectBinaryToText(TStream& input, TStream& output);
void ObjectTextToBinary(TStream& input, TStream& output);

// A string in form syntax: runs of printable ASCII characters in single quotes and
// every other character as "#" and its decimal code. Strings longer than 64 characters
// are cut into pieces of at most 64 characters joined by " +" and a line break; each
// continuation line starts with `continuationIndent` spaces. With `leadingBreak`, a long
// string also starts with a line break and the indent, so that no piece shares a line
// with what precedes it. An empty string is "''".
void AppendFormString(std::string& out, std::u16string_view s, std::size_t continuationIndent,
                      bool leadingBreak);
