#include "platform/write/flatten_layout.h"

#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/write/flatten_writer.h"
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
  // Video and sound alternate from the start; the delayed track joins at 1 s. Of chunks that
  // start together, one that continues the previous chunk in its file goes first.
  const std::vector<std::uint32_t> expected = {0, 1, 1, 0, 0, 1, 2, 2, 0, 1, 1, 0, 0, 1};
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

// Video (10 samples a second, 100 bytes) and sound (50 ms samples, 10 bytes), 3 s each, every
// sample its own chunk in one file, stored in play order (as FFmpeg writes) or backwards.
Movie OneFileMovie(const std::string& file, bool backwards) {
  Movie movie = flattest::EmptyMovie(100);
  flattest::TrackSpec video;
  video.samples = 0;
  flattest::AddTrack(movie, video, file, 0);
  flattest::TrackSpec sound;
  sound.handler = FOUR_CHAR_CODE("soun");
  sound.timeScale = 1000;
  sound.samples = 0;
  sound.tag = 2;
  flattest::AddTrack(movie, sound, file, 0);
  struct Stored { int ms; std::uint32_t track; std::uint32_t index; };
  std::vector<Stored> order;
  for (std::uint32_t i = 0; i < 30; ++i) order.push_back({int(i) * 100, 0, i});
  for (std::uint32_t i = 0; i < 60; ++i) order.push_back({int(i) * 50, 1, i});
  std::stable_sort(order.begin(), order.end(),
                   [](const Stored& a, const Stored& b) { return a.ms < b.ms; });
  std::vector<std::uint64_t> at[2] = {std::vector<std::uint64_t>(30), std::vector<std::uint64_t>(60)};
  std::uint64_t next = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Stored& o = order[backwards ? order.size() - 1 - k : k];
    const std::uint32_t size = o.track == 0 ? 100 : 10;
    flattest::WriteAt(file, next, flattest::SampleBytes(std::uint8_t(o.track + 1), o.index, size));
    at[o.track][o.index] = next;
    next += size;
  }
  for (std::uint32_t t = 0; t < 2; ++t) {
    SampleTable& table = movie.tracks[t]->media.samples;
    for (std::uint32_t i = 0; i < at[t].size(); ++i)
      table.AppendSample(at[t][i], t == 0 ? 100 : 10, t == 0 ? 10 : 50, 0, true, 1, true);
    table.Finalize();
    movie.tracks[t]->edits = {Edit{300, 0, fixed1}};
  }
  return movie;
}

TEST(LayOutMedia, FollowsASourceInterleavedInPlayOrder) {
  struct Case { const char* name; bool backwards; std::uint64_t runs; bool halfSecondChunks; };
  const Case cases[] = {
      // Followed byte for byte: one copy, in the source's own chunks (a frame, two sound samples).
      {"play order", false, 1, false},
      // Following it gains nothing: one copy per sample either way, so half-second chunks stay.
      {"backwards", true, 90, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    flattest::ScratchDir dir;
    Movie movie = OneFileMovie(dir / "src", c.backwards);
    FlattenPlan plan;
    ASSERT_EQ(PlanFlatten(movie, dir / "out", &plan), noErr);
    FlattenLayout layout;
    LayOutMedia(&plan, 0.5, &layout);
    EXPECT_EQ(layout.copyRuns, c.runs);
    EXPECT_EQ(layout.chunks.size(), c.halfSecondChunks ? 12u : 60u);
    // Never more than a quarter second out of play order across tracks.
    double latest = 0;
    for (const LayoutChunk& ch : layout.chunks) {
      EXPECT_GE(ch.playSeconds + 0.25, latest);
      latest = std::max(latest, ch.playSeconds);
    }

    // The copy holds every sample's bytes, wherever the layout put them.
    std::unique_ptr<Movie> written;
    ASSERT_EQ(FlattenMovieToFile(movie, dir / "out.mov", FlattenOptions{}, &written), noErr);
    for (std::uint32_t t = 0; t < 2; ++t)
      flattest::ExpectSameSamples(*movie.tracks[t], 0, *written->tracks[t], dir / "out.mov", 0,
                                  t == 0 ? 30 : 60);
  }
}

}  // namespace
}  // namespace tvx
