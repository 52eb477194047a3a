// InsertTrackSegment: edits copied by reference, sample ranges and their descriptions and data
// references appended to the destination media.
#include <gtest/gtest.h>

#include <cmath>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::E;
using testing_movies::NewTestMovie;
using testing_movies::TrackSpec;
using tvx::Edit;

struct Pair {
  tvx::Track* src;
  tvx::Track* dst;
};

Pair TwoTracks(const TrackSpec& srcSpec, const TrackSpec& dstSpec) {
  tvx::Movie* dstMovie = NewTestMovie();
  tvx::Movie* srcMovie = NewTestMovie();
  tvx::Track* dst = AddTestTrack(*dstMovie, dstSpec);
  tvx::Track* src = AddTestTrack(*srcMovie, srcSpec);
  return {src, dst};
}

TrackSpec Samples(std::size_t count, const char* file = "/media/a.mov") {
  TrackSpec spec;
  spec.durations.assign(count, 60);
  spec.file = file;
  return spec;
}

struct PlacementCase {
  const char* name;
  TimeValue srcIn, srcDuration, dstIn;
  std::vector<Edit> dstEdits;
  std::uint32_t dstSamples;
};

TEST(InsertTrackSegment, PlacesTheSegmentAndAppendsItsSamples) {
  // dst: 10 samples (600 units); src: 5 samples (300 units) whose media lands at 600 in dst.
  const PlacementCase cases[] = {
      {"append at the end continues the edit", 0, 300, 600, {E(900, 0)}, 15},
      {"in the middle", 0, 300, 300, {E(300, 0), E(300, 600), E(300, 300)}, 15},
      {"past the end", 0, 300, 900, {E(600, 0), E(300, -1), E(300, 600)}, 15},
      {"at the start", 0, 300, 0, {E(300, 600), E(600, 0)}, 15},
      // Only samples 2..3 are appended (every sample syncs), right after dst's: one edit again.
      {"part of the source", 120, 120, 600, {E(720, 0)}, 12},
      {"span longer than the source", 0, 600, 0, {E(300, 600), E(300, -1), E(600, 0)}, 15},
  };
  for (const PlacementCase& c : cases) {
    Pair p = TwoTracks(Samples(5, "/media/b.mov"), Samples(10));
    ASSERT_EQ(InsertTrackSegment(p.src, p.dst, c.srcIn, c.srcDuration, c.dstIn), noErr) << c.name;
    EXPECT_EQ(p.dst->edits, c.dstEdits) << c.name;
    EXPECT_EQ(p.dst->media.samples.sampleCount, c.dstSamples) << c.name;
    EXPECT_TRUE(p.dst->media.samples.IsConsistent(std::uint32_t(p.dst->media.descriptions.size())))
        << c.name;
    EXPECT_EQ(p.src->edits, std::vector<Edit>{E(300, 0)}) << c.name;
    EXPECT_EQ(p.src->media.samples.sampleCount, 5u) << c.name;
  }
}

TEST(InsertTrackSegment, AppendedSamplesPointAtTheSourceFile) {
  TrackSpec srcSpec = Samples(5, "/media/b.mov");
  srcSpec.sizes = {10, 20, 30, 40, 50};
  Pair p = TwoTracks(srcSpec, Samples(10));
  ASSERT_EQ(InsertTrackSegment(p.src, p.dst, 120, 120, 600), noErr);
  const tvx::Media& media = p.dst->media;
  ASSERT_EQ(media.samples.sampleCount, 12u);
  // Samples 2 and 3 of the source: offsets 30 and 60 in b.mov, sizes 30 and 40.
  EXPECT_EQ(media.samples.SampleOffset(10), 30u);
  EXPECT_EQ(media.samples.SampleOffset(11), 60u);
  EXPECT_EQ(media.samples.SampleSize(11), 40u);
  const std::uint32_t desc = media.samples.DescriptionIndex(10);
  const std::uint16_t ref = media.descriptions[desc - 1].DataRefIndex();
  EXPECT_EQ(media.dataRefs[ref - 1].resolvedPath, "/media/b.mov");
  EXPECT_EQ(media.descriptions[media.samples.DescriptionIndex(0) - 1].DataRefIndex(), 1);
}

