// The owning handles and the whole-file write of the platform layer.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/handle.h"
#include "platform/testhooks.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::TestDir;
using platform::FileHandle;
using platform::FindHandle;

namespace {

// An exclusive open: a second one fails while the first is held.
HANDLE OpenExclusive(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
}

bool HeldOpen(const std::string& path) {
  FileHandle probe(OpenExclusive(path));
  return !probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

TEST(OwnedHandle, ClosesOnScopeExitAndOnMoveAssignment) {
  TestDir t;
  const std::string a = t.file("a.txt", "a");
  const std::string b = t.file("b.txt", "b");
  {
    FileHandle f(OpenExclusive(a));
    ASSERT_TRUE(f.valid());
    EXPECT_TRUE(HeldOpen(a));
  }
  EXPECT_FALSE(HeldOpen(a));

  FileHandle first(OpenExclusive(a));
  FileHandle second(OpenExclusive(b));
  ASSERT_TRUE(first && second);
  first = std::move(second);  // the file a was held by `first`: closed now
  EXPECT_FALSE(second.valid());
  EXPECT_FALSE(HeldOpen(a));
  EXPECT_TRUE(HeldOpen(b));

  FileHandle third(std::move(first));
  EXPECT_FALSE(first.valid());
  EXPECT_TRUE(HeldOpen(b));
  third.reset();
  EXPECT_FALSE(HeldOpen(b));
}

TEST(OwnedHandle, ReleaseKeepsTheFileOpenAndCloseReportsFailure) {
  TestDir t;
  const std::string a = t.file("a.txt", "a");
  FileHandle f(OpenExclusive(a));
  const HANDLE raw = f.release();
  EXPECT_FALSE(f.valid());
  EXPECT_TRUE(f.close());  // nothing held: nothing to fail
  EXPECT_TRUE(HeldOpen(a));
  FileHandle again(raw);
  EXPECT_TRUE(again.close());
  EXPECT_FALSE(again.valid());
  EXPECT_FALSE(HeldOpen(a));

#ifndef _WIN32
  // A value that is no open handle: closing it fails with the system's error.
  // (Not on Windows, where the value may already name another object.)
  FileHandle bogus(raw);
  EXPECT_FALSE(bogus.close());
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(bogus.valid());
#endif
}

TEST(OwnedHandle, FindHandleWalksASearch) {
  TestDir t;
  t.file("only.dsf", "x");
  WIN32_FIND_DATAA d;
  FindHandle find(FindFirstFileA((t.win() + "\\*.dsf").c_str(), &d));
  ASSERT_TRUE(find.valid());
  EXPECT_STREQ(d.cFileName, "only.dsf");
  EXPECT_FALSE(FindNextFileA(find.get(), &d));
  EXPECT_TRUE(find.close());
  EXPECT_FALSE(FindHandle(FindFirstFileA((t.win() + "\\*.none").c_str(), &d)).valid());
}

TEST(WriteWhole, WritesEveryChunkOfALargeText) {
  TestDir t;
  // Larger than one write call takes, and not a multiple of it.
  std::string bytes(3 * (1u << 20) + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
  FileHandle f(CreateFileA(t.win("big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(f.valid());
  EXPECT_EQ(platform::WriteWhole(f.get(), bytes), 0u);
  EXPECT_EQ(platform::WriteWhole(f.get(), {}), 0u);
  ASSERT_TRUE(f.close());
  EXPECT_EQ(t.read("big.bin"), bytes);
}

TEST(WriteWhole, AnswersTheErrorOfTheWriteThatFailed) {
  TestDir t;
  FileHandle f(CreateFileA(t.win("full.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(f.valid());
  platform::InjectWriteFailureAfter(10, ERROR_HANDLE_DISK_FULL);
  const DWORD error = platform::WriteWhole(f.get(), std::string(100, 'x'));
  platform::InjectWriteFailureAfter(~0ull, 0);
  EXPECT_EQ(error, ERROR_HANDLE_DISK_FULL);
  ASSERT_TRUE(f.close());
  EXPECT_EQ(t.read("full.bin"), std::string(10, 'x'));

  // A handle not opened for writing.
  FileHandle reader(
      CreateFileA(t.win("full.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader.valid());
  EXPECT_EQ(platform::WriteWhole(reader.get(), "y"), ERROR_ACCESS_DENIED);
}
