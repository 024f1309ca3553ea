#include "core/posture_partials.h"

#include <cmath>

namespace kinelab {

namespace {

mat3 times(const mat3& A, const mat3& B) {
  mat3 C;
  mat_mul(3, A, B, C);
  return C;
}

}  // namespace

mat3 posture_rotation(const kin_state& s) {
  return times(times(rot_x(s.x), rot_y(s.y)), rot_z(s.z));
}

posture_partials posture_partials_of(const kin_state& s, int order) {
  const elementary_rotations e = elementary_rotations_of(s);
  const mat3 &X = e.X, &Y = e.Y, &Z = e.Z, &X1 = e.X1, &Y1 = e.Y1, &Z1 = e.Z1;
  const mat3 &X2 = e.X2, &Y2 = e.Y2, &Z2 = e.Z2;

  // Every product A·B·C as (A·B)·C, the order posture_matrices uses.
  const mat3 XY = times(X, Y);
  posture_partials p;
  p.R = times(XY, Z);
  if (order < 1) return p;
  const mat3 X1Y = times(X1, Y), XY1 = times(X, Y1);
  p.d[1] = times(X1Y, Z);
  p.d[2] = times(XY1, Z);
  p.d[3] = times(XY, Z1);
  if (order < 2) return p;
  p.dd(1, 1) = times(times(X2, Y), Z);
  p.dd(2, 2) = times(times(X, Y2), Z);
  p.dd(3, 3) = times(XY, Z2);
  p.dd(1, 2) = times(times(X1, Y1), Z);
  p.dd(1, 3) = times(X1Y, Z1);
  p.dd(2, 3) = times(XY1, Z1);
  return p;
}

rotation_rates posture_rates(const posture_partials& p, const kin_state& s) {
  const double w[4] = {0, s.dx, s.dy, s.dz};
  const double dw[4] = {0, s.ddx, s.ddy, s.ddz};
  rotation_rates m;
  m.R = p.R;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      double dR = 0, ddR = 0;
      for (int k = 1; k <= 3; ++k) {
        dR += p.d[k](i, j) * w[k];
        ddR += p.d[k](i, j) * dw[k];
        for (int l = 1; l <= 3; ++l) ddR += p.dd(k, l)(i, j) * (w[k] * w[l]);
      }
      m.dR(i, j) = dR;
      m.ddR(i, j) = ddR;
    }
  return m;
}

}  // namespace kinelab
