#include "dsp/TeskChain.h"

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"
#include "dsp/Tesk_Harm.h"

#include <cmath>
#include <cstdint>
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

typedef long long V2i __attribute__((vector_size(16)));
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

// Lane-wise mask ? a : b; mask lanes are all ones or all zeros.
inline V2 Select(V2i mask, V2 a, V2 b) noexcept
{
  return reinterpret_cast<V2>((reinterpret_cast<V2i>(a) & mask) |
                              (reinterpret_cast<V2i>(b) & ~mask));
}

// Both saturation tables as neighbour pairs {T[k], T[k+1]} widened to double, so one
// 16-byte load fetches both interpolation points of a lane.
struct HarmPairs
{
  alignas(16) double pos[199][2];
  alignas(16) double neg[199][2];
  HarmPairs() noexcept
  {
    for (int k = 0; k < 199; ++k)
    {
      pos[k][0] = tesk_table[k];
      pos[k][1] = tesk_table[k + 1];
      neg[k][0] = tesk_neg_table[k];
      neg[k][1] = tesk_neg_table[k + 1];
    }
  }
};
const HarmPairs kHarmPairs;

// Tesk_Harm on both lanes, with the same operations per lane: the table is chosen by the
// sign bit, |x| * 1990 is split into index and fraction below 199, the flat top holds
// from 199 up to the end of the 32-bit index range, and NaN or larger gives zero; the
// result takes x's sign.
inline V2 HarmV2(V2 x) noexcept
{
  const V2i bits = reinterpret_cast<V2i>(x);
  const V2i negative = bits >> 63; // all ones where the sign bit is set
  const V2i signBit = bits & V2i{INT64_MIN, INT64_MIN};
  const V2 s = reinterpret_cast<V2>(bits & ~V2i{INT64_MIN, INT64_MIN}) * Splat(1990.0);
  const V2i interpolated = s < Splat(199.0);   // false for NaN
  const V2i indexFits = s < Splat(2147483648.0); // false for NaN
  const V2 si = Select(interpolated, s, Splat(0.0));
  const int i0 = static_cast<int>(si[0]);
  const int i1 = static_cast<int>(si[1]);
  const V2 f = si - V2{static_cast<double>(i0), static_cast<double>(i1)};
  const double* p0 = (negative[0] ? kHarmPairs.neg : kHarmPairs.pos)[i0];
  const double* p1 = (negative[1] ? kHarmPairs.neg : kHarmPairs.pos)[i1];
  const V2 lo = V2{p0[0], p1[0]};
  const V2 hi = V2{p0[1], p1[1]};
  const V2 inner = lo * (Splat(1.0) - f) + hi * f;
  const V2 top = Select(negative, Splat(static_cast<double>(tesk_neg_table[199])),
                        Splat(static_cast<double>(tesk_table[199])));
  const V2 v = Select(interpolated, inner, Select(indexFits, top, Splat(0.0)));
  return reinterpret_cast<V2>(reinterpret_cast<V2i>(v) | signBit);
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

// One Biquad::process on both lanes; the caller rounds input and output to float.
template <typename F>
inline V2 Step(F& f, V2 in) noexcept
{
  const V2 out = in * f.a0 + f.z1;
  f.z1 = in * f.a1 + f.z2 - f.b1 * out;
  f.z2 = in * f.a2 - f.b2 * out;
  return out;
}

// The four outputs of StOversampler4x::up4 from the input history in[0..7] (newest last).
inline void Interpolate(const V2* in, V2* o) noexcept
{
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

// StOversampler4x::down4 over the 31 outputs o[0..30] (oldest first).
inline V2 Decimate(const V2* o) noexcept
{
  return Splat(Os::kH15) * o[15] + Splat(Os::kH14) * (o[14] + o[16]) +
         Splat(Os::kH13) * (o[13] + o[17]) + Splat(Os::kH12) * (o[12] + o[18]) +
         Splat(Os::kH10) * (o[10] + o[20]) + Splat(Os::kH9) * (o[9] + o[21]) +
         Splat(Os::kH8) * (o[8] + o[22]) + Splat(Os::kH6) * (o[6] + o[24]) +
         Splat(Os::kH5) * (o[5] + o[25]) + Splat(Os::kH4) * (o[4] + o[26]) +
         Splat(Os::kH2) * (o[2] + o[28]) + Splat(Os::kH1) * (o[1] + o[29]) +
         Splat(Os::kH0) * (o[0] + o[30]);
}

// Moves an oversampler's current histories to the front of its buffers.
template <typename O>
void Rewind(O& os) noexcept
{
  if (os.outBase != 0)
  {
    std::memmove(os.out, os.out + os.outBase, 31 * sizeof(V2));
    os.outBase = 0;
  }
  if (os.inBase != 0)
  {
    std::memmove(os.in, os.in + os.inBase, 8 * sizeof(V2));
    os.inBase = 0;
  }
}

template <typename O>
void ClearOversampler(O& os) noexcept
{
  for (V2& v : os.out)
    v = Splat(0.0);
  for (V2& v : os.in)
    v = Splat(0.0);
  os.outBase = 0;
  os.inBase = 0;
}

// Runs the band filters f[0..6] in series over x[0..n-1] in place, each filter taking and
// returning float-precision values. Every filter sees its samples in order, so the
// result is that of passing each sample through all seven before the next; the loop
// staggers them (filter k works on sample j - k) so that the seven recursions overlap.
template <typename F>
void Cascade(F* f, V2* x, int n) noexcept
{
  F b[7];
  for (int k = 0; k < 7; ++k)
    b[k] = f[k];
  V2 y[7]; // y[k]: filter k's latest output
  const int lead = n < 6 ? n : 6;
  // Ramp up: filter k starts at step k.
  for (int j = 0; j < lead; ++j)
    for (int k = j; k >= 0; --k)
      y[k] = RoundF(Step(b[k], k == 0 ? RoundF(x[j]) : y[k - 1]));
  // Steady state: all seven filters busy; descending order reads y[k - 1] before it moves.
  for (int j = lead; j < n; ++j)
  {
    x[j - 6] = y[6] = RoundF(Step(b[6], y[5]));
    y[5] = RoundF(Step(b[5], y[4]));
    y[4] = RoundF(Step(b[4], y[3]));
    y[3] = RoundF(Step(b[3], y[2]));
    y[2] = RoundF(Step(b[2], y[1]));
    y[1] = RoundF(Step(b[1], y[0]));
    y[0] = RoundF(Step(b[0], RoundF(x[j])));
  }
  // Drain: at step j filter k handles sample j - k while that is below n.
  for (int j = (n > lead ? n : lead); j < n + 6; ++j)
    for (int k = 6; k >= 0; --k)
    {
      const int sample = j - k;
      if (sample < 0 || sample >= n)
        continue;
      y[k] = RoundF(Step(b[k], k == 0 ? RoundF(x[sample]) : y[k - 1]));
      if (k == 6)
        x[sample] = y[6];
    }
  for (int k = 0; k < 7; ++k)
    f[k] = b[k];
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

void TeskChain::Process(const double* inL, const double* inR, double* outL, double* outR,
                        int frames, int by, int ms, int over) noexcept
{
  BlockStart();
  if (frames < 1 || !inL || !inR || !outL || !outR)
    return;

  // Constant within the block: drive gains and output gains.
  const double drive = mStored[kDRIVE];
  const V2 t = Splat(std::pow(10.0, drive / 20.0));
  const V2 u = Splat(std::pow(10.0, (0.5 - drive) / 20.0));
  const V2 gain =
      V2{std::pow(10.0, mStored[kOUTL] / 20.0), std::pow(10.0, mStored[kOUTR] / 20.0)};

  for (int pos = 0; pos < frames; pos += kChunk)
  {
    const int n = frames - pos < kChunk ? frames - pos : kChunk;
    ProcessChunk(inL + pos, inR + pos, outL + pos, outR + pos, n, by != 0, ms != 0, over != 0, t,
                 u, gain);
  }
}

void TeskChain::ProcessChunk(const double* inL, const double* inR, double* outL, double* outR,
                             int n, bool bypass, bool leftRight, bool oversampled, V2 t, V2 u,
                             V2 gain) noexcept
{
  const V2 zero = Splat(0.0);
  Rewind(mSatOs);
  Rewind(mEqOs);

  // Saturation stage and the interpolation into the equaliser, frame by frame. All
  // input samples of the chunk are read here, before any output sample is written.
  Biquad2 satPeak = mSatPeak;
  for (int i = 0; i < n; ++i)
  {
    const double xl = inL[i];
    const double xr = inR[i];
    mDry[i] = V2{xl, xr};
    V2 ab;
    if (leftRight)
      ab = V2{xl + kOffset, xr + kOffset};
    else
      ab = V2{(xl + xr) / kSqrt2 + kOffset, (xl - xr) / kSqrt2 + kOffset};
    const V2 driven = ab * t;

    // Oversampled saturation (always run, so its history stays current): the curve
    // rewrites the four new samples in place.
    mSatOs.in[8 + i] = Splat(4.0) * driven;
    V2* satNew = mSatOs.out + 31 + 4 * i;
    Interpolate(mSatOs.in + 1 + i, satNew);
    for (int k = 0; k < 4; ++k)
      satNew[k] = HarmV2(satNew[k]);

    V2 s;
    if (oversampled)
    {
      const V2 v = RoundF(Decimate(mSatOs.out + 4 * (i + 1)) * u);
      s = RoundF(Step(satPeak, v));
    }
    else
      s = HarmV2(driven) * u;
    Step(satPeak, zero);

    // The same value enters the equaliser's interpolator twice: eight samples per frame.
    const V2 s4 = Splat(4.0) * s;
    mEqOs.in[8 + 2 * i] = s4;
    mEqOs.in[9 + 2 * i] = s4;
    V2* eqNew = mEqOs.out + 31 + 8 * i;
    Interpolate(mEqOs.in + 1 + 2 * i, eqNew);
    Interpolate(mEqOs.in + 2 + 2 * i, eqNew + 4);
  }
  mSatPeak = satPeak;
  mSatOs.outBase = 4 * n;
  mSatOs.inBase = n;
  mEqOs.outBase = 8 * n;
  mEqOs.inBase = 2 * n;

  // Equaliser at eight times the rate, in place on the chunk's new samples.
  Cascade(mEq, mEqOs.out + 31, 8 * n);

  // Decimation, output filter and gains, output matrix and bypass.
  Biquad2 outPeak = mOutPeak;
  for (int i = 0; i < n; ++i)
  {
    const V2 y = gain * RoundF(Step(outPeak, RoundF(Decimate(mEqOs.out + 8 * (i + 1)))));
    Step(outPeak, zero);
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
      outL[i] = mDry[i][0];
      outR[i] = mDry[i][1];
    }
    else
    {
      outL[i] = l - kOffset;
      outR[i] = r - kOffset;
    }
  }
  mOutPeak = outPeak;
}
