// Movie, track and media queries: indexed tracks by type, handler names, references, statuses.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::E;
using testing_movies::NewTestMovie;
using testing_movies::TrackSpec;

TrackSpec OfType(const char (&type)[5]) {
  TrackSpec spec;
  spec.type = FOUR_CHAR_CODE(type);
  return spec;
}

TEST(GetMovieIndTrackType, ByMediaTypeCharacteristicAndEnabled) {
  tvx::Movie* movie = NewTestMovie();
  tvx::Track* video = AddTestTrack(*movie, OfType("vide"));
  tvx::Track* sound = AddTestTrack(*movie, OfType("soun"));
  sound->flags = 0x2;  // disabled
  tvx::Track* text = AddTestTrack(*movie, OfType("text"));
  tvx::Track* mpeg = AddTestTrack(*movie, OfType("MPEG"));
  tvx::Track* hint = AddTestTrack(*movie, OfType("hint"));
  struct Case {
    const char* name;
    OSType type;
    long index, flags;
    tvx::Track* expected;
  };
  const Case cases[] = {
      {"media type", VideoMediaType, 1, movieTrackMediaType, video},
      {"media type, disabled counts", SoundMediaType, 1, movieTrackMediaType, sound},
      {"media type, enabled only", SoundMediaType, 1, movieTrackMediaType | movieTrackEnabledOnly, nullptr},
      {"past the last", VideoMediaType, 2, movieTrackMediaType, nullptr},
      {"index 0", VideoMediaType, 0, movieTrackMediaType, nullptr},
      {"visual, second", VisualMediaCharacteristic, 2, movieTrackCharacteristic, text},
      {"visual, third is MPEG", VisualMediaCharacteristic, 3, movieTrackCharacteristic, mpeg},
      {"visual, never hint", VisualMediaCharacteristic, 4, movieTrackCharacteristic, nullptr},
      {"audible", AudioMediaCharacteristic, 1, movieTrackCharacteristic, sound},
      {"audible, enabled only", AudioMediaCharacteristic, 1,
       movieTrackCharacteristic | movieTrackEnabledOnly, mpeg},
      {"characteristic is not a media type", VisualMediaCharacteristic, 1, movieTrackMediaType, nullptr},
      {"hint by media type", FOUR_CHAR_CODE("hint"), 1, movieTrackMediaType, hint},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetMovieIndTrackType(movie, c.index, c.type, c.flags), c.expected) << c.name;
    EXPECT_EQ(GetMoviesError(), noErr) << c.name;
  }
}

TEST(MediaGetName, TheHandlersOwnNameNotTheFilesString) {
  const std::pair<const char*, const char*> cases[] = {
      {"vide", "Video"}, {"soun", "Sound"},         {"text", "Text"},     {"sbtl", "Subtitle"},
      {"clcp", "Closed Caption"}, {"tmcd", "Timecode"}, {"hint", "Hint"}, {"meta", "Metadata"},
      {"sprt", "Sprite"}, {"MPEG", "MPEG"},         {"subp", "Subpicture"}, {"abcd", "abcd"}};
  for (auto [type, expected] : cases) {
    tvx::Movie* movie = NewTestMovie();
    TrackSpec spec;
    spec.type = (OSType(type[0]) << 24) | (OSType(type[1]) << 16) | (OSType(type[2]) << 8) | OSType(type[3]);
    tvx::Track* track = AddTestTrack(*movie, spec);
    track->media.handlerName = "Core Media Video";
    Str255 name = {};
    long language = -1;
    EXPECT_EQ(MediaGetName(GetMediaHandler(GetTrackMedia(track)), name, 0, &language), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), expected) << type;
    EXPECT_EQ(language, 0);
    OSType mediaType = 0;
    GetMediaHandlerDescription(GetTrackMedia(track), &mediaType, nullptr, nullptr);
    EXPECT_EQ(mediaType, spec.type) << type;
  }
}

