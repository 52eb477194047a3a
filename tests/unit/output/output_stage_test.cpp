// The output stage: destination, notes and warnings, in-place saving, MPEG-4 refusal.
#include <gtest/gtest.h>

#include "unit/input/tool_run.h"

namespace {

using tooltest::Fixture;
using tooltest::MaskLines;
using tooltest::ReadMovieFacts;
using tooltest::Scratch;
namespace fs = boost::filesystem;

const std::string kNote =
    "A non-self-contained movie is being created. Do not delete your original movie.\n";
const std::string kNotePlural =
    "A non-self-contained movie is being created. Do not delete your original movies.\n";

std::string QuickTimeWarning(const std::string& program, const std::string& extension) {
  return "Warning: " + program +
         " produces QuickTime movies\n"
         "Using a " +
         extension +
         " extension may confuse some programs.\n"
         "Use no extension or a .mov extension. If you are trying to create a file that\n"
         "plays on an iPod, type 'man Talvenix' for instructions, or try the \"-mp4\" option.\n";
}

struct NoteCase {
  const char* name;
  const char* program;
  std::vector<std::string> args;  // fixtures are named by file name and copied in first
  const char* destination;
  std::string err;
};

class Notes : public testing::TestWithParam<NoteCase> {};

TEST_P(Notes, PrintedExactlyAndFileWritten) {
  const NoteCase& c = GetParam();
  Scratch scratch;
  for (const std::string& arg : c.args) {
    if (fs::exists(Fixture(arg))) scratch.Copy(arg);
  }
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {"-o", c.destination});
  const auto result = scratch.Run(c.program, args);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadMovieFacts(scratch / c.destination).status, noErr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Notes,
    testing::Values(
        NoteCase{"OneInput", "cliptweak", {"a.mov"}, "out.mov", kNote},
        NoteCase{"TwoInputs", "clipchain", {"a.mov", "b.mov"}, "out.mov", kNotePlural},
        NoteCase{"CapitalExtension",
                 "cliptweak",
                 {"a.mov"},
                 "out.MOV",
                 kNote + QuickTimeWarning("cliptweak", ".MOV")},
        NoteCase{"NoExtension", "clipstack", {"a.mov"}, "out", kNote},
        NoteCase{"TrailingDot",
                 "clipchain",
                 {"a.mov"},
                 "out.",
                 kNote + QuickTimeWarning("clipchain", ".")},
        NoteCase{"QuietSuppressesAll", "cliptweak", {"-q", "a.mov"}, "out.m4v", ""},
        NoteCase{
            "SelfContainedHasNoNote", "cliptweak", {"-self-contained", "a.mov"}, "out.mov", ""}),
    [](const testing::TestParamInfo<NoteCase>& info) { return std::string(info.param.name); });

