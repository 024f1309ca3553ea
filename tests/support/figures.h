#pragma once
// How closely a stated figure is held: figures are quoted to six decimals, so a value agrees
// with one when it lies within half a unit of the sixth decimal.

namespace kinelab::test {

inline constexpr double kSixDigits = 5e-7;

}  // namespace kinelab::test
