// Rounding words of the imaging code (round, trunc, div, mod, shr, floor, ceil): one helper each.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <concepts>
#include <limits>

namespace ox {

namespace detail {
// Float-to-integer conversion that saturates instead of being undefined for NaN or huge values.
inline int64_t SaturateToInt64(double v) {
  constexpr double kMax = 9223372036854774784.0;  // largest double below 2^63
  if (std::isnan(v)) return 0;
  if (v >= kMax) return std::numeric_limits<int64_t>::max();
  if (v <= -kMax) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}
}  // namespace detail

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline int64_t Round(double v) {
  double r = std::trunc(v);
  const double frac = v - r;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  else if (frac < -0.5 || (frac == -0.5 && std::fmod(r, 2.0) != 0.0)) r -= 1.0;
  return detail::SaturateToInt64(r);
}

// Integer part, toward zero (-2.7 -> -2).
inline int64_t Trunc(double v) { return detail::SaturateToInt64(std::trunc(v)); }

// Integer part as an int, saturated at the int range: for header values (resolutions) stored as reals.
inline int TruncToInt(double v) {
  constexpr int64_t lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(Trunc(v), lo, hi));
}

// Largest integer not above v (-2.1 -> -3).
inline int64_t Floor(double v) { return detail::SaturateToInt64(std::floor(v)); }

// Smallest integer not below v (-2.9 -> -2).
inline int64_t Ceil(double v) { return detail::SaturateToInt64(std::ceil(v)); }

// Integer quotient truncated toward zero (-7 div 2 = -3); the caller guarantees b != 0.
template <std::signed_integral T>
constexpr T Div(T a, T b) { return a / b; }

// Remainder with the sign of the dividend (-7 mod 2 = -1); the caller guarantees b != 0.
template <std::signed_integral T>
constexpr T Mod(T a, T b) { return a % b; }

// Arithmetic right shift: the sign is kept (-7 shr 1 = -4); n must be below the width of T.
template <std::signed_integral T>
constexpr T Shr(T v, int n) { return v >> n; }

}  // namespace ox
