#include "dsp/TeskChain.h"

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"
#include "dsp/Tesk_Harm.h"

#include <cmath>
#include <cstring>

namespace {

typedef TeskChainV2 V2;
typedef float V2f __attribute__((vector_size(8)));

const double kSqrt2 = 1.4142135623730951;
// Offset added to every input sample and removed again at the output.
const double kOffset = 1e-10;
// The band filters run at eight times the host rate.
const double kEqRate = 0.125;
const double kBandQ = 0.667;

typedef StOversampler4x Os;

// Rounds both lanes to 32-bit float precision, as passing a double through a float does.
inline V2 RoundF(V2 x) noexcept
{
  return __builtin_convertvector(__builtin_convertvector(x, V2f), V2);
}

inline V2 Splat(double x) noexcept
{
  return V2{x, x};
}

// Frequency lists per band pair; a selection outside a list's length matches nothing.
struct FreqList
{
  int count;
  double hz[3];
};
const FreqList kFreqLists[7] = {
  {3, {20.0, 60.0, 40.0}},        // low band
  {2, {80.0, 120.0, 0.0}},        // mid band 1
  {3, {400.0, 800.0, 630.0}},     // mid band 2
  {3, {1000.0, 3000.0, 2000.0}},  // mid band 3
  {2, {5000.0, 8000.0, 0.0}},     // mid band 4
  {3, {12000.0, 15000.0, 20000.0}}, // high band
  {2, {25.0, 1.0, 0.0}},          // low cut
};
// Selection parameter and gain parameter of each band, first channel (second = +1).
const int kSelParam[7] = {TeskChain::kLFREQL, TeskChain::kMFREQ1L, TeskChain::kMFREQ2L,
                          TeskChain::kMFREQ3L, TeskChain::kMFREQ4L, TeskChain::kHFREQL,
                          TeskChain::kLCUTL};
const int kGainParam[6] = {TeskChain::kLGAINL, TeskChain::kMGAIN1L, TeskChain::kMGAIN2L,
                           TeskChain::kMGAIN3L, TeskChain::kMGAIN4L, TeskChain::kHGAINL};

bool IsStored(int paramIdx) noexcept
{
  return (paramIdx >= 0 && paramIdx <= 14) || (paramIdx >= 18 && paramIdx <= 31);
}

// One step of a Biquad on both lanes; the caller rounds input and output to float.
inline V2 Step(V2& z1, V2& z2, V2 a0, V2 a1, V2 a2, V2 b1, V2 b2, V2 in) noexcept
{
  const V2 out = in * a0 + z1;
  z1 = in * a1 + z2 - b1 * out;
  z2 = in * a2 - b2 * out;
  return out;
}

// Copies a Biquad's coefficients into one lane of a packed filter.
template <typename F>
void SetLane(F& f, int lane, const Biquad& b) noexcept
{
  f.a0[lane] = b.a0;
  f.a1[lane] = b.a1;
  f.a2[lane] = b.a2;
  f.b1[lane] = b.b1;
  f.b2[lane] = b.b2;
}

} // namespace

TeskChain::TeskChain() noexcept
{
  for (double& v : mStored)
    v = 0.0;
  mStored[kDRIVE] = -40.0;
  mStored[kLCUTL] = 1.0;
  mStored[kLCUTR] = 1.0;
  for (int band = 0; band < 7; ++band)
  {
    const double hz = kFreqLists[band].hz[band == 6 ? 1 : 0];
    mFreq[2 * band] = hz;
    mFreq[2 * band + 1] = hz;
  }
  ClearState();
  // Band filters are pass-through until the first block start tunes them.
  const Biquad passThrough;
  for (Biquad2& f : mEq)
  {
    SetLane(f, 0, passThrough);
    SetLane(f, 1, passThrough);
  }
  // The two fixed filters never change: tune them once.
  const Biquad satPeak(Biquad::Peak, 0.25, 3.5, 9.0);
  const Biquad outPeak(Biquad::Peak, 0.25, 0.4, -2.5);
  for (int lane = 0; lane < 2; ++lane)
  {
    SetLane(mSatPeak, lane, satPeak);
    SetLane(mOutPeak, lane, outPeak);
  }
}

bool TeskChain::SetStoredValue(int paramIdx, double value) noexcept
{
  if (!IsStored(paramIdx) || !std::isfinite(value))
    return false;
  mStored[paramIdx] = value;
  return true;
}

