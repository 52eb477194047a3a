// Loading one input: missing and unreadable files, trim and rate, in the tool as run.
#include <gtest/gtest.h>

#include "unit/input/tool_run.h"

namespace {

using tooltest::MaskLines;
using tooltest::ReadMovieFacts;
using tooltest::Scratch;

TEST(Loading, MissingFileReportsEachTestedStepAndWritesNothing) {
  Scratch scratch;
  const auto result = scratch.Run("cliptweak", {"-q", "missing.mov", "-o", "x.mov"});
  EXPECT_EQ(MaskLines(result.err),
            "Error in FSGetCatalogInfo at line N of get_movie.cpp: -43\n"
            "Error in OpenMovieFile at line N of get_movie.cpp: -43\n"
            "Error getting missing.mov in NewMovieFromFile at line N of get_movie.cpp: -51\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(boost::filesystem::exists(scratch / "x.mov"));
}

TEST(Loading, FileWithoutMovieIsImportedAndItsRefusalReported) {
  Scratch scratch;
  std::ofstream((scratch / "notes.txt").string()) << "not a movie, not an MP3\n";
  const auto result = scratch.Run("cliptweak", {"-q", "notes.txt", "-o", "x.mov"});
  EXPECT_EQ(MaskLines(result.err),
            "Error getting notes.txt in MovieImportFile at line N of get_movie.cpp: -208\n");
  EXPECT_EQ(result.status, 1);
}

// Visual tracks are found among visual tracks, so a video track behind a sound track is turned
// too, and the sound track is left alone.
TEST(Loading, TrackMatrixReachesVisualTracksAfterOthers) {
  Scratch scratch;
  const auto stack = scratch.Run("clipstack", {"-q", tooltest::Fixture("audio-only.mov"),
                                               tooltest::Fixture("video-only.mov"), "-o", "s.mov"});
  ASSERT_EQ(stack.status, 0);
  const auto result = scratch.Run("cliptweak", {"-q", "-rotate", "90", "s.mov", "-o", "r.mov"});
  EXPECT_EQ(result.err, "");
  const auto facts = ReadMovieFacts(scratch / "r.mov");
  ASSERT_EQ(facts.status, noErr);
  ASSERT_EQ(facts.types, (std::vector<OSType>{SoundMediaType, VideoMediaType}));
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  EXPECT_TRUE(EqualMatrix(&facts.matrices[0], &identity));
  const auto& turned = facts.matrices[1].matrix;
  EXPECT_EQ(turned[0][0], 0);
  EXPECT_EQ(turned[0][1], fixed1);
  EXPECT_EQ(turned[1][0], -fixed1);
  EXPECT_EQ(turned[1][1], 0);
}

// The refusal to save into a file that holds no movie atom is reported, not passed off as done.
TEST(Loading, InPlaceSaveOfImportedFileIsReported) {
  Scratch scratch;
  const std::string text = "not a movie, not an MP3\n";
  std::ofstream((scratch / "notes.txt").string()) << text;
  const auto result = scratch.Run("cliptweak", {"-q", "-save-in-place", "notes.txt"});
  EXPECT_EQ(MaskLines(result.err),
            "Error getting notes.txt in MovieImportFile at line N of get_movie.cpp: -208\n"
            "Error in UpdateMovieResource at line N of get_movie.cpp: -2010\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(tooltest::ReadFile(scratch / "notes.txt"), text);
}

struct TimingCase {
  const char* name;
  std::vector<std::string> options;
  const char* file;
  double seconds;
  const char* err;  // masked
};

class Timing : public testing::TestWithParam<TimingCase> {};

// Rates that cannot give a positive 32-bit duration leave the timing alone, reported.
TEST_P(Timing, DurationAndReports) {
  const TimingCase& c = GetParam();
  Scratch scratch;
  std::vector<std::string> args = {"-q"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.insert(args.end(), {tooltest::Fixture(c.file), "-o", "out.mov"});
  const auto result = scratch.Run("cliptweak", args);
  EXPECT_EQ(MaskLines(result.err), c.err);
  EXPECT_EQ(result.status, std::string(c.err).empty() ? 0 : 1);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_NEAR(facts.seconds, c.seconds, 0.01);
}

const char kRefused[] = "Error in ScaleMovieSegment at line N of get_movie.cpp: -2014\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Timing,
    testing::Values(
        TimingCase{"Untouched", {}, "a.mov", 2.0, ""},
        TimingCase{"DoubleRateHalves", {"-rate", "2"}, "a.mov", 1.0, ""},
        TimingCase{"HalfRateDoubles", {"-rate", "0.5"}, "a.mov", 4.0, ""},
        TimingCase{"ZeroRateRefused", {"-rate", "0"}, "a.mov", 2.0, kRefused},
        TimingCase{"NegativeRateRefused", {"-rate", "-2"}, "a.mov", 2.0, kRefused},
        TimingCase{"OverflowingRateRefused", {"-rate", "0.0000001"}, "a.mov", 2.0, kRefused},
        TimingCase{"TrimToShortestTrack", {"-trimToShortestTrack"}, "short-track.mov", 2.0, ""},
        TimingCase{"NoTrimWithoutOption", {}, "short-track.mov", 3.0, ""},
        TimingCase{"RateAppliesToTrimmedMovie",
                   {"-trimToShortestTrack", "-rate", "2"},
                   "short-track.mov",
                   1.0,
                   ""}),
    [](const testing::TestParamInfo<TimingCase>& info) { return std::string(info.param.name); });

}  // namespace
