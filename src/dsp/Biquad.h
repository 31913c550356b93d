#pragma once

// Second-order IIR section (transposed direct form II) with seven response types.
//
// Coefficients follow from a normalised corner frequency Fc (a fraction of the rate the
// filter runs at, 0 < Fc < 0.5), a quality factor Q and a gain in dB for the peak and shelf
// types. Retuning (setBiquad and the single setters) keeps the running state z1/z2, so a
// filter can be retuned every block or every sample. The filter computes in double but
// takes and returns 32-bit floats; callers holding doubles lose precision at that point.
// Plain value type: no allocation, no virtual operations, not thread-safe by itself.
class Biquad
{
public:
  enum BiquadType : int
  {
    Lowpass = 0,
    Highpass = 1,
    Bandpass = 2,  // 0 dB at the centre
    Notch = 3,
    Peak = 4,      // bell, boost or cut by peakGain
    Lowshelf = 5,  // Q unused
    Highshelf = 6  // Q unused
  };

  // Pass-through: a0 = 1, everything else 0; type Lowpass, Fc 0.5, Q 0.707, gain 0 dB.
  Biquad() noexcept = default;
  // Stores the four values, computes the coefficients and clears the state.
  Biquad(int type, double Fc, double Q, double peakGainDB) noexcept;

  // Store the value(s) and recompute the coefficients; z1/z2 are kept.
  void setBiquad(int type, double Fc, double Q, double peakGainDB) noexcept;
  void setType(int type) noexcept;
  void setQ(double Q) noexcept;
  void setFc(double Fc) noexcept;
  void setPeakGain(double peakGainDB) noexcept;

  // Recomputes a0, a1, a2, b1, b2 from type, Fc, Q and peakGain. A type outside 0..6
  // leaves the coefficients as they are.
  void calcBiquad() noexcept;
  // The same for a filter whose tangent K = tan(pi * Fc) is already known (Fc unchanged):
  // callers that retune the gain often skip the tangent. Same bits as calcBiquad.
  void calcBiquadWithTangent(double K) noexcept;
  // The tangent calcBiquad uses for Fc.
  static double tangent(double Fc) noexcept;

  // One sample: out = in*a0 + z1; z1 = in*a1 + z2 - b1*out; z2 = in*a2 - b2*out.
  float process(float in) noexcept
  {
    const double x = in;
    const double out = x * a0 + z1;
    z1 = x * a1 + z2 - b1 * out;
    z2 = x * a2 - b2 * out;
    return static_cast<float>(out);
  }

  // Settings, coefficients (b1, b2 are subtracted) and state, readable by owners that
  // run the same arithmetic in their own loops.
  int type = Lowpass;
  double a0 = 1.0, a1 = 0.0, a2 = 0.0;
  double b1 = 0.0, b2 = 0.0;
  double Fc = 0.5, Q = 0.707, peakGain = 0.0;
  double z1 = 0.0, z2 = 0.0;
};
