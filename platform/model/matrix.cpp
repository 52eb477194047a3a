#include "matrix.h"

#include <cmath>
#include <cstdint>

namespace tvx {
namespace {

constexpr double kFixedOne = 65536.0;
constexpr double kFractOne = 1073741824.0;

bool IsFractEntry(int column) { return column == 2; }

SInt32 RoundClamped(double value) {
  if (std::isnan(value)) return 0;
  double r = std::nearbyint(value);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<SInt32>(r);
}

double FixedToDouble(Fixed f) { return f / kFixedOne; }

}  // namespace

MatrixD ToDouble(const MatrixRecord& record) {
  MatrixD d;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      d.m[r][c] = record.matrix[r][c] / (IsFractEntry(c) ? kFractOne : kFixedOne);
  return d;
}

MatrixRecord ToRecord(const MatrixD& d) {
  MatrixRecord record;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      record.matrix[r][c] = RoundClamped(d.m[r][c] * (IsFractEntry(c) ? kFractOne : kFixedOne));
  return record;
}

MatrixD IdentityD() { return MatrixD{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }

MatrixD Multiply(const MatrixD& a, const MatrixD& b) {
  MatrixD p;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      p.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
  return p;
}

MatrixD TranslationD(double dx, double dy) { return MatrixD{{{1, 0, 0}, {0, 1, 0}, {dx, dy, 1}}}; }

MatrixD ScalingD(double sx, double sy) { return MatrixD{{{sx, 0, 0}, {0, sy, 0}, {0, 0, 1}}}; }

MatrixD RotationD(double degrees) {
  // Quarter turns are exact, so rotating by 90 twice gives the same matrix as rotating by 180.
  double turn = std::fmod(degrees, 360.0);
  if (turn < 0) turn += 360.0;
  double c, s;
  if (turn == 0) {
    c = 1, s = 0;
  } else if (turn == 90) {
    c = 0, s = 1;
  } else if (turn == 180) {
    c = -1, s = 0;
  } else if (turn == 270) {
    c = 0, s = -1;
  } else {
    double radians = turn * M_PI / 180.0;
    c = std::cos(radians), s = std::sin(radians);
  }
  if (std::isnan(degrees)) c = 1, s = 0;
  return MatrixD{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

bool Equal(const MatrixRecord& a, const MatrixRecord& b) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (a.matrix[r][c] != b.matrix[r][c]) return false;
  return true;
}

bool IsIdentity(const MatrixRecord& m) { return Equal(m, IdentityMatrix()); }

void Scale(MatrixRecord& m, Fixed sx, Fixed sy, Fixed cx, Fixed cy) {
  double x = FixedToDouble(cx), y = FixedToDouble(cy);
  MatrixD about = Multiply(TranslationD(-x, -y),
                           Multiply(ScalingD(FixedToDouble(sx), FixedToDouble(sy)),
                                    TranslationD(x, y)));
  m = ToRecord(Multiply(ToDouble(m), about));
}

void Rotate(MatrixRecord& m, Fixed degrees, Fixed cx, Fixed cy) {
  double x = FixedToDouble(cx), y = FixedToDouble(cy);
  MatrixD about = Multiply(TranslationD(-x, -y),
                           Multiply(RotationD(FixedToDouble(degrees)), TranslationD(x, y)));
  m = ToRecord(Multiply(ToDouble(m), about));
}

void Translate(MatrixRecord& m, Fixed dx, Fixed dy) {
  m = ToRecord(Multiply(ToDouble(m), TranslationD(FixedToDouble(dx), FixedToDouble(dy))));
}

void Concat(const MatrixRecord& a, MatrixRecord& b) {
  b = ToRecord(Multiply(ToDouble(a), ToDouble(b)));
}

void TransformPoint(const MatrixRecord& record, double& x, double& y) {
  MatrixD d = ToDouble(record);
  double nx = x * d.m[0][0] + y * d.m[1][0] + d.m[2][0];
  double ny = x * d.m[0][1] + y * d.m[1][1] + d.m[2][1];
  double w = x * d.m[0][2] + y * d.m[1][2] + d.m[2][2];
  if (w != 0 && w != 1) nx /= w, ny /= w;
  x = nx, y = ny;
}

}  // namespace tvx
