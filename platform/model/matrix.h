// 3x3 transformation matrices as QuickTime stores them (QuickTime File Format, "Matrices"):
// rows a b u / c d v / tx ty w, row vectors, y pointing down. u, v, w are 2.30 Fract; the rest
// 16.16 Fixed. Arithmetic is done in double and rounded to nearest on the way back.
#pragma once

#include "../MacTypes.h"
#include "movie_model.h"  // IdentityMatrix()

namespace tvx {

struct MatrixD {
  double m[3][3];
};

MatrixD ToDouble(const MatrixRecord& record);
/// Rounds to nearest and clamps to the range of each entry's format; NaN becomes 0.
MatrixRecord ToRecord(const MatrixD& matrix);

MatrixD IdentityD();
/// a x b: a row vector goes through a first, then b.
MatrixD Multiply(const MatrixD& a, const MatrixD& b);
MatrixD TranslationD(double dx, double dy);
MatrixD ScalingD(double sx, double sy);
/// Turns the picture clockwise on screen for positive degrees (y points down).
MatrixD RotationD(double degrees);

bool IsIdentity(const MatrixRecord& m);
bool Equal(const MatrixRecord& a, const MatrixRecord& b);

/// m = m x T(-c) x S(sx, sy) x T(c); all arguments in 16.16.
void Scale(MatrixRecord& m, Fixed sx, Fixed sy, Fixed cx, Fixed cy);
/// m = m x T(-c) x R(degrees) x T(c).
void Rotate(MatrixRecord& m, Fixed degrees, Fixed cx, Fixed cy);
/// m = m x T(dx, dy).
void Translate(MatrixRecord& m, Fixed dx, Fixed dy);
/// b = a x b.
void Concat(const MatrixRecord& a, MatrixRecord& b);

/// Where the point (x, y) lands, with the projective divide when w' is not 1.
void TransformPoint(const MatrixRecord& m, double& x, double& y);

}  // namespace tvx
