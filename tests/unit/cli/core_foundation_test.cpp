// File URLs and strings: relative paths, buffer sizes, existence, UTF-8 checks.
#include <gtest/gtest.h>

#include <cstring>

#include "env_helpers.h"
#include "platform/CoreFoundation.h"
#include "platform/Files.h"

namespace {

CFURLRef Url(const std::string& path) {
  return CFURLCreateFromFileSystemRepresentation(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path.data()), CFIndex(path.size()), 0);
}

TEST(CFURL, RelativePathsResolveAgainstTheCurrentDirectory) {
  TempDir dir;
  dir.Write("sub/a b.mov", "x");
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  CFURLRef url = Url("sub/a b.mov");
  CFURLRef missing = Url("sub/../nothing.mov");
  std::filesystem::current_path(cwd);
  ASSERT_NE(url, nullptr);

  const std::string absolute = (dir.path() / "sub/a b.mov").string();
  UInt8 buffer[4096];
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), absolute);
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(url, false, buffer, sizeof buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "sub/a b.mov");

  // The path and its terminating zero must fit.
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, buffer, CFIndex(absolute.size())));
  EXPECT_TRUE(CFURLGetFileSystemRepresentation(url, true, buffer, CFIndex(absolute.size() + 1)));

  FSRef ref;
  EXPECT_TRUE(CFURLGetFSRef(url, &ref));
  EXPECT_EQ(ref.path, absolute);
  FSRef none;
  EXPECT_FALSE(CFURLGetFSRef(missing, &none));
  EXPECT_TRUE(none.path.empty());

  EXPECT_EQ(Url(""), nullptr);
  EXPECT_FALSE(CFURLGetFSRef(nullptr, &ref));
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(nullptr, true, buffer, sizeof buffer));
  CFRelease(url);
  CFRelease(missing);
}

TEST(CFString, AcceptsOnlyValidUtf8) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain", true},
      {"\xC2\xA9 caf\xC3\xA9 \xF0\x9F\x8E\xAC", true},
      {"\xC0\xAF", false},          // overlong "/"
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE2\x82", false},          // truncated
      {"\xFF", false},
  };
  for (const Case& c : cases) {
    CFStringRef s = CFStringCreateWithBytes(kCFAllocatorDefault,
                                            reinterpret_cast<const UInt8*>(c.bytes.data()),
                                            CFIndex(c.bytes.size()), kCFStringEncodingUTF8, 0);
    EXPECT_EQ(s != nullptr, c.valid) << c.bytes;
    if (s) CFRelease(s);
  }
  // Constant strings are shared and survive CFRelease.
  CFStringRef a = CFSTR("quiet");
  CFRelease(a);
  EXPECT_EQ(CFSTR("quiet"), a);
}

}  // namespace
