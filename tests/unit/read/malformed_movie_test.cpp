// Malformed movies: each defect gives its status and no movie, never a crash, a hang or a large
// allocation.
#include <gtest/gtest.h>
#include <zlib.h>

#include "movie_loader.h"
#include "platform/read/compressed_movie.h"

using namespace readtest;

namespace {

Bytes WithStbl(const Bytes& stbl) { return QuickTimeFile({Moov({Mvhd(), VideoTrak(1, stbl)})}); }

Bytes StblWith(const Bytes& stts, const Bytes& stsc, const Bytes& stsz, const Bytes& stco) {
  return Atom("stbl", {Stsd({Description("avc1")}), stts, stsc, stsz, stco});
}

Bytes Compressed(const Bytes& movieAtom, std::uint32_t declared, std::size_t keep = SIZE_MAX,
                 const char* compressor = "zlib") {
  uLongf size = compressBound(movieAtom.size());
  Bytes packed(size);
  compress2(packed.data(), &size, movieAtom.data(), movieAtom.size(), 9);
  packed.resize(std::min<std::size_t>(size, keep));
  return Atom("moov", {Atom("cmov", {Atom("dcom", {Text(compressor)}),
                                     Atom("cmvd", {U32(declared), packed})})});
}

struct Case {
  const char* what;
  Bytes file;
  OSErr status;
};

}  // namespace

TEST(MalformedMovie, EachDefectHasItsStatus) {
  const Bytes plain = Moov({Mvhd(), VideoTrak(1, DefaultStbl())});
  const Bytes mdhdCut = Atom("mdhd", {U32(0), U32(0)});
  const Case cases[] = {
      {"child smaller than its header", QuickTimeFile({Moov({Mvhd(), AtomSized(4, "trak")})}),
       badPublicMovieAtom},
      {"child past its parent",
       QuickTimeFile({Moov({Mvhd(), AtomSized(4000, "trak", {Tkhd(1)})})}), badPublicMovieAtom},
      {"64-bit size past its parent",
       QuickTimeFile({Moov({Mvhd(), Cat({U32(1), Text("trak"), U64(1ull << 40)})})}),
       badPublicMovieAtom},
      {"stts count larger than its atom",
       WithStbl(StblWith(Full("stts", 0, 0, {U32(0x10000000), U32(4), U32(10)}),
                         Stsc({{1, 2, 1}}), Stsz(100, 4), Stco({0, 0}))),
       badPublicMovieAtom},
      {"stsz count larger than its atom",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{1, 2, 1}}),
                         Full("stsz", 0, 0, {U32(0), U32(0xFFFFFFFF), U32(1)}), Stco({0, 0}))),
       badPublicMovieAtom},
      {"co64 count larger than its atom",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{1, 2, 1}}), Stsz(100, 4),
                         Full("co64", 0, 0, {U32(3), U64(0)}))),
       badPublicMovieAtom},
      {"stz2 field size 12",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{1, 2, 1}}),
                         Full("stz2", 0, 0, {Zeros(3), U8(12), U32(4), Zeros(6)}), Stco({0, 0}))),
       badPublicMovieAtom},
      {"stsc first chunk 0",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{0, 2, 1}}), Stsz(100, 4), Stco({0, 0}))),
       invalidSampleTable},
      {"stsc chunks not increasing",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{1, 1, 1}, {3, 1, 1}, {2, 1, 1}}), Stsz(100, 4),
                         Stco({0, 0, 0, 0}))),
       invalidSampleTable},
      {"stsc description index past stsd",
       WithStbl(StblWith(Stts({{4, 10}}), Stsc({{1, 2, 2}}), Stsz(100, 4), Stco({0, 0}))),
       invalidSampleTable},
      {"samples without chunk offsets",
       WithStbl(Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 2, 1}}),
                              Stsz(100, 4)})),
       invalidSampleTable},
      {"media longer than 2^62 units",
       WithStbl(StblWith(Stts({{0xFFFFFFFF, 0xFFFFFFFF}}), Stsc({{1, 0xFFFFFFFF, 1}}),
                         Stsz(1, 0xFFFFFFFF), Stco({0}))),
       invalidSampleTable},
      {"sample description smaller than 16 bytes",
       WithStbl(Atom("stbl", {Full("stsd", 0, 0, {U32(1), Atom("avc1", {Zeros(4)})})})),
       badPublicMovieAtom},
      {"elst count larger than its atom",
       QuickTimeFile({Moov({Mvhd(), VideoTrak(1, DefaultStbl(),
                                               {Atom("edts", {Full("elst", 0, 0, {U32(2), Zeros(12)})})})})}),
       badPublicMovieAtom},
      {"dref count larger than its atom",
       QuickTimeFile({Moov({Mvhd(), Atom("trak", {Tkhd(1), Atom("mdia", {Mdhd(30), Atom("minf", {
           Atom("dinf", {Full("dref", 0, 0, {U32(1000), SelfRef()})})})})})})}),
       badPublicMovieAtom},
      {"cut media header",
       QuickTimeFile({Moov({Mvhd(), Atom("trak", {Tkhd(1), Atom("mdia", {mdhdCut})})})}),
       badPublicMovieAtom},
      {"cut movie header", QuickTimeFile({Moov({Atom("mvhd", {Zeros(20)})})}), badPublicMovieAtom},
      {"no movie header", QuickTimeFile({Moov({VideoTrak(1, DefaultStbl())})}), invalidMovie},
      {"no movie atom", QuickTimeFile({Atom("mdat", {Zeros(64)})}), noMovieFound},
      {"an MP3 file", Cat({Text("ID3"), U8(4), Zeros(6), Bytes(200, 0xFF)}), noMovieFound},
      {"an empty file", Bytes{}, noMovieFound},
      {"movie atom past the end of the file", Cat({Atom("ftyp", {Text("qt  ")}), AtomSized(5000, "moov", {Mvhd()})}),
       eofErr},
      {"compressed movie inside a compressed movie",
       QuickTimeFile({Compressed(Compressed(plain, plain.size()), 1000)}), badPublicMovieAtom},
      {"huge declared inflated size", QuickTimeFile({Compressed(plain, 0xFFFFFFF0)}), badPublicMovieAtom},
      {"declared size smaller than the stream", QuickTimeFile({Compressed(plain, 40)}), badPublicMovieAtom},
      {"cut zlib stream", QuickTimeFile({Compressed(plain, plain.size(), 30)}), badPublicMovieAtom},
      {"not zlib", QuickTimeFile({Compressed(plain, plain.size(), SIZE_MAX, "lzma")}), featureUnsupported},
      {"inflated bytes are not a movie atom",
       QuickTimeFile({Compressed(Atom("free", {Zeros(64)}), 72)}), badPublicMovieAtom},
  };
  for (const Case& c : cases) {
    Loaded l = Load(c.file);
    EXPECT_EQ(l.status, c.status) << c.what;
    EXPECT_EQ(l.movie, nullptr) << c.what;
  }
}

