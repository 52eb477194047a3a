// Self-contained copies of real movies, checked with FFmpeg and GStreamer: they decode alone (no
// other file present) to the same frames as their inputs.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Movies.h"
#include "platform/model/movie_model.h"
#include "unit/flatten/media_tools.h"
#include "unit/flatten/test_movies.h"

namespace {

namespace fs = std::filesystem;
using flattest::DecodeFrames;
using flattest::Hashes;

class FlattenInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!flattest::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  }
  /// A fixture copied into the scratch folder, so it can be removed before the output is read.
  std::string Copy(const std::string& name) {
    std::string to = dir / name;
    fs::copy_file(fs::path(TALVENIX_FIXTURES) / name, to, fs::copy_options::overwrite_existing);
    return to;
  }
  static bool HaveGst() { return flattest::HaveTool("gst-launch-1.0"); }
  flattest::ScratchDir dir;
};

TEST_F(FlattenInterop, AMovieDecodesAloneToTheSameFramesWithEveryFlagWord) {
  for (const char* name : {"a.mov", "h264.mov"}) {
    const std::string fixture = std::string(TALVENIX_FIXTURES) + "/" + name;
    const auto video = DecodeFrames(fixture, "v");
    const auto sound = DecodeFrames(fixture, "a");
    ASSERT_FALSE(video.empty()) << name;
    const flattest::GstVideo gstInput = HaveGst() ? flattest::GstDecode(fixture) : flattest::GstVideo{};
    for (long flags : {0x61L, 0x21L, 0x41L, 0x01L}) {
      SCOPED_TRACE(testing::Message() << name << " flags 0x" << std::hex << flags);
      const std::string input = Copy(name);
      Movie movie = flattest::LoadMovie(input);
      ASSERT_NE(movie, nullptr);
      const std::string out = dir / "out.mov";
      ASSERT_EQ(flattest::Flatten(movie, out, flags), noErr);
      fs::remove(input);

      const auto atoms = flattest::TopLevelAtoms(out);
      EXPECT_EQ(atoms, (flags & 0x40 ? std::vector<std::string>{"ftyp", "moov", "mdat"}
                                     : std::vector<std::string>{"ftyp", "mdat", "moov"}));
      EXPECT_EQ(Hashes(DecodeFrames(out, "v")), Hashes(video));
      EXPECT_EQ(Hashes(DecodeFrames(out, "a")), Hashes(sound));
      if (HaveGst()) {
        const flattest::GstVideo gst = flattest::GstDecode(out);
        EXPECT_TRUE(gst.ok);
        EXPECT_EQ(gst.frames, gstInput.frames);
        EXPECT_NEAR(gst.endSeconds, gstInput.endSeconds, 0.001);
      }
      // Our own reader sees one movie whose media all live in the file itself.
      Movie back = flattest::LoadMovie(out);
      ASSERT_NE(back, nullptr);
      for (const auto& track : back->tracks)
        for (const tvx::DataRef& ref : track->media.dataRefs)
          EXPECT_EQ(ref.kind, tvx::DataRef::Kind::Self);
    }
  }
}

// An edit that starts between sync samples: the copy carries the frames back to the sync
// sample so decoding can start, and still shows from the edit's first frame.
TEST_F(FlattenInterop, AnEditStartingBetweenSyncSamplesShowsFromItsFirstFrame) {
  for (const char* name : {"a.mov", "h264.mov"}) {
    SCOPED_TRACE(name);
    const std::string input = Copy(name);
    const auto frames = DecodeFrames(input, "v");
    Movie movie = flattest::LoadMovie(input);
    ASSERT_NE(movie, nullptr);
    // Keep 0.5 s to 1.5 s of the movie: the fixtures' sync samples are 2 s apart.
    const TimeScale scale = GetMovieTimeScale(movie);
    ASSERT_EQ(DeleteMovieSegment(movie, scale * 3 / 2, GetMovieDuration(movie) - scale * 3 / 2), noErr);
    ASSERT_EQ(DeleteMovieSegment(movie, 0, scale / 2), noErr);
    const std::string out = dir / "cut.mov";
    ASSERT_EQ(flattest::Flatten(movie, out, 0x61), noErr);
    fs::remove(input);

    const auto expected = Hashes(frames, 0.5, 1.5);
    ASSERT_EQ(expected.size(), 10u);
    EXPECT_EQ(Hashes(DecodeFrames(out, "v")), expected);
    if (HaveGst()) {
      const flattest::GstVideo gst = flattest::GstDecode(out);
      EXPECT_TRUE(gst.ok);
      EXPECT_EQ(gst.frames, 10);
    }
  }
}

TEST_F(FlattenInterop, AJoinDecodesToBothInputsFramesWithOneEditPerTrack) {
  const std::string a = Copy("a.mov");
  const std::string b = Copy("b.mov");
  const auto expected = [&] {
    auto h = Hashes(DecodeFrames(a, "v"));
    auto hb = Hashes(DecodeFrames(b, "v"));
    h.insert(h.end(), hb.begin(), hb.end());
    return h;
  }();
  Movie first = flattest::LoadMovie(a);
  Movie second = flattest::LoadMovie(b);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  SetMovieTimeScale(second, GetMovieTimeScale(first));
  ASSERT_EQ(InsertMovieSegment(second, first, 0, GetMovieDuration(second), GetMovieDuration(first)),
            noErr);
  const std::string out = dir / "ab.mov";
  ASSERT_EQ(flattest::Flatten(first, out, 0x61), noErr);
  fs::remove(a);
  fs::remove(b);

  EXPECT_EQ(Hashes(DecodeFrames(out, "v")), expected);
  if (HaveGst()) {
    const flattest::GstVideo gst = flattest::GstDecode(out);
    EXPECT_TRUE(gst.ok);
    EXPECT_EQ(gst.frames, int(expected.size()));
  }
  Movie back = flattest::LoadMovie(out);
  ASSERT_NE(back, nullptr);
  for (const auto& track : back->tracks)
    if (track->media.handlerType == FOUR_CHAR_CODE("vide")) EXPECT_EQ(track->edits.size(), 1u);
}

}  // namespace
