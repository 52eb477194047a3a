// Joins and stacks by reference. FFmpeg keeps one data file per track, so a track whose samples
// live in two files is checked by structure (our reader) and by flattening it with our own tool;
// tracks that point at one file each FFmpeg decodes directly.
#include <tuple>

#include "interop/interop_test.h"

namespace interop {
namespace {

// One AAC packet at 44.1 kHz, the most a join may gain or lose at each seam.
constexpr double kAacPacket = 1024.0 / 44100.0;

class JoinTest : public FfmpegTest {
 protected:
  void SetUp() override {
    FfmpegTest::SetUp();
    if (IsSkipped()) return;
    for (const char* f : {"a.mov", "b.mov", "small.mov", "video-only.mov", "audio-only.mov"})
      dir.CopyFixture(f);
  }
  std::vector<TrackSummary> Tracks(const std::string& name) {
    LoadedMovie loaded = LoadMovie(dir / name);
    EXPECT_EQ(loaded.status, noErr) << name;
    return Summarize(loaded.movie);
  }
  std::vector<std::string> VideoHashes(const std::string& name) {
    return DecodeFrames(dir / name).Hashes();
  }
  /// Makes the reference movie self-contained with our tool so that FFmpeg can decode it.
  fs::path Flatten(const std::string& name) {
    fs::path flat = dir / ("flat-" + name);
    EXPECT_CLEAN_RUN(
        interop::Run({Tool("cliptweak"), "-q", "-self-contained", name, "-o", flat.string()}, dir.path()));
    return flat;
  }
  std::string Path(const std::string& name) { return (dir / name).string(); }
};

// clipchain and cliptweak both append a later movie end to end, sharing tracks of one kind.
TEST_F(JoinTest, TwoMoviesOfOneSizeShareTracks) {
  const std::vector<TrackSummary> a = Tracks("a.mov"), b = Tracks("b.mov");
  for (const char* tool : {"clipchain", "cliptweak"}) {
    SCOPED_TRACE(tool);
    EXPECT_CLEAN_RUN(interop::Run({Tool(tool), "-q", "a.mov", "b.mov", "-o", "ab.mov"}, dir.path()));
    std::vector<TrackSummary> out = Tracks("ab.mov");
    ASSERT_EQ(out.size(), 2u);
    // Every video sample is used; a sound edit may leave out the encoder-delay packet.
    ASSERT_EQ(OfType(out, "vide").size(), 1u);
    EXPECT_EQ(OfType(out, "vide")[0].samples,
              OfType(a, "vide")[0].samples + OfType(b, "vide")[0].samples);
    for (const char* type : {"vide", "soun"}) {
      SCOPED_TRACE(type);
      ASSERT_EQ(OfType(out, type).size(), 1u);
      const TrackSummary t = OfType(out, type)[0];
      EXPECT_EQ(t.descriptions, 2u) << "one per data file: a description names its reference";
      EXPECT_EQ(t.files, (std::vector<std::string>{Path("a.mov"), Path("b.mov")}));
      EXPECT_NEAR(t.duration, 5.0, kAacPacket);
    }

    fs::path flat = Flatten("ab.mov");
    EXPECT_EQ(DecodeFrames(flat).Hashes(), Concat(VideoHashes("a.mov"), VideoHashes("b.mov")));
    EXPECT_EQ(PacketHashes(flat, "v").Hashes(),
              Concat(PacketHashes(dir / "a.mov", "v").Hashes(),
                     PacketHashes(dir / "b.mov", "v").Hashes()));
    ExpectSoundJoined(DecodePcm(flat), {DecodePcm(dir / "a.mov"), DecodePcm(dir / "b.mov")});
  }
}

// Joining a movie with itself and joining three: every part in order, and a track that points
// at one file only is one FFmpeg decodes without flattening.
TEST_F(JoinTest, RepeatedAndThreeWayJoins) {
  EXPECT_CLEAN_RUN(interop::Run({Tool("clipchain"), "-q", "a.mov", "a.mov", "-o", "aa.mov"}, dir.path()));
  for (const TrackSummary& t : Tracks("aa.mov")) {
    EXPECT_EQ(t.files, std::vector<std::string>{Path("a.mov")}) << t.type;
    EXPECT_EQ(t.descriptions, 1u) << t.type << ": the same description is not added twice";
    EXPECT_NEAR(t.duration, 4.0, kAacPacket) << t.type;
  }
  EXPECT_EQ(VideoHashes("aa.mov"), Concat(VideoHashes("a.mov"), VideoHashes("a.mov")));

  EXPECT_CLEAN_RUN(
      interop::Run({Tool("clipchain"), "-q", "a.mov", "b.mov", "a.mov", "-o", "aba.mov"}, dir.path()));
  std::vector<TrackSummary> out = Tracks("aba.mov");
  ASSERT_EQ(OfType(out, "vide").size(), 1u);
  EXPECT_NEAR(OfType(out, "vide")[0].duration, 7.0, 1e-3);
  EXPECT_EQ(DecodeFrames(Flatten("aba.mov")).Hashes(),
            Concat(Concat(VideoHashes("a.mov"), VideoHashes("b.mov")), VideoHashes("a.mov")));
}

// a.mov is 160x120, small.mov 176x144; their sound tracks match.
TEST_F(JoinTest, DifferentSizesByTrackOption) {
  struct Case {
    const char* option;
    std::size_t videoTracks, soundTracks;
    std::size_t firstVideoDescriptions;
  };
  for (Case c : {Case{"", 2, 1, 1}, Case{"-force-same-tracks", 1, 1, 2},
                 Case{"-unique-tracks", 2, 2, 1}}) {
    SCOPED_TRACE(c.option);
    std::vector<std::string> args = {Tool("clipchain"), "-q", "a.mov", "small.mov", "-o", "j.mov"};
    if (*c.option) args.insert(args.begin() + 1, c.option);
    EXPECT_CLEAN_RUN(interop::Run(args, dir.path()));
    std::vector<TrackSummary> out = Tracks("j.mov");
    std::vector<TrackSummary> video = OfType(out, "vide");
    ASSERT_EQ(video.size(), c.videoTracks);
    EXPECT_EQ(OfType(out, "soun").size(), c.soundTracks);
    EXPECT_EQ(video[0].descriptions, c.firstVideoDescriptions);
    if (c.videoTracks == 2) {
      // The second input's own track begins where the first input ends.
      EXPECT_EQ(video[1].files, std::vector<std::string>{Path("small.mov")});
      EXPECT_NEAR(video[1].start, 2.0, 1e-3);
      EXPECT_EQ(DecodeFrames(dir / "j.mov", "v:1").Hashes(), VideoHashes("small.mov"));
    }
    if (c.soundTracks == 2) ExpectSoundJoined(DecodePcm(dir / "j.mov", "a:1"), {DecodePcm(dir / "small.mov")});
    if (c.firstVideoDescriptions == 1)
      EXPECT_EQ(DecodeFrames(dir / "j.mov").Hashes(), VideoHashes("a.mov"));
  }
}

// clipstack lays movies over one another from time 0; with -scale each later one spans the
// output's duration (video-only.mov is 3 s, audio-only.mov 2 s).
TEST_F(JoinTest, StackStartsTogetherAndScales) {
  struct Case {
    bool scale;
    double soundSeconds;
  };
  for (Case c : {Case{false, 2.0}, Case{true, 3.0}}) {
    SCOPED_TRACE(c.scale ? "-scale" : "no -scale");
    std::vector<std::string> args = {Tool("clipstack"), "-q", "video-only.mov", "audio-only.mov",
                                     "-o", "s.mov"};
    if (c.scale) args.insert(args.begin() + 1, "-scale");
    EXPECT_CLEAN_RUN(interop::Run(args, dir.path()));
    std::vector<TrackSummary> out = Tracks("s.mov");
    ASSERT_EQ(OfType(out, "vide").size(), 1u);
    ASSERT_EQ(OfType(out, "soun").size(), 1u);
    const TrackSummary video = OfType(out, "vide")[0], sound = OfType(out, "soun")[0];
    EXPECT_EQ(video.start, 0);
    EXPECT_EQ(sound.start, 0);
    EXPECT_NEAR(video.duration, 3.0, 1e-3);
    EXPECT_NEAR(sound.duration, c.soundSeconds, 1e-3);
    EXPECT_EQ(VideoHashes("s.mov"), VideoHashes("video-only.mov"));
    if (!c.scale) ExpectSoundJoined(DecodePcm(dir / "s.mov"), {DecodePcm(dir / "audio-only.mov")});
  }
}

// A join whose input is missing still writes the movie of the input that loaded, reports the
// errors and exits 1.
TEST_F(JoinTest, MissingInputStillWritesTheOtherOne) {
  for (const auto& [first, second, kept] :
       {std::tuple{"a.mov", "missing.mov", "a.mov"}, std::tuple{"missing.mov", "b.mov", "b.mov"}}) {
    SCOPED_TRACE(std::string(first) + " + " + second);
    fs::remove(dir / "j.mov");
    CommandResult r = interop::Run({Tool("clipchain"), "-q", first, second, "-o", "j.mov"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error "), std::string::npos) << r.err;
    ASSERT_TRUE(fs::exists(dir / "j.mov"));
    EXPECT_EQ(VideoHashes("j.mov"), VideoHashes(kept));
  }
}

}  // namespace
}  // namespace interop
