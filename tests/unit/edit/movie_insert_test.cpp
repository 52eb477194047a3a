// Whole-movie inserts: which destination track receives which source track, and parallel adds.
#include <gtest/gtest.h>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::E;
using testing_movies::NewTestMovie;
using testing_movies::TrackSpec;
using tvx::Edit;

TrackSpec Video(std::size_t frames = 10) {
  TrackSpec spec;
  spec.durations.assign(frames, 60);
  return spec;
}

TrackSpec Sound(std::size_t packets = 10) {
  TrackSpec spec;
  spec.type = SoundMediaType;
  spec.format = FOUR_CHAR_CODE("mp4a");
  spec.mediaScale = 48000;
  spec.durations.assign(packets, 4800);  // 0.1 s each, like the video's frames
  return spec;
}

TEST(InsertMovieSegment, MatchesTracksByKindFormatAndGeometry) {
  struct Case {
    const char* name;
    TrackSpec second;                // src's second track (its first is a matching sound track)
    std::size_t dstTracks;           // after the insert
    std::vector<Edit> dstVideoEdits;  // of dst's original video track
  };
  TrackSpec otherSize = Video();
  otherSize.width = 320 << 16;
  TrackSpec otherFormat = Video();
  otherFormat.format = FOUR_CHAR_CODE("mp4v");
  TrackSpec otherScale = Video();
  otherScale.mediaScale = 30000;
  otherScale.durations.assign(10, 3000);
  const Case cases[] = {
      {"same kind", Video(), 2, {E(1200, 0)}},
      {"other size", otherSize, 3, {E(600, 0)}},
      {"other format", otherFormat, 3, {E(600, 0)}},
      {"other media time scale", otherScale, 3, {E(600, 0)}},
  };
  for (const Case& c : cases) {
    tvx::Movie* dst = NewTestMovie();
    tvx::Track* video = AddTestTrack(*dst, Video());
    tvx::Track* audio = AddTestTrack(*dst, Sound());
    tvx::Movie* src = NewTestMovie();
    AddTestTrack(*src, Sound());  // src order differs from dst's on purpose
    AddTestTrack(*src, c.second);
    ASSERT_EQ(InsertMovieSegment(src, dst, 0, 600, 600), noErr) << c.name;
    EXPECT_EQ(GetMovieTrackCount(dst), long(c.dstTracks)) << c.name;
    EXPECT_EQ(video->edits, c.dstVideoEdits) << c.name;
    EXPECT_EQ(audio->edits, std::vector<Edit>{E(1200, 0)}) << c.name;
    EXPECT_EQ(audio->media.samples.sampleCount, 20u) << c.name;
    if (c.dstTracks == 3) {
      tvx::Track* added = GetMovieIndTrack(dst, 3);
      EXPECT_EQ(added->edits, (std::vector<Edit>{E(600, -1), E(600, 0)})) << c.name;
      EXPECT_EQ(added->width, c.second.width) << c.name;
    }
    EXPECT_EQ(src->tracks[1]->edits, std::vector<Edit>{E(600, 0)}) << c.name;
  }
}

TEST(InsertMovieSegment, TwoLikeSourceTracksNeverShareOneDestination) {
  tvx::Movie* dst = NewTestMovie();
  tvx::Track* video = AddTestTrack(*dst, Video());
  tvx::Movie* src = NewTestMovie();
  AddTestTrack(*src, Video());
  AddTestTrack(*src, Video(5));
  ASSERT_EQ(InsertMovieSegment(src, dst, 0, 600, 600), noErr);
  ASSERT_EQ(GetMovieTrackCount(dst), 2);
  EXPECT_EQ(video->edits, std::vector<Edit>{E(1200, 0)});
  EXPECT_EQ(dst->tracks[1]->edits, (std::vector<Edit>{E(600, -1), E(300, 0)}));
}

