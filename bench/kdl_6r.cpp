// The 6R inverse step of a peer library made for it: orocos KDL's Newton–Raphson position
// solver (eps 1e-3, at most 10 iterations) followed by its pseudo-inverse velocity solver for
// the joint rates, on the default 6R arm built as a KDL chain, along the same path from the
// same first guess as nr_step_6r_inverse. KDL finds angles and rates only; kinelab's step also
// finds the joint accelerations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainiksolverpos_nr.hpp>
#include <kdl/chainiksolvervel_pinv.hpp>
#include <random>
#include <vector>

#include "bench/paths.h"
#include "core/angles.h"
#include "core/posture.h"

namespace kinelab::bench {

namespace {

constexpr int joints = 6;
constexpr int links = 7;
constexpr double kdl_eps = 1e-3;
constexpr unsigned kdl_max_iterations = 10;
// Both are exact products of the same rotations; they differ by rounding only.
constexpr double same_pose_tolerance = 1e-12;

// Per link: a fixed segment placing the link's frame (offset h, twist Rx(α)·Ry(β)), then the
// joint turning about that frame's z axis; the tool point P as a last fixed segment.
KDL::Chain kdl_chain(const serial_arm& arm) {
  KDL::Chain chain;
  for (int k = 1; k <= joints; ++k) {
    const KDL::Frame fixed(KDL::Rotation::RotX(arm.alfa(k)) * KDL::Rotation::RotY(arm.beta(k)),
                           KDL::Vector(arm.hx(k), arm.hy(k), arm.hz(k)));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::None), fixed));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ)));
  }
  chain.addSegment(
      KDL::Segment(KDL::Joint(KDL::Joint::None),
                   KDL::Frame(KDL::Vector(arm.hx(links), arm.hy(links), arm.hz(links)))));
  return chain;
}

// The tool frame of the chain: P and R = R_1·…·R_7.
void chain_tool(const serial_arm& arm, const link_array& the, vec3& P, mat3& R) {
  const link_array none;
  const kin_state p =
      chain_point(links, arm.hx, arm.hy, arm.hz, arm.alfa, arm.beta, the, none, none, kin_state{});
  P(1) = p.x, P(2) = p.y, P(3) = p.z;
  mat_identity(3, R);
  for (int k = 1; k <= links; ++k)
    mat_mul(3, R, rotation_matrix(arm.alfa(k), arm.beta(k), the(k)), R);
}

// Largest difference between the two tool frames over random angles.
double largest_pose_difference(const serial_arm& arm, const KDL::Chain& chain) {
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<double> angle(-pi, pi);
  KDL::ChainFkSolverPos_recursive fk(chain);
  double worst = 0;
  for (int trial = 0; trial < 1000; ++trial) {
    link_array the;
    KDL::JntArray q(joints);
    for (int k = 1; k <= joints; ++k) q(k - 1) = the(k) = angle(rng);
    vec3 P;
    mat3 R;
    chain_tool(arm, the, P, R);
    KDL::Frame f;
    fk.JntToCart(q, f);
    for (int r = 1; r <= 3; ++r) {
      worst = std::fmax(worst, std::fabs(f.p(r - 1) - P(r)));
      for (int c = 1; c <= 3; ++c) worst = std::fmax(worst, std::fabs(f.M(r - 1, c - 1) - R(r, c)));
    }
  }
  return worst;
}

KDL::Frame goal_frame(const kin_state& p, const kin_state& s) {
  return KDL::Frame(KDL::Rotation::RotX(s.x) * KDL::Rotation::RotY(s.y) * KDL::Rotation::RotZ(s.z),
                    KDL::Vector(p.x, p.y, p.z));
}

// The twist of the goal: P's velocity and the angular velocity of R = Rx(α)·Ry(β)·Rz(γ),
// ω = α̇·x + β̇·Rx(α)·y + γ̇·Rx(α)·Ry(β)·z, both in base axes.
KDL::Twist goal_twist(const kin_state& p, const kin_state& s) {
  const KDL::Rotation X = KDL::Rotation::RotX(s.x);
  const KDL::Rotation XY = X * KDL::Rotation::RotY(s.y);
  const KDL::Vector w = s.dx * KDL::Vector(1, 0, 0) + s.dy * (X * KDL::Vector(0, 1, 0)) +
                        s.dz * (XY * KDL::Vector(0, 0, 1));
  return KDL::Twist(KDL::Vector(p.dx, p.dy, p.dz), w);
}

struct kdl_step_result {
  int status = 0;
  KDL::JntArray q, qdot;
};

class kdl_arm {
 public:
  explicit kdl_arm(const serial_arm& arm)
      : chain_(kdl_chain(arm)),
        fk_(chain_),
        vel_(chain_),
        pos_(chain_, fk_, vel_, kdl_max_iterations, kdl_eps),
        rates_(chain_) {}
  const KDL::Chain& chain() const { return chain_; }

  // Angles from `start`, then the joint rates at those angles.
  void step(const KDL::JntArray& start, const kin_state& p, const kin_state& s,
            kdl_step_result& out) {
    out.status = pos_.CartToJnt(start, goal_frame(p, s), out.q);
    rates_.CartToJnt(out.q, goal_twist(p, s), out.qdot);
  }

 private:
  KDL::Chain chain_;
  KDL::ChainFkSolverPos_recursive fk_;
  KDL::ChainIkSolverVel_pinv vel_;
  KDL::ChainIkSolverPos_NR pos_;
  KDL::ChainIkSolverVel_pinv rates_;
};

void kdl_step_6r_inverse(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  kdl_arm kdl(p.arm);
  if (const double d = largest_pose_difference(p.arm, kdl.chain()); d > same_pose_tolerance) {
    std::fprintf(stderr, "kinelab_bench: KDL's chain differs from the arm by %g\n", d);
    return state.SkipWithError("KDL's chain is not the arm");
  }
  // KDL's own solution along the path, each step from its previous one; step 0 from the same
  // first guess as the window (20° at every joint).
  const std::size_t steps = p.goal_p.size();
  std::vector<KDL::JntArray> solution(steps, KDL::JntArray(joints));
  KDL::JntArray guess(joints);
  for (int k = 0; k < joints; ++k) guess(k) = rad(six_axis_first_guess_deg);
  int unconverged = 0;
  kdl_step_result r;
  r.q.resize(joints), r.qdot.resize(joints);
  for (std::size_t i = 0; i < steps; ++i) {
    kdl.step(i == 0 ? guess : solution[i - 1], p.goal_p[i], p.goal_s[i], r);
    solution[i] = r.q;
    unconverged += r.status < 0;
  }
  std::size_t i = 0;
  for (auto _ : state) {
    i = i + 1 == steps ? 1 : i + 1;
    kdl.step(solution[i - 1], p.goal_p[i], p.goal_s[i], r);
    benchmark::DoNotOptimize(r.qdot.data.data());
  }
  state.counters["unconverged_steps"] = unconverged;
}
BENCHMARK(kdl_step_6r_inverse);

}  // namespace

}  // namespace kinelab::bench
