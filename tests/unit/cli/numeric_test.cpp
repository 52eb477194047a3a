// Numeric option values: integers, decimals, fractions, fixed-point rounding and clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "cli/numeric.h"

namespace {

TEST(GetFloat, ReadsIntegersDecimalsAndFractions) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"2", 2.0},       {"0.25", 0.25},    {"1e1", 10.0},    {"3/4", 0.75},
      {"-1/2", -0.5},   {"7 / 2", 3.5},    {"3abc", 3.0},    {"2/3abc", 2.0 / 3.0},
      {"1.5/2", 0.2},   {"4/0", inf},      {"-4/0", -inf},   {" 8", 8.0},
      // Not numbers: 0.
      {"", 0.0},        {"abc", 0.0},      {"/2", 0.0},      {"3/", 0.0},
      {"99999999999/2", 0.0},              {"1e999", 0.0},   {"-", 0.0},
  };
  for (const Case& c : cases) EXPECT_EQ(GetFloat(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_TRUE(std::isnan(GetFloat("0/0")));
}

TEST(GetFixed, RoundsToEvenAndClamps) {
  struct Case {
    const char* text;
    Fixed expected;
  };
  const Case cases[] = {
      {"1", 65536},
      {"0.5", 32768},
      {"-0.5", -32768},
      {"90", 90 * 65536},
      {"1/3", 21845},       // 21845.33 rounds down
      {"1/131072", 0},      // 0.5 rounds to even
      {"3/131072", 2},      // 1.5 rounds to even
      {"-1/131072", 0},
      {"32767.99998", 2147483647},
      {"40000", 0x7FFFFFFF},
      {"-40000", std::numeric_limits<Fixed>::min()},
      {"-32768", std::numeric_limits<Fixed>::min()},
      {"4/0", 0x7FFFFFFF},
      {"-4/0", std::numeric_limits<Fixed>::min()},
      {"0/0", 0},
      {"x", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(GetFixed(c.text), c.expected) << '"' << c.text << '"';
}

TEST(GetFixedAbout, ReadsTheOptionalTailAndNeverPastTheEnd) {
  struct Case {
    std::vector<std::string> args;  // args[0] is the option
    Fixed value, x, y;
    size_t cursorAfter;
  };
  const Case cases[] = {
      {{"-rotate", "90", "-about", "10", "20", "a.mov"}, 90 * 65536, 655360, 1310720, 4},
      {{"-rotate", "90", "a.mov"}, 90 * 65536, 0, 0, 1},
      {{"-rotate", "90"}, 90 * 65536, 0, 0, 1},
      // An incomplete tail is not consumed: the parser meets "-about" next.
      {{"-sscale", "2", "-about", "10"}, 2 * 65536, 0, 0, 1},
      {{"-sscale", "2", "-about"}, 2 * 65536, 0, 0, 1},
      {{"-sscale", "2", "-ABOUT", "1", "2"}, 2 * 65536, 0, 0, 1},
  };
  for (const Case& c : cases) {
    size_t cursor = 0;
    Fixed x = -1, y = -1;
    EXPECT_EQ(GetFixedAbout(c.args, cursor, x, y), c.value);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(cursor, c.cursorAfter);
  }
}

}  // namespace