TEST(Destination, DefaultIsOutMovOnTheDesktop) {
  Scratch scratch;
  const auto result = scratch.Run("cliptweak", {"-q", Fixture("a.mov")});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  const auto facts = ReadMovieFacts(scratch / "Desktop" / "out.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_EQ(facts.tracks, 2);
}

// A Desktop path of 129 to 256 bytes needs the second buffer: one "Error was" line, not counted.
TEST(Destination, LongDesktopPathTakesSecondBuffer) {
  Scratch scratch;
  // <scratch>/<h...h>/Desktop and its terminating zero: 200 bytes.
  const std::size_t nameLength = 199 - scratch.dir().string().size() - 1 - 8;
  const fs::path home = scratch.dir() / std::string(nameLength, 'h');
  fs::create_directories(home);
  scratch.SetHome(home);
  ASSERT_EQ((home / "Desktop").string().size() + 1, 200u);

  const auto result = scratch.Run("cliptweak", {"-q", Fixture("a.mov")});
  EXPECT_EQ(result.err, "Error was -2110\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadMovieFacts(home / "Desktop" / "out.mov").status, noErr);
}

// The data reference is made from the absolute path, whatever its length.
TEST(Destination, RelativePathLongerThanFirstBuffer) {
  Scratch scratch;
  fs::path relative;
  for (int i = 0; i < 6; ++i) relative /= std::string(100, char('a' + i));
  fs::create_directories(scratch / relative.string());
  const std::string destination = (relative / "out.mov").string();
  const auto result = scratch.Run("cliptweak", {"-q", Fixture("a.mov"), "-o", destination});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadMovieFacts(scratch / destination).status, noErr);
}

TEST(Destination, ExistingFileIsReplaced) {
  Scratch scratch;
  std::ofstream((scratch / "out.mov").string()) << "old";
  const auto result = scratch.Run("cliptweak", {"-q", Fixture("a.mov"), "-o", "out.mov"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadMovieFacts(scratch / "out.mov").status, noErr);
}

// The storage refuses to write a reference movie over the file its media live in; the refusal
// is reported and the file left as it was.
TEST(Destination, ReferenceMovieOverItsOwnMediaIsRefused) {
  Scratch scratch;
  const auto movie = scratch.Copy("a.mov");
  const std::string before = tooltest::ReadFile(movie);
  const auto result = scratch.Run("cliptweak", {"-q", "a.mov", "-o", "a.mov"});
  EXPECT_EQ(MaskLines(result.err),
            "Error in AddMovieToStorage at line N of movie_writer.cpp: -2044\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(tooltest::ReadFile(movie), before);
}

// Saved back into its own file: no output file, note or warning.
TEST(InPlace, SavesIntoTheInputAndWritesNothingElse) {
  Scratch scratch;
  scratch.Copy("a.mov");
  const auto result = scratch.Run("cliptweak", {"-save-in-place", "-rate", "2", "a.mov"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_FALSE(fs::exists(scratch / "Desktop" / "out.mov"));
  EXPECT_TRUE(fs::is_directory(scratch / "Desktop"));  // looked up all the same
  const auto facts = ReadMovieFacts(scratch / "a.mov");
  ASSERT_EQ(facts.status, noErr);
  EXPECT_NEAR(facts.seconds, 1.0, 0.01);
}

struct Mpeg4Case {
  const char* name;
  const char* program;
  std::vector<std::string> args;
  bool refused;          // refused: status 4 and no file; else handed to the exporter
  std::string errStart;  // masked
};

class Mpeg4 : public testing::TestWithParam<Mpeg4Case> {};

const std::string kCannot = "The file cannot be output as MPEG-4 without conversion.\n";

TEST_P(Mpeg4, AdviceOrWarnings) {
  const Mpeg4Case& c = GetParam();
  Scratch scratch;
  std::vector<std::string> args = c.args;
  for (std::string& arg : args) {
    if (arg.find('.') != std::string::npos && fs::exists(Fixture(arg))) arg = Fixture(arg);
  }
  const auto result = scratch.Run(c.program, args);
  const std::string err = MaskLines(result.err);
  EXPECT_EQ(err.substr(0, c.errStart.size()), c.errStart);
  if (c.refused) {
    EXPECT_EQ(result.status, 4);
    EXPECT_FALSE(fs::exists(scratch / "out.mp4"));
  } else {
    EXPECT_EQ(err.find(kCannot), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Mpeg4,
    testing::Values(
        // H.264 is not MPEG-4 video: refused whatever -q says, and nothing is written.
        Mpeg4Case{"NotMpeg4Video",
                  "cliptweak",
                  {"-q", "-mp4", "h264.mov", "-o", "out.mp4"},
                  true,
                  kCannot + "Try using the -force-same-tracks option.\n"},
        Mpeg4Case{"AdviceWithForceSameTracks",
                  "clipchain",
                  {"-force-same-tracks", "-mp4", "h264.mov", "-o", "out.mp4"},
                  true,
                  kCannot +
                      "You can convert the file with iTunes (if audio only), QuickTime Pro, or "
                      "qt_tools.\nType \"man Talvenix\" for more information.\n"},
        // Two video tracks of different sizes in one movie.
        Mpeg4Case{"TwoVideoTracks",
                  "clipchain",
                  {"-q", "-mp4", "a.mov", "small.mov", "-o", "out.mp4"},
                  true,
                  kCannot},
        // The second sound track is disabled, so it does not count.
        Mpeg4Case{"DisabledSecondSoundTrack",
                  "cliptweak",
                  {"-q", "-mp4", "two-sound.mov", "-o", "out.mp4"},
                  false,
                  ""},
        Mpeg4Case{"MisleadingExtension",
                  "cliptweak",
                  {"-mp4", "a.mov", "-o", "out.m4v"},
                  false,
                  "Warning: the \"-mp4\" option produces MPEG-4 files\n"
                  "Using a .m4v extension may confuse some programs.\n"
                  "Use no extension or .mp4, .m4a, or .m4b.\n"}),
    [](const testing::TestParamInfo<Mpeg4Case>& info) { return std::string(info.param.name); });

}  // namespace
