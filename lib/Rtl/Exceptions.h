// The exception hierarchy every unit raises and catches.
//
// Messages are 8-bit text in the system code page. Handlers that add context either
// change the caught object's message and rethrow the same object, or raise a new
// `Exception` whose message is the old one, a blank line and their own sentence.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>

// Base of every exception the system raises. Answers its own class name, which the
// error reports print.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define KIV_DECLARE_EXCEPTION(Name, Base)                    \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

// An exception that is not of the library (a standard exception, or any other
// thrown value) as the toolkit hands it on: its message, and the class name of what
// was thrown, so that a report names the real type however often it is re-raised.
class EForeignException : public Exception {
 public:
  EForeignException(std::string className, std::string message)
      : Exception(std::move(message)), className_(std::move(className)) {}
  const char* ClassName() const override { return className_.c_str(); }

 private:
  std::string className_;
};

// The class name a report prints: the library's own, else the demangled type.
std::string ExceptionClassName(const std::exception& e);
// Inside a handler: the demangled type of the exception being handled, of any kind.
std::string CurrentExceptionClassName();

// The silent abort: ends the current action and is never reported.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  const char* ClassName() const override { return "EAbort"; }
};

// The library's ordinary refusal with a readable message.
KIV_DECLARE_EXCEPTION(EKivGeneralError, Exception);
// A consistency failure; messages begin "Internal Error: " or "Dfm parse error: ".
KIV_DECLARE_EXCEPTION(EKivInternalError, Exception);

KIV_DECLARE_EXCEPTION(EConvertError, Exception);
KIV_DECLARE_EXCEPTION(EIntOverflow, Exception);
KIV_DECLARE_EXCEPTION(EOutOfMemory, Exception);
KIV_DECLARE_EXCEPTION(EListError, Exception);
KIV_DECLARE_EXCEPTION(EStringListError, Exception);
KIV_DECLARE_EXCEPTION(EDatabaseError, Exception);
KIV_DECLARE_EXCEPTION(EResNotFound, Exception);
KIV_DECLARE_EXCEPTION(ERegistryException, Exception);
KIV_DECLARE_EXCEPTION(EStreamError, Exception);
KIV_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
KIV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
KIV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
KIV_DECLARE_EXCEPTION(EFilerError, EStreamError);
KIV_DECLARE_EXCEPTION(EReadError, EFilerError);
KIV_DECLARE_EXCEPTION(EWriteError, EFilerError);
KIV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
KIV_DECLARE_EXCEPTION(EComponentError, Exception);
KIV_DECLARE_EXCEPTION(EInvalidOperation, Exception);

// Where a failure macro was written. std::source_location where the library has it;
// clang before 15 lacks the builtin that libstdc++'s needs (the fuzz build), and gets
// the same members from the compiler's older builtins.
#if defined(__cpp_lib_source_location)
using TSourcePlace = std::source_location;
#else
class TSourcePlace {
 public:
  static constexpr TSourcePlace current(const char* file = __builtin_FILE(),
                                        const char* function = __builtin_FUNCTION(),
                                        std::uint_least32_t line = __builtin_LINE()) {
    TSourcePlace place;
    place.file_ = file;
    place.function_ = function;
    place.line_ = line;
    return place;
  }
  constexpr const char* file_name() const { return file_; }
  constexpr const char* function_name() const { return function_; }
  constexpr std::uint_least32_t line() const { return line_; }
  constexpr std::uint_least32_t column() const { return 0; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  std::uint_least32_t line_ = 0;
};
#endif

// The call a failure macro saw fail: its source text and where it was made.
struct TFailedCall {
  std::string text;
  TSourcePlace where;
};

// A failed operating-system call, with the system's error code (0 when it gave none)
// and, when a failure macro raised it, the failed call. The call is kept beside the
// message, which stays the system's text; the error report prints both.
class EOSError : public Exception {
 public:
  EOSError(std::string message, std::uint32_t errorCode, std::optional<TFailedCall> call = {})
      : Exception(std::move(message)), errorCode_(errorCode), call_(std::move(call)) {}
  std::uint32_t ErrorCode() const { return errorCode_; }
  const std::optional<TFailedCall>& FailedCall() const { return call_; }
  const char* ClassName() const override { return "EOSError"; }

 private:
  std::uint32_t errorCode_;
  std::optional<TFailedCall> call_;
};

// A COM failure with its 32-bit result code.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::string message, std::int32_t errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  std::int32_t ErrorCode() const { return errorCode_; }
  const char* ClassName() const override { return "EOleSysError"; }

 private:
  std::int32_t errorCode_;
};

// A failed contract check. The message carries the check's text, the unit's source
// path (without extension) and the line.
KIV_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// Builds the assertion message "<text> (<unit path>, line <n>)"; an empty text reads
// "Assertion failure". The unit path is the source file relative to the repository,
// without its extension, e.g. "lib/DataSets/KivLXDataSet".
std::string AssertionMessage(std::string_view text, std::string_view sourceFile, int line);
[[noreturn]] void RaiseAssertion(std::string_view text, const char* sourceFile, int line);

