// Matrix operations: row vectors, y down, Fixed 16.16 with Fract 2.30 in the last column.
#include <gtest/gtest.h>

#include "platform/Movies.h"
#include "platform/model/matrix.h"

namespace {

constexpr Fixed k1 = fixed1;

MatrixRecord Identity() {
  MatrixRecord m;
  SetIdentityMatrix(&m);
  return m;
}

// Where a point lands, in pixels.
std::pair<double, double> Map(const MatrixRecord& m, double x, double y) {
  tvx::TransformPoint(m, x, y);
  return {x, y};
}

TEST(Matrix, IdentityKeepsFractInTheLastColumn) {
  MatrixRecord m = Identity();
  const MatrixRecord expected{{{k1, 0, 0}, {0, k1, 0}, {0, 0, fract1}}};
  EXPECT_TRUE(EqualMatrix(&m, &expected));
  // Scaling and translating leave u, v, w alone.
  ScaleMatrix(&m, 3 * k1, 2 * k1, 0, 0);
  TranslateMatrix(&m, 4 * k1, 5 * k1);
  EXPECT_EQ(m.matrix[0][2], 0);
  EXPECT_EQ(m.matrix[1][2], 0);
  EXPECT_EQ(m.matrix[2][2], fract1);
}

TEST(Matrix, RotationTurnsClockwiseOnScreen) {
  MatrixRecord m = Identity();
  RotateMatrix(&m, 90 * k1, 0, 0);
  // b = sin, c = -sin: the layout players read as a 90-degree clockwise display rotation.
  const MatrixRecord expected{{{0, k1, 0}, {-k1, 0, 0}, {0, 0, fract1}}};
  EXPECT_TRUE(EqualMatrix(&m, &expected));
  // The point right of the origin moves below it (y points down).
  EXPECT_EQ(Map(m, 1, 0), std::make_pair(0.0, 1.0));
}

TEST(Matrix, QuarterTurnsComposeExactly) {
  struct Case {
    Fixed first, second, total;
  };
  const Case cases[] = {
      {90 * k1, 90 * k1, 180 * k1},
      {90 * k1, 180 * k1, 270 * k1},
      {180 * k1, 180 * k1, 0},
      {-90 * k1, 0, 270 * k1},
      {450 * k1, 0, 90 * k1},
      {30 * k1, 60 * k1, 90 * k1},
  };
  for (const Case& c : cases) {
    MatrixRecord twice = Identity(), once = Identity();
    RotateMatrix(&twice, c.first, 0, 0);
    RotateMatrix(&twice, c.second, 0, 0);
    RotateMatrix(&once, c.total, 0, 0);
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col)
        EXPECT_NEAR(twice.matrix[r][col], once.matrix[r][col], 1)
            << c.first / k1 << " + " << c.second / k1;
  }
}

TEST(Matrix, RotationAndScaleAboutAPointKeepThatPoint) {
  MatrixRecord scaled = Identity();
  ScaleMatrix(&scaled, 2 * k1, 3 * k1, 10 * k1, 20 * k1);
  EXPECT_EQ(Map(scaled, 10, 20), std::make_pair(10.0, 20.0));
  EXPECT_EQ(Map(scaled, 11, 21), std::make_pair(12.0, 23.0));

  MatrixRecord rotated = Identity();
  RotateMatrix(&rotated, 90 * k1, 10 * k1, 20 * k1);
  EXPECT_EQ(Map(rotated, 10, 20), std::make_pair(10.0, 20.0));
  EXPECT_EQ(Map(rotated, 11, 20), std::make_pair(10.0, 21.0));
}

TEST(Matrix, ConcatAppliesTheFirstThenTheSecond) {
  MatrixRecord translate = Identity(), scale = Identity();
  TranslateMatrix(&translate, 5 * k1, 0);
  ScaleMatrix(&scale, 2 * k1, 2 * k1, 0, 0);

  MatrixRecord translateThenScale = scale;
  ConcatMatrix(&translate, &translateThenScale);
  EXPECT_EQ(Map(translateThenScale, 1, 1), std::make_pair(12.0, 2.0));

  MatrixRecord scaleThenTranslate = translate;
  ConcatMatrix(&scale, &scaleThenTranslate);
  EXPECT_EQ(Map(scaleThenTranslate, 1, 1), std::make_pair(7.0, 2.0));
  EXPECT_FALSE(EqualMatrix(&translateThenScale, &scaleThenTranslate));
}

TEST(Matrix, RoundsToNearestAndClamps) {
  MatrixRecord m = Identity();
  RotateMatrix(&m, 30 * k1, 0, 0);
  EXPECT_EQ(m.matrix[0][0], 56756);  // cos 30 x 65536 = 56755.84
  EXPECT_EQ(m.matrix[0][1], 32768);  // sin 30

  MatrixRecord big = Identity();
  ScaleMatrix(&big, 30000 * k1, 30000 * k1, 0, 0);
  ScaleMatrix(&big, 30000 * k1, 1, 0, 0);
  EXPECT_EQ(big.matrix[0][0], INT32_MAX);
  EXPECT_EQ(big.matrix[1][1], 30000 * k1 / 65536 * 1);
}

}  // namespace
