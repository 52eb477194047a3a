// Joins and stacks by reference, read back with our own reader.
#include <gtest/gtest.h>

#include "unit/input/tool_run.h"

namespace {

using tooltest::Fixture;
using tooltest::MaskLines;
using tooltest::ReadMovieFacts;
using tooltest::Scratch;

constexpr OSType kVide = VideoMediaType;
constexpr OSType kSoun = SoundMediaType;

struct AssemblyCase {
  const char* name;
  const char* program;
  std::vector<std::string> options;  // whole-run options, before the files
  std::vector<std::string> files;    // fixtures
  std::vector<OSType> types;
  std::vector<double> trackSeconds;
};

class Assembly : public testing::TestWithParam<AssemblyCase> {};

TEST_P(Assembly, TracksAndDurations) {
  const AssemblyCase& c = GetParam();
  Scratch scratch;
  std::vector<std::string> args = {"-q"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  for (const std::string& file : c.files) args.push_back(Fixture(file));
  args.insert(args.end(), {"-o", "out.mov"});
  const auto result = scratch.Run(c.program, args);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_EQ(facts.types, c.types);
  ASSERT_EQ(facts.trackSeconds.size(), c.trackSeconds.size());
  for (std::size_t i = 0; i < c.trackSeconds.size(); ++i) {
    EXPECT_NEAR(facts.trackSeconds[i], c.trackSeconds[i], 0.03) << "track " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Assembly,
    testing::Values(
        AssemblyCase{"JoinSameSize", "clipchain", {}, {"a.mov", "b.mov"}, {kVide, kSoun}, {5, 5}},
        AssemblyCase{"JoinWithItself", "clipchain", {}, {"a.mov", "a.mov"}, {kVide, kSoun}, {4, 4}},
        AssemblyCase{
            "JoinThree", "clipchain", {}, {"a.mov", "b.mov", "a.mov"}, {kVide, kSoun}, {7, 7}},
        AssemblyCase{
            "ModifyAppendsLikeJoin", "cliptweak", {}, {"a.mov", "b.mov"}, {kVide, kSoun}, {5, 5}},
        // Different frame sizes: the toolbox gives the second video its own track.
        AssemblyCase{"JoinDifferentSizes",
                     "clipchain",
                     {},
                     {"a.mov", "small.mov"},
                     {kVide, kSoun, kVide},
                     {2, 4, 4}},
        AssemblyCase{"ForceSameTracks",
                     "clipchain",
                     {"-force-same-tracks"},
                     {"a.mov", "small.mov"},
                     {kVide, kSoun},
                     {4, 4}},
        AssemblyCase{"UniqueTracks",
                     "clipchain",
                     {"-unique-tracks"},
                     {"a.mov", "b.mov"},
                     {kVide, kSoun, kVide, kSoun},
                     {2, 2, 5, 5}},
        // All tracks of a later movie start at the output's end, each at its own length.
        AssemblyCase{"UniqueTracksOfUnequalLength",
                     "clipchain",
                     {"-unique-tracks"},
                     {"a.mov", "short-track.mov"},
                     {kVide, kSoun, kVide, kSoun},
                     {2, 2, 5, 4}},
        AssemblyCase{
            "Stack", "clipstack", {}, {"video-only.mov", "audio-only.mov"}, {kVide, kSoun}, {3, 2}},
        AssemblyCase{"StackScaled",
                     "clipstack",
                     {"-scale"},
                     {"video-only.mov", "audio-only.mov"},
                     {kVide, kSoun},
                     {3, 3}}),
    [](const testing::TestParamInfo<AssemblyCase>& info) { return std::string(info.param.name); });

// The settings of a later movie replace the output's only when that record asks for it.
TEST(AssemblySettings, UseSettingsCopiesTheLaterMoviesMatrix) {
  const struct {
    std::vector<std::string> tail;
    bool rotated;
  } cases[] = {{{"-mrotate", "90"}, false}, {{"-use-settings", "-mrotate", "90"}, true}};
  for (const auto& c : cases) {
    Scratch scratch;
    std::vector<std::string> args = {"-q", Fixture("a.mov"), Fixture("b.mov")};
    args.insert(args.end(), c.tail.begin(), c.tail.end());
    args.insert(args.end(), {"-o", "out.mov"});
    ASSERT_EQ(scratch.Run("clipchain", args).status, 0);
    const auto facts = ReadMovieFacts(scratch / "out.mov");
    ASSERT_EQ(facts.status, noErr);
    EXPECT_EQ(facts.movieMatrix.matrix[0][1], c.rotated ? fixed1 : 0) << c.tail.front();
  }
}

// A record that produced no movie adds nothing: the next one becomes the output movie.
TEST(AssemblyMissingInput, FirstMissingStillWritesSecond) {
  Scratch scratch;
  const auto result =
      scratch.Run("clipchain", {"-q", "missing.mov", Fixture("b.mov"), "-o", "out.mov"});
  EXPECT_EQ(MaskLines(result.err),
            "Error in FSGetCatalogInfo at line N of get_movie.cpp: -43\n"
            "Error in OpenMovieFile at line N of get_movie.cpp: -43\n"
            "Error getting missing.mov in NewMovieFromFile at line N of get_movie.cpp: -51\n");
  EXPECT_EQ(result.status, 1);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_EQ(facts.tracks, 2);
  EXPECT_NEAR(facts.seconds, 3.0, 0.01);
}

TEST(AssemblyMissingInput, SecondMissingStillWritesFirst) {
  Scratch scratch;
  const auto result =
      scratch.Run("clipchain", {"-q", Fixture("a.mov"), "missing.mov", "-o", "out.mov"});
  EXPECT_EQ(result.status, 1);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_NEAR(facts.seconds, 2.0, 0.01);
}

}  // namespace
