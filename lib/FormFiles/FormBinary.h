// The binary form format: a "TPF0" signature and one object tree, as the development
// tools store forms in resources and binary form files. The byte layout is described in
// FormBinaryFormat.md beside this file.
//
// TBinaryFormReader reads over bytes it does not own and checks every count and length
// against the bytes that remain, so malformed data ends in EReadError
// "Invalid form data at offset <n>: <what>" and never in a read past the end. Offsets
// count from the start of the data given, resource header included.
// TBinaryFormWriter appends to a byte vector and always writes one encoding for each
// value, so text converted to binary has one canonical form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormFloat.h"

enum class TValueType : std::uint8_t {
  vaNull = 0x00,  // ends lists, collections, sets, properties and children
  vaList = 0x01,
  vaInt8 = 0x02,
  vaInt16 = 0x03,
  vaInt32 = 0x04,
  vaExtended = 0x05,  // 10-byte extended float
  vaString = 0x06,    // 8-bit, length byte
  vaIdent = 0x07,
  vaFalse = 0x08,
  vaTrue = 0x09,
  vaBinary = 0x0A,
  vaSet = 0x0B,
  vaLString = 0x0C,  // 8-bit, 32-bit length
  vaNil = 0x0D,
  vaCollection = 0x0E,
  vaSingle = 0x0F,    // 4-byte float
  vaCurrency = 0x10,  // 8 bytes, ten-thousandths
  vaDate = 0x11,      // 8-byte double, days since 30 December 1899
  vaWString = 0x12,   // UTF-16 LE, 32-bit length in code units
  vaInt64 = 0x13,
  vaUtf8String = 0x14,  // UTF-8, 32-bit length in bytes
};

// True for the bytes that are value types.
bool IsValueType(std::uint8_t tag);

// Object flags. An object that has any starts with a flags byte, the flags in its low
// bits under 0xF0 in the high bits; an ordinary object starts with its class name.
inline constexpr std::uint8_t kFlagsMarker = 0xF0;
inline constexpr std::uint8_t kFlagInherited = 0x01;
inline constexpr std::uint8_t kFlagChildPos = 0x02;
inline constexpr std::uint8_t kFlagInline = 0x04;

// Objects, lists and collections nest at most this deep, so that hostile input cannot
// exhaust the stack of the recursive readers.
inline constexpr int kMaxFormDepth = 128;

inline constexpr char kFormSignature[4] = {'T', 'P', 'F', '0'};

// A binary form file starts with a resource header: type RT_RCDATA (FF 0A 00), the
// resource name (null-terminated, the root's class name in upper case), memory flags
// 0x1030 and the size of the form stream that follows.
inline constexpr std::uint16_t kFormResourceFlags = 0x1030;

// True when the bytes start with a form stream or with a binary form file's header.
bool IsBinaryForm(const std::uint8_t* data, std::size_t size);

// Identifier syntax shared by the binary and the text form: a letter or "_", then
// letters, digits and "_"; a dotted identifier joins such parts with ".". Letters are
// ASCII letters and any non-ASCII character, the latter in well-formed UTF-8.
bool IsIdentifier(std::string_view s);
bool IsDottedIdentifier(std::string_view s);
// True when every byte is below 0x80.
bool IsAscii(std::string_view s);
// The length of the well-formed UTF-8 sequence at s[i] (1 for ASCII), 0 when malformed.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);
bool IsUtf8(std::string_view s);

struct TObjectHeader {
  std::uint8_t flags = 0;
  std::int32_t childPos = 0;  // valid with kFlagChildPos
  std::string_view className;
  std::string_view objectName;  // empty for an unnamed object
  bool flagsByte = false;       // read: there was a flags byte (possibly without flags)
};

class TBinaryFormReader {
 public:
  TBinaryFormReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit TBinaryFormReader(const std::vector<std::uint8_t>& bytes)
      : TBinaryFormReader(bytes.data(), bytes.size()) {}

  std::size_t Position() const { return pos_; }
  // Reads a binary form file's resource header, when there is one, and the signature.
  // Behind a header, reading is bounded by the size the header gives.
  void ReadSignature();
  bool HasResourceHeader() const { return hasResourceHeader_; }
  // Where the form stream starts (behind the header, if any).
  std::size_t StreamStart() const { return streamStart_; }

  void ReadObjectHeader(TObjectHeader& header);