TEST(InsertMovieSegment, TracksThatReceiveNothingKeepInStep) {
  tvx::Movie* dst = NewTestMovie();
  AddTestTrack(*dst, Video(20));               // 1200
  tvx::Track* text = AddTestTrack(*dst, [] {  // 1200, receives nothing
    TrackSpec t = Video(20);
    t.type = TextMediaType;
    t.format = FOUR_CHAR_CODE("text");
    return t;
  }());
  tvx::Track* shortSound = AddTestTrack(*dst, Sound(3));  // 180: ends before dstIn
  tvx::Movie* src = NewTestMovie();
  AddTestTrack(*src, Video(5));
  ASSERT_EQ(InsertMovieSegment(src, dst, 0, 300, 600), noErr);
  EXPECT_EQ(text->edits, (std::vector<Edit>{E(600, 0), E(300, -1), E(600, 600)}));
  EXPECT_EQ(shortSound->edits, std::vector<Edit>{E(180, 0)});
  EXPECT_EQ(GetMovieDuration(dst), 1500);
}

TEST(InsertMovieSegment, SourceTrackWithoutContentAddsNoTrack) {
  tvx::Movie* dst = NewTestMovie();
  AddTestTrack(*dst, Video());
  tvx::Movie* src = NewTestMovie();
  AddTestTrack(*src, Sound());
  tvx::Track* late = AddTestTrack(*src, Sound());
  late->edits = {E(900, -1), E(300, 0)};  // starts after the inserted span
  ASSERT_EQ(InsertMovieSegment(src, dst, 0, 600, 600), noErr);
  EXPECT_EQ(GetMovieTrackCount(dst), 2);
}

TEST(InsertMovieSegment, ConvertsBetweenMovieTimeScales) {
  tvx::Movie* dst = NewTestMovie(600);
  tvx::Track* video = AddTestTrack(*dst, Video());
  tvx::Movie* src = NewTestMovie(1000);
  AddTestTrack(*src, Video());  // 1000 units of 1/1000 s
  ASSERT_EQ(InsertMovieSegment(src, dst, 0, 1000, 600), noErr);
  EXPECT_EQ(video->edits, std::vector<Edit>{E(1200, 0)});
}

TEST(InsertMovieSegment, StatusesForBadArguments) {
  tvx::Movie* dst = NewTestMovie();
  AddTestTrack(*dst, Video());
  EXPECT_EQ(InsertMovieSegment(nullptr, dst, 0, 600, 0), invalidMovie);
  EXPECT_EQ(InsertMovieSegment(dst, nullptr, 0, 600, 0), invalidMovie);
  EXPECT_EQ(InsertMovieSegment(dst, dst, 0, -1, 0), invalidDuration);
  EXPECT_EQ(InsertMovieSegment(dst, dst, 0, 600, -5), invalidTime);
  EXPECT_EQ(GetMovieDuration(dst), 600);
}

TEST(InsertMovieSegment, MovieIntoItself) {
  tvx::Movie* movie = NewTestMovie();
  tvx::Track* video = AddTestTrack(*movie, Video());
  tvx::Track* audio = AddTestTrack(*movie, Sound());
  ASSERT_EQ(InsertMovieSegment(movie, movie, 0, 600, 600), noErr);
  EXPECT_EQ(GetMovieTrackCount(movie), 2);
  EXPECT_EQ(video->edits, (std::vector<Edit>{E(600, 0), E(600, 0)}));
  EXPECT_EQ(audio->edits, (std::vector<Edit>{E(600, 0), E(600, 0)}));
  EXPECT_EQ(video->media.samples.sampleCount, 10u);
}

TEST(AddEmptyTrackToMovie, CopiesSettingsNotContent) {
  tvx::Movie* src = NewTestMovie();
  TrackSpec spec = Sound();
  tvx::Track* source = AddTestTrack(*src, spec);
  source->volume = 0x80;
  source->alternateGroup = 1;
  source->media.language = 21;
  source->userData.items.push_back({kUserDataName, {'m', 'i', 'c'}});
  tvx::Movie* dst = NewTestMovie();
  Track added = nullptr;
  ASSERT_EQ(AddEmptyTrackToMovie(source, dst, nullptr, 0, &added), noErr);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->movie, dst);
  EXPECT_EQ(added->volume, 0x80);
  EXPECT_EQ(added->alternateGroup, 1);
  EXPECT_EQ(added->media.handlerType, SoundMediaType);
  EXPECT_EQ(added->media.timeScale, 48000);
  EXPECT_EQ(added->media.language, 21);
  EXPECT_EQ(added->userData.items.size(), 1u);
  EXPECT_TRUE(added->edits.empty());
  EXPECT_EQ(added->media.samples.sampleCount, 0u);

  Track none = source;
  EXPECT_EQ(AddEmptyTrackToMovie(source, nullptr, nullptr, 0, &none), invalidMovie);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(AddEmptyTrackToMovie(nullptr, dst, nullptr, 0, &none), invalidTrack);
}

