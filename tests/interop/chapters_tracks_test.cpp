// Chapters and tracks chosen by name on real movies, checked with FFmpeg.
#include "interop/interop_test.h"

namespace interop {
namespace {

class ChaptersTracksTest : public FfmpegTest {
 protected:
  void SetUp() override {
    FfmpegTest::SetUp();
    if (IsSkipped()) return;
    for (const char* f : {"a.mov", "chapters.mov", "chapters.mp4", "two-sound.mov",
                          "named-tracks.mov"})
      dir.CopyFixture(f);
  }
  CommandResult Tweak(std::vector<std::string> args) {
    args.insert(args.begin(), Tool("cliptweak"));
    return interop::Run(args, dir.path());
  }
};

TEST_F(ChaptersTracksTest, ChapterListing) {
  for (const char* file : {"chapters.mov", "chapters.mp4"}) {
    SCOPED_TRACE(file);
    CommandResult r = Tweak({"-q", "-chaplist", file, "-o", "x.mov"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("Chapter list for ") + file + ":\n\t* One\n\t* Two\n\t* Three\n");
  }
  CommandResult r = Tweak({"-q", "-chaplist", "-nochapter", "One", "chapters.mov", "-o", "x.mov"});
  EXPECT_EQ(r.out, "Chapter list for chapters.mov:\n\t  One\n\t* Two\n\t* Three\n");
}

// Chapters One 0-2 s, Two 2-4 s, Three 4-6 s; Two and Three begin between sync samples, which
// FFmpeg's edit-list handling decodes from the preceding one.
TEST_F(ChaptersTracksTest, ChapterSelectionLeavesThoseSpans) {
  struct Case {
    std::vector<std::string> options;
    std::vector<std::pair<double, double>> spans;  // source seconds left, in order
  };
  const std::vector<Case> cases = {
      {{"-chapter", "Two"}, {{2, 4}}},
      {{"-nochapter", "Two"}, {{0, 2}, {4, 6}}},
      {{"-chapter", "One", "-chapter", "Three"}, {{0, 2}, {4, 6}}},
      {{"-nochapter", "One"}, {{2, 6}}},
      {{"-chapter", "Two", "-nochapter", "Two"}, {}},
  };
  const Frames source = DecodeFrames(dir / "chapters.mov");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    std::vector<std::string> args = {"-q", "chapters.mov"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"-o", "c.mov"});
    EXPECT_CLEAN_RUN(Tweak(args));

    std::vector<std::string> want;
    double seconds = 0;
    for (auto [from, to] : c.spans) {
      want = Concat(want, source.HashesBetween(from, to));
      seconds += to - from;
    }
    if (seconds == 0) {
      LoadedMovie loaded = LoadMovie(dir / "c.mov");
      ASSERT_EQ(loaded.status, noErr);
      EXPECT_EQ(GetMovieDuration(loaded.movie), 0);
      continue;
    }
    EXPECT_NEAR(ProbeDuration(dir / "c.mov"), seconds, 0.01);
    EXPECT_EQ(DecodeFrames(dir / "c.mov").Hashes(), want);
    EXPECT_NEAR(DecodeFrames(dir / "c.mov", "a").Seconds(), seconds, 2 * 1024.0 / 44100);
  }
}

TEST_F(ChaptersTracksTest, TrackListing) {
  struct Case {
    std::vector<std::string> options;
    const char* file;
    const char* listing;
  };
  const std::vector<Case> cases = {
      {{}, "a.mov", "\t* Video Track\n\t* Sound Track\n"},
      {{}, "chapters.mov", "\t* Video Track\n\t* Sound Track\n\t* Text Track\n"},
      {{}, "named-tracks.mov", "\t* Camera\n\t* Commentary\n"},
      {{}, "two-sound.mov", "\t* Video Track\n\t* Sound Track 1\n\t* Sound Track 2\n"},
      // Names are fixed before any track goes: the second stays "Sound Track 2".
      {{"-notrack", "Sound Track 1"}, "two-sound.mov",
       "\t* Video Track\n\t  Sound Track 1\n\t* Sound Track 2\n"},
      {{"-track", "Sound Track 2"}, "two-sound.mov",
       "\t  Video Track\n\t  Sound Track 1\n\t* Sound Track 2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + ::testing::PrintToString(c.options));
    std::vector<std::string> args = {"-q", c.file, "-list"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"-o", "t.mov"});
    CommandResult r = Tweak(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("Track list for ") + c.file + ":\n" + c.listing);
  }
}

// Dropped tracks are gone from the written movie; the kept ones still decode to their source.
TEST_F(ChaptersTracksTest, DroppedTracksLeaveTheOutput) {
  EXPECT_CLEAN_RUN(Tweak({"-q", "a.mov", "-notrack", "Sound Track", "-o", "v.mov"}));
  EXPECT_EQ(Probe(dir / "v.mov", "stream=codec_type"), std::vector<std::string>{"video"});
  EXPECT_EQ(DecodeFrames(dir / "v.mov").Hashes(), DecodeFrames(dir / "a.mov").Hashes());

  EXPECT_CLEAN_RUN(Tweak({"-q", "two-sound.mov", "-notrack", "Sound Track 1", "-o", "s.mov"}));
  EXPECT_EQ(Probe(dir / "s.mov", "stream=codec_type"),
            (std::vector<std::string>{"video", "audio"}));
  EXPECT_EQ(DecodeFrames(dir / "s.mov", "a").Hashes(),
            DecodeFrames(dir / "two-sound.mov", "a:1").Hashes());

  EXPECT_CLEAN_RUN(Tweak({"-q", "named-tracks.mov", "-track", "Commentary", "-o", "n.mov"}));
  EXPECT_EQ(Probe(dir / "n.mov", "stream=codec_type"), std::vector<std::string>{"audio"});
}

TEST_F(ChaptersTracksTest, NoTrackKeptWarns) {
  CommandResult r = Tweak({"-q", "a.mov", "-track", "sound track", "-o", "t.mov"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Warning: no tracks from a.mov were used in the output movie\n");
}

}  // namespace
}  // namespace interop
