#include "core/profiles.h"

namespace kinelab {

void profile_quintic(double tau, double& s, double& ds, double& dds) {
  const double t2 = tau * tau, t3 = t2 * tau, t4 = t3 * tau, t5 = t4 * tau;
  s = 6 * t5 - 15 * t4 + 10 * t3;
  ds = 30 * t4 - 60 * t3 + 30 * t2;
  dds = 120 * t3 - 180 * t2 + 60 * tau;
}

void profile_cubic(double tau, double& s, double& ds, double& dds) {
  const double t2 = tau * tau, t3 = t2 * tau;
  s = 3 * t2 - 2 * t3;
  ds = 6 * tau - 6 * t2;
  dds = 6 - 12 * tau;
}

void profile_linear(double tau, double& s, double& ds, double& dds) {
  s = tau;
  ds = 1;
  dds = 0;
}

profile_kind profile_from_option(int selected_option) {
  if (selected_option == 0) return profile_kind::quintic;
  if (selected_option == 1) return profile_kind::cubic;
  return profile_kind::linear;
}

profile_point profile_at(profile_kind kind, int i, int N) {
  // A cycle without divisions has only its first step; it is held at τ = 0 rather than 0/0.
  const double tau = N > 0 ? double(i) / N : 0.0;
  profile_point p;
  switch (kind) {
    case profile_kind::quintic:
      profile_quintic(tau, p.s, p.ds, p.dds);
      break;
    case profile_kind::cubic:
      profile_cubic(tau, p.s, p.ds, p.dds);
      break;
    case profile_kind::linear:
      profile_linear(tau, p.s, p.ds, p.dds);
      break;
  }
  return p;
}

driven_value apply_profile(const profile_point& p, double a, double b, double T) {
  // s′ and s″ are per unit of τ = t/T, hence the divisions by T and T² for rates per second.
  const double span = b - a;
  driven_value v;
  v.q = span * p.s + a;
  v.dq = p.ds * span / T;
  v.ddq = p.dds * span / (T * T);
  return v;
}

const char* to_string(profile_kind kind) {
  switch (kind) {
    case profile_kind::quintic:
      return "quintic";
    case profile_kind::cubic:
      return "cubic";
    case profile_kind::linear:
      return "constant velocity";
  }
  return "?";
}

}  // namespace kinelab
