#include "platform/write/flatten_layout.h"

#include <gtest/gtest.h>

#include "unit/flatten/test_movies.h"

namespace tvx {
namespace {

TEST(LayOutMedia, InterleavesHalfSecondChunksInPlayOrder) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie(100);
  flattest::TrackSpec video;  // 3 s at 10 samples a second
  video.samples = 30;
  video.samplesPerChunk = 7;
  flattest::AddTrack(movie, video, dir / "v", 0);
  flattest::TrackSpec sound;  // 3 s of 50 ms samples
  sound.handler = FOUR_CHAR_CODE("soun");
  sound.timeScale = 1000;
  sound.samples = 60;
  sound.duration = 50;
  sound.size = 10;
  sound.samplesPerChunk = 60;
  sound.tag = 2;
  flattest::AddTrack(movie, sound, dir / "s", 0);
  flattest::TrackSpec late;  // 1 s of media that starts playing at 1 s
  late.tag = 3;
  Track* delayed = flattest::AddTrack(movie, late, dir / "l", 0);
  delayed->edits = {{100, -1, fixed1}, {100, 0, fixed1}};

  FlattenPlan plan;
  ASSERT_EQ(PlanFlatten(movie, dir / "out", &plan), noErr);
  FlattenLayout layout;
  LayOutMedia(&plan, 0.5, &layout);

  std::uint64_t expectedBytes = 30 * 100 + 60 * 10 + 10 * 100;
  EXPECT_EQ(layout.totalBytes, expectedBytes);
  std::uint64_t at = 0;
  double lastKey = -1;
  std::vector<std::uint32_t> trackOrder;
  for (const LayoutChunk& c : layout.chunks) {
    EXPECT_EQ(c.offset, at);  // packed, no gaps
    at += c.bytes;
    EXPECT_GE(c.playSeconds, lastKey);
    lastKey = c.playSeconds;
    const Media& m = plan.tracks[c.track].target->media;
    const std::int64_t span = m.samples.SampleTime(c.newFirst + c.count - 1) +
                              m.samples.SampleDuration(c.newFirst + c.count - 1) -
                              m.samples.SampleTime(c.newFirst);
    EXPECT_LE(span, m.timeScale / 2);
    trackOrder.push_back(c.track);
  }
  // Video and sound alternate from the start; the delayed track joins at 1 s.
  const std::vector<std::uint32_t> expected = {0, 1, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 0, 1};
  EXPECT_EQ(trackOrder, expected);

  // Each new table lists its chunks in sample order; placing them adds the base.
  PlaceMedia(&plan, layout, 1000);
  for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
    SCOPED_TRACE(i);
    const SampleTable& t = plan.tracks[i].target->media.samples;
    ASSERT_TRUE(t.IsConsistent(1));
    for (std::size_t k = 1; k < t.chunks.size(); ++k)
      EXPECT_GT(t.chunks[k].firstSample, t.chunks[k - 1].firstSample);
    EXPECT_EQ(t.SampleOffset(0), 1000 + layout.chunks[layout.trackChunks[i][0]].offset);
  }
  EXPECT_EQ(plan.tracks[0].target->media.samples.SampleOffset(0), 1000u);
  EXPECT_EQ(plan.tracks[1].target->media.samples.SampleOffset(0), 1000u + 500);
}

TEST(LayOutMedia, ADescriptionChangeStartsANewChunk) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie(100);
  Track* track = flattest::AddTrack(movie, flattest::TrackSpec{}, dir / "v", 0);
  Media& media = track->media;
  media.descriptions.push_back(media.descriptions[0]);
  media.descriptions[1].bytes[7] = '2';  // another format
  media.samples.chunks = {{0, 0, 1}, {300, 3, 2}};  // samples 3.. use the second description
  media.samples.Finalize();

  FlattenPlan plan;
  ASSERT_EQ(PlanFlatten(movie, dir / "out", &plan), noErr);
  FlattenLayout layout;
  LayOutMedia(&plan, 0.5, &layout);
  const SampleTable& t = plan.tracks[0].target->media.samples;
  ASSERT_GE(t.chunks.size(), 2u);
  EXPECT_EQ(t.DescriptionIndex(2), 1u);
  EXPECT_EQ(t.DescriptionIndex(3), 2u);
  EXPECT_EQ(t.chunks[1].firstSample, 3u);
}

}  // namespace
}  // namespace tvx