TEST(AddMovieSelection, AddsEverySourceTrackFromTheSelectionStart) {
  struct Case {
    const char* name;
    TimeValue selectionStart, selectionDuration;
    std::vector<Edit> addedVideo;
    std::vector<Edit> addedSound;
  };
  const Case cases[] = {
      {"at time 0", 0, 0, {E(600, 0)}, {E(300, 0)}},
      {"later start", 300, 0, {E(300, -1), E(600, 0)}, {E(300, -1), E(300, 0)}},
      {"stretched to the selection", 0, 1200, {E(1200, 0, fixed1 / 2)}, {E(600, 0, fixed1 / 2)}},
      {"squeezed to the selection", 0, 300, {E(300, 0, fixed1 * 2)}, {E(150, 0, fixed1 * 2)}},
  };
  for (const Case& c : cases) {
    tvx::Movie* dst = NewTestMovie();
    tvx::Track* existing = AddTestTrack(*dst, Video(20));
    tvx::Movie* src = NewTestMovie();
    AddTestTrack(*src, Video());
    AddTestTrack(*src, Sound(5));
    tvx::Track* hollow = AddTestTrack(*src, Video());
    hollow->edits = {};  // no content: not added
    SetMovieSelection(dst, c.selectionStart, c.selectionDuration);
    AddMovieSelection(dst, src);
    EXPECT_EQ(GetMoviesError(), noErr) << c.name;
    ASSERT_EQ(GetMovieTrackCount(dst), 3) << c.name;
    EXPECT_EQ(existing->edits, std::vector<Edit>{E(1200, 0)}) << c.name;
    EXPECT_EQ(dst->tracks[1]->edits, c.addedVideo) << c.name;
    EXPECT_EQ(dst->tracks[2]->edits, c.addedSound) << c.name;
    EXPECT_EQ(dst->tracks[1]->media.samples.sampleCount, 10u) << c.name;
    EXPECT_EQ(src->tracks[0]->edits, std::vector<Edit>{E(600, 0)}) << c.name;
  }
}

TEST(CopyMovieSettings, CopiesRateVolumeMatrixAndUserData) {
  tvx::Movie* src = NewTestMovie();
  src->preferredRate = fixed1 * 2;
  src->preferredVolume = 0x80;
  src->matrix.matrix[2][0] = 10 << 16;
  src->userData.items.push_back({FOUR_CHAR_CODE("\xA9nam"), {0, 1, 0, 0, 'x'}});
  tvx::Movie* dst = NewTestMovie(1000);
  AddTestTrack(*dst, Video());
  ASSERT_EQ(CopyMovieSettings(src, dst), noErr);
  EXPECT_EQ(dst->preferredRate, fixed1 * 2);
  EXPECT_EQ(dst->preferredVolume, 0x80);
  EXPECT_EQ(dst->matrix.matrix[2][0], 10 << 16);
  EXPECT_EQ(dst->userData.items.size(), 1u);
  EXPECT_EQ(dst->timeScale, 1000);
  EXPECT_EQ(dst->tracks.size(), 1u);
}

TEST(DisposeMovieTrack, RemovesTheTrackAndReferencesToIt) {
  tvx::Movie* movie = NewTestMovie();
  tvx::Track* video = AddTestTrack(*movie, Video());
  tvx::Track* chapters = AddTestTrack(*movie, Video());
  video->references.push_back({kTrackReferenceChapterList, {chapters}});
  DisposeMovieTrack(chapters);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(GetMovieTrackCount(movie), 1);
  EXPECT_EQ(GetTrackReferenceCount(video, kTrackReferenceChapterList), 0);
  DisposeMovieTrack(nullptr);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
}

}  // namespace
