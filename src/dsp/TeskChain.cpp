#include "dsp/TeskChain.h"

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"
#include "dsp/TeskBands.h"
#include "dsp/Tesk_Harm.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Four-lane vectors only appear inside the kernels' inlined helpers; no function with a
// four-lane argument crosses a call boundary, so the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

typedef TeskChainV2 V2;
typedef double V4 __attribute__((vector_size(32)));
typedef float V2f __attribute__((vector_size(8)));
typedef float V4f __attribute__((vector_size(16)));
typedef StOversampler4x Os;

// Kernel helpers are always inlined, so each kernel compiles them for its own target.
#define TESK_INLINE inline __attribute__((always_inline))

const double kSqrt2 = 1.4142135623730951;
// Offset added to every input sample and removed again at the output.
const double kOffset = 1e-10;
// The band filters run at eight times the host rate.
const double kEqRate = 0.125;
const double kBandQ = TeskBands::kBandQ;

// Both saturation tables as rows of neighbour pairs {T[k], T[k+1]} widened to double, so
// one 16-byte load fetches both interpolation points of a lane: rows 0..199 for
// tesk_table, 200..399 for tesk_neg_table; row 199 of each holds the last entry twice.
struct HarmPairs
{
  alignas(16) double pairs[400][2];
  HarmPairs() noexcept
  {
    for (int k = 0; k < 200; ++k)
    {
      const int next = k < 199 ? k + 1 : 199;
      pairs[k][0] = tesk_table[k];
      pairs[k][1] = tesk_table[next];
      pairs[200 + k][0] = tesk_neg_table[k];
      pairs[200 + k][1] = tesk_neg_table[next];
    }
  }
};
// Built on first use (thread-safe), so that chains constructed during static
// initialisation of other files find it ready.
const HarmPairs& Pairs() noexcept
{
  static const HarmPairs pairs;
  return pairs;
}
typedef const double (*PairRows)[2];

// Selection parameter and gain parameter of each band, first channel (second = +1).
const int kSelParam[7] = {TeskChain::kLFREQL, TeskChain::kMFREQ1L, TeskChain::kMFREQ2L,
                          TeskChain::kMFREQ3L, TeskChain::kMFREQ4L, TeskChain::kHFREQL,
                          TeskChain::kLCUTL};
const int kGainParam[6] = {TeskChain::kLGAINL, TeskChain::kMGAIN1L, TeskChain::kMGAIN2L,
                           TeskChain::kMGAIN3L, TeskChain::kMGAIN4L, TeskChain::kHGAINL};
// The band (0..5) of a gain parameter's first-channel index, the inverse of kGainParam.
int BandOfGain(int paramIdx) noexcept
{
  for (int band = 0; band < 6; ++band)
    if (kGainParam[band] == paramIdx - paramIdx % 2)
      return band;
  return 0;
}

bool IsStored(int paramIdx) noexcept
{
  return (paramIdx >= 0 && paramIdx <= 14) || (paramIdx >= 18 && paramIdx <= 31);
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

template <typename O>
void ClearOversampler(O& os) noexcept
{
  for (V2& v : os.out)
    v = V2{0.0, 0.0};
  for (V2& v : os.in)
    v = V2{0.0, 0.0};
  os.outBase = 0;
  os.inBase = 0;
}

} // namespace

template <int kWide>
struct TeskChainKernel;

#define TESK_KERNEL_WIDE 0
#define TESK_KERNEL_NS tesk_kernel_baseline
#include "dsp/TeskChainKernel.inc"
#undef TESK_KERNEL_NS
#undef TESK_KERNEL_WIDE

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
#define TESK_HAVE_AVX2_KERNEL 1
#pragma GCC push_options
#pragma GCC target("avx2")
#define TESK_KERNEL_WIDE 1
#define TESK_KERNEL_NS tesk_kernel_avx2
#include "dsp/TeskChainKernel.inc"
#undef TESK_KERNEL_NS
#undef TESK_KERNEL_WIDE
#pragma GCC pop_options
#endif

