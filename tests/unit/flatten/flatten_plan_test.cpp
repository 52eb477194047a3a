#include "platform/write/flatten_plan.h"

#include <gtest/gtest.h>

#include "unit/flatten/test_movies.h"

namespace tvx {
namespace {

using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// 20 samples of 10 units (media and movie time scale 100), sync samples at 0, 8 and 16.
Track* GopTrack(Movie& movie, const std::string& file) {
  flattest::TrackSpec spec;
  spec.samples = 20;
  spec.syncEvery = 8;
  return flattest::AddTrack(movie, spec, file, 0);
}

TEST(UsedSampleRanges, EditsTakeTheirSamplesFromTheSyncSampleBefore) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie();
  Track* track = GopTrack(movie, dir / "src");
  const Fixed doubled = 2 * fixed1;
  struct Case {
    const char* what;
    std::vector<Edit> edits;
    Ranges expected;
  };
  const Case cases[] = {
      {"whole media", {{200, 0, fixed1}}, {{0, 19}}},
      {"starts between sync samples", {{30, 100, fixed1}}, {{8, 12}}},
      {"ends on a sample boundary", {{10, 100, fixed1}}, {{8, 10}}},
      {"overlapping edits share samples", {{30, 100, fixed1}, {50, 110, fixed1}}, {{8, 15}}},
      {"the same span twice", {{30, 100, fixed1}, {30, 100, fixed1}}, {{8, 12}}},
      {"disjoint edits, in any order", {{20, 170, fixed1}, {20, 20, fixed1}}, {{0, 3}, {16, 18}}},
      {"touching ranges join", {{20, 60, fixed1}, {20, 80, fixed1}}, {{0, 9}}},
      {"a faster rate covers more media", {{20, 100, doubled}}, {{8, 13}}},
      {"empty edits and edits past the end use nothing", {{50, -1, fixed1}, {10, 500, fixed1}}, {}},
      {"a zero-length edit keeps its sample", {{0, 45, fixed1}}, {{0, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    track->edits = c.edits;
    Ranges ranges;
    ASSERT_EQ(UsedSampleRanges(*track, movie.timeScale, &ranges), noErr);
    EXPECT_EQ(ranges, c.expected);
  }
}

TEST(UsedSampleRanges, CompositionOffsetsReachBackToFramesShownInTheEdit) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie();
  Track* track = GopTrack(movie, dir / "src");
  // Every frame shows 20 units after it is decoded, as with two B-frames of reordering: the
  // frame shown at 120 is decoded at 100 (sample 10), and what shows before 150 is decoded
  // before 130 (sample 12). Taking more is harmless; taking less loses frames.
  SampleTable& t = track->media.samples;
  t.compositionOffsets = {{20, 20}};
  t.Finalize();
  track->edits = {{30, 120, fixed1}};
  Ranges ranges;
  ASSERT_EQ(UsedSampleRanges(*track, movie.timeScale, &ranges), noErr);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].first, 8u);
  EXPECT_GE(ranges[0].second, 12u);
  EXPECT_LE(ranges[0].second, 14u);
}

TEST(UsedSampleRanges, SoundKeepsTheFrameBeforeTheCutForTheDecoder) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie();
  flattest::TrackSpec spec;
  spec.handler = FOUR_CHAR_CODE("soun");
  Track* sound = flattest::AddTrack(movie, spec, dir / "src", 0);
  struct Case {
    std::int64_t mediaTime;
    Ranges expected;
  };
  for (const Case& c : {Case{50, {{4, 7}}}, Case{0, {{0, 2}}}, Case{10, {{0, 3}}}}) {
    SCOPED_TRACE(c.mediaTime);
    sound->edits = {{30, c.mediaTime, fixed1}};
    Ranges ranges;
    ASSERT_EQ(UsedSampleRanges(*sound, movie.timeScale, &ranges), noErr);
    EXPECT_EQ(ranges, c.expected);
  }
}

TEST(UsedSampleRanges, RefusesBrokenTablesAndScales) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie();
  Track* track = GopTrack(movie, dir / "src");
  Ranges ranges;
  EXPECT_EQ(UsedSampleRanges(*track, 0, &ranges), invalidMovie);
  track->media.timeScale = 0;
  EXPECT_EQ(UsedSampleRanges(*track, 100, &ranges), invalidMedia);
  track->media.timeScale = 100;
  track->media.samples.durations = {{19, 10}};  // one sample short
  EXPECT_EQ(UsedSampleRanges(*track, 100, &ranges), invalidSampleTable);
}

