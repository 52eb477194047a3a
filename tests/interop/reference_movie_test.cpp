// cliptweak on one movie, writing a reference movie that FFmpeg follows to the input's media.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <regex>

#include "interop/interop_test.h"

namespace interop {
namespace {

class ReferenceCopyTest : public FfmpegTest, public ::testing::WithParamInterface<const char*> {};

// A reference movie decodes, through its data references, to exactly the input's frames and
// sound: edit lists, composition offsets and sound priming all survive the rewrite.
TEST_P(ReferenceCopyTest, DecodesToTheInputsFramesAndSound) {
  const std::string name = GetParam();
  fs::path in = dir.CopyFixture(name);
  CommandResult r = interop::Run({Tool("cliptweak"), "-q", name, "-o", "out.mov"}, dir.path());
  EXPECT_CLEAN_RUN(r);

  fs::path out = dir / "out.mov";
  std::vector<std::string> atoms = TopLevelAtoms(out);
  ASSERT_FALSE(atoms.empty());
  EXPECT_EQ(atoms.front(), "ftyp");
  EXPECT_EQ(std::count(atoms.begin(), atoms.end(), "moov"), 1);
  EXPECT_EQ(std::count(atoms.begin(), atoms.end(), "mdat"), 0) << "media must stay in the input";
  EXPECT_LT(fs::file_size(out), fs::file_size(in) / 2);

  Frames want = DecodeFrames(in), got = DecodeFrames(out);
  ASSERT_TRUE(want.ok && got.ok) << got.error;
  ASSERT_FALSE(want.frames.empty());
  EXPECT_EQ(got.Hashes(), want.Hashes());
  EXPECT_EQ(DecodeFrames(out, "a").Hashes(), DecodeFrames(in, "a").Hashes());
}

INSTANTIATE_TEST_SUITE_P(Inputs, ReferenceCopyTest,
                         ::testing::Values("a.mov", "a.mp4", "h264.mov", "chapters.mov"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

using ReferenceMovieTest = FfmpegTest;

// The alias record's levels let readers find the media from the movie's own folder after the
// tree that holds both has moved (FFmpeg resolves only relative to the movie): beside it, below
// it, and in a sibling folder.
TEST_F(ReferenceMovieTest, ResolvesRelativelyAfterTheFolderMoves) {
  struct Case {
    const char* input;
    const char* output;
  };
  const std::vector<std::string> want = DecodeFrames(Fixture("a.mov")).Hashes();
  int n = 0;
  for (Case c : {Case{"a.mov", "ref.mov"}, Case{"media/a.mov", "ref.mov"},
                 Case{"media/a.mov", "out/ref.mov"}}) {
    SCOPED_TRACE(std::string(c.input) + " -> " + c.output);
    fs::path before = dir / ("before" + std::to_string(n)), after = dir / ("after" + std::to_string(n));
    ++n;
    fs::create_directories((before / c.input).parent_path());
    fs::create_directories((before / c.output).parent_path());
    fs::copy_file(Fixture("a.mov"), before / c.input);
    EXPECT_CLEAN_RUN(interop::Run({Tool("cliptweak"), "-q", c.input, "-o", c.output}, before));
    fs::rename(before, after);

    fs::path moved = after / c.output;
    EXPECT_EQ(DecodeFrames(moved).Hashes(), want);
    LoadedMovie loaded = LoadMovie(moved);
    EXPECT_EQ(loaded.status, noErr);
    for (const TrackSummary& t : Summarize(loaded.movie))
      EXPECT_EQ(t.files, std::vector<std::string>{(after / c.input).string()}) << t.type;
  }
}

// Rotation is a display matrix only: FFmpeg reports it (clockwise is negative in ffprobe) and
// the decoded pictures, taken without autorotation, are the input's.
TEST_F(ReferenceMovieTest, RotationShowsAsDisplayMatrix) {
  struct Case {
    const char* degrees;
    double ffprobeRotation;
  };
  dir.CopyFixture("a.mov");
  const std::vector<std::string> want = DecodeFrames(Fixture("a.mov")).Hashes();
  for (Case c : {Case{"90", -90}, Case{"270", 90}, Case{"-90", 90}, Case{"180", 180}}) {
    SCOPED_TRACE(c.degrees);
    EXPECT_CLEAN_RUN(
        interop::Run({Tool("cliptweak"), "-q", "a.mov", "-rotate", c.degrees, "-o", "r.mov"}, dir.path()));
    double rotation = ProbeRotation(dir / "r.mov");
    if (c.ffprobeRotation == 180) rotation = std::fabs(rotation);  // either sign is a half turn
    EXPECT_DOUBLE_EQ(rotation, c.ffprobeRotation);
    EXPECT_EQ(DecodeFrames(dir / "r.mov").Hashes(), want);
  }
}

// -rate changes the movie's timing through edit media rates. FFmpeg ignores those rates when
// decoding, so the check is on the durations the header declares.
TEST_F(ReferenceMovieTest, RateScalesTheDuration) {
  struct Case {
    const char* rate;
    double seconds;
  };
  dir.CopyFixture("b.mov");  // 3 s
  for (Case c : {Case{"2", 1.5}, Case{"1/2", 6.0}, Case{"0.75", 4.0}}) {
    SCOPED_TRACE(c.rate);
    EXPECT_CLEAN_RUN(
        interop::Run({Tool("cliptweak"), "-q", "b.mov", "-rate", c.rate, "-o", "r.mov"}, dir.path()));
    EXPECT_NEAR(ProbeDuration(dir / "r.mov"), c.seconds, 0.01);
    LoadedMovie loaded = LoadMovie(dir / "r.mov");
    ASSERT_EQ(loaded.status, noErr);
    EXPECT_NEAR(double(GetMovieDuration(loaded.movie)) / GetMovieTimeScale(loaded.movie),
                c.seconds, 0.01);
    // FFmpeg plays the edit's length of media at rate 1: a prefix of the frames, unchanged.
    std::vector<std::string> got = DecodeFrames(dir / "r.mov").Hashes();
    std::vector<std::string> all = DecodeFrames(dir / "b.mov").Hashes();
    ASSERT_FALSE(got.empty());
    ASSERT_LE(got.size(), all.size());
    EXPECT_EQ(got, std::vector<std::string>(all.begin(), all.begin() + got.size()));
  }
}

// A rate that would leave the movie with no duration is refused and reported, timing unchanged.
TEST_F(ReferenceMovieTest, UnusableRateIsReportedAndLeavesTimingAlone) {
  dir.CopyFixture("b.mov");
  for (const char* rate : {"0", "-2"}) {
    SCOPED_TRACE(rate);
    CommandResult r =
        interop::Run({Tool("cliptweak"), "-q", "b.mov", "-rate", rate, "-o", "r.mov"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error in "), std::string::npos) << r.err;
    EXPECT_NEAR(ProbeDuration(dir / "r.mov"), 3.0, 0.01);
  }
}

// short-track.mov has 3 s of video over 2 s of sound.
TEST_F(ReferenceMovieTest, TrimToShortestTrackCutsToTheSound) {
  dir.CopyFixture("short-track.mov");
  EXPECT_CLEAN_RUN(interop::Run({Tool("cliptweak"), "-q", "short-track.mov", "-trimToShortestTrack", "-o",
                        "t.mov"},
                       dir.path()));
  EXPECT_NEAR(ProbeDuration(dir / "t.mov"), 2.0, 0.01);
  Frames source = DecodeFrames(Fixture("short-track.mov"));
  EXPECT_EQ(DecodeFrames(dir / "t.mov").Hashes(), source.HashesBetween(0, 2));
}

// A missing input: the error lines, exit status 1, and an existing destination left alone.
TEST_F(ReferenceMovieTest, MissingInputLeavesTheDestinationAlone) {
  { std::ofstream(dir / "x.mov") << "keep"; }
  CommandResult r = interop::Run({Tool("cliptweak"), "missing.mov", "-o", "x.mov"}, dir.path());
  EXPECT_EQ(r.status, 1);
  const std::regex lines(
      "Error in FSGetCatalogInfo at line [0-9]+ of [^:/]+: -43\n"
      "Error in OpenMovieFile at line [0-9]+ of [^:/]+: -43\n"
      "Error getting missing.mov in NewMovieFromFile at line [0-9]+ of [^:/]+: -[0-9]+\n");
  EXPECT_TRUE(std::regex_search(r.err, lines)) << r.err;
  EXPECT_EQ(ReadFile(dir / "x.mov"), "keep");
}

// Writing a reference movie over the file its media live in would destroy them: refused.
TEST_F(ReferenceMovieTest, RefusesToOverwriteItsOwnMedia) {
  fs::path in = dir.CopyFixture("a.mov");
  CommandResult r = interop::Run({Tool("cliptweak"), "-q", "a.mov", "-o", "a.mov"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("-2044"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(in), ReadFile(Fixture("a.mov")));
  EXPECT_EQ(Snapshot(dir.path()).size(), 1u) << "no temporary file left behind";
}

}  // namespace
}  // namespace interop