TEST(InsertTrackSegment, StartsAtTheSyncSampleTheSpanDependsOn) {
  TrackSpec srcSpec = Samples(10, "/media/b.mov");
  srcSpec.syncSamples = {0, 5};
  Pair p = TwoTracks(srcSpec, Samples(10));
  ASSERT_EQ(InsertTrackSegment(p.src, p.dst, 7 * 60, 60, 600), noErr);
  // Samples 5..7 are appended (600..780 in dst); the edit shows sample 7 only.
  EXPECT_EQ(p.dst->media.samples.sampleCount, 13u);
  EXPECT_EQ(p.dst->edits, (std::vector<Edit>{E(600, 0), E(60, 720)}));
  EXPECT_TRUE(p.dst->media.samples.IsSync(10));
  EXPECT_FALSE(p.dst->media.samples.IsSync(12));
}

TEST(InsertTrackSegment, DeDuplicatesDescriptionsAndDataReferences) {
  struct Case {
    const char* name;
    const char* srcFile;
    OSType srcFormat;
    std::size_t dataRefs, descriptions;
  };
  const Case cases[] = {
      {"same file, same description", "/media/a.mov", FOUR_CHAR_CODE("avc1"), 1, 1},
      {"other file, same description", "/media/b.mov", FOUR_CHAR_CODE("avc1"), 2, 2},
      {"same file, other format", "/media/a.mov", FOUR_CHAR_CODE("mp4v"), 1, 2},
  };
  for (const Case& c : cases) {
    TrackSpec srcSpec = Samples(5, c.srcFile);
    srcSpec.format = c.srcFormat;
    Pair p = TwoTracks(srcSpec, Samples(10));
    ASSERT_EQ(InsertTrackSegment(p.src, p.dst, 0, 300, 600), noErr) << c.name;
    // A second insert of the same source adds samples but nothing else.
    ASSERT_EQ(InsertTrackSegment(p.src, p.dst, 0, 300, 900), noErr) << c.name;
    EXPECT_EQ(p.dst->media.dataRefs.size(), c.dataRefs) << c.name;
    EXPECT_EQ(p.dst->media.descriptions.size(), c.descriptions) << c.name;
    EXPECT_EQ(p.dst->media.samples.sampleCount, 20u) << c.name;
  }
}

TEST(InsertTrackSegment, SelfReferenceOfAnotherMovieNamesThatMoviesFile) {
  Pair p = TwoTracks(Samples(5, ""), Samples(10));
  p.src->movie->originPath = "/media/a.mov";
  p.src->media.dataRefs[0].kind = tvx::DataRef::Kind::Self;
  p.src->media.dataRefs[0].flags = 1;
  ASSERT_EQ(InsertTrackSegment(p.src, p.dst, 0, 300, 600), noErr);
  // Same file as dst's own reference: shared, not copied.
  ASSERT_EQ(p.dst->media.dataRefs.size(), 1u);

  Pair q = TwoTracks(Samples(5, ""), Samples(10));
  q.src->movie->originPath = "/media/c.mov";
  q.src->media.dataRefs[0].kind = tvx::DataRef::Kind::Self;
  ASSERT_EQ(InsertTrackSegment(q.src, q.dst, 0, 300, 600), noErr);
  ASSERT_EQ(q.dst->media.dataRefs.size(), 2u);
  EXPECT_EQ(q.dst->media.dataRefs[1].kind, tvx::DataRef::Kind::Alias);
  EXPECT_EQ(q.dst->media.dataRefs[1].resolvedPath, "/media/c.mov");
}