TEST(MergeContinuingEdits, JoinsOnlyEditsThatContinueEachOther) {
  // Movie time scale 600, media time scale 1000: one movie unit is 5/3 media units.
  struct Case {
    const char* what;
    std::vector<Edit> edits;
    std::vector<Edit> expected;
  };
  const Case cases[] = {
      {"exact continuation", {{600, 0, fixed1}, {300, 1000, fixed1}}, {{900, 0, fixed1}}},
      {"within one movie unit (rounded durations of a join)",
       {{601, 0, fixed1}, {300, 1001, fixed1}},
       {{901, 0, fixed1}}},
      {"a frame apart", {{600, 0, fixed1}, {300, 1040, fixed1}}, {{600, 0, fixed1}, {300, 1040, fixed1}}},
      {"going back", {{600, 500, fixed1}, {300, 0, fixed1}}, {{600, 500, fixed1}, {300, 0, fixed1}}},
      {"different rates",
       {{600, 0, fixed1}, {300, 1000, 2 * fixed1}},
       {{600, 0, fixed1}, {300, 1000, 2 * fixed1}}},
      {"continuation at double rate", {{300, 0, 2 * fixed1}, {300, 1000, 2 * fixed1}}, {{600, 0, 2 * fixed1}}},
      {"empty edits", {{60, -1, fixed1}, {60, -1, fixed1}, {600, 0, fixed1}}, {{120, -1, fixed1}, {600, 0, fixed1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Edit> edits = c.edits;
    MergeContinuingEdits(&edits, 600, 1000);
    ASSERT_EQ(edits.size(), c.expected.size());
    for (std::size_t i = 0; i < edits.size(); ++i) {
      EXPECT_EQ(edits[i].duration, c.expected[i].duration) << i;
      EXPECT_EQ(edits[i].mediaTime, c.expected[i].mediaTime) << i;
      EXPECT_EQ(edits[i].rate, c.expected[i].rate) << i;
    }
  }
}

TEST(PlanFlatten, NewMediaHoldOnlyTheUsedSamplesAndEditsFollowThem) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie();
  Track* video = GopTrack(movie, dir / "src");
  // Shows 100..130, nothing for 20, then 170..190: samples 8-12 and 16-18 are copied.
  video->edits = {{30, 100, fixed1}, {20, -1, fixed1}, {20, 170, fixed1}};
  Track* unused = flattest::AddTrack(movie, flattest::TrackSpec{}, dir / "other", 0);
  unused->edits = {{100, -1, fixed1}};
  unused->references.push_back({FOUR_CHAR_CODE("chap"), {video}});

  FlattenPlan plan;
  ASSERT_EQ(PlanFlatten(movie, "/out/dest.mov", &plan), noErr);
  ASSERT_EQ(plan.tracks.size(), 2u);
  const Track& v = *plan.movie->tracks[0];
  EXPECT_EQ(v.media.samples.sampleCount, 8u);
  EXPECT_EQ(v.media.samples.Duration(), 80);
  ASSERT_EQ(v.edits.size(), 3u);
  EXPECT_EQ(v.edits[0].mediaTime, 20);  // sample 10 is the third copied sample
  EXPECT_EQ(v.edits[1].mediaTime, -1);
  EXPECT_EQ(v.edits[2].mediaTime, 60);  // 170 is sample 17: the second of range 16-18
  EXPECT_EQ(v.Duration(), video->Duration());
  // Sync samples come along: 8 and 16 are the first of each copied range.
  EXPECT_TRUE(v.media.samples.IsSync(0));
  EXPECT_TRUE(v.media.samples.IsSync(5));
  EXPECT_FALSE(v.media.samples.IsSync(1));
  ASSERT_EQ(plan.tracks[0].ranges.size(), 2u);
  EXPECT_EQ(plan.tracks[0].ranges[1].first, 16u);
  EXPECT_EQ(plan.tracks[0].ranges[1].newFirst, 5u);

  // Every data reference is the destination itself.
  ASSERT_EQ(v.media.dataRefs.size(), 1u);
  EXPECT_EQ(v.media.dataRefs[0].kind, DataRef::Kind::Self);
  EXPECT_EQ(v.media.dataRefs[0].resolvedPath, "/out/dest.mov");
  EXPECT_EQ(v.media.descriptions[0].DataRefIndex(), 1);

  // A track that shows nothing stays, empty, and its reference names the copy's track.
  const Track& u = *plan.movie->tracks[1];
  EXPECT_EQ(u.media.samples.sampleCount, 0u);
  EXPECT_EQ(u.Duration(), 100);
  ASSERT_EQ(u.references.size(), 1u);
  EXPECT_EQ(u.references[0].tracks[0], &v);

  // The source is untouched.
  EXPECT_EQ(video->media.samples.sampleCount, 20u);
  EXPECT_EQ(video->media.dataRefs[0].resolvedPath, dir / "src");
  EXPECT_EQ(video->edits[0].mediaTime, 100);
}

}  // namespace
}  // namespace tvx
