// Appending many ranges, as a long join does, keeps lookups identical to a table rebuilt whole.
#include <gtest/gtest.h>

#include "platform/model/sample_table.h"

namespace {

tvx::SampleTable Source(std::uint32_t salt) {
  tvx::SampleTable t;
  for (std::uint32_t s = 0; s < 12; ++s)
    t.AppendSample(1000 * salt + 10 * s, 10 + s % 3, s < 6 ? 100 : 100 + salt % 2,
                   std::int32_t((s + salt) % 3) * 100, s % 4 == 0, 1, s % 5 == 0);
  t.Finalize();
  return t;
}

TEST(AppendRange, RepeatedAppendsMatchAFullRebuild) {
  tvx::SampleTable joined;
  for (std::uint32_t i = 0; i < 40; ++i) {
    tvx::SampleTable src = Source(i);
    joined.AppendRange(src, i % 5, 12 - i % 5, {1}, 600, i % 3 == 0 ? 600 : 1000);
  }
  tvx::SampleTable rebuilt = joined;
  rebuilt.Finalize();
  ASSERT_TRUE(joined.IsConsistent(1));
  EXPECT_EQ(joined.Duration(), rebuilt.Duration());
  for (std::uint32_t s = 0; s < joined.sampleCount; ++s) {
    ASSERT_EQ(joined.SampleTime(s), rebuilt.SampleTime(s)) << s;
    ASSERT_EQ(joined.SampleDuration(s), rebuilt.SampleDuration(s)) << s;
    ASSERT_EQ(joined.CompositionOffset(s), rebuilt.CompositionOffset(s)) << s;
    ASSERT_EQ(joined.SampleAtTime(joined.SampleTime(s)), rebuilt.SampleAtTime(rebuilt.SampleTime(s)));
  }
}

}  // namespace