  // True when the next byte is the terminator of the current sequence (properties,
  // children, list elements, collection items).
  bool EndOfList();
  void ReadListEnd();
  // A property name: a non-empty dotted identifier.
  std::string_view ReadPropertyName();

  TValueType NextValue();
  TValueType ReadValueType();

  // Value bodies, read after ReadValueType() returned their type.
  std::int64_t ReadIntegerBody(TValueType type);  // vaInt8 .. vaInt32, vaInt64
  TExtended ReadExtendedBody();                   // valid finite values only
  float ReadSingleBody();                         // finite values only
  double ReadDateBody();                          // finite values only
  std::int64_t ReadCurrencyBody();                // ten-thousandths
  // vaString, vaLString: 8-bit bytes; vaUtf8String: well-formed UTF-8.
  std::string_view ReadStringBody(TValueType type);
  std::u16string ReadWStringBody();
  std::string_view ReadIdentBody();
  // The bytes of an identifier value as stored, unchecked: some writers stored bytes
  // that are no identifier, which a conversion must keep all the same.
  std::string_view ReadRawIdentBody() { return ReadShortString(); }
  // A set element, or empty at the set's end (which it consumes).
  std::string_view ReadSetElement();
  std::string_view ReadBinaryBody();  // the raw bytes
  // A collection item starts with vaList; false at the collection's end (consumed).
  bool ReadCollectionItemStart();

  // Whole values, for readers of known properties.
  std::int64_t ReadInteger();
  // vaExtended rounded to the nearest double; vaSingle and integers converted.
  double ReadFloat();
  // Any string kind: 8-bit ones through the code page, UTF-8 ones decoded.
  std::u16string ReadString();
  std::string ReadIdent();
  bool ReadBoolean();
  void ReadListBegin();

  [[noreturn]] void Error(std::string_view what) const;
  // The same error for what starts at `offset`.
  [[noreturn]] void ErrorAt(std::size_t offset, std::string_view what) const;

 private:
  const std::uint8_t* Take(std::size_t count);
  std::uint8_t ReadByte() { return *Take(1); }
  std::uint32_t ReadUInt32();
  std::string_view ReadShortString();
  void ReadResourceHeader();

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t streamStart_ = 0;
  bool hasResourceHeader_ = false;
};

class TBinaryFormWriter {
 public:
  explicit TBinaryFormWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void WriteSignature();
  // The flags byte only when there are flags (or when the class name's length byte would
  // read as one).
  void WriteObjectHeader(const TObjectHeader& header);
  void WriteListEnd() { out_.push_back(0); }
  void WritePropertyName(std::string_view name);
  void WriteValueType(TValueType type) { out_.push_back(static_cast<std::uint8_t>(type)); }

  void WriteInteger(std::int64_t v);  // the smallest integer type that holds it
  void WriteExtended(const TExtended& v);
  void WriteFloat(double v) { WriteExtended(ExtendedFromDouble(v)); }
  void WriteSingle(float v);
  void WriteDate(double v);
  void WriteCurrency(std::int64_t tenThousandths);
  // Pure ASCII text as an 8-bit string (vaString up to 255 characters, else vaLString);
  // other text as UTF-8 when that takes fewer bytes than UTF-16 (for a list item: no
  // more bytes), else as UTF-16; as UTF-16 whenever it holds a lone surrogate.
  void WriteString(std::u16string_view s, bool listItem = false);
  void WriteAnsiString(std::string_view s);     // 8-bit: vaString or vaLString by length
  void WriteLString(std::string_view s);        // 8-bit, vaLString whatever the length
  void WriteUtf8String(std::string_view s);     // vaUtf8String
  void WriteWideString(std::u16string_view s);  // vaWString
  void WriteIdent(std::string_view s);
  void WriteBoolean(bool v) { WriteValueType(v ? TValueType::vaTrue : TValueType::vaFalse); }
  void WriteNil() { WriteValueType(TValueType::vaNil); }
  void WriteSetElement(std::string_view s) { WriteShortString(s); }
  void WriteBinary(const std::uint8_t* data, std::size_t size);
  void WriteListBegin() { WriteValueType(TValueType::vaList); }

 private:
  void WriteShortString(std::string_view s);
  void WriteUInt32(std::uint32_t v);
  void WriteRaw(const void* data, std::size_t size);

  std::vector<std::uint8_t>& out_;
};

// Puts a binary form file's resource header in front of a form stream; the resource
// name is the root's class name in upper case.
std::vector<std::uint8_t> AddFormResourceHeader(const std::vector<std::uint8_t>& stream);
