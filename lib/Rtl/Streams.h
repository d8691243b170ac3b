// Byte streams: the abstract stream, memory streams and file streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads or writes up to `count` bytes; returns the number moved.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t p) { Seek(p, SeekOrigin::Begin); }
  virtual std::int64_t Size();

  // Reads or writes exactly `count` bytes; a short read raises EReadError
  // ("Stream read error"), a short write EWriteError ("Stream write error").
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies `count` bytes from `source` (all of it from its start when count is 0);
  // a source that runs short, or a negative count, raises EReadError.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
  // The rest of the stream from the current position.
  std::vector<std::uint8_t> ReadAll();
};

// A stream over bytes held in memory, which it owns.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  void Clear();

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t pos_ = 0;
};

// A read-only stream over memory that someone else owns (a resource, a mapped block).
class TReadOnlyMemoryStream : public TStream {
 public:
  TReadOnlyMemoryStream(const void* data, std::int64_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;  // raises EWriteError
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override { return size_; }
  const std::uint8_t* Memory() const { return data_; }

 protected:
  void SetMemory(const void* data, std::int64_t size) {
    data_ = static_cast<const std::uint8_t*>(data);
    size_ = size;
  }

 private:
  const std::uint8_t* data_;
  std::int64_t size_;
  std::int64_t pos_ = 0;
};

// File open modes, as the toolkit names them.
enum class FileMode {
  Create,        // created or truncated; read and write; no sharing
  OpenRead,      // existing file, read; others may read
  OpenWrite,     // existing file, write; no sharing
  OpenReadWrite  // existing file, read and write; no sharing
};

// A stream over a file. Failing to create raises EFCreateError
// "Cannot create file \"%s\". %s"; failing to open EFOpenError
// "Cannot open file \"%s\". %s" (with the full name and the system's text).
class TFileStream : public TStream {
 public:
  TFileStream(const std::u16string& fileName, FileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  const std::u16string& FileName() const { return fileName_; }

 private:
  std::u16string fileName_;
  void* handle_;  // HANDLE on Windows, FILE* on the host
};

// Whole-file helpers on top of TFileStream.
std::vector<std::uint8_t> ReadFileBytes(const std::u16string& fileName);
void WriteFileBytes(const std::u16string& fileName, const void* data, std::size_t size);
