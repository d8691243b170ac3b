#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Message(const Exception& e) { return e.Message(); }

TEST(MemoryStream, WritesGrowItAndReadsStopAtItsEnd) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Position(), 5);
  m.SetPosition(1);
  m.WriteBuffer("EL", 2);  // overwrites in place
  EXPECT_EQ(m.Bytes(), B("hELlo"));
  m.SetPosition(3);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(m.Read(buf, 8), 0);
  EXPECT_EQ(m.Seek(-2, SeekOrigin::End), 3);
  EXPECT_EQ(m.Seek(-10, SeekOrigin::Current), 0);  // not before the start
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream m(B("ab"));
  EXPECT_EQ(m.Seek(4, SeekOrigin::Begin), 4);
  EXPECT_EQ(m.Size(), 2);  // seeking alone does not grow it
  char buf[1];
  EXPECT_EQ(m.Read(buf, 1), 0);
  m.WriteBuffer("z", 1);
  EXPECT_EQ(m.Bytes(), (Bytes{'a', 'b', 0, 0, 'z'}));
}

TEST(MemoryStream, ExactReadsAndWritesRaiseWhenShort) {
  TMemoryStream m(B("abc"));
  char buf[4];
  try {
    m.ReadBuffer(buf, 4);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(Message(e), "Stream read error");
  }
  m.SetPosition(0);
  m.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  m.ReadBuffer(buf, 0);  // nothing asked, nothing missing
  EXPECT_EQ(m.ReadAll(), Bytes{});
  m.SetPosition(1);
  EXPECT_EQ(m.ReadAll(), B("bc"));
}

TEST(MemoryStream, CopyFromTakesAPartOrTheWholeSource) {
  TMemoryStream source(B("0123456789"));
  TMemoryStream target;
  source.SetPosition(2);
  EXPECT_EQ(target.CopyFrom(source, 3), 3);
  EXPECT_EQ(target.Bytes(), B("234"));
  EXPECT_EQ(target.CopyFrom(source, 0), 10);  // 0: all of it, from its start
  EXPECT_EQ(target.Bytes(), B("2340123456789"));
  source.SetPosition(8);
  EXPECT_THROW(target.CopyFrom(source, 5), EReadError);
  EXPECT_THROW(target.CopyFrom(source, -1), EReadError);
  // A source bigger than the copy's buffer arrives whole.
  TMemoryStream big(Bytes(200000, 7));
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(big, 0), 200000);
  EXPECT_EQ(copy.Bytes(), big.Bytes());
}

TEST(ReadOnlyMemoryStream, ReadsAndSeeksButRefusesWrites) {
  const char data[] = "resource";
  TReadOnlyMemoryStream r(data, 8);
  EXPECT_EQ(r.Size(), 8);
  r.SetPosition(4);
  EXPECT_EQ(r.ReadAll(), B("urce"));
  EXPECT_EQ(r.Memory(), reinterpret_cast<const std::uint8_t*>(data));
  try {
    r.WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_EQ(Message(e), "Stream write error");
  }
  EXPECT_EQ(std::string(data), "resource");
  TReadOnlyMemoryStream empty(nullptr, 0);
  char c;
  EXPECT_EQ(empty.Read(&c, 1), 0);
  EXPECT_THROW(empty.ReadBuffer(&c, 1), EReadError);
}

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("plinth_streams_" + std::to_string(stamp) + "_" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this) % 100000));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::u16string operator/(const char* name) const { return (path_ / name).u16string(); }

 private:
  std::filesystem::path path_;
};

TEST(FileStream, CreateWriteReopenAndChangeInPlace) {
  ScratchFolder dir;
  const std::u16string name = dir / "data.bin";
  WriteFileBytes(name, "hello world", 11);
  EXPECT_EQ(ReadFileBytes(name), B("hello world"));
  {
    TFileStream f(name, FileMode::OpenReadWrite);
    EXPECT_EQ(f.Size(), 11);
    f.SetPosition(6);
    f.WriteBuffer("WORLD", 5);
    f.SetPosition(0);
    char buf[5];
    f.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(f.FileName(), name);
  }
  EXPECT_EQ(ReadFileBytes(name), B("hello WORLD"));
  {
    TFileStream f(name, FileMode::OpenWrite);
    f.WriteBuffer("J", 1);
  }
  EXPECT_EQ(ReadFileBytes(name), B("Jello WORLD"));
  WriteFileBytes(name, "x", 1);  // creating again truncates
  EXPECT_EQ(ReadFileBytes(name), B("x"));
  WriteFileBytes(name, nullptr, 0);
  EXPECT_EQ(ReadFileBytes(name), Bytes{});
}

TEST(FileStream, FailuresToOpenOrCreateNameTheFile) {
  ScratchFolder dir;
  const std::u16string missing = dir / "missing.bin";
  const std::string missingText(missing.begin(), missing.end());
  try {
    TFileStream f(missing, FileMode::OpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(Message(e).rfind("Cannot open file \"" + missingText + "\". ", 0), 0u) << Message(e);
    EXPECT_GT(Message(e).size(), missingText.size() + 21);  // the system's reason follows
  }
  EXPECT_THROW(TFileStream(missing, FileMode::OpenWrite), EFOpenError);
  EXPECT_THROW(TFileStream(missing, FileMode::OpenReadWrite), EFOpenError);
  const std::u16string nowhere = dir / "no-such-folder/x.bin";
  try {
    TFileStream f(nowhere, FileMode::Create);
    FAIL();
  } catch (const EFCreateError& e) {
    const std::string text(nowhere.begin(), nowhere.end());
    EXPECT_EQ(Message(e).rfind("Cannot create file \"" + text + "\". ", 0), 0u) << Message(e);
  }
  // A folder is not a file.
  EXPECT_THROW(TFileStream(dir / "", FileMode::OpenRead), EFOpenError);
}

TEST(FileStream, WritingAStreamOpenedForReadingFails) {
  ScratchFolder dir;
  const std::u16string name = dir / "read-only.bin";
  WriteFileBytes(name, "abc", 3);
  TFileStream f(name, FileMode::OpenRead);
  EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  EXPECT_EQ(ReadFileBytes(name), B("abc"));
}

}  // namespace
