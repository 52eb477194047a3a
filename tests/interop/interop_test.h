// Base for tests that need FFmpeg: skipped, with the reason, when it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "interop/interop_support.h"

namespace interop {

class FfmpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("ffmpeg") || !HaveTool("ffprobe"))
      GTEST_SKIP() << "ffmpeg/ffprobe not installed: FFmpeg interop checks skipped";
  }
  TempDir dir;
};

/// The tool's run must succeed quietly: status 0 and nothing on standard error.
#define EXPECT_CLEAN_RUN(result)                                            \
  do {                                                                      \
    const ::interop::CommandResult& r_ = (result);                          \
    EXPECT_EQ(r_.status, 0) << "stderr:\n" << r_.err;                       \
    EXPECT_EQ(r_.err, "");                                                  \
  } while (0)

/// Sound decoded from a join matches its parts in order: the length within one AAC packet, and
/// the samples away from each seam within a rounding margin (a decoder needs a packet or two
/// after a seam to settle, and the last packet of a part may be cut by its edit).
inline void ExpectSoundJoined(const std::vector<std::int16_t>& got,
                              const std::vector<std::vector<std::int16_t>>& parts) {
  constexpr std::size_t kPacket = 1024, kSettle = 3 * kPacket;
  std::size_t at = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::vector<std::int16_t>& part = parts[i];
    ASSERT_GT(part.size(), kSettle + kPacket);
    EXPECT_LE(MaxDifference(got, at + kSettle, part, kSettle, part.size() - kSettle - kPacket), 64)
        << "part " << i << " of the joined sound";
    at += part.size();
  }
  EXPECT_NEAR(double(got.size()), double(at), double(kPacket)) << "joined sound length";
}

inline std::vector<std::string> Concat(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace interop
