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

typedef void (*ChunkFn)(TeskChain&, const double*, const double*, double*, double*, int, bool,
                        bool, bool, V2, V2, V2);

bool CpuHasAvx2() noexcept
{
#if defined(TESK_HAVE_AVX2_KERNEL)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
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
    const double hz = TeskBands::kFreqLists[band].hz[band == 6 ? 1 : 0];
    mFreq[2 * band] = hz;
    mFreq[2 * band + 1] = hz;
  }
  ClearState();
  SetWideVectors(true);
  Pairs();
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
    f.z1 = f.z2 = V2{0.0, 0.0};
  mSatPeak.z1 = mSatPeak.z2 = V2{0.0, 0.0};
  mOutPeak.z1 = mOutPeak.z2 = V2{0.0, 0.0};
  ClearOversampler(mSatOs);
  ClearOversampler(mEqOs);
  mSatOutCurrent = true;
}

void TeskChain::BlockStart() noexcept
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

bool TeskChain::SetWideVectors(bool enable) noexcept
{
  mWide = enable && CpuHasAvx2();
  return mWide;
}

void TeskChain::Process(const double* inL, const double* inR, double* outL, double* outR,
                        int frames, int by, int ms, int over) noexcept
{
  BlockStart();
  if (frames < 1 || !inL || !inR || !outL || !outR)
    return;

  // Constant within the block: drive gains and output gains.
  const double drive = mStored[kDRIVE];
  const double tt = std::pow(10.0, drive / 20.0);
  const V2 t = V2{tt, tt};
  const double uu = std::pow(10.0, (0.5 - drive) / 20.0);
  const V2 u = V2{uu, uu};
  const V2 gain =
      V2{std::pow(10.0, mStored[kOUTL] / 20.0), std::pow(10.0, mStored[kOUTR] / 20.0)};

  ChunkFn chunk = TeskChainKernel<0>::Chunk;
#if defined(TESK_HAVE_AVX2_KERNEL)
  if (mWide)
    chunk = TeskChainKernel<1>::Chunk;
#endif
  for (int pos = 0; pos < frames; pos += kChunk)
  {
    const int n = frames - pos < kChunk ? frames - pos : kChunk;
    chunk(*this, inL + pos, inR + pos, outL + pos, outR + pos, n, by != 0, ms != 0, over != 0, t,
          u, gain);
  }
}
