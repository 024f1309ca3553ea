#pragma once
// The three function-test windows: small forms that exercise the numerical core by hand.
// A button reads the input fields, computes and writes the output fields; the windows keep no
// state between presses, have no timer and draw nothing.
#include <memory>

#include "app/window/window_model.h"

namespace kinelab {

// "zahyou_henkan": a point with velocity and acceleration between the static frame and a frame
// turned by a posture with rates about the same origin; shows [T] = Rᵀ, [dT], [ddT].
std::unique_ptr<window_model> make_test_zahyou();
// "kakudo": posture angles with rates → R, Ṙ, R̈ → posture angles with rates.
std::unique_ptr<window_model> make_test_kakudo();
// "newton": nine Newton–Raphson steps on f(x) = x² − sin x = 0.
std::unique_ptr<window_model> make_test_newton();

}  // namespace kinelab
