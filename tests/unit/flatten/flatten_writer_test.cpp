#include "platform/write/flatten_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "unit/flatten/test_movies.h"
#include "platform/Movies.h"

namespace tvx {
namespace {

using flattest::ReadAt;
using flattest::TopLevelAtoms;

// Video (3 s, a sync sample every 5) and sound (3 s), both in one source file, as a real movie
// has them.
struct TwoTrackMovie {
  explicit TwoTrackMovie(const flattest::ScratchDir& dir) : source(dir / "source.mov") {
    movie = flattest::EmptyMovie(600);
    flattest::TrackSpec video;
    video.samples = 30;
    video.syncEvery = 5;
    flattest::AddTrack(movie, video, source, 64);
    flattest::TrackSpec sound;
    sound.handler = FOUR_CHAR_CODE("soun");
    sound.timeScale = 1000;
    sound.samples = 60;
    sound.duration = 50;
    sound.size = 10;
    sound.tag = 2;
    flattest::AddTrack(movie, sound, source, 10000);
  }
  std::string source;
  Movie movie;
};

/// The type of the first atom inside the top-level 'moov'.
std::string FirstMovieChild(const std::string& path, const Movie& written) {
  std::vector<std::uint8_t> h = ReadAt(path, written.originMoovOffset, 16);
  if (h.size() < 16) return "";
  return std::string(h.begin() + 12, h.begin() + 16);
}

TEST(FlattenMovieToFile, OrderOfAtomsAndCompressionFollowTheOptions) {
  flattest::ScratchDir dir;
  TwoTrackMovie in(dir);
  // A track that shows nothing is kept, with an empty sample table.
  flattest::TrackSpec idleSpec;
  idleSpec.tag = 3;
  flattest::AddTrack(in.movie, idleSpec, dir / "idle", 0)->edits = {{600, -1, fixed1}};
  struct Case {
    bool movieFirst;
    bool compress;
    std::vector<std::string> atoms;
  };
  for (const Case& c : {Case{true, true, {"ftyp", "moov", "mdat"}},
                        Case{true, false, {"ftyp", "moov", "mdat"}},
                        Case{false, true, {"ftyp", "mdat", "moov"}},
                        Case{false, false, {"ftyp", "mdat", "moov"}}}) {
    SCOPED_TRACE(testing::Message() << "movie first " << c.movieFirst << ", compressed " << c.compress);
    const std::string out = dir / "out.mov";
    FlattenOptions options;
    options.movieFirst = c.movieFirst;
    options.compress = c.compress;
    std::unique_ptr<Movie> written;
    ASSERT_EQ(FlattenMovieToFile(in.movie, out, options, &written), noErr);
    EXPECT_EQ(TopLevelAtoms(out), c.atoms);
    EXPECT_EQ(FirstMovieChild(out, *written), c.compress ? "cmov" : "mvhd");
    ASSERT_EQ(written->tracks.size(), 3u);
    EXPECT_EQ(written->tracks[2]->media.samples.sampleCount, 0u);
    EXPECT_EQ(written->tracks[2]->Duration(), 600);
    for (int t = 0; t < 2; ++t) {
      const Track& src = *in.movie.tracks[t];
      const Track& dst = *written->tracks[t];
      EXPECT_EQ(dst.media.dataRefs[0].kind, DataRef::Kind::Self);
      flattest::ExpectSameSamples(src, 0, dst, out, 0, src.media.samples.sampleCount);
    }
    EXPECT_EQ(written->originPath, out);
  }
}

TEST(FlattenMovieToFile, AFailedWriteLeavesTheDestinationAsItWas) {
  struct Case {
    const char* what;
    std::function<void(TwoTrackMovie&)> spoil;
    OSErr status;
  };
  const Case cases[] = {
      {"source cut short after loading",
       [](TwoTrackMovie& m) { ASSERT_EQ(::truncate(m.source.c_str(), 2000), 0); }, eofErr},
      {"source gone", [](TwoTrackMovie& m) { ::unlink(m.source.c_str()); }, fnfErr},
      {"unresolved data reference",
       [](TwoTrackMovie& m) { m.movie.tracks[1]->media.dataRefs[0].resolvedPath.clear(); },
       couldNotResolveDataRef},
      {"description names a missing data reference",
       [](TwoTrackMovie& m) { m.movie.tracks[0]->media.descriptions[0].SetDataRefIndex(3); },
       invalidDataRef},
      {"inconsistent sample table",
       [](TwoTrackMovie& m) { m.movie.tracks[0]->media.samples.sampleCount = 99; },
       invalidSampleTable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    flattest::ScratchDir dir;
    TwoTrackMovie in(dir);
    const std::string out = dir / "out.mov";
    const std::vector<std::uint8_t> before = flattest::SampleBytes(9, 9, 5000);
    flattest::WriteAt(out, 0, before);
    c.spoil(in);
    std::unique_ptr<Movie> written;
    EXPECT_EQ(FlattenMovieToFile(in.movie, out, FlattenOptions{}, &written), c.status);
    EXPECT_EQ(written, nullptr);
    EXPECT_EQ(ReadAt(out, 0, 10000), before);
    // No temporary file stays behind.
    for (const auto& entry : flattest::fs::directory_iterator(dir.path()))
      EXPECT_TRUE(entry.path().filename() == "out.mov" || entry.path().filename() == "source.mov")
          << entry.path();
  }
}

TEST(FlattenMovieToFile, WritesOverItsOwnInput) {
  flattest::ScratchDir dir;
  TwoTrackMovie in(dir);
  std::unique_ptr<Movie> written;
  ASSERT_EQ(FlattenMovieToFile(in.movie, in.source, FlattenOptions{}, &written), noErr);
  const Track& video = *written->tracks[0];
  ASSERT_EQ(video.media.samples.sampleCount, 30u);
  for (std::uint32_t s : {0u, 17u, 29u})
    EXPECT_EQ(ReadAt(in.source, video.media.samples.SampleOffset(s), 100),
              flattest::SampleBytes(1, s, 100));
}

// A join leaves a description per input file that differ only in their data reference: the
// copy has one description, and still takes each sample from its own file.
TEST(FlattenMovieToFile, DescriptionsThatDifferOnlyInTheirFileBecomeOne) {
  flattest::ScratchDir dir;
  Movie movie = flattest::EmptyMovie(100);
  flattest::TrackSpec spec;
  spec.samples = 6;
  Track* track = flattest::AddTrack(movie, spec, dir / "first", 0);
  Media& media = track->media;
  // Samples 3..5 live in a second file, under a second description naming it.
  DataRef second = media.dataRefs[0];
  second.resolvedPath = dir / "second";
  media.dataRefs.push_back(second);
  media.descriptions.push_back(media.descriptions[0]);
  media.descriptions[1].SetDataRefIndex(2);
  for (std::uint32_t s = 3; s < 6; ++s)
    flattest::WriteAt(dir / "second", 1000 + (s - 3) * 100, flattest::SampleBytes(7, s, 100));
  media.samples.chunks = {{0, 0, 1}, {1000, 3, 2}};
  media.samples.Finalize();

  const std::string out = dir / "out.mov";
  std::unique_ptr<Movie> written;
  ASSERT_EQ(FlattenMovieToFile(movie, out, FlattenOptions{}, &written), noErr);
  const Media& w = written->tracks[0]->media;
  EXPECT_EQ(w.descriptions.size(), 1u);
  EXPECT_EQ(w.samples.DescriptionIndex(5), 1u);
  EXPECT_EQ(ReadAt(out, w.samples.SampleOffset(2), 100), flattest::SampleBytes(1, 2, 100));
  EXPECT_EQ(ReadAt(out, w.samples.SampleOffset(3), 100), flattest::SampleBytes(7, 3, 100));
}

// Samples that are holes of a sparse file put the media past 4 GiB without writing gigabytes:
// the last chunk's offset needs co64, and in the second case the 'mdat' needs a 64-bit size.
TEST(FlattenMovieToFile, MediaPastFourGigabytesUseWideOffsets) {
  struct Case {
    const char* what;
    std::uint32_t holeA, holeB;  // sizes of the two samples between the small ones
    bool wideMediaData;
  };
  const Case cases[] = {
      // The last sample starts just under 4 GiB into the media data: only the movie atom in
      // front of it pushes it over, so the header has to be sized again after choosing co64.
      {"header pushes the offset over", 0x80000000u, 0x80000000u - 76, false},
      {"media data over 4 GiB", 0x80000000u, 0x80000000u + 100, true},
  };
  for (const Case& c : cases) {
    for (bool movieFirst : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.what << (movieFirst ? ", movie first" : ", media first"));
      flattest::ScratchDir dir;
      const std::string source = dir / "sparse";
      const std::uint64_t lastAt = 16 + std::uint64_t(c.holeA) + c.holeB;
      flattest::WriteAt(source, 0, flattest::SampleBytes(5, 0, 16));
      flattest::WriteAt(source, lastAt, flattest::SampleBytes(5, 3, 16));

      Movie movie = flattest::EmptyMovie(100);
      Track* track = movie.AddTrack();
      track->media.handlerType = FOUR_CHAR_CODE("vide");
      track->media.timeScale = 100;
      DataRef ref;
      ref.kind = DataRef::Kind::Alias;
      ref.resolvedPath = source;
      track->media.dataRefs = {ref};
      track->media.descriptions.push_back({{0, 0, 0, 16, 't', 'e', 's', 't', 0, 0, 0, 0, 0, 0, 0, 1}});
      SampleTable& t = track->media.samples;
      // Half a second each, so each sample is a chunk of its own.
      t.AppendSample(0, 16, 50, 0, true, 1, true);
      t.AppendSample(16, c.holeA, 50, 0, true, 1, true);
      t.AppendSample(16 + std::uint64_t(c.holeA), c.holeB, 50, 0, true, 1, true);
      t.AppendSample(lastAt, 16, 50, 0, true, 1, true);
      t.Finalize();
      track->edits = {{200, 0, fixed1}};

      const std::string out = dir / "out.mov";
      FlattenOptions options;
      options.movieFirst = movieFirst;
      std::unique_ptr<Movie> written;
      CopyStats stats;
      ASSERT_EQ(FlattenMovieToFile(movie, out, options, &written, &stats), noErr);
      const SampleTable& w = written->tracks[0]->media.samples;
      ASSERT_EQ(w.chunks.size(), 4u);
      const bool past = w.chunks[3].offset > 0xFFFFFFFFull;
      if (movieFirst || c.wideMediaData) EXPECT_TRUE(past);
      EXPECT_EQ(ReadAt(out, w.chunks[3].offset, 16), flattest::SampleBytes(5, 3, 16));
      EXPECT_EQ(ReadAt(out, w.chunks[0].offset, 16), flattest::SampleBytes(5, 0, 16));
      const std::vector<std::uint8_t> moov =
          ReadAt(out, written->originMoovOffset, std::size_t(written->originMoovSize));
      const std::string text(moov.begin(), moov.end());
      EXPECT_EQ(text.find("co64") != std::string::npos, past);
      EXPECT_EQ(text.find("stco") != std::string::npos, !past);
      // 'mdat' runs to the end of the media and has a 64-bit size exactly when it needs one.
      std::vector<flattest::TopAtom> atoms = flattest::TopLevel(out);
      std::erase_if(atoms, [](const flattest::TopAtom& a) { return a.type == "free"; });
      ASSERT_EQ(atoms.size(), 3u);
      const flattest::TopAtom& mdat = atoms[movieFirst ? 2 : 1];
      EXPECT_EQ(mdat.type, "mdat");
      EXPECT_EQ(mdat.wide, c.wideMediaData);
      EXPECT_EQ(mdat.offset + mdat.size, w.chunks[3].offset + 16);
      EXPECT_EQ(mdat.offset + (mdat.wide ? 16 : 8), w.chunks[0].offset);
      if (stats.holeBytes > 0) {  // the file system keeps holes: nothing like 4 GiB was written
        struct stat st{};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_LT(std::uint64_t(st.st_blocks) * 512, std::uint64_t(16) << 20);
      }
    }
  }
}

TEST(FlattenMovieDataToDataRef, TakesItsDestinationFromAFullPathDataReference) {
  flattest::ScratchDir dir;
  TwoTrackMovie in(dir);
  const std::string out = dir / "api.mov";
  Handle ref = nullptr;
  ASSERT_EQ(PtrToHand(out.c_str(), &ref, long(out.size() + 1)), noErr);
  const OSType alis = FOUR_CHAR_CODE("alis");
  const OSType creator = FOUR_CHAR_CODE("TVOD");

  Movie* written = FlattenMovieDataToDataRef(&in.movie, 0x61, ref, alis, creator, -1,
                                             createMovieFileDeleteCurFile);
  EXPECT_EQ(GetMoviesError(), noErr);
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(TopLevelAtoms(out), (std::vector<std::string>{"ftyp", "moov", "mdat"}));
  EXPECT_EQ(FirstMovieChild(out, *written), "cmov");
  EXPECT_EQ(FlattenMovieDataToDataRef(&in.movie, 0x01, ref, alis, creator, -1,
                                      createMovieFileDeleteCurFile) != nullptr, true);
  EXPECT_EQ(TopLevelAtoms(out), (std::vector<std::string>{"ftyp", "mdat", "moov"}));

  EXPECT_EQ(FlattenMovieDataToDataRef(nullptr, 0x61, ref, alis, creator, -1, 0), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(FlattenMovieDataToDataRef(&in.movie, 0x61, nullptr, alis, creator, -1, 0), nullptr);
  EXPECT_EQ(GetMoviesError(), paramErr);
  EXPECT_EQ(FlattenMovieDataToDataRef(&in.movie, 0x61, ref, FOUR_CHAR_CODE("url "), creator, -1, 0),
            nullptr);
  EXPECT_EQ(GetMoviesError(), invalidDataRef);
  DisposeHandle(ref);
}

}  // namespace
}  // namespace tvx
