// Sample times seen through edit lists: next interesting time, track to media time, offset.
#include <gtest/gtest.h>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::E;
using testing_movies::NewTestMovie;
using testing_movies::TrackSpec;

constexpr SInt16 kSample = nextTimeMediaSample;
constexpr SInt16 kSampleOrEdge = nextTimeMediaSample | nextTimeEdgeOK;

// Ten samples of 100 units (movie and media at 600). The track starts at 300 with media time 100
// (sample 1) and shows 400 units: samples 1..4.
tvx::Track* OffsetTrack() {
  TrackSpec spec;
  spec.durations.assign(10, 100);
  tvx::Track* track = AddTestTrack(*NewTestMovie(), spec);
  track->edits = {E(300, -1), E(400, 100)};
  return track;
}

struct NextCase {
  const char* name;
  SInt16 flags;
  TimeValue from;
  TimeValue time, duration;
};

TEST(GetTrackNextInterestingTime, FindsSampleStartsThroughTheEditList) {
  const NextCase cases[] = {
      {"empty edit skipped to the first shown sample", kSampleOrEdge, 0, 300, 100},
      {"edge counts with 0x4000", kSampleOrEdge, 300, 300, 100},
      {"edge skipped without it", kSample, 300, 400, 100},
      {"mid-sample", kSample, 450, 500, 100},
      {"last sample shown", kSample, 500, 600, 100},
      {"no sample after the edit's end", kSample, 600, -1, 0},
      {"past the track", kSampleOrEdge, 900, -1, 0},
      {"other flags find nothing", nextTimeEdgeOK, 0, -1, 0},
  };
  tvx::Track* track = OffsetTrack();
  for (const NextCase& c : cases) {
    TimeValue time = 12345, duration = 12345;
    GetTrackNextInterestingTime(track, c.flags, c.from, fixed1, &time, &duration);
    EXPECT_EQ(GetMoviesError(), noErr) << c.name;
    EXPECT_EQ(time, c.time) << c.name;
    EXPECT_EQ(duration, c.duration) << c.name;
  }
}

TEST(GetTrackNextInterestingTime, HonoursEditRateScalesAndEditEnds) {
  TrackSpec spec;
  spec.durations.assign(10, 100);
  spec.mediaScale = 1000;
  tvx::Track* track = AddTestTrack(*NewTestMovie(600), spec);
  // Media 0..400 played twice as fast (120 movie units), then media 250.. at normal speed.
  track->edits = {E(120, 0, fixed1 * 2), E(120, 250)};
  TimeValue time = 0, duration = 0;
  GetTrackNextInterestingTime(track, kSample, 0, fixed1, &time, &duration);
  EXPECT_EQ(time, 30);  // media 100 at rate 2: 0.05 s
  EXPECT_EQ(duration, 30);
  GetTrackNextInterestingTime(track, kSample, 90, fixed1, &time, &duration);
  EXPECT_EQ(time, 120);  // the next edit shows sample 2 from its middle
  EXPECT_EQ(duration, 30);  // until sample 3 starts at media 300
  GetTrackNextInterestingTime(track, kSample, 120, fixed1, &time, &duration);
  EXPECT_EQ(time, 150);
  EXPECT_EQ(duration, 60);
  GetTrackNextInterestingTime(track, kSample, 210, fixed1, &time, &duration);
  EXPECT_EQ(time, -1);  // sample 4 starts at 210 itself; sample 5 lies past the edit's media
}

TEST(GetTrackNextInterestingTime, WalkingVisitsEverySampleOnce) {
  tvx::Track* track = OffsetTrack();
  std::vector<TimeValue> seen;
  TimeValue time = 0, duration = 0;
  GetTrackNextInterestingTime(track, kSampleOrEdge, GetTrackOffset(track), fixed1, &time, &duration);
  while (time != -1 && seen.size() < 20) {
    seen.push_back(time);
    GetTrackNextInterestingTime(track, kSample, time, fixed1, &time, &duration);
  }
  EXPECT_EQ(seen, (std::vector<TimeValue>{300, 400, 500, 600}));
}

TEST(TrackTimeToMediaTime, MapsThroughEditsAndEmptySpace) {
  tvx::Track* track = OffsetTrack();
  const std::pair<TimeValue, TimeValue> cases[] = {
      {0, -1}, {299, -1}, {300, 100}, {350, 150}, {699, 499}, {700, -1}, {-5, -1}};
  for (auto [movieTime, mediaTime] : cases)
    EXPECT_EQ(TrackTimeToMediaTime(movieTime, track), mediaTime) << movieTime;
  EXPECT_EQ(GetTrackOffset(track), 300);
  track->edits = {E(100, 0)};
  EXPECT_EQ(GetTrackOffset(track), 0);
}

}  // namespace
