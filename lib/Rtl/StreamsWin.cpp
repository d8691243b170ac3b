#include "Rtl/Streams.h"

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

TFileStream::TFileStream(const std::u16string& fileName, FileMode mode) : fileName_(fileName) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD share = 0;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case FileMode::Create:
      disposition = CREATE_ALWAYS;
      break;
    case FileMode::OpenRead:
      access = GENERIC_READ;
      share = FILE_SHARE_READ;
      break;
    case FileMode::OpenWrite:
      access = GENERIC_WRITE;
      break;
    case FileMode::OpenReadWrite:
      break;
  }
  HANDLE h = Platform::CreateFile(fileName, access, share, disposition, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (mode == FileMode::Create) {
      throw EFCreateError(Format(RtlMessages::kFCreateError, fileName, SysErrorMessage(code)));
    }
    throw EFOpenError(Format(RtlMessages::kFOpenError, fileName, SysErrorMessage(code)));
  }
  handle_ = h;
}

TFileStream::~TFileStream() { CloseHandle(static_cast<HANDLE>(handle_)); }

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  std::int64_t total = 0;
  auto p = static_cast<char*>(buffer);
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(count - total > 0x40000000 ? 0x40000000 : count - total);
    DWORD done = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), p + total, chunk, &done, nullptr) || done == 0) {
      break;
    }
    total += done;
  }
  return total;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t total = 0;
  auto p = static_cast<const char*>(buffer);
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(count - total > 0x40000000 ? 0x40000000 : count - total);
    DWORD done = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), p + total, chunk, &done, nullptr) || done == 0) {
      break;
    }
    total += done;
  }
  return total;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                 : origin == SeekOrigin::Current ? FILE_CURRENT
                                                 : FILE_END;
  // SetFilePointer with its high part reaches past 4 GB on every system; the Ex form
  // is missing before Windows 2000. A low part of all ones is a failure only when the
  // call says so.
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(static_cast<HANDLE>(handle_),
                             static_cast<LONG>(static_cast<std::uint32_t>(offset)), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low);
}