namespace {

bool CpuHasAvx2() noexcept
{
#if defined(TESK_HAVE_AVX2_KERNEL)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

// The glide of a band filter's gain, by filter (TeskChain::Band order, bands 0..11).
int GainGlideOfBand(int band) noexcept
{
  return kGainParam[band / 2] + band % 2;
}

const unsigned kAllBands = (1u << TeskChain::kNumBands) - 1;

} // namespace

double TeskChain::Glide::Unheld(double x) const noexcept
{
  const double x2 = x * x;
  const double x3 = x2 * x;
  return from + (to - from) * (3.0 * x2 - 2.0 * x3) + speed * (x - 2.0 * x2 + x3);
}

double TeskChain::Glide::Value() const noexcept
{
  const double v = Unheld(double(step) / double(steps));
  if (!Held(v))
    return v;
  const double lo = from < to ? from : to;
  return v < lo ? lo : (from < to ? to : from);
}

double TeskChain::Glide::Speed() const noexcept
{
  const double x = double(step) / double(steps);
  if (Held(Unheld(x)))
    return 0.0; // held at an end
  return (to - from) * (6.0 * x - 6.0 * x * x) + speed * (1.0 - 4.0 * x + 3.0 * x * x);
}

TeskChain::TeskChain() noexcept
{
  for (double& v : mStored)
    v = 0.0;
  mStored[kDRIVE] = -40.0;
  mStored[kLCUTL] = 1.0;
  mStored[kLCUTR] = 1.0;
  for (int band = 0; band < 7; ++band)
  {
    const double hz = TeskBands::kFreqLists[band].hz[band == 6 ? 1 : 0];
    mFreq[2 * band] = hz;
    mFreq[2 * band + 1] = hz;
  }
  for (int p = 0; p < kNumGlides; ++p)
    mGlide[p] = Glide{mStored[p], mStored[p], mStored[p], 0.0, 0, 0};
  UpdateGains();
  TakeSwitches(mPath);
  for (double& k : mPath.tangent)
    k = 0.0; // set with the first block's tuning
  ClearState();
  SetWideVectors(true);
  Pairs();
  // Band filters are pass-through until the first block start tunes them.
  const Biquad passThrough;
  for (Biquad2& f : mPath.eq)
  {
    SetLane(f, 0, passThrough);
    SetLane(f, 1, passThrough);
  }
  // The two fixed filters never change: tune them once.
  const Biquad satPeak(Biquad::Peak, 0.25, 3.5, 9.0);
  const Biquad outPeak(Biquad::Peak, 0.25, 0.4, -2.5);
  for (int lane = 0; lane < 2; ++lane)
  {
    SetLane(mPath.satPeak, lane, satPeak);
    SetLane(mPath.outPeak, lane, outPeak);
  }
  mPrevPath = mPath;
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
  for (Biquad2& f : mPath.eq)
    f.z1 = f.z2 = V2{0.0, 0.0};
  mPath.satPeak.z1 = mPath.satPeak.z2 = V2{0.0, 0.0};
  mPath.outPeak.z1 = mPath.outPeak.z2 = V2{0.0, 0.0};
  ClearOversampler(mPath.satOs);
  ClearOversampler(mPath.eqOs);
  mPath.satOutCurrent = true;
  for (V2& v : mDry)
    v = V2{0.0, 0.0};
  mFading = false;
  mSnap = true;
}

bool TeskChain::InTransition() const noexcept
{
  return mGliding > 0 || mFading || mByPos != (mByTarget ? mByLength + 1 : 0);
}

namespace {

// A count of frames or steps for a time at the sample rate: rounded to nearest, at least
// 1 and, for absurd rates, at most 2^24.
int Count(double x) noexcept
{
  const double n = std::round(x);
  return n < 1.0 ? 1 : (n > 16777216.0 ? 16777216 : int(n));
}

} // namespace

int TeskChain::GlideSteps() const noexcept
{
  return Count(kGlideSeconds * mSampleRate / kGlideInterval);
}

int TeskChain::FadeLength() const noexcept
{
  return Count(kFadeSeconds * mSampleRate);
}

bool TeskChain::Matches(const Path& p) const noexcept
{
  if (p.leftRight != mLeftRight || p.oversampled != mOversampled)
    return false;
  for (int band = 0; band < kNumBands; ++band)
    if (p.freq[band] != mFreq[band])
      return false;
  return true;
}

void TeskChain::TakeSwitches(Path& p) const noexcept
{
  p.leftRight = mLeftRight;
  p.oversampled = mOversampled;
  for (int band = 0; band < kNumBands; ++band)
    p.freq[band] = mFreq[band];
}

void TeskChain::TuneBands(Path& p, unsigned mask, bool frequencies) const noexcept
{
  for (int band = 0; band < kNumBands; ++band)
  {
    if (!(mask & (1u << band)))
      continue;
    Biquad tuned;
    tuned.type = band < kCutL ? Biquad::Peak : Biquad::Highpass;
    tuned.Fc = (p.freq[band] / mSampleRate) * kEqRate;
    tuned.Q = kBandQ;
    tuned.peakGain = band < kCutL ? mGlide[GainGlideOfBand(band)].cur : 1.0;
    if (frequencies)
      p.tangent[band] = Biquad::tangent(tuned.Fc);
    tuned.calcBiquadWithTangent(p.tangent[band]);
    SetLane(p.eq[band / 2], band % 2, tuned);
  }
}

void TeskChain::UpdateGains() noexcept
{
  const double drive = mGlide[kDRIVE].cur;
  const double t = std::pow(10.0, drive / 20.0);
  const double u = std::pow(10.0, (0.5 - drive) / 20.0);
  mT = V2{t, t};
  mU = V2{u, u};
  mGain = V2{std::pow(10.0, mGlide[kOUTL].cur / 20.0), std::pow(10.0, mGlide[kOUTR].cur / 20.0)};
}

void TeskChain::StartFade() noexcept
{
  mPrevPath = mPath;
  TakeSwitches(mPath);
  TuneBands(mPath, kAllBands, true);
  mFading = true;
  mFadeStart = mCount;
  mFadeLength = FadeLength();
}

void TeskChain::BlockStart(bool bypass, bool leftRight, bool oversampled) noexcept
{
  for (int band = 0; band < 7; ++band)
  {
    const TeskBands::FreqList& list = TeskBands::kFreqLists[band];
    for (int ch = 0; ch < 2; ++ch)
    {
      const double sel = mStored[kSelParam[band] + ch];
      for (int k = 0; k < list.count; ++k)
        if (sel == static_cast<double>(k))
          mFreq[2 * band + ch] = list.hz[k];
    }
  }
  mLeftRight = leftRight;
  mOversampled = oversampled;

  // New targets. A glide in progress hands its speed on, so a value that keeps moving
  // (automation) moves smoothly.
  for (int p = 0; p < kNumGlides; ++p)
  {
    Glide& g = mGlide[p];
    if (mStored[p] == g.to)
      continue;
    const bool moving = g.step < g.steps;
    g.speed = moving ? g.Speed() : 0.0;
    g.from = g.cur;
    g.to = mStored[p];
    g.step = 0;
    g.steps = GlideSteps();
    if (!moving)
      ++mGliding;
  }
  if (bypass != mByTarget)
  {
    if (mByPos == 0 || mByPos == mByLength + 1)
      mByLength = FadeLength();
    mByTarget = bypass;
  }

  unsigned retune = mSampleRate != mTunedRate ? kAllBands : 0u;
  if (mSnap)
  {
    for (Glide& g : mGlide)
    {
      g.cur = g.to;
      g.step = g.steps;
    }
    mGliding = 0;
    UpdateGains();
    mByPos = mByTarget ? mByLength + 1 : 0;
    mFading = false;
    TakeSwitches(mPath);
    retune = kAllBands;
  }
  else if (!mFading && !Matches(mPath))
    StartFade();
  if (retune)
  {
    TuneBands(mPath, retune, true);
    if (mFading)
      TuneBands(mPrevPath, retune, true);
  }
  mTunedRate = mSampleRate;
}

void TeskChain::StepGlides() noexcept
{
  unsigned bands = 0;
  bool gains = false;
  for (int p = 0; p < kNumGlides; ++p)
  {
    Glide& g = mGlide[p];
    if (g.step >= g.steps)
      continue;
    ++g.step;
    g.cur = g.step == g.steps ? g.to : g.Value();
    if (g.step == g.steps)
      --mGliding;
    if (p >= kOUTL)
      gains = true;
    else
      bands |= 1u << (2 * BandOfGain(p) + p % 2);
  }
  if (gains)
    UpdateGains();
  if (bands)
  {
    TuneBands(mPath, bands, false);
    if (mFading)
      TuneBands(mPrevPath, bands, false);
  }
}

bool TeskChain::SetWideVectors(bool enable) noexcept
{
  mWide = enable && CpuHasAvx2();
  return mWide;
}

void TeskChain::Process(const double* inL, const double* inR, double* outL, double* outR,
                        int frames, int by, int ms, int over) noexcept
{
  BlockStart(by != 0, ms != 0, over != 0);
  if (frames < 1 || !inL || !inR || !outL || !outR)
    return;
  mSnap = false;

  ChunkFn chunk = TeskChainKernel<0>::Chunk;
#if defined(TESK_HAVE_AVX2_KERNEL)
  if (mWide)
    chunk = TeskChainKernel<1>::Chunk;
#endif
  V2* const in = mDry + kDryKeep;
  for (int pos = 0; pos < frames;)
  {
    // Transitions due at this frame: a glide step on the grid, the end of a crossfade
    // (and the start of the next, for switches changed meanwhile).
    if (mGliding > 0 && mCount % kGlideInterval == 0)
      StepGlides();
    if (mFading && mCount == mFadeStart + uint64_t(mFadeLength))
    {
      mFading = false;
      if (!Matches(mPath))
        StartFade();
    }

    // The piece: up to a chunk, and no further than the next glide step or crossfade end.
    int n = frames - pos < kChunk ? frames - pos : kChunk;
    if (mGliding > 0)
    {
      const int toStep = kGlideInterval - int(mCount % kGlideInterval);
      n = n < toStep ? n : toStep;
    }
    if (mFading)
    {
      const int toEnd = int(mFadeStart + uint64_t(mFadeLength) - mCount);
      n = n < toEnd ? n : toEnd;
    }
    Piece piece;
    piece.in = in;
    piece.t = mT;
    piece.u = mU;
    piece.gain = mGain;
    // BY: the frame whose step reaches an end is already at that end.
    const int byEnd = mByTarget ? mByLength + 1 : 0;
    const int byStep = mByTarget ? 1 : -1;
    if (mByPos != byEnd && (byEnd - mByPos) * byStep == 1)
      mByPos = byEnd;
    if (mByPos == byEnd)
      piece.bypass = mByTarget ? 1 : 0;
    else
    {
      const int mixed = (byEnd - mByPos) * byStep - 1;
      n = n < mixed ? n : mixed;
      piece.bypass = 2;
      piece.byPos = mByPos;
      piece.byStep = byStep;
      piece.byDen = double(mByLength + 1);
      mByPos += byStep * n;
    }
    piece.outL = outL + pos;
    piece.outR = outR + pos;

    // Both passes of a crossfade read the inputs (the faded-out path writes no output).
    piece.inL = inL + pos;
    piece.inR = inR + pos;
    if (mFading)
    {
      piece.keep = mFadeOut;
      piece.fadeFrom = nullptr;
      chunk(*this, mPrevPath, piece, n);
      piece.keep = nullptr;
      piece.fadeFrom = mFadeOut;
      piece.fadeDone = int(mCount - mFadeStart);
      piece.fadeDen = double(mFadeLength + 1);
    }
    else
    {
      piece.keep = nullptr;
      piece.fadeFrom = nullptr;
    }
    chunk(*this, mPath, piece, n);
    std::memmove(mDry, mDry + n, kDryKeep * sizeof(V2));
    mCount += uint64_t(n);
    pos += n;
  }
}
