// The track step: listing, keep/drop by name, generated names, the no-tracks warning.
#include <gtest/gtest.h>

#include "unit/input/tool_run.h"

namespace {

using tooltest::ReadMovieFacts;
using tooltest::Scratch;

struct TrackCase {
  const char* name;
  const char* file;
  std::vector<std::string> options;
  const char* out;
  const char* err;
  std::vector<OSType> kept;  // media types of the output's tracks
};

class TrackStep : public testing::TestWithParam<TrackCase> {};

TEST_P(TrackStep, ListingWarningAndKeptTracks) {
  const TrackCase& c = GetParam();
  Scratch scratch;
  scratch.Copy(c.file);  // listed under the name it was given
  std::vector<std::string> args = {"-q"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.insert(args.end(), {c.file, "-o", "out.mov"});
  const auto result = scratch.Run("cliptweak", args);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.status, 0);
  const auto facts = ReadMovieFacts(scratch / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_EQ(facts.types, c.kept);
}

constexpr OSType kVide = VideoMediaType;
constexpr OSType kSoun = SoundMediaType;

INSTANTIATE_TEST_SUITE_P(
    Cases, TrackStep,
    testing::Values(
        TrackCase{"ListAlone",
                  "a.mov",
                  {"-list"},
                  "Track list for a.mov:\n\t* Video Track\n\t* Sound Track\n",
                  "",
                  {kVide, kSoun}},
        TrackCase{"DropByName",
                  "a.mov",
                  {"-list", "-notrack", "Sound Track"},
                  "Track list for a.mov:\n\t* Video Track\n\t  Sound Track\n",
                  "",
                  {kVide}},
        TrackCase{"AbsentNameKeepsNothing",
                  "a.mov",
                  {"-track", "Nope"},
                  "",
                  "Warning: no tracks from a.mov were used in the output movie\n",
                  {}},
        TrackCase{"ExclusionWins",
                  "a.mov",
                  {"-list", "-track", "Video Track", "-notrack", "Video Track"},
                  "Track list for a.mov:\n\t  Video Track\n\t  Sound Track\n",
                  "Warning: no tracks from a.mov were used in the output movie\n",
                  {}},
        TrackCase{"NamesAreCaseSensitive",
                  "a.mov",
                  {"-track", "video track"},
                  "",
                  "Warning: no tracks from a.mov were used in the output movie\n",
                  {}},
        // Names are fixed before removal: the second sound track keeps its number.
        TrackCase{"NumberedNamesStayFixed",
                  "two-sound.mov",
                  {"-list", "-notrack", "Sound Track 1"},
                  "Track list for two-sound.mov:\n\t* Video Track\n\t  Sound Track 1\n"
                  "\t* Sound Track 2\n",
                  "",
                  {kVide, kSoun}},
        TrackCase{
            "KeepSecondOfSameType", "two-sound.mov", {"-track", "Sound Track 2"}, "", "", {kSoun}},
        TrackCase{"StoredNames",
                  "named-tracks.mov",
                  {"-list", "-track", "Camera"},
                  "Track list for named-tracks.mov:\n\t* Camera\n\t  Commentary\n",
                  "",
                  {kVide}}),
    [](const testing::TestParamInfo<TrackCase>& info) { return std::string(info.param.name); });

}  // namespace