TEST(Queries, NullArgumentsGiveAStatusAndAHarmlessResult) {
  MatrixRecord m = tvx::IdentityMatrix();
  EXPECT_EQ(GetMovieDuration(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMovieTrackCount(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMovieIndTrackType(nullptr, 1, VideoMediaType, 1), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  GetMovieMatrix(nullptr, &m);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMovieUserData(nullptr), nullptr);
  EXPECT_EQ(GetTrackDuration(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetTrackMedia(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetTrackMovie(nullptr), nullptr);
  EXPECT_EQ(GetTrackReference(nullptr, kTrackReferenceChapterList, 1), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(TrackTimeToMediaTime(0, nullptr), -1);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  TimeValue t = 7, d = 7;
  GetTrackNextInterestingTime(nullptr, 1, 0, fixed1, &t, &d);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(t, -1);
  EXPECT_EQ(GetMediaTimeScale(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  EXPECT_EQ(GetMediaHandler(nullptr), nullptr);
  Str255 name = {3, 'a', 'b', 'c'};
  EXPECT_EQ(MediaGetName(nullptr, name, 0, nullptr), invalidMedia);
  EXPECT_EQ(name[0], 0);
}

TEST(Queries, TimesBeyondThirtyTwoBitsAreReportedNotWrapped) {
  tvx::Movie* movie = NewTestMovie();
  tvx::Track* track = AddTestTrack(*movie);
  track->edits = {E(INT_MAX, 0), E(1000, 0)};
  EXPECT_EQ(GetMovieDuration(movie), 0);
  EXPECT_EQ(GetMoviesError(), invalidDuration);
  EXPECT_EQ(GetTrackDuration(track), 0);
  EXPECT_EQ(GetMoviesError(), invalidDuration);
  track->edits = {E(1000, 0)};
  EXPECT_EQ(GetMovieDuration(movie), 1000);
  EXPECT_EQ(GetMoviesError(), noErr);
}

TEST(Queries, TracksMediaMatricesAndReferences) {
  tvx::Movie* movie = NewTestMovie(1000);
  TrackSpec spec;
  spec.mediaScale = 90000;
  spec.durations.assign(4, 3000);
  tvx::Track* video = AddTestTrack(*movie, spec);
  tvx::Track* chapters = AddTestTrack(*movie, OfType("text"));
  video->references.push_back({kTrackReferenceChapterList, {chapters, chapters}});

  EXPECT_EQ(GetMovieTimeScale(movie), 1000);
  EXPECT_EQ(GetMovieTrackCount(movie), 2);
  EXPECT_EQ(GetMovieIndTrack(movie, 2), chapters);
  EXPECT_EQ(GetMovieIndTrack(movie, 3), nullptr);
  EXPECT_EQ(GetTrackMovie(video), movie);
  EXPECT_EQ(GetMediaTimeScale(GetTrackMedia(video)), 90000);
  EXPECT_EQ(GetMediaDuration(GetTrackMedia(video)), 12000);
  EXPECT_EQ(GetTrackDuration(video), 133);
  EXPECT_TRUE(GetTrackEnabled(video));
  EXPECT_EQ(GetTrackReferenceCount(video, kTrackReferenceChapterList), 2);
  EXPECT_EQ(GetTrackReference(video, kTrackReferenceChapterList, 2), chapters);
  EXPECT_EQ(GetTrackReference(video, kTrackReferenceChapterList, 3), nullptr);
  EXPECT_EQ(GetTrackReferenceCount(chapters, kTrackReferenceChapterList), 0);

  MatrixRecord m = tvx::IdentityMatrix();
  m.matrix[2][0] = 5 << 16;
  SetTrackMatrix(video, &m);
  MatrixRecord back{};
  GetTrackMatrix(video, &back);
  EXPECT_EQ(back.matrix[2][0], 5 << 16);
  SetMovieMatrix(movie, &m);
  GetMovieMatrix(movie, &back);
  EXPECT_EQ(back.matrix[2][0], 5 << 16);

  EXPECT_EQ(GetMediaSampleDescriptionCount(GetTrackMedia(video)), 1);
  Handle desc = NewHandle(0);
  GetMediaSampleDescription(GetTrackMedia(video), 1, desc);
  EXPECT_EQ(GetMoviesError(), noErr);
  ASSERT_EQ(GetHandleSize(desc), 24);
  EXPECT_EQ(std::string(*desc + 4, 4), "avc1");
  GetMediaSampleDescription(GetTrackMedia(video), 2, desc);
  EXPECT_EQ(GetMoviesError(), paramErr);
  DisposeHandle(desc);
}

}  // namespace