TEST(InsertTrackSegment, ConvertsMediaTimeScalesWithoutDrift) {
  // 1000 frames of 1001/30000 s into a media at 600 units: 20.02 units each.
  TrackSpec srcSpec;
  srcSpec.mediaScale = 30000;
  srcSpec.durations.assign(1000, 1001);
  tvx::Movie* dstMovie = NewTestMovie();
  tvx::Movie* srcMovie = NewTestMovie();
  tvx::Track* dst = AddTestTrack(*dstMovie, Samples(10));
  tvx::Track* src = AddTestTrack(*srcMovie, srcSpec);
  const TimeValue srcDuration = GetTrackDuration(src);
  EXPECT_EQ(srcDuration, 20020);
  ASSERT_EQ(InsertTrackSegment(src, dst, 0, srcDuration, 600), noErr);
  const tvx::SampleTable& table = dst->media.samples;
  EXPECT_EQ(table.Duration(), 600 + 20020);
  for (std::uint32_t k : {1u, 7u, 333u, 999u})
    EXPECT_EQ(table.SampleTime(10 + k) - 600, std::llround(k * 20.02)) << k;
  EXPECT_EQ(dst->edits, (std::vector<Edit>{E(600 + 20020, 0)}));

  // A span starting mid-media maps its media time into the new scale.
  tvx::Track* dst2 = AddTestTrack(*NewTestMovie(), Samples(10));
  ASSERT_EQ(InsertTrackSegment(src, dst2, 1001, 2002, 0), noErr);
  ASSERT_FALSE(dst2->edits.empty());
  EXPECT_EQ(dst2->edits.front().duration, 2002);
  EXPECT_EQ(dst2->edits.front().mediaTime, 600 + 0);  // range starts at the sample shown
}

TEST(InsertTrackSegment, IntoItselfOnlyEditsChange) {
  tvx::Track* track = AddTestTrack(*NewTestMovie(), Samples(10));
  ASSERT_EQ(InsertTrackSegment(track, track, 0, 600, 600), noErr);
  EXPECT_EQ(track->edits, (std::vector<Edit>{E(600, 0), E(600, 0)}));
  ASSERT_EQ(InsertTrackSegment(track, track, 300, 300, 0), noErr);
  EXPECT_EQ(track->edits, (std::vector<Edit>{E(300, 300), E(600, 0), E(600, 0)}));
  EXPECT_EQ(track->media.samples.sampleCount, 10u);
  EXPECT_EQ(track->media.dataRefs.size(), 1u);
}

TEST(InsertTrackSegment, RefusesWithoutChangingTheDestination) {
  TrackSpec sound = Samples(5);
  sound.type = SoundMediaType;
  Pair p = TwoTracks(sound, Samples(10));
  EXPECT_EQ(InsertTrackSegment(p.src, p.dst, 0, 300, 600), mediaTypesDontMatch);
  EXPECT_EQ(GetMoviesError(), mediaTypesDontMatch);
  EXPECT_EQ(InsertTrackSegment(p.dst, p.dst, -1, 300, 0), invalidTime);
  EXPECT_EQ(InsertTrackSegment(p.dst, p.dst, 0, -1, 0), invalidDuration);
  EXPECT_EQ(InsertTrackSegment(nullptr, p.dst, 0, 300, 0), invalidTrack);
  EXPECT_EQ(p.dst->edits, std::vector<Edit>{E(600, 0)});
  EXPECT_EQ(p.dst->media.samples.sampleCount, 10u);

  // A description that names a missing data reference is refused before anything changes.
  Pair q = TwoTracks(Samples(5, "/media/b.mov"), Samples(10));
  q.src->media.descriptions[0] = {testing_movies::DescriptionBytes(FOUR_CHAR_CODE("avc1"), 7)};
  EXPECT_EQ(InsertTrackSegment(q.src, q.dst, 0, 300, 600), invalidDataRef);
  EXPECT_EQ(q.dst->media.samples.sampleCount, 10u);
  EXPECT_EQ(q.dst->media.descriptions.size(), 1u);

  // So is a chunk that names a description the media does not have.
  Pair r = TwoTracks(Samples(5, "/media/b.mov"), Samples(10));
  r.src->media.samples.chunks.back().descIndex = 3;
  EXPECT_EQ(InsertTrackSegment(r.src, r.dst, 0, 300, 600), invalidSampleTable);
  EXPECT_EQ(r.dst->media.samples.sampleCount, 10u);
  EXPECT_TRUE(r.dst->media.dataRefs.size() == 1 && r.dst->media.descriptions.size() == 1);
}

}  // namespace
