#include "PlinthRunLog.h"

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"

namespace {

std::u16string logFile;

// Opened for each event, so that every line is on disk however the run ends, and
// shared, so that an administrator can read it meanwhile.
FileHandle OpenAtEnd(const std::u16string& fileName) {
  FileHandle file(Platform::CreateFile(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  if (file) SetFilePointer(file.get(), 0, nullptr, FILE_END);
  return file;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

TLogTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace

void OpenRunLog(const std::u16string& fileName) {
  const std::u16string full = Platform::FullPathName(fileName);
  FileHandle file = OpenAtEnd(full);
  if (!file) {
    DWORD code = GetLastError();
    throw EFCreateError(Format(RtlMessages::kFCreateError, full, SysErrorMessage(code)));
  }
  // A new file says it is UTF-8; lines appended to an old one must not repeat that.
  if (GetFileSize(file.get(), nullptr) == 0 && !WriteAll(file.get(), "\xEF\xBB\xBF")) {
    DWORD code = GetLastError();
    throw EFCreateError(Format(RtlMessages::kFCreateError, full, SysErrorMessage(code)));
  }
  logFile = full;
}

void CloseRunLog() { logFile.clear(); }

const std::u16string& RunLogFile() { return logFile; }

void LogEvent(const std::u16string& text) {
  if (logFile.empty()) return;
  FileHandle file = OpenAtEnd(logFile);
  if (file) (void)WriteAll(file.get(), WideToUtf8(FormatLogEvent(Now(), text)));
}

std::u16string DefaultRunLogFile() {
  return IncludeTrailingSlash(Platform::GetTempPath()) + u"Plinth2000.log";
}
