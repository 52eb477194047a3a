// GetMediaSample: bytes read from the sample's data file, bounded by the sample's size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <fstream>
#include <string>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::NewTestMovie;
using testing_movies::TrackSpec;

class MediaSampleTest : public ::testing::Test {

 public:
  void SetUp() override {
    char name[] = "/tmp/talvenix-sample-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = name;
    // Three samples of 4, 5 and 6 bytes, back to back, then trailing bytes of another atom.
    WriteFile("AAAABBBBBCCCCCCzzzz");
    TrackSpec spec;
    spec.type = TextMediaType;
    spec.durations = {100, 200, 300};
    spec.sizes = {4, 5, 6};
    spec.syncSamples = {0, 2};
    spec.file = path_;
    track_ = AddTestTrack(*NewTestMovie(), spec);
  }
  void TearDown() override { std::remove(path_.c_str()); }

  void WriteFile(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }

  std::string path_;
  tvx::Track* track_ = nullptr;
};

TEST_F(MediaSampleTest, ReadsTheSampleAtAMediaTime) {
  struct Case {
    TimeValue time;
    std::string bytes;
    TimeValue start, duration;
    long descIndex;
    SInt16 flags;
  };
  const Case cases[] = {
      {0, "AAAA", 0, 100, 1, 0},
      {99, "AAAA", 0, 100, 1, 0},
      {100, "BBBBB", 100, 200, 1, 1},
      {599, "CCCCCC", 300, 300, 1, 0},
  };
  Handle h = NewHandle(4);
  Handle desc = NewHandle(0);
  for (const Case& c : cases) {
    long size = -1, descIndex = 0, count = 0;
    TimeValue start = -1, duration = -1;
    SInt16 flags = -1;
    ASSERT_EQ(GetMediaSample(GetTrackMedia(track_), h, 0, &size, c.time, &start, &duration, desc,
                             &descIndex, 0, &count, &flags),
              noErr)
        << c.time;
    EXPECT_EQ(std::string(*h, std::size_t(GetHandleSize(h))), c.bytes) << c.time;
    EXPECT_EQ(size, long(c.bytes.size()));
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(duration, c.duration);
    EXPECT_EQ(descIndex, c.descIndex);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(flags, c.flags) << c.time;
    EXPECT_EQ(GetHandleSize(desc), 24);
  }
  DisposeHandle(h);
  DisposeHandle(desc);
}

TEST_F(MediaSampleTest, UnreadableSamplesGiveAStatusAndNoBytes) {
  struct Case {
    const char* name;
    std::function<void(MediaSampleTest&)> damage;
    TimeValue time;
    OSErr status;
  };
  const Case cases[] = {
      {"file cut inside the sample", [](MediaSampleTest& t) { t.WriteFile("AAAABBBBBCC"); }, 300, eofErr},
      {"file missing", [](MediaSampleTest& t) { std::remove(t.path_.c_str()); }, 0, fnfErr},
      {"unresolved reference",
       [](MediaSampleTest& t) { t.track_->media.dataRefs[0].resolvedPath.clear(); }, 0,
       couldNotResolveDataRef},
      {"size far beyond the file",
       [](MediaSampleTest& t) {
         t.track_->media.samples.sizes[1] = 0xFFFFFFF0u;
       },
       100, eofErr},
      {"before the media", [](MediaSampleTest&) {}, -1, invalidTime},
      {"after the media", [](MediaSampleTest&) {}, 600, invalidTime},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    c.damage(*this);
    Handle h = NewHandle(0);
    std::string stale = "stale";
    SetHandleSize(h, long(stale.size()));
    std::memcpy(*h, stale.data(), stale.size());
    long size = -1;
    EXPECT_EQ(GetMediaSample(GetTrackMedia(track_), h, 0, &size, c.time, nullptr, nullptr, nullptr,
                             nullptr, 0, nullptr, nullptr),
              c.status)
        << c.name;
    EXPECT_EQ(GetMoviesError(), c.status) << c.name;
    EXPECT_EQ(size, 0) << c.name;
    if (c.status != invalidTime) {
      EXPECT_EQ(GetHandleSize(h), 0) << c.name;
    }
    DisposeHandle(h);
  }
}

TEST(MediaSample, NullMediaIsRefused) {
  long size = 3;
  EXPECT_EQ(GetMediaSample(nullptr, nullptr, 0, &size, 0, nullptr, nullptr, nullptr, nullptr, 0,
                           nullptr, nullptr),
            invalidMedia);
  EXPECT_EQ(size, 0);
}

}  // namespace
