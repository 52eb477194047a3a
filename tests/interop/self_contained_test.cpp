// Self-contained output (media copied into one file) and saving a movie into its own file.
#include <algorithm>
#include <cmath>

#include "interop/interop_test.h"

namespace interop {
namespace {

class SelfContainedTest : public FfmpegTest {
 protected:
  void SetUp() override {
    FfmpegTest::SetUp();
    if (IsSkipped()) return;
    for (const char* f : {"a.mov", "b.mov", "h264.mov", "chapters.mov"}) dir.CopyFixture(f);
  }
  std::vector<std::string> Hashes(const std::string& fixture) {
    return DecodeFrames(Fixture(fixture)).Hashes();
  }
  /// Copies the file alone into a fresh folder, so no data reference can reach an input.
  fs::path Alone(const fs::path& file) {
    fs::path to = alone.path() / file.filename();
    fs::copy_file(file, to, fs::copy_options::overwrite_existing);
    return to;
  }
  void ExpectGstreamerPlays(const fs::path& file, int frames, double seconds) {
    if (!HaveTool("gst-launch-1.0")) {
      std::cout << "[ SKIPPED  ] gst-launch-1.0 not installed: GStreamer check skipped\n";
      return;
    }
    GstResult g = GstDecodeVideo(file);
    EXPECT_TRUE(g.ok) << g.error;
    EXPECT_EQ(g.frames, frames);
    EXPECT_NEAR(g.spanSeconds, seconds, 0.01);
  }
  TempDir alone;
};

// The documented example: a fast-start, compressed-header join that plays with nothing else
// around, its samples the inputs' bytes in order.
TEST_F(SelfContainedTest, JoinPlaysAlone) {
  EXPECT_CLEAN_RUN(interop::Run({Tool("clipchain"), "-q", "-self-contained", "a.mov", "b.mov", "-o",
                        "ab.mov"},
                       dir.path()));
  fs::path ab = Alone(dir / "ab.mov");
  Frames frames = DecodeFrames(ab);
  ASSERT_TRUE(frames.ok) << frames.error;
  EXPECT_EQ(frames.Hashes(), Concat(Hashes("a.mov"), Hashes("b.mov")));
  EXPECT_EQ(PacketHashes(ab, "v").Hashes(),
            Concat(PacketHashes(Fixture("a.mov"), "v").Hashes(),
                   PacketHashes(Fixture("b.mov"), "v").Hashes()));
  ExpectSoundJoined(DecodePcm(ab), {DecodePcm(Fixture("a.mov")), DecodePcm(Fixture("b.mov"))});
  ExpectGstreamerPlays(ab, 50, 5.0);

  LoadedMovie loaded = LoadMovie(ab);
  ASSERT_EQ(loaded.status, noErr);
  for (const TrackSummary& t : Summarize(loaded.movie))
    EXPECT_EQ(t.files, std::vector<std::string>{""}) << t.type << " refers only to itself";
}

// The flag words: 0x40 puts the movie atom first, 0x20 compresses it.
TEST_F(SelfContainedTest, LayoutFollowsTheFlags) {
  struct Case {
    std::vector<std::string> options;
    bool movieFirst, compressed;
  };
  const std::vector<Case> cases = {
      {{}, true, true},
      {{"-no-fast-start"}, false, true},
      {{"-no-compress-header"}, true, false},
      {{"-no-fast-start", "-no-compress-header"}, false, false},
  };
  const std::vector<std::string> want = Concat(Hashes("a.mov"), Hashes("b.mov"));
  for (const Case& c : cases) {
    std::vector<std::string> args = {Tool("clipchain"), "-q", "-self-contained"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    for (const char* a : {"a.mov", "b.mov", "-o", "x.mov"}) args.push_back(a);
    SCOPED_TRACE(::testing::PrintToString(c.options));
    EXPECT_CLEAN_RUN(interop::Run(args, dir.path()));

    std::vector<std::string> atoms = TopLevelAtoms(dir / "x.mov");
    auto moov = std::find(atoms.begin(), atoms.end(), "moov");
    auto mdat = std::find(atoms.begin(), atoms.end(), "mdat");
    ASSERT_TRUE(moov != atoms.end() && mdat != atoms.end()) << ::testing::PrintToString(atoms);
    EXPECT_EQ(moov < mdat, c.movieFirst) << ::testing::PrintToString(atoms);
    EXPECT_EQ(MovieAtomContains(dir / "x.mov", "cmov"), c.compressed);
    EXPECT_EQ(DecodeFrames(Alone(dir / "x.mov")).Hashes(), want);
  }
}

// H.264 with B-frames: composition offsets are carried over with the samples.
TEST_F(SelfContainedTest, SingleMovieWithBFrames) {
  EXPECT_CLEAN_RUN(interop::Run({Tool("cliptweak"), "-q", "-self-contained", "h264.mov", "-o", "h.mov"},
                       dir.path()));
  fs::path h = Alone(dir / "h.mov");
  EXPECT_EQ(DecodeFrames(h).Hashes(), Hashes("h264.mov"));
  EXPECT_EQ(PacketHashes(h, "v").Hashes(), PacketHashes(Fixture("h264.mov"), "v").Hashes());
  ExpectGstreamerPlays(h, 20, 2.0);
}

// Chapter Two (2-4 s) begins between the sync samples at 1.5 s and 3 s: the copy must start at
// 1.5 s so decoding can begin, and the edit list still shows 2 s first.
TEST_F(SelfContainedTest, CutBetweenSyncSamplesDecodesFromTheFirstShownFrame) {
  EXPECT_CLEAN_RUN(interop::Run({Tool("cliptweak"), "-q", "-self-contained", "chapters.mov", "-chapter",
                        "Two", "-o", "two.mov"},
                       dir.path()));
  fs::path two = Alone(dir / "two.mov");
  EXPECT_EQ(DecodeFrames(two).Hashes(), DecodeFrames(Fixture("chapters.mov")).HashesBetween(2, 4));
  EXPECT_NEAR(ProbeDuration(two), 2.0, 0.01);
  ExpectGstreamerPlays(two, 20, 2.0);
}

// AAC's first packet only primes the decoder: the edit starts after it, but decoding the next
// packet needs it (ISO/IEC 14496-12 'roll' distance -1). A copy must keep it to sound the same.
TEST_F(SelfContainedTest, SoundKeepsItsPrimingPacket) {
  EXPECT_CLEAN_RUN(
      interop::Run({Tool("cliptweak"), "-q", "-self-contained", "a.mov", "-o", "s.mov"}, dir.path()));
  std::vector<std::int16_t> want = DecodePcm(Fixture("a.mov")), got = DecodePcm(dir / "s.mov");
  ASSERT_EQ(got.size(), want.size());
  EXPECT_EQ(MaxDifference(got, 0, want, 0, 1024), 0) << "first packet";
  EXPECT_LE(MaxDifference(got, 0, want, 0, want.size()), 1);
}

// Writing the output over one of its own inputs: the inputs are read before the rename.
TEST_F(SelfContainedTest, OutputOverItsOwnInput) {
  EXPECT_CLEAN_RUN(interop::Run({Tool("clipchain"), "-q", "-self-contained", "a.mov", "b.mov", "-o",
                        "a.mov"},
                       dir.path()));
  EXPECT_EQ(DecodeFrames(dir / "a.mov").Hashes(), Concat(Hashes("a.mov"), Hashes("b.mov")));
}

// -save-in-place writes the changed movie into its own file and touches nothing else: not the
// other files of its folder, and no default output on the Desktop.
TEST_F(SelfContainedTest, SaveInPlaceChangesOnlyThatFile) {
  fs::create_directory(dir / "home");
  const std::vector<std::string> env = {"HOME=" + (dir / "home").string()};
  std::vector<FolderEntry> before = Snapshot(dir.path());

  EXPECT_CLEAN_RUN(
      interop::Run({Tool("cliptweak"), "-q", "-rotate", "90", "-save-in-place", "a.mov"}, dir.path(), env));

  std::vector<FolderEntry> after = Snapshot(dir.path());
  ASSERT_EQ(after.size(), before.size()) << "no file added or removed";
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].name, before[i].name);
    if (after[i].name == "a.mov") EXPECT_NE(after[i].digest, before[i].digest);
    else EXPECT_EQ(after[i], before[i]);
  }
  // The Desktop folder is looked up (and made) before the in-place early return; nothing in it.
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir / "home"))
    EXPECT_TRUE(e.is_directory()) << e.path() << " written";
  EXPECT_EQ(ProbeRotation(dir / "a.mov"), -90);
  EXPECT_EQ(DecodeFrames(dir / "a.mov").Hashes(), Hashes("a.mov"));
  // The old movie atom is freed, not left for readers to pick up first.
  std::vector<std::string> atoms = TopLevelAtoms(dir / "a.mov");
  EXPECT_EQ(std::count(atoms.begin(), atoms.end(), "moov"), 1) << ::testing::PrintToString(atoms);
}

}  // namespace
}  // namespace interop
