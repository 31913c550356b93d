#pragma once

// Table-driven saturation curves of the effect.
//
// Each curve is static and memoryless, odd-symmetric around zero, and maps an input
// magnitude through one of two 200-point tables spaced 1/1990 apart (inputs 0 to 0.1);
// beyond 0.1 the curve holds the table's last value. Near zero the slope is about 0.936.
// All functions are pure, thread-safe, allocation-free and safe for any input: infinities,
// NaNs and magnitudes from 2^31/1990 upward give a zero carrying the input's sign bit.

#include <climits>
#include <cmath>

// Output magnitudes for input magnitudes k/1990, k = 0..199, as 32-bit floats.
// tesk_table serves positive inputs, tesk_neg_table negative ones (see Tesk_Harm).
extern const float tesk_table[200];
extern const float tesk_neg_table[200];

namespace tesk_harm_detail {

// Truncates a double toward zero to a 32-bit integer. A value that does not fit, and NaN,
// give INT_MIN, as the processor's truncating conversion does; the look-up relies on that
// to send such inputs to zero. Written out so that no out-of-range conversion happens.
inline int TruncToInt(double s) noexcept
{
  if (s < 2147483648.0 && s > -2147483649.0)
    return static_cast<int>(s);
  return INT_MIN;
}

// Shared look-up: linear interpolation in table T at |x| * 1990, sign copied from x.
inline double Lookup(const float* T, double x) noexcept
{
  const double s = std::fabs(x) * 1990.0;
  const int i = TruncToInt(s);
  double v;
  if (i < 0)
    v = 0.0;
  else if (i >= 199)
    v = static_cast<double>(T[199]);
  else
  {
    const double f = s - i;
    v = static_cast<double>(T[i]) * (1.0 - f) + static_cast<double>(T[i + 1]) * f;
  }
  return std::copysign(v, x);
}

} // namespace tesk_harm_detail

// The curve on tesk_table, for either sign.
inline double tesk(double x) noexcept
{
  return tesk_harm_detail::Lookup(tesk_table, x);
}

// The curve on tesk_neg_table, for either sign.
inline double tesk_negclip(double x) noexcept
{
  return tesk_harm_detail::Lookup(tesk_neg_table, x);
}

// The effect's saturation: tesk_table when the sign bit of x is clear, tesk_neg_table when
// it is set (negative inputs and -0.0), so the two half-waves differ slightly.
inline double Tesk_Harm(double x) noexcept
{
  return tesk_harm_detail::Lookup(std::signbit(x) ? tesk_neg_table : tesk_table, x);
}