#define KIV_ASSERT(condition, text)                               \
  do {                                                            \
    if (!(condition)) RaiseAssertion((text), __FILE__, __LINE__); \
  } while (0)

// Message texts of the runtime's own exceptions.
namespace RtlMessages {
inline constexpr const char* kOSError = "System Error.  Code: %d.\r\n%s";
inline constexpr const char* kUnkOSError = "A call to an OS function failed";
inline constexpr const char* kOleError = "OLE error %.8x";
inline constexpr const char* kFCreateError = "Cannot create file \"%s\". %s";
inline constexpr const char* kFOpenError = "Cannot open file \"%s\". %s";
inline constexpr const char* kWriteError = "Stream write error";
inline constexpr const char* kReadError = "Stream read error";
inline constexpr const char* kResNotFound = "Resource %s not found";
inline constexpr const char* kListIndexError = "List index out of bounds (%d)";
inline constexpr const char* kListCountError = "List count out of bounds (%d)";
inline constexpr const char* kListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* kDuplicateString = "String list does not allow duplicates";
inline constexpr const char* kSortedListError = "Operation not allowed on sorted string list";
inline constexpr const char* kIntOverflow = "Integer overflow";
inline constexpr const char* kOutOfMemory = "Out of memory";
inline constexpr const char* kInvalidRegType = "Invalid data type for '%s'";
inline constexpr const char* kRegGetDataFailed = "Failed to get data for '%s'";
inline constexpr const char* kAssertionFailed = "Assertion failure";
}  // namespace RtlMessages

#ifdef _WIN32
// The system's text for an error code, with trailing blanks, line breaks and full
// stops removed; empty when the system has none.
std::string SysErrorMessage(std::uint32_t code);
std::u16string WideSysErrorMessage(std::uint32_t code);
// The operating-system error for `code`: "System Error.  Code: %d.\r\n%s" with the
// code and its text, or "A call to an OS function failed" when the code is 0.
EOSError MakeOSError(std::uint32_t code, std::optional<TFailedCall> call = {});

// The failure macros: every failed Windows call is raised through one of them, so the
// exception records the call's text and place. Each reads GetLastError() at once, before
// a destructor or a clean-up can overwrite it. The first three are expressions that
// give the call's result back when it succeeded:
//   HMODULE m = KIV_THROW_LAST_ERROR_IF_NULL(LoadLibraryW(name));
//
// Raises the thread's last error when `call` yields FALSE (0).
#define KIV_THROW_IF_WIN32_FALSE(call) \
  ::KivFailure::ThrowLastErrorIfFalse((call), #call, TSourcePlace::current())
// Raises the thread's last error when `call` yields a null pointer or handle, or an
// owner that holds none.
#define KIV_THROW_LAST_ERROR_IF_NULL(call) \
  ::KivFailure::ThrowLastErrorIfFalse((call), #call, TSourcePlace::current())
// Raises the thread's last error when `call` yields an empty text (a name or path).
#define KIV_THROW_LAST_ERROR_IF_EMPTY(call) \
  ::KivFailure::ThrowLastErrorIfEmpty((call), #call, TSourcePlace::current())
// Raises the thread's last error when `condition` (which makes the call) holds.
#define KIV_THROW_LAST_ERROR_IF(condition) \
  ::KivFailure::ThrowLastErrorIf((condition), #condition, TSourcePlace::current())
// Raises the error `code` saved from the call whose text is `callText` (a string
// literal), for a failure whose clean-up must run before the raise.
#define KIV_THROW_WIN32(code, callText) \
  ::KivFailure::ThrowError((code), callText, TSourcePlace::current())

// The macros' implementation; call the macros instead.
namespace KivFailure {
[[noreturn]] void ThrowLastError(const char* call, const TSourcePlace& where);
[[noreturn]] void ThrowError(std::uint32_t code, const char* call, const TSourcePlace& where);

template <typename T>
T ThrowLastErrorIfFalse(T&& result, const char* call, const TSourcePlace& where) {
  if (!result) ThrowLastError(call, where);
  return std::forward<T>(result);
}

template <typename Text>
Text ThrowLastErrorIfEmpty(Text&& result, const char* call, const TSourcePlace& where) {
  if (result.empty()) ThrowLastError(call, where);
  return std::forward<Text>(result);
}

inline bool ThrowLastErrorIf(bool condition, const char* call, const TSourcePlace& where) {
  if (condition) ThrowLastError(call, where);
  return condition;
}
}  // namespace KivFailure
// The COM error for a failed result code: the system's text for it, or
// "OLE error %.8x" (lower-case digits) when there is none.
EOleSysError MakeOleSysError(std::int32_t code);
[[noreturn]] void RaiseOleSysError(std::int32_t code);
// Raises the COM error when `code` is negative; returns it otherwise.
std::int32_t OleCheck(std::int32_t code);
#endif
