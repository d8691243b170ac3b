#include "FormFiles/FormBinary.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

namespace {

inline bool IsAsciiIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= '0' && c <= '9');
}

template <typename T>
T LoadLE(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return static_cast<T>(v);
}

template <typename T>
void StoreLE(std::vector<std::uint8_t>& out, T value) {
  auto v = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

double BitsToDouble(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

std::uint64_t DoubleToBits(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

}  // namespace

bool IsValueType(std::uint8_t tag) { return tag <= 0x14; }

bool IsBinaryForm(const std::uint8_t* data, std::size_t size) {
  if (size >= 4 && std::memcmp(data, kFormSignature, 4) == 0) return true;
  return size >= 3 && data[0] == 0xFF && data[1] == 0x0A && data[2] == 0x00;
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t len;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < len; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return len;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len = Utf8SequenceLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsIdentifier(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      if (!IsAsciiIdentChar(s[i])) return false;
      ++i;
      continue;
    }
    std::size_t len = Utf8SequenceLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool IsDottedIdentifier(std::string_view s) {
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = s.find('.', start);
    if (!IsIdentifier(s.substr(start, dot == std::string_view::npos ? dot : dot - start))) {
      return false;
    }
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

// ---- reader ----

void TBinaryFormReader::Error(std::string_view what) const { ErrorAt(pos_, what); }

void TBinaryFormReader::ErrorAt(std::size_t offset, std::string_view what) const {
  throw EReadError(Format("Invalid form data at offset %d: %s", offset, what));
}

const std::uint8_t* TBinaryFormReader::Take(std::size_t count) {
  if (count > size_ - pos_) Error("unexpected end of data");
  const std::uint8_t* p = data_ + pos_;
  pos_ += count;
  return p;
}

std::uint32_t TBinaryFormReader::ReadUInt32() { return LoadLE<std::uint32_t>(Take(4)); }

std::string_view TBinaryFormReader::ReadShortString() {
  std::size_t len = ReadByte();
  return std::string_view(reinterpret_cast<const char*>(Take(len)), len);
}

void TBinaryFormReader::ReadResourceHeader() {
  Take(3);  // FF 0A 00: type RT_RCDATA
  if (pos_ < size_ && data_[pos_] == 0xFF) {
    Take(3);  // a name given by number
  } else {
    while (ReadByte() != 0) {
    }
  }
  Take(2);  // memory flags
  std::uint32_t streamSize = ReadUInt32();
  if (streamSize > size_ - pos_) Error("the resource header gives more bytes than there are");
  size_ = pos_ + streamSize;
  hasResourceHeader_ = true;
}

void TBinaryFormReader::ReadSignature() {
  if (size_ - pos_ >= 3 && data_[pos_] == 0xFF && data_[pos_ + 1] == 0x0A &&
      data_[pos_ + 2] == 0x00) {
    ReadResourceHeader();
  }
  streamStart_ = pos_;
  if (size_ - pos_ < 4 || std::memcmp(data_ + pos_, kFormSignature, 4) != 0) {
    Error("missing signature \"TPF0\"");
  }
  pos_ += 4;
}

void TBinaryFormReader::ReadObjectHeader(TObjectHeader& header) {
  header.flags = 0;
  header.childPos = 0;
  header.flagsByte = pos_ < size_ && (data_[pos_] & 0xF0) == kFlagsMarker;
  if (header.flagsByte) {
    std::uint8_t b = ReadByte();
    header.flags = b & 0x0F;
    if ((header.flags & ~(kFlagInherited | kFlagChildPos | kFlagInline)) != 0 ||
        (header.flags & (kFlagInherited | kFlagInline)) == (kFlagInherited | kFlagInline)) {
      --pos_;
      Error(Format("invalid object flags %d", b));
    }
    if (header.flags & kFlagChildPos) {
      TValueType t = ReadValueType();
      if (t != TValueType::vaInt8 && t != TValueType::vaInt16 && t != TValueType::vaInt32) {
        Error("child position must be an integer");
      }
      header.childPos = static_cast<std::int32_t>(ReadIntegerBody(t));
    }
  }
  header.className = ReadShortString();
  if (!IsIdentifier(header.className)) Error("invalid class name");
  header.objectName = ReadShortString();
  if (!header.objectName.empty() && !IsIdentifier(header.objectName)) {
    Error("invalid object name");
  }
}

bool TBinaryFormReader::EndOfList() {
  if (pos_ >= size_) Error("unexpected end of data");
  return data_[pos_] == 0;
}

void TBinaryFormReader::ReadListEnd() {
  if (ReadByte() != 0) {
    --pos_;
    Error("end of list expected");
  }
}

std::string_view TBinaryFormReader::ReadPropertyName() {
  std::string_view name = ReadShortString();
  if (!IsDottedIdentifier(name)) Error("invalid property name");
  return name;
}

TValueType TBinaryFormReader::NextValue() {
  if (pos_ >= size_) Error("unexpected end of data");
  std::uint8_t t = data_[pos_];
  if (!IsValueType(t)) Error(Format("unknown value type %d", t));
  return static_cast<TValueType>(t);
}

TValueType TBinaryFormReader::ReadValueType() {
  TValueType t = NextValue();
  ++pos_;
  return t;
}

std::int64_t TBinaryFormReader::ReadIntegerBody(TValueType type) {
  switch (type) {
    case TValueType::vaInt8:
      return static_cast<std::int8_t>(ReadByte());
    case TValueType::vaInt16:
      return LoadLE<std::int16_t>(Take(2));
    case TValueType::vaInt32:
      return LoadLE<std::int32_t>(Take(4));
    case TValueType::vaInt64:
      return LoadLE<std::int64_t>(Take(8));
    default:
      Error("integer expected");
  }
}

TExtended TBinaryFormReader::ReadExtendedBody() {
  TExtended v = TExtended::Load(Take(TExtended::kSize));
  // Text has no spelling for infinities and NaNs, nor for the encodings that mean no
  // number; refusing them keeps conversions exact.
  if (!v.IsValidFinite()) {
    pos_ -= TExtended::kSize;
    Error("invalid floating-point value");
  }
  return v;
}

float TBinaryFormReader::ReadSingleBody() {
  std::uint32_t bits = LoadLE<std::uint32_t>(Take(4));
  float f;
  std::memcpy(&f, &bits, sizeof f);
  if (!std::isfinite(f)) {
    pos_ -= 4;
    Error("invalid floating-point value");
  }
  return f;
}

double TBinaryFormReader::ReadDateBody() {
  double d = BitsToDouble(LoadLE<std::uint64_t>(Take(8)));
  if (!std::isfinite(d)) {
    pos_ -= 8;
    Error("invalid floating-point value");
  }
  return d;
}

std::int64_t TBinaryFormReader::ReadCurrencyBody() { return LoadLE<std::int64_t>(Take(8)); }

std::string_view TBinaryFormReader::ReadStringBody(TValueType type) {
  if (type == TValueType::vaString) return ReadShortString();
  std::size_t start = pos_;
  std::uint32_t len = ReadUInt32();
  std::string_view s(reinterpret_cast<const char*>(Take(len)), len);
  if (type == TValueType::vaUtf8String && !IsUtf8(s)) {
    pos_ = start;
    Error("invalid UTF-8 text");
  }
  return s;
}

std::u16string TBinaryFormReader::ReadWStringBody() {
  std::uint32_t len = ReadUInt32();
  if (len > (size_ - pos_) / 2) Error("unexpected end of data");
  const std::uint8_t* p = Take(static_cast<std::size_t>(len) * 2);
  std::u16string s(len, u'\0');
  for (std::uint32_t i = 0; i < len; ++i)
    s[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  return s;
}

std::string_view TBinaryFormReader::ReadIdentBody() {
  std::string_view s = ReadShortString();
  if (!IsDottedIdentifier(s)) Error("invalid identifier");
  return s;
}

std::string_view TBinaryFormReader::ReadSetElement() {
  std::string_view s = ReadShortString();
  if (!s.empty() && !IsIdentifier(s)) Error("invalid set element");
  return s;
}

std::string_view TBinaryFormReader::ReadBinaryBody() {
  std::uint32_t len = ReadUInt32();
  return std::string_view(reinterpret_cast<const char*>(Take(len)), len);
}

bool TBinaryFormReader::ReadCollectionItemStart() {
  std::uint8_t b = ReadByte();
  if (b == 0) return false;
  if (b != static_cast<std::uint8_t>(TValueType::vaList)) {
    --pos_;
    Error("collection item expected");
  }
  return true;
}

std::int64_t TBinaryFormReader::ReadInteger() { return ReadIntegerBody(ReadValueType()); }

double TBinaryFormReader::ReadFloat() {
  TValueType t = ReadValueType();
  if (t == TValueType::vaExtended) return ExtendedToDouble(ReadExtendedBody());
  if (t == TValueType::vaSingle) return ReadSingleBody();
  if (t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32 ||
      t == TValueType::vaInt64) {
    return static_cast<double>(ReadIntegerBody(t));
  }
  Error("floating-point value expected");
}

std::u16string TBinaryFormReader::ReadString() {
  TValueType t = ReadValueType();
  switch (t) {
    case TValueType::vaString:
    case TValueType::vaLString:
      return AnsiToWide(ReadStringBody(t));
    case TValueType::vaUtf8String:
      return Utf8ToWide(ReadStringBody(t));
    case TValueType::vaWString:
      return ReadWStringBody();
    default:
      Error("string expected");
  }
}

std::string TBinaryFormReader::ReadIdent() {
  TValueType t = ReadValueType();
  switch (t) {
    case TValueType::vaIdent:
      return std::string(ReadIdentBody());
    case TValueType::vaFalse:
      return "False";
    case TValueType::vaTrue:
      return "True";
    case TValueType::vaNil:
      return "nil";
    default:
      Error("identifier expected");
  }
}

bool TBinaryFormReader::ReadBoolean() {
  TValueType t = ReadValueType();
  if (t != TValueType::vaTrue && t != TValueType::vaFalse) Error("boolean expected");
  return t == TValueType::vaTrue;
}

void TBinaryFormReader::ReadListBegin() {
  if (ReadValueType() != TValueType::vaList) Error("list expected");
}

// ---- writer ----

void TBinaryFormWriter::WriteRaw(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  out_.insert(out_.end(), p, p + size);
}

void TBinaryFormWriter::WriteUInt32(std::uint32_t v) { StoreLE(out_, v); }

void TBinaryFormWriter::WriteShortString(std::string_view s) {
  if (s.size() > 255) throw EWriteError(Format("Name too long for form data: %s", s));
  out_.push_back(static_cast<std::uint8_t>(s.size()));
  WriteRaw(s.data(), s.size());
}

void TBinaryFormWriter::WriteSignature() { WriteRaw(kFormSignature, 4); }

void TBinaryFormWriter::WriteObjectHeader(const TObjectHeader& header) {
  // A class name of 240 bytes or more has a length byte that reads as flags; an empty
  // flags byte in front keeps it a name.
  if (header.flags != 0 || header.className.size() >= kFlagsMarker) {
    out_.push_back(static_cast<std::uint8_t>(kFlagsMarker | header.flags));
  }
  if (header.flags & kFlagChildPos) WriteInteger(header.childPos);
  WriteShortString(header.className);
  WriteShortString(header.objectName);
}

void TBinaryFormWriter::WritePropertyName(std::string_view name) { WriteShortString(name); }

void TBinaryFormWriter::WriteInteger(std::int64_t v) {
  if (v >= INT8_MIN && v <= INT8_MAX) {
    WriteValueType(TValueType::vaInt8);
    StoreLE(out_, static_cast<std::int8_t>(v));
  } else if (v >= INT16_MIN && v <= INT16_MAX) {
    WriteValueType(TValueType::vaInt16);
    StoreLE(out_, static_cast<std::int16_t>(v));
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    WriteValueType(TValueType::vaInt32);
    StoreLE(out_, static_cast<std::int32_t>(v));
  } else {
    WriteValueType(TValueType::vaInt64);
    StoreLE(out_, v);
  }
}

void TBinaryFormWriter::WriteExtended(const TExtended& v) {
  WriteValueType(TValueType::vaExtended);
  std::uint8_t bytes[TExtended::kSize];
  v.Store(bytes);
  WriteRaw(bytes, sizeof bytes);
}

void TBinaryFormWriter::WriteSingle(float v) {
  WriteValueType(TValueType::vaSingle);
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  StoreLE(out_, bits);
}

void TBinaryFormWriter::WriteDate(double v) {
  WriteValueType(TValueType::vaDate);
  StoreLE(out_, DoubleToBits(v));
}

void TBinaryFormWriter::WriteCurrency(std::int64_t tenThousandths) {
  WriteValueType(TValueType::vaCurrency);
  StoreLE(out_, tenThousandths);
}

void TBinaryFormWriter::WriteString(std::u16string_view s, bool listItem) {
  std::size_t i = 0;
  while (i < s.size() && s[i] < 0x80) ++i;
  if (i == s.size()) {
    // ASCII: the code units are the bytes.
    if (s.size() <= 255) {
      WriteValueType(TValueType::vaString);
      out_.push_back(static_cast<std::uint8_t>(s.size()));
    } else {
      if (s.size() > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
      WriteValueType(TValueType::vaLString);
      WriteUInt32(static_cast<std::uint32_t>(s.size()));
    }
    for (char16_t c : s) out_.push_back(static_cast<std::uint8_t>(c));
    return;
  }
  std::size_t utf8Bytes = i;
  bool loneSurrogate = false;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c < 0x80) {
      utf8Bytes += 1;
    } else if (c < 0x800) {
      utf8Bytes += 2;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
               s[i + 1] <= 0xDFFF) {
      utf8Bytes += 4;
      ++i;
    } else {
      loneSurrogate = loneSurrogate || (c >= 0xD800 && c <= 0xDFFF);
      utf8Bytes += 3;
    }
  }
  // UTF-8 cannot carry a lone surrogate; UTF-16 carries every code unit. Where both take
  // as many bytes, the tools store a property's text as UTF-16 and a list item as UTF-8.
  const std::size_t utf16Bytes = s.size() * 2;
  if (!loneSurrogate && (utf8Bytes < utf16Bytes || (listItem && utf8Bytes == utf16Bytes))) {
    WriteUtf8String(WideToUtf8(s));
  } else {
    WriteWideString(s);
  }
}

void TBinaryFormWriter::WriteAnsiString(std::string_view s) {
  if (s.size() <= 255) {
    WriteValueType(TValueType::vaString);
    WriteShortString(s);
    return;
  }
  WriteLString(s);
}

void TBinaryFormWriter::WriteLString(std::string_view s) {
  if (s.size() > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
  WriteValueType(TValueType::vaLString);
  WriteUInt32(static_cast<std::uint32_t>(s.size()));
  WriteRaw(s.data(), s.size());
}

void TBinaryFormWriter::WriteUtf8String(std::string_view s) {
  if (s.size() > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
  WriteValueType(TValueType::vaUtf8String);
  WriteUInt32(static_cast<std::uint32_t>(s.size()));
  WriteRaw(s.data(), s.size());
}

void TBinaryFormWriter::WriteWideString(std::u16string_view s) {
  if (s.size() > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
  WriteValueType(TValueType::vaWString);
  WriteUInt32(static_cast<std::uint32_t>(s.size()));
  out_.reserve(out_.size() + s.size() * 2);
  for (char16_t c : s) {
    out_.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

void TBinaryFormWriter::WriteIdent(std::string_view s) {
  WriteValueType(TValueType::vaIdent);
  WriteShortString(s);
}

void TBinaryFormWriter::WriteBinary(const std::uint8_t* data, std::size_t size) {
  if (size > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
  WriteValueType(TValueType::vaBinary);
  WriteUInt32(static_cast<std::uint32_t>(size));
  WriteRaw(data, size);
}

std::vector<std::uint8_t> AddFormResourceHeader(const std::vector<std::uint8_t>& stream) {
  TBinaryFormReader r(stream);
  r.ReadSignature();
  if (r.HasResourceHeader()) return stream;
  TObjectHeader h;
  r.ReadObjectHeader(h);
  if (stream.size() > UINT32_MAX) throw EWriteError(RtlMessages::kWriteError);
  std::vector<std::uint8_t> out = {0xFF, 0x0A, 0x00};
  out.reserve(stream.size() + h.className.size() + 10);
  for (char c : h.className) {
    out.push_back(static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  }
  out.push_back(0);
  StoreLE(out, kFormResourceFlags);
  StoreLE(out, static_cast<std::uint32_t>(stream.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}
