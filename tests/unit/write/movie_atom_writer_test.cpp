// The movie atom on a small synthetic movie, checked byte by byte.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

#include "box_tree.h"
#include "platform/write/edit_list_writer.h"
#include "platform/write/movie_atom_writer.h"
#include "synthetic_movie.h"

using namespace write_test;

namespace {

struct Written {
  std::vector<std::uint8_t> bytes;
  Box moov;
};

Written Write(const tvx::Movie& movie, tvx::MovieAtomOptions options = {}) {
  Written w;
  if (options.outputPath.empty()) options.outputPath = "/work/out/ref.mov";
  EXPECT_EQ(tvx::BuildMovieAtom(movie, options, &w.bytes), noErr);
  std::vector<Box> top;
  std::string error;
  EXPECT_TRUE(ParseBoxes(w.bytes, 0, w.bytes.size(), &top, &error)) << error;
  EXPECT_EQ(top.size(), 1u);
  if (!top.empty()) w.moov = top.front();
  return w;
}

std::string TypeAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::string(b.begin() + long(at), b.begin() + long(at) + 4);
}

}  // namespace

TEST(MovieAtomWriter, LaysOutEveryBoxOfATwoTrackMovie) {
  auto movie = NewMovie();
  tvx::Track* video = AddVideoTrack(*movie, "/work/media/a.mov");
  AddSoundTrack(*movie, "/work/media/a.mov");
  video->userData.items.push_back({FOUR_CHAR_CODE("name"), {'c', 'a', 'm'}});
  movie->userData.items.push_back({FOUR_CHAR_CODE("\xA9" "nam"), {0, 1, 0, 0, 'x'}});
  Written w = Write(*movie);
  const auto& b = w.bytes;

  const Box* mvhd = w.moov.Find("mvhd");
  ASSERT_NE(mvhd, nullptr);
  EXPECT_EQ(b[mvhd->body], 0);                        // version 0: times fit
  EXPECT_EQ(U32(b, mvhd->body + 12), 600u);           // time scale
  EXPECT_EQ(U32(b, mvhd->body + 16), 120u);           // longest track
  EXPECT_EQ(U32(b, mvhd->body + 96), 3u);             // next track ID
  ASSERT_NE(w.moov.Find("udta/\xA9nam"), nullptr);

  auto traks = w.moov.All("trak");
  ASSERT_EQ(traks.size(), 2u);
  const Box* vt = traks[0];
  const Box* tkhd = vt->Find("tkhd");
  EXPECT_EQ(U32(b, tkhd->body) & 0xFFFFFF, 3u);       // enabled, in movie
  EXPECT_EQ(U32(b, tkhd->body + 12), 1u);             // ID
  EXPECT_EQ(U32(b, tkhd->body + 20), 120u);           // duration in movie time
  EXPECT_EQ(U32(b, tkhd->body + 76), 320u << 16);     // width
  EXPECT_EQ(U32(b, traks[1]->Find("tkhd")->body + 12), 2u);
  EXPECT_EQ(U16(b, traks[1]->Find("tkhd")->body + 34), 1u);      // alternate group
  EXPECT_EQ(U16(b, traks[1]->Find("tkhd")->body + 36), 0x100u);  // volume
  ASSERT_NE(vt->Find("udta/name"), nullptr);

  const Box* mdhd = vt->Find("mdia/mdhd");
  EXPECT_EQ(U32(b, mdhd->body + 12), 30u);
  EXPECT_EQ(U32(b, mdhd->body + 16), 6u);
  const Box* hdlr = vt->Find("mdia/hdlr");
  EXPECT_EQ(TypeAt(b, hdlr->body + 4), "mhlr");
  EXPECT_EQ(TypeAt(b, hdlr->body + 8), "vide");
  EXPECT_EQ(b[hdlr->body + 24], 5);                   // Pascal "Video"
  EXPECT_EQ(hdlr->size, 8u + 24 + 1 + 5);
  ASSERT_NE(vt->Find("mdia/minf/vmhd"), nullptr);     // default header when none was read
  ASSERT_NE(traks[1]->Find("mdia/minf/smhd"), nullptr);
  const Box* dhlr = vt->Find("mdia/minf/hdlr");
  ASSERT_NE(dhlr, nullptr);
  EXPECT_EQ(TypeAt(b, dhlr->body + 4), "dhlr");
  EXPECT_EQ(TypeAt(b, dhlr->body + 8), "alis");

  const Box* stbl = vt->Find("mdia/minf/stbl");
  ASSERT_NE(stbl, nullptr);
  std::vector<std::string> order;
  for (const Box& c : stbl->children) order.push_back(c.type);
  EXPECT_EQ(order, (std::vector<std::string>{"stsd", "stts", "ctts", "stss", "stsc", "stsz", "stco"}));
  const Box* stts = stbl->Find("stts");
  EXPECT_EQ(U32(b, stts->body + 4), 1u);              // one run of 6 x 1
  const Box* stss = stbl->Find("stss");
  EXPECT_EQ(U32(b, stss->body + 4), 2u);
  EXPECT_EQ(U32(b, stss->body + 8), 1u);              // 1-based
  EXPECT_EQ(U32(b, stss->body + 12), 4u);
  const Box* stsc = stbl->Find("stsc");
  EXPECT_EQ(U32(b, stsc->body + 4), 1u);              // 3 chunks of 2 merge into one entry
  EXPECT_EQ(U32(b, stsc->body + 12), 2u);
  const Box* stsz = stbl->Find("stsz");
  EXPECT_EQ(U32(b, stsz->body + 4), 0u);              // sizes differ: a table
  EXPECT_EQ(U32(b, stsz->body + 8), 6u);
  EXPECT_EQ(U32(b, stsz->body + 12 + 5 * 4), 15u);
  const Box* stco = stbl->Find("stco");
  EXPECT_EQ(U32(b, stco->body + 4), 3u);
  EXPECT_EQ(U32(b, stco->body + 16), 1400u);

  const Box* soundStbl = traks[1]->Find("mdia/minf/stbl");
  EXPECT_EQ(soundStbl->Find("ctts"), nullptr);        // no offsets
  EXPECT_EQ(soundStbl->Find("stss"), nullptr);        // all sync
  EXPECT_EQ(U32(b, soundStbl->Find("stsz")->body + 4), 4u);  // constant size
  EXPECT_EQ(soundStbl->Find("stsz")->size, 20u);
}

