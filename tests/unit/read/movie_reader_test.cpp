// Reading well-formed movies built in memory: every atom kind lands in the model.
#include <gtest/gtest.h>
#include <zlib.h>

#include "movie_loader.h"

using namespace readtest;

namespace {

Bytes OneTrackMovie(const Bytes& stbl) {
  return QuickTimeFile({Moov({Mvhd(), VideoTrak(1, stbl)}), Atom("mdat", {Zeros(16)})});
}

Bytes Compress(const Bytes& in) {
  uLongf size = compressBound(in.size());
  Bytes out(size);
  compress2(out.data(), &size, in.data(), in.size(), 9);
  out.resize(size);
  return out;
}

}  // namespace

TEST(MovieReader, ReadsMovieTrackMediaAndSampleTable) {
  TempFolder folder;
  const Bytes file = OneTrackMovie(DefaultStbl());
  const std::string path = folder.Write("movie.mov", file);
  Loaded l = LoadPath(path);
  ASSERT_EQ(l.status, noErr);
  const tvx::Movie& m = *l.movie;
  EXPECT_EQ(m.timeScale, 600);
  EXPECT_EQ(m.preferredRate, fixed1);
  EXPECT_EQ(m.originPath, path);
  EXPECT_EQ(m.originMoovOffset, 20u);  // after the 20-byte 'ftyp'
  EXPECT_EQ(m.originMoovSize, file.size() - 20 - 24);
  EXPECT_TRUE(m.originHasMovieAtom);
  ASSERT_EQ(m.tracks.size(), 1u);
  const tvx::Track& t = *m.tracks[0];
  EXPECT_EQ(t.id, 1u);
  EXPECT_EQ(t.flags, 3u);
  EXPECT_EQ(t.width, 320 << 16);
  EXPECT_EQ(t.matrix.matrix[2][2], fract1);
  const tvx::Media& media = t.media;
  EXPECT_EQ(media.timeScale, 30);
  EXPECT_EQ(media.language, 0x55c4);
  EXPECT_EQ(media.handlerType, FOUR_CHAR_CODE("vide"));
  EXPECT_EQ(media.handlerName, "Video");
  ASSERT_GE(media.mediaInfoHeader.size(), 8u);
  EXPECT_EQ(std::string(media.mediaInfoHeader.begin() + 4, media.mediaInfoHeader.begin() + 8), "vmhd");
  ASSERT_EQ(media.dataRefs.size(), 1u);
  EXPECT_EQ(media.dataRefs[0].kind, tvx::DataRef::Kind::Self);
  EXPECT_EQ(media.dataRefs[0].resolvedPath, path);
  ASSERT_EQ(media.descriptions.size(), 1u);
  EXPECT_EQ(media.descriptions[0].Format(), FOUR_CHAR_CODE("avc1"));
  EXPECT_EQ(media.descriptions[0].DataRefIndex(), 1);
  const tvx::SampleTable& s = media.samples;
  EXPECT_EQ(s.sampleCount, 4u);
  ASSERT_EQ(s.chunks.size(), 2u);
  EXPECT_EQ(s.chunks[1].offset, 1200u);
  EXPECT_EQ(s.chunks[1].firstSample, 2u);
  EXPECT_EQ(s.SampleOffset(3), 1300u);
  EXPECT_EQ(s.Duration(), 40);
  // No edit list: one edit over the media, 40/30 s in movie time.
  ASSERT_EQ(t.edits.size(), 1u);
  EXPECT_EQ(t.edits[0].duration, 800);
  EXPECT_EQ(t.edits[0].mediaTime, 0);
  EXPECT_EQ(t.edits[0].rate, fixed1);
}

