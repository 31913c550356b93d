#pragma once

// Four-times interpolator / decimator around a 31-tap linear-phase low-pass FIR.
//
// up4 turns one input sample into four output samples (polyphase form; the input is
// scaled by 4 so the stream keeps its level) and appends them to a 31-sample output
// history; the caller may rewrite the four newest samples (indices 27..30) in place, for
// example with a saturation curve. down4 evaluates the same FIR over the whole history.
// Calling down4 once per up4 decimates by four, once per two up4 calls by eight.
// The interpolator and the decimator each delay the signal by 15 samples of the 4x rate.
// Plain value type of 39 doubles, all zero at construction; no allocation, no branching.
class StOversampler4x
{
public:
  // Prototype taps h[0..15]; h[16..30] mirror h[14..0]. h[3], h[7], h[11] are zero.
  static constexpr double kH0 = -0.00248078931015061;
  static constexpr double kH1 = -0.004570244176216314;
  static constexpr double kH2 = -0.004355356208146785;
  static constexpr double kH4 = 0.00795714816545856;
  static constexpr double kH5 = 0.014777623526947411;
  static constexpr double kH6 = 0.013578369569319975;
  static constexpr double kH8 = -0.022456715627743595;
  static constexpr double kH9 = -0.040914779384992654;
  static constexpr double kH10 = -0.03769151644963085;
  static constexpr double kH12 = 0.0706496448477984;
  static constexpr double kH13 = 0.15538007457109065;
  static constexpr double kH14 = 0.2245335588462797;
  static constexpr double kH15 = 0.2511859632599724; // centre tap

  static constexpr int kOutLen = 31;
  static constexpr int kInLen = 8;

  // Consumes one input sample and appends four output samples (index 27 earliest).
  void up4(double x) noexcept
  {
    for (int k = 0; k < kInLen - 1; ++k)
      mIn[k] = mIn[k + 1];
    mIn[7] = 4.0 * x;
    for (int k = 0; k < kOutLen - 4; ++k)
      mOut[k] = mOut[k + 4];
    const double in0 = mIn[0], in1 = mIn[1], in2 = mIn[2], in3 = mIn[3];
    const double in4 = mIn[4], in5 = mIn[5], in6 = mIn[6], in7 = mIn[7];
    mOut[27] = kH0 * in7 + kH4 * in6 + kH8 * in5 + kH12 * in4 + kH14 * in3 + kH10 * in2 +
               kH6 * in1 + kH2 * in0;
    mOut[28] = kH1 * (in0 + in7) + kH5 * (in1 + in6) + kH9 * (in2 + in5) + kH13 * (in3 + in4);
    mOut[29] = kH2 * in7 + kH6 * in6 + kH10 * in5 + kH14 * in4 + kH12 * in3 + kH8 * in2 +
               kH4 * in1 + kH0 * in0;
    mOut[30] = kH15 * in4;
  }

  // The FIR over the output history, by symmetric pairs from the centre outwards.
  double down4() const noexcept
  {
    const double* o = mOut;
    return kH15 * o[15] + kH14 * (o[14] + o[16]) + kH13 * (o[13] + o[17]) +
           kH12 * (o[12] + o[18]) + kH10 * (o[10] + o[20]) + kH9 * (o[9] + o[21]) +
           kH8 * (o[8] + o[22]) + kH6 * (o[6] + o[24]) + kH5 * (o[5] + o[25]) +
           kH4 * (o[4] + o[26]) + kH2 * (o[2] + o[28]) + kH1 * (o[1] + o[29]) +
           kH0 * (o[0] + o[30]);
  }

  // Output history, index 0 oldest, 30 newest; index must be 0..30.
  double& out(int index) noexcept { return mOut[index]; }
  double out(int index) const noexcept { return mOut[index]; }
  // Input history (already scaled by 4), index 0 oldest, 7 newest; index must be 0..7.
  double in(int index) const noexcept { return mIn[index]; }

private:
  double mOut[kOutLen] = {};
  double mIn[kInLen] = {};
};
