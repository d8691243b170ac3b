// Host file streams over stdio; wide names are passed as UTF-8.
#include "Rtl/Streams.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

TFileStream::TFileStream(const std::u16string& fileName, FileMode mode) : fileName_(fileName) {
  const char* how = mode == FileMode::Create ? "w+b" : mode == FileMode::OpenRead ? "rb" : "r+b";
  std::FILE* f = std::fopen(WideToUtf8(fileName).c_str(), how);
  // The C library opens a folder for reading; Windows does not, and neither do we.
  struct stat info;
  if (f && fstat(fileno(f), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(f);
    f = nullptr;
    errno = EISDIR;
  }
  if (!f) {
    const char* text = std::strerror(errno);
    if (mode == FileMode::Create) {
      throw EFCreateError(Format(RtlMessages::kFCreateError, fileName, text));
    }
    throw EFOpenError(Format(RtlMessages::kFOpenError, fileName, text));
  }
  handle_ = f;
}

TFileStream::~TFileStream() { std::fclose(static_cast<std::FILE*>(handle_)); }

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  return static_cast<std::int64_t>(
      std::fread(buffer, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(handle_)));
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  return static_cast<std::int64_t>(
      std::fwrite(buffer, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(handle_)));
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  auto f = static_cast<std::FILE*>(handle_);
  int whence = origin == SeekOrigin::Begin     ? SEEK_SET
               : origin == SeekOrigin::Current ? SEEK_CUR
                                               : SEEK_END;
  if (std::fseek(f, static_cast<long>(offset), whence) != 0) return -1;
  return std::ftell(f);
}
