// The chapter step: listing, cutting chapters out, and chapter samples that lie.
#include <gtest/gtest.h>

#include "unit/input/tool_run.h"

namespace {

using tooltest::ReadMovieFacts;
using tooltest::Scratch;

struct ChapterCase {
  const char* name;
  const char* file;
  std::vector<std::string> options;
  const char* out;
  double seconds;
  long tracks;
};

class ChapterStep : public testing::TestWithParam<ChapterCase> {};

TEST_P(ChapterStep, ListingAndResultingDuration) {
  const ChapterCase& c = GetParam();
  Scratch scratch;
  scratch.Copy(c.file);
  std::vector<std::string> args = {"-q"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.insert(args.end(), {c.file, "-o", "out.mov"});
  const auto result = scratch.Run("cliptweak", args);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_NEAR(facts.seconds, c.seconds, 0.01);
  EXPECT_EQ(facts.tracks, c.tracks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChapterStep,
    testing::Values(
        ChapterCase{"ListMov",
                    "chapters.mov",
                    {"-chaplist"},
                    "Chapter list for chapters.mov:\n\t* One\n\t* Two\n\t* Three\n",
                    6.0,
                    3},
        ChapterCase{"ListMp4",
                    "chapters.mp4",
                    {"-chaplist"},
                    "Chapter list for chapters.mp4:\n\t* One\n\t* Two\n\t* Three\n",
                    6.0,
                    3},
        ChapterCase{"KeepOne",
                    "chapters.mov",
                    {"-chaplist", "-chapter", "Two"},
                    "Chapter list for chapters.mov:\n\t  One\n\t* Two\n\t  Three\n",
                    2.0,
                    3},
        ChapterCase{"DropOne", "chapters.mp4", {"-nochapter", "Two"}, "", 4.0, 3},
        ChapterCase{
            "ExclusionWins", "chapters.mov", {"-chapter", "Two", "-nochapter", "Two"}, "", 0.0, 3},
        // Chapters are cut before tracks go, so dropping the chapter track still lets them act.
        ChapterCase{"CutBeforeTracksRemoved",
                    "chapters.mov",
                    {"-notrack", "Text Track", "-nochapter", "One"},
                    "",
                    4.0,
                    2},
        ChapterCase{"NoChapterTrack",
                    "a.mov",
                    {"-chaplist", "-nochapter", "One"},
                    "Chapter list for a.mov:\n",
                    2.0,
                    2}),
    [](const testing::TestParamInfo<ChapterCase>& info) { return std::string(info.param.name); });

// The chapter samples of chapters.mov: a 16-bit length, the text, then a 12-byte 'encd' atom.
// Two's length field claims 65535 bytes; Three's sample is rewritten to hold no zero byte at all,
// so its name must stop at the end of the sample, not run on into the video that follows.
TEST(ChapterSamples, LengthFieldIgnoredAndNameBoundedBySample) {
  Scratch scratch;
  const auto movie = scratch.Copy("chapters.mov");
  std::string bytes = tooltest::ReadFile(movie);
  const std::size_t two = bytes.find(std::string("\0\3Two", 5));
  const std::size_t three = bytes.find(std::string("\0\5Three", 7));
  ASSERT_NE(two, std::string::npos);
  ASSERT_NE(three, std::string::npos);
  bytes.replace(two, 2, "\xff\xff");
  bytes.replace(three, 19, "\xff\xffThreeXXXXXXXXXXXX");
  std::ofstream(movie.string(), std::ios::binary | std::ios::trunc) << bytes;

  const auto result =
      scratch.Run("cliptweak", {"-q", "-chaplist", "chapters.mov", "-o", "out.mov"});
  EXPECT_EQ(result.out,
            "Chapter list for chapters.mov:\n\t* One\n\t* Two\n\t* ThreeXXXXXXXXXXXX\n");
  EXPECT_EQ(result.status, 0);
}

}  // namespace