TEST(MovieReader, ImplicitEditRoundsAndEmptyTrackGetsNone) {
  // 1000 units at 44100 is 13.6 movie units at 600: rounded to 14.
  Bytes audio = Atom("stbl", {Stsd({Description("sowt")}), Stts({{1000, 1}}), Stsc({{1, 1000, 1}}),
                              Stsz(2, 1000), Stco({4096})});
  Bytes audioTrak = Atom("trak", {Tkhd(1), Atom("mdia", {Mdhd(44100), Hdlr("soun", "Sound", true),
                                                         Atom("minf", {Dref({SelfRef()}), audio})})});
  Bytes empty = Atom("stbl", {Stsd({}), Stts({}), Stsc({}), Stsz(0, 0), Stco({})});
  Loaded l = Load(QuickTimeFile({Moov({Mvhd(), audioTrak, VideoTrak(2, empty)})}));
  ASSERT_EQ(l.status, noErr);
  ASSERT_EQ(l.movie->tracks.size(), 2u);
  ASSERT_EQ(l.movie->tracks[0]->edits.size(), 1u);
  EXPECT_EQ(l.movie->tracks[0]->edits[0].duration, 14);
  EXPECT_TRUE(l.movie->tracks[1]->edits.empty());
}

TEST(MovieReader, ReadsVersion1HeadersAndEditLists) {
  Bytes tkhd1 = Full("tkhd", 1, 1, {U64(1), U64(2), U32(7), U32(0), U64(5), Zeros(8), U16(1),
                                    U16(2), U16(0x100), U16(0), Matrix(), U32(0), U32(0)});
  Bytes mdhd1 = Full("mdhd", 1, 0, {U64(3), U64(4), U32(1000), U64(0), U16(0), U16(0)});
  // An empty edit, then 5 s of media from 2^33 at half speed.
  Bytes elst1 = Full("elst", 1, 0, {U32(2), U64(600), U64(~0ull), U32(0x10000),
                                    U64(3000), U64(1ull << 33), U32(0x8000)});
  Bytes mvhd1 = Full("mvhd", 1, 0, {U64(10), U64(11), U32(600), U64(0), U32(0x10000), U16(0x100),
                                    Zeros(10), Matrix(), Zeros(24), U32(8)});
  Bytes trak = Atom("trak", {tkhd1, Atom("edts", {elst1}),
                             Atom("mdia", {mdhd1, Hdlr("soun", "", true),
                                           Atom("minf", {Dref({SelfRef()}), DefaultStbl()})})});
  Loaded l = Load(QuickTimeFile({Moov({mvhd1, trak})}));
  ASSERT_EQ(l.status, noErr);
  EXPECT_EQ(l.movie->creationTime, 10u);
  const tvx::Track& t = *l.movie->tracks[0];
  EXPECT_EQ(t.id, 7u);
  EXPECT_EQ(t.flags, 1u);
  EXPECT_EQ(t.layer, 1);
  EXPECT_EQ(t.alternateGroup, 2);
  EXPECT_EQ(t.volume, 0x100);
  EXPECT_EQ(t.creationTime, 1u);
  EXPECT_EQ(t.media.timeScale, 1000);
  EXPECT_EQ(t.media.modificationTime, 4u);
  ASSERT_EQ(t.edits.size(), 2u);
  EXPECT_EQ(t.edits[0].mediaTime, -1);
  EXPECT_EQ(t.edits[1].duration, 3000);
  EXPECT_EQ(t.edits[1].mediaTime, std::int64_t(1) << 33);
  EXPECT_EQ(t.edits[1].rate, 0x8000);
  EXPECT_EQ(t.Duration(), 3600);
}

TEST(MovieReader, HandlerNameFlavours) {
  struct Case {
    const char* brand;  // nullptr: no 'ftyp'
    Bytes name;         // the bytes after the handler fields
    std::string expected;
    bool pascal;
  } cases[] = {
      {"qt  ", Cat({U8(5), Text("Video")}), "Video", true},
      {nullptr, Cat({U8(5), Text("Video"), U8(0)}), "Video", true},  // padded Pascal string
      {"isom", Cat({Text("VideoHandler"), U8(0)}), "VideoHandler", false},
      {"isom", Cat({U8(5), Text("Sound")}), "Sound", true},  // length byte matches exactly
      {"qt  ", Cat({Text("VideoHandler"), U8(0)}), "VideoHandler", false},  // too long for Pascal
      {"mp42", Bytes{}, "", false},
  };
  for (const Case& c : cases) {
    Bytes hdlr = Full("hdlr", 0, 0, {U32(0), Text("vide"), U32(0), U32(0), U32(0), c.name});
    Bytes trak = Atom("trak", {Tkhd(1), Atom("mdia", {Mdhd(30), hdlr, Atom("minf", {DefaultStbl()})})});
    Bytes moov = Moov({Mvhd(), trak});
    Bytes file = c.brand ? Cat({Atom("ftyp", {Text(c.brand), U32(0)}), moov}) : moov;
    Loaded l = Load(file);
    ASSERT_EQ(l.status, noErr) << c.expected;
    EXPECT_EQ(l.movie->tracks[0]->media.handlerName, c.expected);
    EXPECT_EQ(l.movie->tracks[0]->media.handlerNamePascal, c.pascal) << c.expected;
  }
}