TEST(MovieAtomWriter, NegativeCompositionOffsetsNeedCttsVersion1) {
  auto movie = NewMovie();
  tvx::Track* t = AddVideoTrack(*movie, "/work/media/a.mov");
  t->media.samples.compositionOffsets = {{1, -1}, {5, 0}};
  t->media.samples.Finalize();
  Written w = Write(*movie);
  const Box* ctts = w.moov.Find("trak/mdia/minf/stbl/ctts");
  ASSERT_NE(ctts, nullptr);
  EXPECT_EQ(w.bytes[ctts->body], 1);
  EXPECT_EQ(U32(w.bytes, ctts->body + 12), 0xFFFFFFFFu);
}

// Edits can leave empty runs, equal neighbouring runs and chunks of no samples in the model;
// the tables are written without them, chunks renumbered over the ones that hold samples.
TEST(MovieAtomWriter, WritesRunsMergedAndSkipsEmptyChunks) {
  auto movie = NewMovie();
  tvx::Track* t = AddVideoTrack(*movie, "/work/media/a.mov");
  tvx::SampleTable& s = t->media.samples;
  s = {};
  s.sampleCount = 6;
  s.sizes = {1, 2, 3, 4, 5, 6};
  s.durations = {{2, 10}, {0, 7}, {3, 10}, {1, 20}};
  s.compositionOffsets = {{2, 5}, {0, 9}, {1, 5}, {3, -2}};
  s.chunks = {{100, 0, 1}, {200, 2, 1}, {300, 2, 1}, {400, 4, 1}, {500, 5, 1}};
  s.Finalize();
  Written w = Write(*movie);
  const auto& b = w.bytes;
  const Box* stbl = w.moov.Find("trak/mdia/minf/stbl");
  ASSERT_NE(stbl, nullptr);

  auto entries = [&](const char* type, std::size_t width) {
    const Box* box = stbl->Find(type);
    EXPECT_NE(box, nullptr) << type;
    std::vector<std::uint32_t> values;
    if (box == nullptr) return values;
    const std::uint32_t count = U32(b, box->body + 4);
    EXPECT_EQ(box->size, 16 + std::size_t(count) * width * 4) << type;
    for (std::size_t i = 0; i < count * width; ++i) values.push_back(U32(b, box->body + 8 + 4 * i));
    return values;
  };
  EXPECT_EQ(entries("stts", 2), (std::vector<std::uint32_t>{5, 10, 1, 20}));
  EXPECT_EQ(b[stbl->Find("ctts")->body], 1);  // a negative offset
  EXPECT_EQ(entries("ctts", 2), (std::vector<std::uint32_t>{3, 5, 3, 0xFFFFFFFEu}));
  EXPECT_EQ(entries("stsc", 3), (std::vector<std::uint32_t>{1, 2, 1, 3, 1, 1}));
  EXPECT_EQ(entries("stco", 1), (std::vector<std::uint32_t>{100, 300, 400, 500}));
}

