#include "Rtl/Streams.h"

#include <cstring>

#include "Rtl/Exceptions.h"

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, SeekOrigin::Current);
  std::int64_t size = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(RtlMessages::kReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(RtlMessages::kWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count < 0) throw EReadError(RtlMessages::kReadError);
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(count < 65536 ? count : 65536));
  std::int64_t left = count;
  while (left > 0) {
    std::int64_t n = left < static_cast<std::int64_t>(buf.size()) ? left : buf.size();
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return count;
}

std::vector<std::uint8_t> TStream::ReadAll() {
  std::int64_t left = Size() - Position();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(left > 0 ? left : 0));
  ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

namespace {
// New position for a seek, clamped at 0; the stream does not grow by seeking.
std::int64_t SeekTarget(std::int64_t pos, std::int64_t size, std::int64_t offset,
                        SeekOrigin origin) {
  std::int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos : size;
  std::int64_t target = base + offset;
  return target < 0 ? 0 : target;
}

std::int64_t CopyOut(const std::uint8_t* data, std::int64_t size, std::int64_t& pos, void* buffer,
                     std::int64_t count) {
  if (count <= 0 || pos >= size) return 0;
  std::int64_t n = size - pos < count ? size - pos : count;
  std::memcpy(buffer, data + pos, static_cast<std::size_t>(n));
  pos += n;
  return n;
}
}  // namespace

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  return CopyOut(bytes_.data(), Size(), pos_, buffer, count);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::size_t end = static_cast<std::size_t>(pos_ + count);
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + pos_, buffer, static_cast<std::size_t>(count));
  pos_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  pos_ = SeekTarget(pos_, Size(), offset, origin);
  return pos_;
}

void TMemoryStream::Clear() {
  bytes_.clear();
  pos_ = 0;
}

std::int64_t TReadOnlyMemoryStream::Read(void* buffer, std::int64_t count) {
  return CopyOut(data_, size_, pos_, buffer, count);
}

std::int64_t TReadOnlyMemoryStream::Write(const void*, std::int64_t) {
  throw EWriteError(RtlMessages::kWriteError);
}

std::int64_t TReadOnlyMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  pos_ = SeekTarget(pos_, size_, offset, origin);
  return pos_;
}

std::vector<std::uint8_t> ReadFileBytes(const std::u16string& fileName) {
  TFileStream f(fileName, FileMode::OpenRead);
  return f.ReadAll();
}

void WriteFileBytes(const std::u16string& fileName, const void* data, std::size_t size) {
  TFileStream f(fileName, FileMode::Create);
  f.WriteBuffer(data, static_cast<std::int64_t>(size));
}