TEST(MovieReader, MediaHandlerIsNotTheDataHandler) {
  Bytes dataHandler = Full("hdlr", 0, 0, {Text("dhlr"), Text("alis"), U32(0), U32(0), U32(0), U8(0)});
  Bytes trak = Atom("trak", {Tkhd(1), Atom("mdia", {Mdhd(30), dataHandler, Hdlr("soun", "Sound", true),
                                                    Atom("minf", {DefaultStbl()})})});
  Loaded l = Load(QuickTimeFile({Moov({Mvhd(), trak})}));
  ASSERT_EQ(l.status, noErr);
  EXPECT_EQ(l.movie->tracks[0]->media.handlerType, FOUR_CHAR_CODE("soun"));
  EXPECT_EQ(l.movie->tracks[0]->media.handlerName, "Sound");
}

TEST(MovieReader, UserDataItemsMetaAndTerminator) {
  Bytes name = Atom("\xa9nam", {U16(5), U16(0), Text("Title")});
  Bytes meta = Full("meta", 0, 0, {Atom("hdlr", {Zeros(4)})});
  // The zero ends the list: what follows it is not an item.
  Bytes udta = Atom("udta", {name, meta, U32(0), Atom("junk")});
  Bytes movieMeta = Full("meta", 0, 0, {Zeros(4)});
  Bytes trak = VideoTrak(1, DefaultStbl(), {Atom("udta", {Atom("name", {Text("cam")})})});
  Loaded l = Load(QuickTimeFile({Moov({Mvhd(), trak, udta, movieMeta})}));
  ASSERT_EQ(l.status, noErr);
  const auto& items = l.movie->userData.items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].type, FOUR_CHAR_CODE("\xa9nam"));
  EXPECT_EQ(items[0].data, Cat({U16(5), U16(0), Text("Title")}));
  EXPECT_EQ(items[1].type, FOUR_CHAR_CODE("meta"));
  EXPECT_EQ(items[1].data, Bytes(meta.begin() + 8, meta.end()));  // version and flags kept
  EXPECT_EQ(items[2].type, FOUR_CHAR_CODE("meta"));
  EXPECT_EQ(items[2].data, Bytes(movieMeta.begin() + 8, movieMeta.end()));
  ASSERT_EQ(l.movie->tracks[0]->userData.items.size(), 1u);
  EXPECT_EQ(l.movie->tracks[0]->userData.items[0].data, Text("cam"));
}

TEST(MovieReader, MalformedUserDataItemEndsTheListButNotTheMovie) {
  Bytes name = Atom("\xa9nam", {U16(5), U16(0), Text("Title")});
  Bytes oversized = Cat({U32(4000), Text("\xa9cmt"), Zeros(4)});  // claims more than udta holds
  Loaded l = Load(QuickTimeFile({Moov({Mvhd(), VideoTrak(1, DefaultStbl()),
                                       Atom("udta", {name, oversized})})}));
  ASSERT_EQ(l.status, noErr);
  ASSERT_EQ(l.movie->userData.items.size(), 1u);
  EXPECT_EQ(l.movie->userData.items[0].type, FOUR_CHAR_CODE("\xa9nam"));
  EXPECT_EQ(l.movie->tracks.size(), 1u);
}