TEST(MovieAtomWriter, ChoosesCo64ByTheLargestOffset) {
  struct Case {
    const char* name;
    std::vector<std::uint64_t> offsets;
    const char* box;
  };
  const Case cases[] = {
      {"all small", {8, 4096, 100000}, "stco"},
      {"exactly 32 bits", {0xFFFFFFFFull, 8}, "stco"},
      {"large in a middle chunk", {8, 0x100000010ull, 64}, "co64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto movie = NewMovie();
    tvx::Track* t = AddSoundTrack(*movie, "/work/media/a.mov");
    tvx::SampleTable& s = t->media.samples;
    s = {};
    for (std::size_t i = 0; i < c.offsets.size(); ++i) s.AppendSample(c.offsets[i], 4, 2, 0, true, 1, true);
    s.Finalize();
    Written w = Write(*movie);
    const Box* table = w.moov.Find(std::string("trak/mdia/minf/stbl/") + c.box);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(U32(w.bytes, table->body + 4), c.offsets.size());
    for (std::size_t i = 0; i < c.offsets.size(); ++i) {
      std::uint64_t v = std::string(c.box) == "co64" ? U64(w.bytes, table->body + 8 + 8 * i)
                                                     : U32(w.bytes, table->body + 8 + 4 * i);
      EXPECT_EQ(v, c.offsets[i]);
    }
  }
}

TEST(MovieAtomWriter, RenumbersTrackIdsAndTheirReferences) {
  auto movie = NewMovie();
  tvx::Track* video = AddVideoTrack(*movie, "/work/media/a.mov");
  tvx::Track* text = AddSoundTrack(*movie, "/work/media/a.mov");
  tvx::Track* sound = AddSoundTrack(*movie, "/work/media/a.mov");
  video->id = 7;
  text->id = 3;
  sound->id = 12;
  tvx::Track gone;  // a track no longer in the movie
  video->references.push_back({FOUR_CHAR_CODE("chap"), {sound, text}});
  video->references.push_back({FOUR_CHAR_CODE("sync"), {&gone}});
  Written w = Write(*movie);
  auto traks = w.moov.All("trak");
  ASSERT_EQ(traks.size(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(U32(w.bytes, traks[i]->Find("tkhd")->body + 12), i + 1);
  const Box* tref = traks[0]->Find("tref");
  ASSERT_NE(tref, nullptr);
  ASSERT_EQ(tref->children.size(), 1u);  // the reference to a missing track is dropped
  const Box* chap = tref->Find("chap");
  ASSERT_EQ(chap->size, 16u);
  EXPECT_EQ(U32(w.bytes, chap->body), 3u);
  EXPECT_EQ(U32(w.bytes, chap->body + 4), 2u);
  EXPECT_EQ(traks[1]->Find("tref"), nullptr);
}

TEST(EditListWriter, DropsAndMergesEdits) {
  const Fixed half = fixed1 / 2;
  struct Case {
    const char* name;
    std::vector<tvx::Edit> in;
    std::vector<tvx::Edit> out;
  };
  // Movie time scale 600, media time scale 1200: 600 movie units span 1200 media units at rate 1.
  const Case cases[] = {
      {"zero durations dropped", {{0, 5, fixed1}, {600, 0, fixed1}, {0, -1, fixed1}}, {{600, 0, fixed1}}},
      {"continuing edits merge", {{600, 0, fixed1}, {300, 1200, fixed1}}, {{900, 0, fixed1}}},
      {"a gap in media time stays", {{600, 0, fixed1}, {300, 1300, fixed1}}, {{600, 0, fixed1}, {300, 1300, fixed1}}},
      {"rates must match", {{600, 0, half}, {300, 600, fixed1}}, {{600, 0, half}, {300, 600, fixed1}}},
      {"continuing at half rate", {{600, 0, half}, {300, 600, half}}, {{900, 0, half}}},
      {"trailing empty edits dropped", {{600, 0, fixed1}, {100, -1, fixed1}, {50, -1, fixed1}}, {{600, 0, fixed1}}},
      {"leading empty edits kept and merged", {{100, -1, fixed1}, {50, -1, fixed1}, {600, 0, fixed1}},
       {{150, -1, fixed1}, {600, 0, fixed1}}},
      {"only empty edits", {{100, -1, fixed1}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<tvx::Edit> got = tvx::EditsToWrite(c.in, 600, 1200);
    ASSERT_EQ(got.size(), c.out.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].duration, c.out[i].duration);
      EXPECT_EQ(got[i].mediaTime, c.out[i].mediaTime);
      EXPECT_EQ(got[i].rate, c.out[i].rate);
    }
  }
}

TEST(MovieAtomWriter, WritesVersion1WhereValuesNeed64Bits) {
  auto movie = NewMovie();
  tvx::Track* t = AddSoundTrack(*movie, "/work/media/a.mov");
  t->edits = {{0x100000000ll, 0, fixed1}};
  Written w = Write(*movie);
  const auto& b = w.bytes;
  const Box* elst = w.moov.Find("trak/edts/elst");
  ASSERT_NE(elst, nullptr);
  EXPECT_EQ(b[elst->body], 1);
  EXPECT_EQ(elst->size, 8u + 8 + 20);
  EXPECT_EQ(U64(b, elst->body + 8), 0x100000000ull);
  const Box* mvhd = w.moov.Find("mvhd");
  EXPECT_EQ(b[mvhd->body], 1);
  EXPECT_EQ(U64(b, mvhd->body + 24), 0x100000000ull);
  EXPECT_EQ(b[w.moov.Find("trak/tkhd")->body], 1);
}

TEST(MovieAtomWriter, RefusesInconsistentSampleTables) {
  auto movie = NewMovie();
  tvx::Track* t = AddSoundTrack(*movie, "/work/media/a.mov");
  t->media.samples.chunks.front().descIndex = 2;  // only one description
  std::vector<std::uint8_t> out;
  EXPECT_EQ(tvx::BuildMovieAtom(*movie, {"/work/out/ref.mov", false, false}, &out), invalidSampleTable);
}

TEST(MovieAtomWriter, CompressedAtomInflatesToThePlainOne) {
  ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  auto movie = NewMovie();
  AddVideoTrack(*movie, "/work/media/a.mov");
  Written plain = Write(*movie);
  Written packed = Write(*movie, {"/work/out/ref.mov", true, false});
  ::unsetenv("SOURCE_DATE_EPOCH");
  const Box* dcom = packed.moov.Find("cmov/dcom");
  const Box* cmvd = packed.moov.Find("cmov/cmvd");
  ASSERT_NE(dcom, nullptr);
  ASSERT_NE(cmvd, nullptr);
  EXPECT_EQ(TypeAt(packed.bytes, dcom->body), "zlib");
  uLongf size = U32(packed.bytes, cmvd->body);
  ASSERT_EQ(size, plain.bytes.size());
  std::vector<std::uint8_t> inflated(size);
  ASSERT_EQ(uncompress(inflated.data(), &size, packed.bytes.data() + cmvd->body + 4,
                       uLong(cmvd->size - 12)),
            Z_OK);
  EXPECT_EQ(inflated, plain.bytes);
}

TEST(MovieAtomWriter, IsoFlavourWritesCStringNamesAndUrlSelfReferences) {
  auto movie = NewMovie();
  tvx::Track* t = AddVideoTrack(*movie, "/work/out/movie.mp4");
  t->extraAtoms.push_back({0, 0, 0, 8, 'l', 'o', 'a', 'd'});
  Written w = Write(*movie, {"/work/out/movie.mp4", false, true});
  const auto& b = w.bytes;
  const Box* hdlr = w.moov.Find("trak/mdia/hdlr");
  EXPECT_EQ(U32(b, hdlr->body + 4), 0u);
  EXPECT_EQ(std::string(b.begin() + long(hdlr->body) + 24, b.begin() + long(hdlr->offset + hdlr->size)),
            std::string("Video\0", 6));
  EXPECT_EQ(w.moov.Find("trak/mdia/minf/hdlr"), nullptr);
  EXPECT_EQ(w.moov.Find("trak/load"), nullptr);
  const Box* url = w.moov.Find("trak/mdia/minf/dinf/dref/url ");
  ASSERT_NE(url, nullptr);
  EXPECT_EQ(U32(b, url->body), 1u);
}
