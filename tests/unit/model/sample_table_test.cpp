#include "platform/model/sample_table.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

// Ten samples of 100 bytes, duration 10, in chunks of 4, 4 and 2, sync at 0 and 5.
SampleTable TenSamples() {
  SampleTable t;
  t.sampleCount = 10;
  t.chunks = {{1000, 0, 1}, {5000, 4, 1}, {9000, 8, 2}};
  t.constantSize = 100;
  t.durations = {{10, 10}};
  t.allSync = false;
  t.syncSamples = {0, 5};
  t.Finalize();
  return t;
}

TEST(SampleTable, LookupsFollowTheRunLengthTables) {
  SampleTable t = TenSamples();
  ASSERT_TRUE(t.IsConsistent(2));
  EXPECT_EQ(t.Duration(), 100);
  struct Case {
    std::uint32_t sample;
    std::uint64_t offset;
    std::int64_t time;
    std::uint32_t chunk;
    std::uint32_t desc;
    std::uint32_t sync;
  };
  for (const Case& c : {Case{0, 1000, 0, 0, 1, 0}, Case{3, 1300, 30, 0, 1, 0},
                        Case{4, 5000, 40, 1, 1, 0}, Case{6, 5200, 60, 1, 1, 5},
                        Case{9, 9100, 90, 2, 2, 5}}) {
    SCOPED_TRACE(c.sample);
    EXPECT_EQ(t.SampleOffset(c.sample), c.offset);
    EXPECT_EQ(t.SampleTime(c.sample), c.time);
    EXPECT_EQ(t.ChunkIndexOf(c.sample), c.chunk);
    EXPECT_EQ(t.DescriptionIndex(c.sample), c.desc);
    EXPECT_EQ(t.SyncAtOrBefore(c.sample), c.sync);
    EXPECT_EQ(t.SampleAtTime(c.time), c.sample);
    EXPECT_EQ(t.SampleAtTime(c.time + 9), c.sample);
  }
  EXPECT_EQ(t.SampleAtTime(1000), 9u);  // past the end: the last sample
}

TEST(SampleTable, InconsistentTablesAreDetected) {
  SampleTable counts = TenSamples();
  counts.durations = {{9, 10}};
  EXPECT_FALSE(counts.IsConsistent(2));
  SampleTable desc = TenSamples();
  EXPECT_FALSE(desc.IsConsistent(1));  // chunk 3 names description 2
  SampleTable order = TenSamples();
  order.chunks[1].firstSample = 12;
  EXPECT_FALSE(order.IsConsistent(2));
  SampleTable sync = TenSamples();
  sync.syncSamples = {5, 5};
  EXPECT_FALSE(sync.IsConsistent(2));
}

TEST(SampleTable, AppendRangeStartsMidChunkAndKeepsSyncAndDescriptions) {
  SampleTable src = TenSamples();
  SampleTable dst;
  dst.AppendRange(src, 3, 6, {7, 8}, 600, 600);  // samples 3..8
  ASSERT_TRUE(dst.IsConsistent(8));
  EXPECT_EQ(dst.sampleCount, 6u);
  ASSERT_EQ(dst.chunks.size(), 3u);
  EXPECT_EQ(dst.SampleOffset(0), 1300u);  // sample 3 of the source
  EXPECT_EQ(dst.SampleOffset(1), 5000u);
  EXPECT_EQ(dst.SampleOffset(5), 9000u);
  EXPECT_EQ(dst.DescriptionIndex(0), 7u);
  EXPECT_EQ(dst.DescriptionIndex(5), 8u);
  EXPECT_FALSE(dst.allSync);
  EXPECT_EQ(dst.syncSamples, std::vector<std::uint32_t>({2}));  // source sample 5
  EXPECT_EQ(dst.Duration(), 60);

  // A second append keeps the first part's samples addressable.
  dst.AppendRange(src, 0, 2, {7, 8}, 600, 600);
  EXPECT_EQ(dst.sampleCount, 8u);
  EXPECT_EQ(dst.SampleOffset(6), 1000u);
  EXPECT_EQ(dst.SampleOffset(7), 1100u);
  EXPECT_EQ(dst.syncSamples, std::vector<std::uint32_t>({2, 6}));
}

TEST(SampleTable, AppendRangeConvertsTimeScalesWithoutDrift) {
  // 1000 samples of 1001/30000 s (29.97 fps) into a media of time scale 600.
  SampleTable src;
  src.sampleCount = 1000;
  src.chunks = {{0, 0, 1}};
  src.constantSize = 10;
  src.durations = {{1000, 1001}};
  src.Finalize();
  SampleTable dst;
  dst.AppendRange(src, 0, 1000, {1}, 30000, 600);
  // Total is the rounded whole, not 1000 x round(20.02).
  EXPECT_EQ(dst.Duration(), 20020);
  EXPECT_EQ(dst.SampleTime(500), 10010);
}

TEST(SampleTable, MixedSizesExpandToAPerSampleTable) {
  SampleTable dst;
  dst.AppendSample(0, 100, 10, 0, true, 1, true);
  dst.AppendSample(100, 100, 10, 0, false, 1, false);
  dst.AppendSample(200, 50, 10, 5, true, 1, false);
  dst.Finalize();
  ASSERT_TRUE(dst.IsConsistent(1));
  EXPECT_EQ(dst.SampleSize(0), 100u);
  EXPECT_EQ(dst.SampleSize(2), 50u);
  EXPECT_EQ(dst.SampleOffset(2), 200u);
  EXPECT_EQ(dst.CompositionOffset(0), 0);
  EXPECT_EQ(dst.CompositionOffset(2), 5);
  EXPECT_FALSE(dst.IsSync(1));
  EXPECT_TRUE(dst.IsSync(2));
  EXPECT_EQ(dst.chunks.size(), 1u);
}

TEST(SampleTable, ZeroSizedFirstSampleKeepsOneSizePerSample) {
  SampleTable t;
  t.AppendSample(0, 0, 10, 0, true, 1, true);
  t.AppendSample(0, 0, 10, 0, true, 1, false);
  t.AppendSample(0, 7, 10, 0, true, 1, false);
  t.Finalize();
  EXPECT_TRUE(t.IsConsistent(1));
  EXPECT_EQ(t.sizes, std::vector<std::uint32_t>({0, 0, 7}));
}

}  // namespace
}  // namespace tvx