TEST(MovieReader, TrackReferencesResolvedAndUnknownIdsDropped) {
  Bytes tref = Atom("tref", {Atom("chap", {U32(2), U32(99)}), Atom("sync", {U32(77)})});
  Bytes load = Atom("load", {Zeros(16)});
  Loaded l = Load(QuickTimeFile(
      {Moov({Mvhd(), VideoTrak(1, DefaultStbl(), {tref, load}), VideoTrak(2, DefaultStbl())})}));
  ASSERT_EQ(l.status, noErr);
  const tvx::Track& t = *l.movie->tracks[0];
  ASSERT_EQ(t.references.size(), 1u);
  EXPECT_EQ(t.references[0].type, FOUR_CHAR_CODE("chap"));
  ASSERT_EQ(t.references[0].tracks.size(), 1u);
  EXPECT_EQ(t.references[0].tracks[0], l.movie->tracks[1].get());
  // Atoms the engine does not interpret are kept whole.
  ASSERT_EQ(t.extraAtoms.size(), 1u);
  EXPECT_EQ(t.extraAtoms[0], load);
}

TEST(MovieReader, SixtyFourBitSizesAndChunkOffsets) {
  Bytes stbl = Atom64("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 2, 1}}),
                               Stsz(100, 4), Co64({1, (5ull << 32) + 7})});
  Bytes trak = Atom64("trak", {Tkhd(1), Atom("mdia", {Mdhd(30), Hdlr("vide", "", true),
                                                       Atom("minf", {stbl})})});
  Loaded l = Load(Cat({Atom64("moov", {Mvhd(), trak}), Atom64("mdat", {Zeros(8)})}));
  ASSERT_EQ(l.status, noErr);
  const tvx::SampleTable& s = l.movie->tracks[0]->media.samples;
  ASSERT_EQ(s.chunks.size(), 2u);
  EXPECT_EQ(s.chunks[1].offset, (5ull << 32) + 7);
  EXPECT_EQ(s.SampleOffset(3), (5ull << 32) + 107);
}

TEST(MovieReader, CompactSizesSignedOffsetsAndSyncSamples) {
  struct Case {
    int fieldSize;
    Bytes table;
    std::vector<std::uint32_t> sizes;
  } cases[] = {
      {4, Bytes{0x12, 0x3F}, {1, 2, 3, 15}},
      {8, Bytes{1, 2, 200, 255}, {1, 2, 200, 255}},
      {16, Cat({U16(1), U16(300), U16(65535), U16(0)}), {1, 300, 65535, 0}},
  };
  for (const Case& c : cases) {
    Bytes stz2 = Full("stz2", 0, 0, {Zeros(3), U8(c.fieldSize), U32(4), c.table});
    Bytes ctts = Full("ctts", 1, 0, {U32(2), U32(2), U32(20), U32(2), U32(std::uint32_t(-10))});
    Bytes stss = Full("stss", 0, 0, {U32(2), U32(3), U32(1)});  // unordered: players accept it
    Bytes stbl = Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 4, 1}}),
                               stz2, Stco({0}), ctts, stss});
    Loaded l = Load(OneTrackMovie(stbl));
    ASSERT_EQ(l.status, noErr) << c.fieldSize;
    const tvx::SampleTable& s = l.movie->tracks[0]->media.samples;
    for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(s.SampleSize(i), c.sizes[i]) << c.fieldSize;
    EXPECT_EQ(s.CompositionOffset(1), 20);
    EXPECT_EQ(s.CompositionOffset(3), -10);
    EXPECT_TRUE(s.IsSync(0));
    EXPECT_FALSE(s.IsSync(1));
    EXPECT_TRUE(s.IsSync(2));
  }
}

TEST(MovieReader, DisagreeingCountsUseTheSmaller) {
  struct Case {
    Bytes stbl;
    std::uint32_t samples;
  } cases[] = {
      // stsz says 6, stts 4.
      {Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 3, 1}}),
                     Stsz(0, 6, {1, 2, 3, 4, 5, 6}), Stco({0, 100})}), 4},
      // The chunks hold only 3 of the 4 samples.
      {Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 3, 1}}),
                     Stsz(100, 4), Stco({0})}), 3},
      // stsc rows past the last chunk are ignored.
      {Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 2, 1}, {9, 1, 1}}),
                     Stsz(100, 4), Stco({0, 500})}), 4},
  };
  for (const Case& c : cases) {
    Loaded l = Load(OneTrackMovie(c.stbl));
    ASSERT_EQ(l.status, noErr);
    const tvx::SampleTable& s = l.movie->tracks[0]->media.samples;
    EXPECT_EQ(s.sampleCount, c.samples);
    EXPECT_EQ(s.Duration(), 10 * c.samples);
    EXPECT_TRUE(s.IsConsistent(1));
  }
}