double TeskChain::GetStoredValue(int paramIdx) const noexcept
{
  return IsStored(paramIdx) ? mStored[paramIdx] : 0.0;
}

bool TeskChain::SetSampleRate(double sampleRate) noexcept
{
  if (!(std::isfinite(sampleRate) && sampleRate > 0.0))
    return false;
  mSampleRate = sampleRate;
  return true;
}

double TeskChain::GetSelectedFrequency(int band) const noexcept
{
  return (band >= 0 && band < kNumBands) ? mFreq[band] : 0.0;
}

void TeskChain::ClearOversampler(Oversampler2& os) noexcept
{
  for (V2& v : os.out)
    v = Splat(0.0);
  for (V2& v : os.in)
    v = Splat(0.0);
  os.outBase = 0;
  os.inBase = 0;
}

void TeskChain::ClearState() noexcept
{
  for (Biquad2& f : mEq)
    f.z1 = f.z2 = Splat(0.0);
  mSatPeak.z1 = mSatPeak.z2 = Splat(0.0);
  mOutPeak.z1 = mOutPeak.z2 = Splat(0.0);
  ClearOversampler(mSatOs);
  ClearOversampler(mEqOs);
}

void TeskChain::BlockStart() noexcept
{
  for (int band = 0; band < 7; ++band)
  {
    const FreqList& list = kFreqLists[band];
    for (int ch = 0; ch < 2; ++ch)
    {
      const double sel = mStored[kSelParam[band] + ch];
      for (int k = 0; k < list.count; ++k)
        if (sel == static_cast<double>(k))
          mFreq[2 * band + ch] = list.hz[k];
    }
  }
  for (int band = 0; band < 7; ++band)
  {
    for (int ch = 0; ch < 2; ++ch)
    {
      const double fc = (mFreq[2 * band + ch] / mSampleRate) * kEqRate;
      const Biquad tuned = band < 6
                               ? Biquad(Biquad::Peak, fc, kBandQ, mStored[kGainParam[band] + ch])
                               : Biquad(Biquad::Highpass, fc, kBandQ, 1.0);
      SetLane(mEq[band], ch, tuned);
    }
  }
}

// Appends 4*x's four interpolated samples to the output history (see StOversampler4x).
inline void TeskChain::Up4(Oversampler2& os, V2 x) noexcept
{
  if (os.inBase + Os::kInLen >= kInCap)
  {
    std::memmove(os.in, os.in + os.inBase + 1, (Os::kInLen - 1) * sizeof(V2));
    os.inBase = -1;
  }
  ++os.inBase;
  V2* in = os.in + os.inBase;
  in[7] = Splat(4.0) * x;

  if (os.outBase + Os::kOutLen + 4 > kOutCap)
  {
    std::memmove(os.out, os.out + os.outBase, Os::kOutLen * sizeof(V2));
    os.outBase = 0;
  }
  V2* o = os.out + os.outBase + Os::kOutLen;
  os.outBase += 4;

  const V2 in0 = in[0], in1 = in[1], in2 = in[2], in3 = in[3];
  const V2 in4 = in[4], in5 = in[5], in6 = in[6], in7 = in[7];
  o[0] = Splat(Os::kH0) * in7 + Splat(Os::kH4) * in6 + Splat(Os::kH8) * in5 +
         Splat(Os::kH12) * in4 + Splat(Os::kH14) * in3 + Splat(Os::kH10) * in2 +
         Splat(Os::kH6) * in1 + Splat(Os::kH2) * in0;
  o[1] = Splat(Os::kH1) * (in0 + in7) + Splat(Os::kH5) * (in1 + in6) +
         Splat(Os::kH9) * (in2 + in5) + Splat(Os::kH13) * (in3 + in4);
  o[2] = Splat(Os::kH2) * in7 + Splat(Os::kH6) * in6 + Splat(Os::kH10) * in5 +
         Splat(Os::kH14) * in4 + Splat(Os::kH12) * in3 + Splat(Os::kH8) * in2 +
         Splat(Os::kH4) * in1 + Splat(Os::kH0) * in0;
  o[3] = Splat(Os::kH15) * in4;
}