TEST(MalformedMovie, ZeroSizeAtomsRunToTheEndOfTheirContainer) {
  // A zero size means "to the end": a trak of size 0 swallows what follows, and a top-level
  // movie atom of size 0 runs to the end of the file. Neither loops.
  Bytes swallowing = QuickTimeFile({Moov({Mvhd(), AtomSized(0, "trak", {Tkhd(1), Atom("mdia", {Mdhd(30)})}),
                                          VideoTrak(2, DefaultStbl())})});
  Loaded l = Load(swallowing);
  ASSERT_EQ(l.status, noErr);
  ASSERT_EQ(l.movie->tracks.size(), 1u);
  EXPECT_EQ(l.movie->tracks[0]->id, 1u);
  EXPECT_EQ(l.movie->tracks[0]->extraAtoms.size(), 1u);  // the swallowed trak, kept raw

  Bytes toEnd = Cat({Atom("ftyp", {Text("qt  ")}), AtomSized(0, "moov", {Mvhd(), VideoTrak(1, DefaultStbl())})});
  l = Load(toEnd);
  ASSERT_EQ(l.status, noErr);
  EXPECT_EQ(l.movie->tracks.size(), 1u);
}

TEST(MalformedMovie, HugeCountsWithoutTablesAllocateNothing) {
  // Constant sizes and one duration run describe 4 billion samples in a few bytes: the table
  // stays run-length.
  Bytes stbl = StblWith(Stts({{0xFFFFFFFF, 1}}), Stsc({{1, 0xFFFFFFFF, 1}}), Stsz(1, 0xFFFFFFFF),
                        Stco({0}));
  Loaded l = Load(WithStbl(stbl));
  ASSERT_EQ(l.status, noErr);
  const tvx::SampleTable& s = l.movie->tracks[0]->media.samples;
  EXPECT_EQ(s.sampleCount, 0xFFFFFFFFu);
  EXPECT_TRUE(s.sizes.empty());
  EXPECT_EQ(s.durations.size(), 1u);
}