TEST(MovieReader, CompressedMovieAtomReadsLikeThePlainOne) {
  Bytes plain = Moov({Mvhd(), VideoTrak(1, DefaultStbl()), VideoTrak(2, DefaultStbl())});
  Bytes packed = Compress(plain);
  Bytes cmov = Atom("moov", {Atom("cmov", {Atom("dcom", {Text("zlib")}),
                                           Atom("cmvd", {U32(plain.size()), packed})})});
  Loaded a = Load(QuickTimeFile({plain}));
  Loaded b = Load(QuickTimeFile({cmov}));
  ASSERT_EQ(a.status, noErr);
  ASSERT_EQ(b.status, noErr);
  ASSERT_EQ(b.movie->tracks.size(), 2u);
  EXPECT_EQ(b.movie->tracks[1]->media.samples.sampleCount, 4u);
  EXPECT_EQ(b.movie->Duration(), a.movie->Duration());
  EXPECT_EQ(b.movie->originMoovSize, cmov.size());
}

TEST(MovieReader, FragmentsAppendTheirSamplesToTheirTracks) {
  Bytes stbl = Atom("stbl", {Stsd({Description("mp4a")}), Stts({}), Stsc({}), Stsz(0, 0), Stco({})});
  // Written before the samples: an edit of no duration that skips 1024 units of priming.
  Bytes elst = Full("elst", 0, 0, {U32(1), U32(0), U32(1024), U32(0x10000)});
  Bytes trak = Atom("trak", {Tkhd(1), Atom("edts", {elst}),
                             Atom("mdia", {Mdhd(44100), Hdlr("soun", "", false),
                                           Atom("minf", {Dref({SelfRef()}), stbl})})});
  // Defaults: 1024 units per sample, samples are not sync samples.
  Bytes mvex = Atom("mvex", {Full("trex", 0, 0, {U32(1), U32(1), U32(1024), U32(0), U32(0x10000)})});
  Bytes ftyp = Atom("ftyp", {Text("iso6"), U32(0)});
  Bytes moov = Moov({Mvhd(), trak, mvex});
  auto moofWith = [](std::uint32_t dataOffset) {
    Bytes tfhd = Full("tfhd", 0, 0x20000, {U32(1)});  // data offsets count from the 'moof'
    // Two samples at the data offset, the first a sync sample; then one more right after them.
    Bytes run1 = Full("trun", 0, 0x205, {U32(2), U32(dataOffset), U32(0), U32(10), U32(20)});
    Bytes run2 = Full("trun", 0, 0x200, {U32(1), U32(30)});
    return Atom("moof", {Full("mfhd", 0, 0, {U32(1)}), Atom("traf", {tfhd, run1, run2})});
  };
  const std::size_t moofSize = moofWith(0).size();
  Bytes file = Cat({ftyp, moov, moofWith(std::uint32_t(moofSize + 8)), Atom("mdat", {Zeros(60)})});
  Loaded l = Load(file);
  ASSERT_EQ(l.status, noErr);
  const tvx::Track& t = *l.movie->tracks[0];
  const tvx::SampleTable& s = t.media.samples;
  ASSERT_EQ(s.sampleCount, 3u);
  const std::uint64_t data = ftyp.size() + moov.size() + moofSize + 8;
  EXPECT_EQ(s.SampleOffset(0), data);
  EXPECT_EQ(s.SampleOffset(1), data + 10);
  EXPECT_EQ(s.SampleOffset(2), data + 30);
  EXPECT_EQ(s.SampleSize(2), 30u);
  EXPECT_TRUE(s.IsSync(0));
  EXPECT_FALSE(s.IsSync(1));
  EXPECT_EQ(s.Duration(), 3072);
  // The edit now covers the media after the priming: 2048 units at 44100 is 27.9 at 600.
  ASSERT_EQ(t.edits.size(), 1u);
  EXPECT_EQ(t.edits[0].mediaTime, 1024);
  EXPECT_EQ(t.edits[0].duration, 28);
}
