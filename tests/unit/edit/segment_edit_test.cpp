// Deleting and scaling spans of a movie, and changing its time scale: edit lists only.
#include <gtest/gtest.h>

#include <climits>

#include "unit/edit/movie_builder.h"

namespace {

using testing_movies::AddTestTrack;
using testing_movies::E;
using testing_movies::NewTestMovie;
using tvx::Edit;

constexpr Fixed kHalf = fixed1 / 2;
constexpr Fixed kDouble = fixed1 * 2;

// One track over 1200 media units (20 samples of 60) at movie and media scale 600.
tvx::Track* TrackWithEdits(const std::vector<Edit>& edits) {
  tvx::Movie* movie = NewTestMovie();
  testing_movies::TrackSpec spec;
  spec.durations.assign(20, 60);
  tvx::Track* track = AddTestTrack(*movie, spec);
  track->edits = edits;
  return track;
}

struct DeleteCase {
  const char* name;
  std::vector<Edit> before;
  TimeValue start, duration;
  std::vector<Edit> after;
};

TEST(DeleteMovieSegment, RemovesTheSpanFromEveryEditList) {
  const DeleteCase cases[] = {
      {"inside one edit", {E(1200, 0)}, 300, 300, {E(300, 0), E(600, 600)}},
      {"across edits", {E(600, 0), E(600, 1200)}, 300, 600, {E(300, 0), E(300, 1500)}},
      {"at the start", {E(1200, 0)}, 0, 300, {E(900, 300)}},
      {"at the end", {E(1200, 0)}, 900, 300, {E(900, 0)}},
      {"whole movie", {E(600, 0), E(600, -1), E(600, 600)}, 0, 1800, {}},
      {"running past the end", {E(1200, 0)}, 1000, 5000, {E(1000, 0)}},
      {"wholly past the end", {E(1200, 0)}, 2000, 100, {E(1200, 0)}},
      {"leaves no trailing empty edit", {E(600, 0), E(600, -1), E(600, 600)}, 1200, 600, {E(600, 0)}},
      {"joins what continues", {E(600, 0), E(300, -1), E(600, 600)}, 600, 300, {E(1200, 0)}},
      {"at an edit boundary", {E(600, 0), E(600, 0)}, 600, 600, {E(600, 0)}},
      {"zero duration", {E(1200, 0)}, 300, 0, {E(1200, 0)}},
  };
  for (const DeleteCase& c : cases) {
    tvx::Track* track = TrackWithEdits(c.before);
    EXPECT_EQ(DeleteMovieSegment(track->movie, c.start, c.duration), noErr) << c.name;
    EXPECT_EQ(track->edits, c.after) << c.name;
  }
}

TEST(DeleteMovieSegment, MovesEveryTrackAndKeepsSamples) {
  tvx::Movie* movie = NewTestMovie();
  tvx::Track* video = AddTestTrack(*movie);  // 600
  testing_movies::TrackSpec sound;
  sound.type = SoundMediaType;
  sound.mediaScale = 48000;
  sound.durations.assign(30, 1600);  // 1 s
  tvx::Track* audio = AddTestTrack(*movie, sound);
  ASSERT_EQ(DeleteMovieSegment(movie, 150, 300), noErr);
  EXPECT_EQ(video->edits, (std::vector<Edit>{E(150, 0), E(150, 450)}));
  EXPECT_EQ(audio->edits, (std::vector<Edit>{E(150, 0), E(150, 36000)}));
  EXPECT_EQ(video->media.samples.sampleCount, 10u);
  EXPECT_EQ(GetMovieDuration(movie), 300);
}

TEST(DeleteMovieSegment, RefusesNegativeTimes) {
  tvx::Track* track = TrackWithEdits({E(1200, 0)});
  EXPECT_EQ(DeleteMovieSegment(track->movie, -1, 100), invalidTime);
  EXPECT_EQ(DeleteMovieSegment(track->movie, 0, -100), invalidDuration);
  EXPECT_EQ(DeleteMovieSegment(nullptr, 0, 100), invalidMovie);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(track->edits, std::vector<Edit>{E(1200, 0)});
}

struct ScaleCase {
  const char* name;
  std::vector<Edit> before;
  TimeValue start, oldDuration, newDuration;
  std::vector<Edit> after;
};

TEST(ScaleMovieSegment, ScalesDurationsAndRates) {
  const ScaleCase cases[] = {
      {"slower", {E(600, 0)}, 0, 600, 1200, {E(1200, 0, kHalf)}},
      {"faster", {E(1200, 0)}, 0, 1200, 600, {E(600, 0, kDouble)}},
      {"middle of an edit", {E(1200, 0)}, 300, 600, 300, {E(300, 0), E(300, 300, kDouble), E(300, 900)}},
      // Boundaries 200 and 400 land on 333.3 and 666.7: rounded there, the total stays exact.
      {"exact total", {E(200, 0), E(200, -1), E(200, 400)}, 0, 600, 1000,
       {E(333, 0, 39322), E(334, -1), E(333, 400, 39322)}},
      {"span past the track's end", {E(600, 0)}, 0, 1200, 600, {E(300, 0, kDouble)}},
  };
  for (const ScaleCase& c : cases) {
    tvx::Track* track = TrackWithEdits(c.before);
    EXPECT_EQ(ScaleMovieSegment(track->movie, c.start, c.oldDuration, c.newDuration), noErr) << c.name;
    EXPECT_EQ(track->edits, c.after) << c.name;
  }
}

TEST(ScaleMovieSegment, RefusesWithoutChangingAnything) {
  struct Refusal {
    const char* name;
    std::vector<Edit> before;
    TimeValue oldDuration, newDuration;
  };
  const Refusal cases[] = {
      {"zero new duration", {E(1200, 0)}, 1200, 0},
      {"negative new duration", {E(1200, 0)}, 1200, -600},
      {"zero old duration", {E(1200, 0)}, 0, 600},
      {"movie past a 32-bit time", {E(1200, 0)}, 600, INT_MAX},
      {"rate past 16.16", {E(100000, 0)}, 100000, 1},
  };
  for (const Refusal& c : cases) {
    tvx::Track* track = TrackWithEdits(c.before);
    EXPECT_EQ(ScaleMovieSegment(track->movie, 0, c.oldDuration, c.newDuration), invalidDuration)
        << c.name;
    EXPECT_EQ(GetMoviesError(), invalidDuration) << c.name;
    EXPECT_EQ(track->edits, c.before) << c.name;
  }
}

TEST(SetMovieTimeScale, RescalesEditBoundariesAndMovieTimes) {
  tvx::Track* track = TrackWithEdits({E(1, 0), E(1, 300), E(598, 600)});
  tvx::Movie* movie = track->movie;
  SetMovieSelection(movie, 300, 300);
  movie->posterTime = 600;
  movie->previewTime = 1;
  movie->previewDuration = 1;
  SetMovieTimeScale(movie, 1000);
  ASSERT_EQ(GetMoviesError(), noErr);
  // Boundaries 1 and 2 go to 1.67 and 3.33; rounded there, the durations are 2 and 1.
  EXPECT_EQ(track->edits, (std::vector<Edit>{E(2, 0), E(1, 300), E(997, 600)}));
  EXPECT_EQ(GetMovieTimeScale(movie), 1000);
  EXPECT_EQ(GetMovieDuration(movie), 1000);
  TimeValue start = 0, duration = 0;
  GetMovieSelection(movie, &start, &duration);
  EXPECT_EQ(start, 500);
  EXPECT_EQ(duration, 500);
  EXPECT_EQ(movie->posterTime, 1000);
  EXPECT_EQ(movie->previewTime, 2);
  EXPECT_EQ(movie->previewDuration, 1);

  SetMovieTimeScale(movie, 0);
  EXPECT_EQ(GetMoviesError(), paramErr);
  EXPECT_EQ(GetMovieTimeScale(movie), 1000);
}

}  // namespace
