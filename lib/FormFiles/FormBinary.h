// The binary form format: a "TPF0" signature and one object tree. The byte layout is
// fixed in FormBinaryFormat.md beside this file; resource modules depend on it.
//
// TBinaryFormReader reads over bytes it does not own and checks every count and length
// against the bytes that remain, so malformed data ends in EReadError
// "Invalid form data at offset <n>: <what>" and never in a read past the end.
// TBinaryFormWriter appends to a byte vector and always writes the shortest encoding,
// so text converted to binary has one canonical form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TValueType : std::uint8_t {
  vaNull = 0x00,  // ends lists, collections, sets, properties and children
  vaList = 0x01,
  vaInt8 = 0x02,
  vaInt16 = 0x03,
  vaInt32 = 0x04,
  vaDouble = 0x05,
  vaString = 0x06,  // 8-bit, length byte
  vaIdent = 0x07,
  vaFalse = 0x08,
  vaTrue = 0x09,
  vaBinary = 0x0A,
  vaSet = 0x0B,
  vaLString = 0x0C,  // 8-bit, 32-bit length
  vaNil = 0x0D,
  vaCollection = 0x0E,
  vaCurrency = 0x0F,
  vaDate = 0x10,
  vaWString = 0x11,  // UTF-16 LE, 32-bit length in characters
  vaInt64 = 0x12,
};
inline constexpr std::uint8_t kMaxValueType = 0x12;

// Object flags. The flags byte carries them in its low bits under a marker in the high
// bits, so that an object never starts with the zero byte that ends a sequence.
inline constexpr std::uint8_t kFlagsMarker = 0xF0;
inline constexpr std::uint8_t kFlagInherited = 0x01;
inline constexpr std::uint8_t kFlagChildPos = 0x02;
inline constexpr std::uint8_t kFlagInline = 0x04;

// Objects, lists and collections nest at most this deep, so that hostile input cannot
// exhaust the stack of the recursive readers.
inline constexpr int kMaxFormDepth = 128;

inline constexpr char kFormSignature[4] = {'T', 'P', 'F', '0'};

// True when the bytes start with the form signature.
bool IsBinaryForm(const std::uint8_t* data, std::size_t size);

// Identifier syntax shared by the binary and the text form: a letter or "_", then
// letters, digits and "_"; a dotted identifier joins such parts with ".".
bool IsIdentifier(std::string_view s);
bool IsDottedIdentifier(std::string_view s);

struct TObjectHeader {
  std::uint8_t flags = 0;
  std::int32_t childPos = 0;  // valid with kFlagChildPos
  std::string_view className;
  std::string_view objectName;  // empty for an unnamed object
};

class TBinaryFormReader {
 public:
  TBinaryFormReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit TBinaryFormReader(const std::vector<std::uint8_t>& bytes)
      : TBinaryFormReader(bytes.data(), bytes.size()) {}

  std::size_t Position() const { return pos_; }
  void ReadSignature();
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
  std::int64_t ReadIntegerBody(TValueType type);     // vaInt8 .. vaInt32, vaInt64
  double ReadDoubleBody();                           // vaDouble, vaDate: finite values only
  std::int64_t ReadCurrencyBody();                   // ten-thousandths
  std::string_view ReadStringBody(TValueType type);  // vaString, vaLString: 8-bit bytes
  std::u16string ReadWStringBody();
  std::string_view ReadIdentBody();
  // A set element, or empty at the set's end (which it consumes).
  std::string_view ReadSetElement();
  std::string_view ReadBinaryBody();  // the raw bytes
  // A collection item starts with vaList; false at the collection's end (consumed).
  bool ReadCollectionItemStart();

  // Whole values, for readers of known properties.
  std::int64_t ReadInteger();
  std::u16string ReadString();  // any string kind; 8-bit ones through the code page
  std::string ReadIdent();
  bool ReadBoolean();
  void ReadListBegin();

  [[noreturn]] void Error(std::string_view what) const;

 private:
  const std::uint8_t* Take(std::size_t count);
  std::uint8_t ReadByte() { return *Take(1); }
  std::uint32_t ReadUInt32();
  std::string_view ReadShortString();

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class TBinaryFormWriter {
 public:
  explicit TBinaryFormWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void WriteSignature();
  void WriteObjectHeader(const TObjectHeader& header);
  void WriteListEnd() { out_.push_back(0); }
  void WritePropertyName(std::string_view name);
  void WriteValueType(TValueType type) { out_.push_back(static_cast<std::uint8_t>(type)); }

  void WriteInteger(std::int64_t v);  // the smallest integer type that holds it
  void WriteDouble(double v);
  void WriteDate(double v);
  void WriteCurrency(std::int64_t tenThousandths);
  // Pure ASCII text as an 8-bit string (vaString up to 255 characters, else vaLString);
  // anything else as a wide string, so no character depends on a code page.
  void WriteString(std::u16string_view s, bool ascii);
  void WriteString(std::u16string_view s);
  void WriteAnsiString(std::string_view s);
  void WriteWideString(std::u16string_view s);
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
