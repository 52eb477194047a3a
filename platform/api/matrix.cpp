// Matrix calls of the movie toolbox; the arithmetic is in platform/model/matrix.
#include "../Movies.h"
#include "../model/matrix.h"

void SetIdentityMatrix(MatrixRecord* matrix) {
  if (matrix) *matrix = tvx::IdentityMatrix();
}

void ScaleMatrix(MatrixRecord* m, Fixed scaleX, Fixed scaleY, Fixed aboutX, Fixed aboutY) {
  if (m) tvx::Scale(*m, scaleX, scaleY, aboutX, aboutY);
}

void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutX, Fixed aboutY) {
  if (m) tvx::Rotate(*m, degrees, aboutX, aboutY);
}

void TranslateMatrix(MatrixRecord* m, Fixed deltaH, Fixed deltaV) {
  if (m) tvx::Translate(*m, deltaH, deltaV);
}

void ConcatMatrix(const MatrixRecord* a, MatrixRecord* b) {
  if (a && b) tvx::Concat(*a, *b);
}

Boolean EqualMatrix(const MatrixRecord* m1, const MatrixRecord* m2) {
  if (!m1 || !m2) return m1 == m2;
  return tvx::Equal(*m1, *m2);
}
