// The bounded reader and the one atom-header decoder every parser goes through.
#include <gtest/gtest.h>

#include <functional>

#include "atom_builder.h"
#include "platform/io/atom_header.h"

using namespace readtest;

TEST(ByteReader, ReadsAreAllOrNothingAndStopAtTheEnd) {
  const Bytes b = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE};
  tvx::ByteReader r(b.data(), b.size());
  std::uint32_t a = 0;
  std::int16_t c = 0;
  std::uint64_t d = 7;
  ASSERT_TRUE(r.Read(a, c));
  EXPECT_EQ(a, 0x01020304u);
  EXPECT_EQ(c, -2);
  EXPECT_FALSE(r.Read(d));
  EXPECT_EQ(d, 7u);  // untouched
  r = tvx::ByteReader(b.data(), b.size());
  EXPECT_FALSE(r.Read(a, d));  // 12 bytes asked, 6 there: nothing consumed
  EXPECT_EQ(r.Remaining(), 6u);
  tvx::ByteReader sub;
  EXPECT_FALSE(r.Sub(7, sub));
  ASSERT_TRUE(r.Sub(4, sub));
  EXPECT_EQ(sub.Size(), 4u);
  EXPECT_EQ(r.Remaining(), 2u);
  EXPECT_FALSE(sub.Skip(5));
}

TEST(AtomHeader, DecodesEverySizeForm) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::uint64_t remaining;  // room in the container from the atom's start
    OSErr status;
    std::uint64_t size;
    std::uint32_t headerSize;
  } cases[] = {
      {"32-bit", AtomSized(12, "free", {Zeros(4)}), 100, noErr, 12, 8},
      {"64-bit", Cat({U32(1), Text("mdat"), U64(24), Zeros(8)}), 100, noErr, 24, 16},
      {"64-bit past 4 GiB", Cat({U32(1), Text("mdat"), U64(5ull << 30)}), 6ull << 30, noErr, 5ull << 30, 16},
      {"zero: to the end", AtomSized(0, "mdat"), 100, noErr, 100, 8},
      {"uuid", Cat({U32(40), Text("uuid"), Zeros(16)}), 100, noErr, 40, 24},
      {"smaller than its header", AtomSized(7, "free"), 100, badPublicMovieAtom, 0, 0},
      {"64-bit smaller than its header", Cat({U32(1), Text("free"), U64(15)}), 100, badPublicMovieAtom, 0, 0},
      {"uuid smaller than its header", Cat({U32(16), Text("uuid"), Zeros(16)}), 100, badPublicMovieAtom, 0, 0},
      {"past its container", AtomSized(101, "free"), 100, badPublicMovieAtom, 0, 0},
      {"cut header", Bytes{0, 0, 0, 8, 'f'}, 5, badPublicMovieAtom, 0, 0},
      {"cut 64-bit size", Cat({U32(1), Text("mdat"), U32(0)}), 12, badPublicMovieAtom, 0, 0},
  };
  for (const Case& c : cases) {
    tvx::AtomHeader h;
    EXPECT_EQ(tvx::DecodeAtomHeader(c.bytes.data(), c.bytes.size(), c.remaining, &h), c.status) << c.what;
    if (c.status != noErr) continue;
    EXPECT_EQ(h.size, c.size) << c.what;
    EXPECT_EQ(h.headerSize, c.headerSize) << c.what;
  }
}

TEST(AtomHeader, WalkClampsChildrenAndCapsDepth) {
  // 100 containers nested in each other: a recursive walk stops at the cap with a status.
  Bytes nested = Atom("free");
  for (int i = 0; i < 100; ++i) nested = Cat({U32(8 + nested.size()), Text("deep"), nested});
  int deepest = 0;
  std::function<OSErr(tvx::ByteReader, int)> walk = [&](tvx::ByteReader r, int depth) {
    deepest = std::max(deepest, depth);
    return tvx::ForEachChildAtom(r, depth, [&](const tvx::AtomHeader&, tvx::ByteReader payload,
                                               tvx::ByteReader) { return walk(payload, depth + 1); });
  };
  EXPECT_EQ(walk(tvx::ByteReader(nested.data(), nested.size()), 0), badPublicMovieAtom);
  EXPECT_EQ(deepest, tvx::kMaxAtomDepth + 1);

  // Children never extend past their parent; trailing bytes too short for a header are padding.
  Bytes parent = Cat({Atom("aaaa", {Zeros(4)}), Atom("bbbb"), Zeros(7)});
  std::vector<std::size_t> sizes;
  EXPECT_EQ(tvx::ForEachChildAtom(tvx::ByteReader(parent.data(), parent.size()), 0,
                                  [&](const tvx::AtomHeader& h, tvx::ByteReader payload,
                                      tvx::ByteReader whole) {
                                    sizes.push_back(whole.Size());
                                    EXPECT_EQ(payload.Size(), h.PayloadSize());
                                    return OSErr(noErr);
                                  }),
            noErr);
  EXPECT_EQ(sizes, (std::vector<std::size_t>{12, 8}));
  Bytes overrun = Cat({Atom("aaaa"), AtomSized(20, "bbbb")});
  EXPECT_EQ(tvx::ForEachChildAtom(tvx::ByteReader(overrun.data(), overrun.size()), 0,
                                  [](const tvx::AtomHeader&, tvx::ByteReader, tvx::ByteReader) {
                                    return OSErr(noErr);
                                  }),
            badPublicMovieAtom);
}
