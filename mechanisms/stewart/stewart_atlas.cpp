// The Stewart platform for the workspace atlas: the leg lengths of stewart_legs and the
// Jacobian of stewart_jacobian, to the bit, without the rates and the second-order table that
// the atlas does not need.
#include <tbb/enumerable_thread_specific.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/leg_length.h"
#include "core/posture_partials.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

// R and ∂R/∂θ at the last posture (α, β, γ) asked for, formed again only when it changes: a
// position atlas holds one posture for every cell.
class posture_cache {
 public:
  const posture_partials& at(const double* s) {
    if (!(a_ == s[0] && b_ == s[1] && c_ == s[2])) {
      a_ = s[0], b_ = s[1], c_ = s[2];
      p_ = posture_partials_of(kin_state{s[0], 0, 0, s[1], 0, 0, s[2], 0, 0}, 1);
    }
    return p_;
  }

 private:
  double a_ = std::numeric_limits<double>::quiet_NaN(), b_ = 0, c_ = 0;
  posture_partials p_;
};

// The atlas evaluates its cells on every core at once: each worker thread keeps a cache of its
// own, made on its first cell and kept as long as the description that owns them.
using posture_caches = tbb::enumerable_thread_specific<posture_cache>;

}  // namespace

// L_j = |l| and J(j, k) = (l·l_k)/L with l_k = e_k for the position and R_k·a for the angles,
// the operations of stewart_legs and stewart_jacobian.
std::optional<atlas_mechanism> stewart_logic::atlas() const {
  atlas_mechanism m = atlas_frame();
  const stewart_geometry g = geometry_;
  add_identity(m.identity, g);
  const auto caches = std::make_shared<posture_caches>();
  m.inverse = [g, caches](const double* q, double* a) {
    const posture_partials& p = caches->local().at(q + 3);
    bool zero = false;
    for (int j = 1; j <= stewart_leg_count; ++j) {
      vec3 aj;  // the platform joint, platform frame
      const leg_vector leg = stewart_leg_at(g, j, q[0], q[1], q[2], p.R, aj);
      a[j - 1] = leg.L;
      zero = zero || leg.zero_length;
    }
    return zero ? cell_state::no_assembly : cell_state::reachable;
  };
  m.jacobian = [g, caches](const double* q, jacobian_matrix& J) {
    for (int k = 0; k < 6; ++k)
      if (!std::isfinite(q[k])) return false;
    J.rows = J.cols = stewart_leg_count;
    return stewart_jacobian_from_partials(g, q[0], q[1], q[2], caches->local().at(q + 3), J.m);
  };
  return m;
}

}  // namespace kinelab