inline V2 TeskChain::Down4(const Oversampler2& os) noexcept
{
  const V2* o = os.out + os.outBase;
  return Splat(Os::kH15) * o[15] + Splat(Os::kH14) * (o[14] + o[16]) +
         Splat(Os::kH13) * (o[13] + o[17]) + Splat(Os::kH12) * (o[12] + o[18]) +
         Splat(Os::kH10) * (o[10] + o[20]) + Splat(Os::kH9) * (o[9] + o[21]) +
         Splat(Os::kH8) * (o[8] + o[22]) + Splat(Os::kH6) * (o[6] + o[24]) +
         Splat(Os::kH5) * (o[5] + o[25]) + Splat(Os::kH4) * (o[4] + o[26]) +
         Splat(Os::kH2) * (o[2] + o[28]) + Splat(Os::kH1) * (o[1] + o[29]) +
         Splat(Os::kH0) * (o[0] + o[30]);
}

void TeskChain::Process(const double* inL, const double* inR, double* outL, double* outR,
                        int frames, int by, int ms, int over) noexcept
{
  BlockStart();
  if (frames < 1 || !inL || !inR || !outL || !outR)
    return;

  const bool bypass = by != 0;
  const bool leftRight = ms != 0;
  const bool oversampled = over != 0;

  // Constant within the block: drive gains and output gains.
  const double drive = mStored[kDRIVE];
  const V2 t = Splat(std::pow(10.0, drive / 20.0));
  const V2 u = Splat(std::pow(10.0, (0.5 - drive) / 20.0));
  const V2 gain = V2{std::pow(10.0, mStored[kOUTL] / 20.0), std::pow(10.0, mStored[kOUTR] / 20.0)};
  const V2 zero = Splat(0.0);

  for (int i = 0; i < frames; ++i)
  {
    const double xl = inL[i];
    const double xr = inR[i];
    V2 ab;
    if (leftRight)
      ab = V2{xl + kOffset, xr + kOffset};
    else
      ab = V2{(xl + xr) / kSqrt2 + kOffset, (xl - xr) / kSqrt2 + kOffset};
    const V2 driven = ab * t;

    // Oversampled saturation: the curve rewrites the four new samples in place.
    Up4(mSatOs, driven);
    V2* satNew = mSatOs.out + mSatOs.outBase + Os::kOutLen - 4;
    for (int k = 0; k < 4; ++k)
      satNew[k] = V2{Tesk_Harm(satNew[k][0]), Tesk_Harm(satNew[k][1])};

    V2 s;
    Biquad2& sp = mSatPeak;
    if (oversampled)
    {
      const V2 v = RoundF(Down4(mSatOs) * u);
      s = RoundF(Step(sp.z1, sp.z2, sp.a0, sp.a1, sp.a2, sp.b1, sp.b2, v));
    }
    else
      s = V2{Tesk_Harm(driven[0]), Tesk_Harm(driven[1])} * u;
    Step(sp.z1, sp.z2, sp.a0, sp.a1, sp.a2, sp.b1, sp.b2, zero);

    // Equaliser at eight times the rate: the same value enters the interpolator twice,
    // then the eight new samples pass through the seven band filters.
    Up4(mEqOs, s);
    Up4(mEqOs, s);
    V2* eqNew = mEqOs.out + mEqOs.outBase + Os::kOutLen - 8;
    for (int k = 0; k < 8; ++k)
    {
      V2 x = RoundF(eqNew[k]);
      for (Biquad2& f : mEq)
        x = RoundF(Step(f.z1, f.z2, f.a0, f.a1, f.a2, f.b1, f.b2, x));
      eqNew[k] = x;
    }

    Biquad2& op = mOutPeak;
    const V2 y =
        gain * RoundF(Step(op.z1, op.z2, op.a0, op.a1, op.a2, op.b1, op.b2, RoundF(Down4(mEqOs))));
    Step(op.z1, op.z2, op.a0, op.a1, op.a2, op.b1, op.b2, zero);

    double l, r;
    if (leftRight)
    {
      l = y[0];
      r = y[1];
    }
    else
    {
      l = (y[0] + y[1]) / kSqrt2;
      r = (y[0] - y[1]) / kSqrt2;
    }
    if (bypass)
    {
      outL[i] = xl;
      outR[i] = xr;
    }
    else
    {
      outL[i] = l - kOffset;
      outR[i] = r - kOffset;
    }
  }
}
