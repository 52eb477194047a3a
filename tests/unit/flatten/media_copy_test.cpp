#include "platform/write/media_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "unit/flatten/test_movies.h"

namespace tvx {
namespace {

using flattest::ReadAt;
using flattest::SampleBytes;
using flattest::WriteAt;

class MediaCopyTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    source = dir / "source";
    WriteAt(source, 0, SampleBytes(1, 0, 1 << 20));
    out = ::open((dir / "out").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);
  }
  void TearDown() override {
    if (out >= 0) ::close(out);
  }
  flattest::ScratchDir dir;
  std::string source;
  int out = -1;
};

// Both the kernel's copy and the buffered one: same bytes, same statuses.
INSTANTIATE_TEST_SUITE_P(KernelAndBuffered, MediaCopyTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Kernel" : "Buffered"; });

TEST_P(MediaCopyTest, CopiesRangesToTheirPlaces) {
  MediaCopier copier(out, nullptr);
  copier.UseKernelCopy(GetParam());
  std::uint32_t a = 0, again = 0;
  ASSERT_EQ(copier.AddSource(source, &a), noErr);
  ASSERT_EQ(copier.AddSource(source, &again), noErr);
  EXPECT_EQ(a, again);  // one open file per source
  // Three pieces that continue each other, then one from elsewhere, then one placed earlier.
  ASSERT_EQ(copier.Copy(a, 1000, 100, 0), noErr);
  ASSERT_EQ(copier.Copy(a, 1100, 50, 100), noErr);
  ASSERT_EQ(copier.Copy(a, 1150, 0, 150), noErr);
  ASSERT_EQ(copier.Copy(a, 1150, 10, 150), noErr);
  ASSERT_EQ(copier.Copy(a, 500000, 300000, 160), noErr);
  ASSERT_EQ(copier.Copy(a, 0, 16, 300160), noErr);
  ASSERT_EQ(copier.Finish(), noErr);

  const std::string dest = dir / "out";
  EXPECT_EQ(ReadAt(dest, 0, 160), ReadAt(source, 1000, 160));
  EXPECT_EQ(ReadAt(dest, 160, 300000), ReadAt(source, 500000, 300000));
  EXPECT_EQ(ReadAt(dest, 300160, 16), ReadAt(source, 0, 16));
  const CopyStats& stats = copier.stats();
  EXPECT_EQ(stats.kernelBytes + stats.bufferedBytes, 300176u);
  if (!GetParam()) EXPECT_EQ(stats.kernelBytes, 0u);
}

TEST_P(MediaCopyTest, AShortSourceIsAnEndOfFileError) {
  MediaCopier copier(out, nullptr);
  copier.UseKernelCopy(GetParam());
  std::uint32_t a = 0;
  ASSERT_EQ(copier.AddSource(source, &a), noErr);
  // Past the end as opened.
  EXPECT_EQ(copier.Copy(a, (1 << 20) - 10, 20, 0), noErr);  // pending until the next piece
  EXPECT_EQ(copier.Finish(), eofErr);
  // Cut short after it was opened: the copy itself runs out of bytes.
  ASSERT_EQ(::truncate(source.c_str(), 4096), 0);
  EXPECT_EQ(copier.Copy(a, 0, 8192, 0), noErr);
  EXPECT_EQ(copier.Finish(), eofErr);
}

TEST_P(MediaCopyTest, HolesOfASparseSourceStayHoles) {
  const std::string sparse = dir / "sparse";
  const std::uint64_t far = std::uint64_t(64) << 20;
  WriteAt(sparse, 0, SampleBytes(2, 0, 4096));
  WriteAt(sparse, far, SampleBytes(2, 1, 4096));
  MediaCopier copier(out, nullptr);
  copier.UseKernelCopy(GetParam());
  std::uint32_t s = 0;
  ASSERT_EQ(copier.AddSource(sparse, &s), noErr);
  ASSERT_EQ(copier.Copy(s, 0, far + 4096, 8), noErr);
  ASSERT_EQ(copier.Finish(), noErr);

  const std::string dest = dir / "out";
  EXPECT_EQ(ReadAt(dest, 8, 4096), SampleBytes(2, 0, 4096));
  EXPECT_EQ(ReadAt(dest, 8 + far, 4096), SampleBytes(2, 1, 4096));
  EXPECT_EQ(ReadAt(dest, 8 + far / 2, 16), std::vector<std::uint8_t>(16, 0));
  struct stat st{};
  ASSERT_EQ(::fstat(out, &st), 0);
  if (copier.stats().holeBytes > 0)  // the file system reports holes
    EXPECT_LT(std::uint64_t(st.st_blocks) * 512, std::uint64_t(1) << 20);
}

TEST(MediaCopy, SourcesThatCannotBeOpenedGiveTheirStatus) {
  flattest::ScratchDir dir;
  MediaCopier copier(-1, nullptr);
  std::uint32_t index = 0;
  EXPECT_EQ(copier.AddSource(dir / "missing", &index), fnfErr);
  EXPECT_EQ(copier.AddSource(dir.path().string(), &index), notAFileErr);
  EXPECT_EQ(copier.Copy(7, 0, 1, 0), paramErr);
}

}  // namespace
}  // namespace tvx
