#include "dsp/TeskChain.h"

#include "support/LiteralTeskChain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

typedef TeskChain C;

struct Setting
{
  int idx;
  double value;
};

// A mix of gains and selections that exercises every band, both branches of the peak
// formulas and the 25 Hz cut; the second channel differs from the first throughout.
const std::vector<Setting> kBusy = {
  {C::kHGAINL, 7.5},   {C::kHGAINR, -12.25}, {C::kMGAIN1L, -9},   {C::kMGAIN1R, 4.4},
  {C::kMGAIN2L, 3},    {C::kMGAIN2R, -2},    {C::kMGAIN3L, -4.5}, {C::kMGAIN3R, 1.23},
  {C::kMGAIN4L, 9},    {C::kMGAIN4R, -0.01}, {C::kLGAINL, 18},    {C::kLGAINR, -18},
  {C::kOUTL, -3.5},    {C::kOUTR, 12},       {C::kDRIVE, -27.3},  {C::kHFREQL, 2},
  {C::kHFREQR, 1},     {C::kMFREQ1L, 1},     {C::kMFREQ2L, 2},    {C::kMFREQ2R, 1},
  {C::kMFREQ3L, 1},    {C::kMFREQ3R, 2},     {C::kMFREQ4R, 1},    {C::kLFREQL, 1},
  {C::kLFREQR, 2},     {C::kLCUTL, 0},
};

// Drives hard (full-scale input reaches the flat part of the curve) with other selections.
const std::vector<Setting> kHot = {
  {C::kDRIVE, -20}, {C::kLGAINL, -6}, {C::kLGAINR, 6}, {C::kMGAIN2L, 4.5}, {C::kOUTL, 12},
  {C::kOUTR, -12},  {C::kLCUTR, 0},   {C::kHFREQL, 1}, {C::kHFREQR, 2},    {C::kMFREQ3L, 2},
};

// Quietest drive and the parameters' defaults otherwise.
const std::vector<Setting> kSoft = {{C::kDRIVE, -60}};

// The chain in its default form (AVX2 where the processor has it), the chain held to its
// baseline code, and the step-by-step reference, fed alike.
struct Pair
{
  TeskChain real;
  TeskChain narrow;
  LiteralTeskChain literal;

  explicit Pair(double sampleRate = 48000.0)
  {
    EXPECT_TRUE(real.SetSampleRate(sampleRate));
    EXPECT_TRUE(narrow.SetSampleRate(sampleRate));
    EXPECT_FALSE(narrow.SetWideVectors(false));
    literal.SR = sampleRate;
  }
  void Process(const double* inL, const double* inR, double* outL, double* outR, double* nL,
               double* nR, double* lL, double* lR, int frames, int by, int ms, int over)
  {
    real.Process(inL, inR, outL, outR, frames, by, ms, over);
    narrow.Process(inL, inR, nL, nR, frames, by, ms, over);
    literal.Process(inL, inR, lL, lR, frames, by, ms, over);
  }
  void SetSampleRate(double sr)
  {
    real.SetSampleRate(sr);
    narrow.SetSampleRate(sr);
    literal.SR = sr;
  }
  void Apply(const std::vector<Setting>& settings)
  {
    for (const Setting& s : settings)
      Set(s.idx, s.value);
  }
  void Set(int idx, double value)
  {
    EXPECT_TRUE(real.SetStoredValue(idx, value));
    EXPECT_TRUE(narrow.SetStoredValue(idx, value));
    literal.stored[idx] = value;
  }
};

struct Signal
{
  std::vector<double> l, r;
};

Signal Random(int frames, unsigned seed, double scale)
{
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-scale, scale);
  Signal s;
  for (int i = 0; i < frames; ++i)
  {
    s.l.push_back(dist(rng));
    s.r.push_back(dist(rng));
  }
  return s;
}

// Exponential sine sweep from 10 Hz to just below Nyquist, different phase per channel.
Signal Sweep(int frames, double sampleRate)
{
  Signal s;
  const double f0 = 10.0, f1 = 0.49 * sampleRate;
  const double k = std::log(f1 / f0) / frames;
  double phase = 0.0;
  for (int i = 0; i < frames; ++i)
  {
    phase += 2 * 3.141592653589793 * f0 * std::exp(k * i) / sampleRate;
    s.l.push_back(0.8 * std::sin(phase));
    s.r.push_back(0.6 * std::cos(1.3 * phase));
  }
  return s;
}

// Full-scale square waves, plus a few samples beyond full scale.
Signal FullScale(int frames)
{
  Signal s;
  for (int i = 0; i < frames; ++i)
  {
    s.l.push_back((i / 37) % 2 ? 1.0 : -1.0);
    s.r.push_back((i / 11) % 3 == 0 ? -1.0 : (i % 97 == 0 ? 8.0 : 1.0));
  }
  return s;
}

// Index of the first sample whose bits differ, or -1.
int FirstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
  if (a.size() != b.size())
    return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
      return static_cast<int>(i);
  return -1;
}

struct Switches
{
  int by, ms, over;
};

// Runs both chains over the signal cut into the given block sizes (cycled), with the same
// switches, and checks that every output sample has the same bits.
void ExpectIdentical(Pair& p, const Signal& in, const std::vector<int>& blocks, Switches sw,
                     const char* what)
{
  const int n = static_cast<int>(in.l.size());
  std::vector<double> rl(n), rr(n), nl(n), nr(n), ll(n), lr(n);
  int pos = 0;
  for (size_t b = 0; pos < n; ++b)
  {
    const int len = std::min(blocks[b % blocks.size()], n - pos);
    p.Process(&in.l[pos], &in.r[pos], &rl[pos], &rr[pos], &nl[pos], &nr[pos], &ll[pos], &lr[pos],
              len, sw.by, sw.ms, sw.over);
    pos += len;
  }
  EXPECT_EQ(FirstDifference(nl, ll), -1) << what << " baseline";
  EXPECT_EQ(FirstDifference(nr, lr), -1) << what << " baseline";
  const int dl = FirstDifference(rl, ll), dr = FirstDifference(rr, lr);
  EXPECT_EQ(dl, -1) << what << " by=" << sw.by << " ms=" << sw.ms << " over=" << sw.over
                    << (dl >= 0 ? " real " : "") << (dl >= 0 ? rl[dl] : 0.0) << " literal "
                    << (dl >= 0 ? ll[dl] : 0.0);
  EXPECT_EQ(dr, -1) << what << " by=" << sw.by << " ms=" << sw.ms << " over=" << sw.over;
}

TEST(TeskChainExactness, EverySwitchCombinationAtEverySampleRate)
{
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
  if (__builtin_cpu_supports("avx2"))
  {
    EXPECT_TRUE(TeskChain().UsesWideVectors()); // both kernels are compared below
  }
#endif
  for (double sr : {44100.0, 48000.0, 96000.0, 192000.0})
    for (int by = 0; by < 2; ++by)
      for (int ms = 0; ms < 2; ++ms)
        for (int over = 0; over < 2; ++over)
        {
          Pair p(sr);
          p.Apply(kBusy);
          const Signal in = Random(1500, 7 + by + 2 * ms + 4 * over, 1.0);
          ExpectIdentical(p, in, {512}, {by, ms, over}, "random");
        }
}

TEST(TeskChainExactness, SweepsFullScaleAndSettings)
{
  struct Case
  {
    const std::vector<Setting>* settings;
    const char* name;
  };
  for (const Case& c : {Case{&kBusy, "busy"}, Case{&kHot, "hot"}, Case{&kSoft, "soft"}})
    for (int over = 0; over < 2; ++over)
      for (int ms = 0; ms < 2; ++ms)
      {
        Pair sweep(96000.0);
        sweep.Apply(*c.settings);
        ExpectIdentical(sweep, Sweep(4000, 96000.0), {512, 7, 1}, {0, ms, over}, c.name);
        Pair full(44100.0);
        full.Apply(*c.settings);
        ExpectIdentical(full, FullScale(1500), {512}, {0, ms, over}, c.name);
        Pair loud(48000.0);
        loud.Apply(*c.settings);
        ExpectIdentical(loud, Random(1000, 99, 40.0), {333}, {0, ms, over}, c.name);
      }
}

TEST(TeskChainExactness, ChangesBetweenBlocksOfEverySize)
{
  // Switches, gains, selections (including ones that match nothing) and the sample rate
  // change between blocks of 0, 1, 7, 512 and random sizes.
  Pair p(44100.0);
  p.Apply(kBusy);
  std::mt19937 rng(1234);
  const Signal in = Random(20000, 5, 1.5);
  const int sizes[] = {0, 1, 7, 512, 64, 3};
  const double rates[] = {44100.0, 48000.0, 96000.0, 192000.0};
  const size_t n = in.l.size();
  std::vector<double> rl(n), rr(n), nl(n), nr(n), ll(n), lr(n);
  size_t pos = 0;
  while (pos < in.l.size())
  {
    const int len =
        std::min<int>(sizes[rng() % 6] + (rng() % 4 == 0 ? int(rng() % 300) : 0),
                      int(in.l.size() - pos));
    const Switches sw{int(rng() % 5 == 0), int(rng() % 2), int(rng() % 2)};
    if (rng() % 3 == 0)
    {
      const int idx = int(rng() % 15);
      p.Set(idx, idx == C::kDRIVE ? -60.0 + (rng() % 4000) / 100.0 : (int(rng() % 3601) - 1800) / 200.0);
      const int sel = C::kHFREQL + int(rng() % 14);
      p.Set(sel, (rng() % 8 == 0) ? 1.5 : double(rng() % 3));
    }
    if (rng() % 20 == 0)
      p.SetSampleRate(rates[rng() % 4]);
    p.Process(&in.l[pos], &in.r[pos], &rl[pos], &rr[pos], &nl[pos], &nr[pos], &ll[pos], &lr[pos],
              len, sw.by, sw.ms, sw.over);
    pos += len;
  }
  EXPECT_EQ(FirstDifference(rl, ll), -1);
  EXPECT_EQ(FirstDifference(rr, lr), -1);
  EXPECT_EQ(FirstDifference(nl, ll), -1);
  EXPECT_EQ(FirstDifference(nr, lr), -1);
}

TEST(TeskChainExactness, OversamplingSwitchedOnAfterLongAndShortBreaks)
{
  // The oversampled saturation keeps its history through blocks without OVER, whether
  // the break is long or only a few frames.
  Pair p(48000.0);
  p.Apply(kHot);
  const Signal in = Random(6000, 17, 2.0);
  std::vector<double> rl(6000), rr(6000), nl(6000), nr(6000), ll(6000), lr(6000);
  const int plan[][2] = {{1000, 0}, {700, 1}, {3, 0}, {1, 1}, {7, 0}, {9, 1}, {1, 0},
                         {1, 1}, {300, 0}, {64, 1}, {65, 0}, {3849, 1}};
  int pos = 0;
  for (const auto& step : plan)
  {
    p.Process(&in.l[pos], &in.r[pos], &rl[pos], &rr[pos], &nl[pos], &nr[pos], &ll[pos], &lr[pos],
              step[0], 0, 0, step[1]);
    pos += step[0];
  }
  ASSERT_EQ(pos, 6000);
  EXPECT_EQ(FirstDifference(rl, ll), -1);
  EXPECT_EQ(FirstDifference(rr, lr), -1);
  EXPECT_EQ(FirstDifference(nl, ll), -1);
  EXPECT_EQ(FirstDifference(nr, lr), -1);
}

TEST(TeskChain, BlockSizeDoesNotChangeTheOutput)
{
  const Signal in = Random(3000, 77, 1.0);
  std::vector<std::vector<double>> outs;
  for (std::vector<int> blocks : {std::vector<int>{3000}, {1}, {7}, {512}, {0, 5, 0, 700, 1}})
  {
    TeskChain c;
    for (const Setting& s : kBusy)
      c.SetStoredValue(s.idx, s.value);
    std::vector<double> l(in.l.size()), r(in.l.size());
    int pos = 0;
    for (size_t b = 0; pos < 3000; ++b)
    {
      const int len = std::min(blocks[b % blocks.size()], 3000 - pos);
      c.Process(&in.l[pos], &in.r[pos], &l[pos], &r[pos], len, 0, 0, 1);
      pos += len;
    }
    l.insert(l.end(), r.begin(), r.end());
    outs.push_back(l);
  }
  for (size_t k = 1; k < outs.size(); ++k)
    EXPECT_EQ(FirstDifference(outs[0], outs[k]), -1) << k;
}

TEST(TeskChain, InPlaceBuffersGiveTheSameOutput)
{
  const Signal in = Random(1200, 3, 1.0);
  for (int by = 0; by < 2; ++by)
  {
    TeskChain apart, inPlace;
    std::vector<double> l(in.l.size()), r(in.l.size());
    Signal buf = in;
    for (int pos = 0; pos < 1200; pos += 300)
    {
      apart.Process(&in.l[pos], &in.r[pos], &l[pos], &r[pos], 300, by, 0, 1);
      inPlace.Process(&buf.l[pos], &buf.r[pos], &buf.l[pos], &buf.r[pos], 300, by, 0, 1);
    }
    EXPECT_EQ(FirstDifference(l, buf.l), -1) << by;
    EXPECT_EQ(FirstDifference(r, buf.r), -1) << by;

    // Crossed buffers: the left output goes where the right input was and vice versa.
    TeskChain crossed;
    Signal x = in;
    for (int pos = 0; pos < 1200; pos += 300)
      crossed.Process(&x.l[pos], &x.r[pos], &x.r[pos], &x.l[pos], 300, by, 0, 1);
    EXPECT_EQ(FirstDifference(l, x.r), -1) << by;
    EXPECT_EQ(FirstDifference(r, x.l), -1) << by;
  }
}

TEST(TeskChain, BypassPassesInputBitForBitWhileStateRuns)
{
  Pair p;
  p.Apply(kBusy);
  Signal in = Random(1024, 8, 1.0);
  in.l[3] = -0.0;
  in.r[5] = std::numeric_limits<double>::denorm_min();
  in.l[7] = std::numeric_limits<double>::quiet_NaN();
  ExpectIdentical(p, in, {100}, {1, 0, 1}, "bypassed");
  // The bypassed output is the input delayed by the chain's latency (zeros before it),
  // so that it lines up with the processed sound.
  for (int over = 0; over < 2; ++over)
  {
    const int lag = TeskChain::LatencySamples(over);
    Signal delayed;
    delayed.l.assign(size_t(lag), 0.0);
    delayed.r.assign(size_t(lag), 0.0);
    delayed.l.insert(delayed.l.end(), in.l.begin(), in.l.end() - lag);
    delayed.r.insert(delayed.r.end(), in.r.begin(), in.r.end() - lag);
    std::vector<double> l(1024), r(1024);
    TeskChain c;
    c.Process(in.l.data(), in.r.data(), l.data(), r.data(), 1000, 1, 0, over);
    c.Process(&in.l[1000], &in.r[1000], &l[1000], &r[1000], 24, 1, 0, over);
    EXPECT_EQ(FirstDifference(l, delayed.l), -1) << over;
    EXPECT_EQ(FirstDifference(r, delayed.r), -1) << over;
  }
  // Leaving bypass continues from histories that kept running (compared with the literal
  // chain, which processed the same bypassed block).
  ExpectIdentical(p, Random(600, 9, 1.0), {600}, {0, 0, 1}, "after bypass");
}

TEST(TeskChain, EmptyOrInvalidBlocksOnlyRunTheBlockStart)
{
  TeskChain c;
  double inL[4] = {0.5, 0.5, 0.5, 0.5}, inR[4] = {0.1, 0.2, 0.3, 0.4};
  double outL[4] = {7, 7, 7, 7}, outR[4] = {7, 7, 7, 7};
  EXPECT_EQ(c.GetSelectedFrequency(C::kCutL), 1.0);
  EXPECT_TRUE(c.SetStoredValue(C::kLCUTL, 0));
  c.Process(inL, inR, outL, outR, 0, 0, 1, 0);
  EXPECT_EQ(c.GetSelectedFrequency(C::kCutL), 25.0);
  EXPECT_EQ(c.GetSelectedFrequency(C::kCutR), 1.0);
  c.SetStoredValue(C::kHFREQR, 2);
  c.Process(inL, inR, outL, outR, -5, 0, 1, 0);
  EXPECT_EQ(c.GetSelectedFrequency(C::kHighR), 20000.0);
  c.Process(nullptr, inR, outL, outR, 4, 0, 1, 0);
  c.Process(inL, inR, outL, nullptr, 4, 0, 1, 0);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(outL[i], 7.0);
  EXPECT_EQ(outR[0], 7.0);
  // A selection that matches no entry keeps the band's previous frequency.
  c.SetStoredValue(C::kHFREQR, 1.5);
  c.SetStoredValue(C::kMFREQ1L, 2);
  c.Process(inL, inR, outL, outR, 0, 0, 1, 0);
  EXPECT_EQ(c.GetSelectedFrequency(C::kHighR), 20000.0);
  EXPECT_EQ(c.GetSelectedFrequency(C::kMid1L), 80.0);
  EXPECT_EQ(c.GetSelectedFrequency(99), 0.0);
  // Nothing was processed, so the histories are still clean: a fresh chain agrees.
  TeskChain fresh;
  fresh.SetStoredValue(C::kLCUTL, 0);
  fresh.SetStoredValue(C::kHFREQR, 2);
  double a[4], b[4], x[4], y[4];
  c.Process(inL, inR, a, b, 4, 0, 1, 0);
  fresh.Process(inL, inR, x, y, 4, 0, 1, 0);
  EXPECT_EQ(std::memcmp(a, x, sizeof a), 0);
  EXPECT_EQ(std::memcmp(b, y, sizeof b), 0);
}

TEST(TeskChain, StoredValuesAndSampleRateRejectWhatTheyCannotUse)
{
  TeskChain c;
  EXPECT_EQ(c.GetStoredValue(C::kDRIVE), -40.0);
  EXPECT_EQ(c.GetStoredValue(C::kLCUTR), 1.0);
  for (int idx : {int(C::kBY), int(C::kLINK), int(C::kMS), int(C::kOVER), -1, 33})
  {
    EXPECT_FALSE(c.SetStoredValue(idx, 1.0)) << idx;
    EXPECT_EQ(c.GetStoredValue(idx), 0.0) << idx;
  }
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
  {
    EXPECT_FALSE(c.SetStoredValue(C::kOUTL, bad));
    EXPECT_FALSE(c.SetSampleRate(bad));
  }
  EXPECT_FALSE(c.SetSampleRate(0.0));
  EXPECT_FALSE(c.SetSampleRate(-48000.0));
  EXPECT_EQ(c.GetStoredValue(C::kOUTL), 0.0);
  EXPECT_EQ(c.GetSampleRate(), 44100.0);
  EXPECT_TRUE(c.SetStoredValue(C::kOUTL, -2.5));
  EXPECT_EQ(c.GetStoredValue(C::kOUTL), -2.5);
  EXPECT_TRUE(c.SetSampleRate(96000.0));
  EXPECT_EQ(c.GetSampleRate(), 96000.0);
}

TEST(TeskChain, NonFiniteInputNeverReachesTheFilters)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int ms = 0; ms < 2; ++ms)
    for (int over = 0; over < 2; ++over)
    {
      Pair p;
      p.Apply(kBusy);
      Signal in = Random(2000, 21, 1.0);
      for (int i = 500; i < 520; ++i)
      {
        in.l[i] = (i % 3 == 0) ? nan : (i % 3 == 1 ? inf : -inf);
        in.r[i] = (i % 2 == 0) ? -nan : inf;
      }
      in.l[900] = 1e308;
      in.r[900] = -1e308;
      std::vector<double> l(2000), r(2000);
      p.real.Process(in.l.data(), in.r.data(), l.data(), r.data(), 2000, 0, ms, over);
      for (int i = 0; i < 2000; ++i)
      {
        ASSERT_TRUE(std::isfinite(l[i])) << i;
        ASSERT_TRUE(std::isfinite(r[i])) << i;
      }
      Pair q;
      q.Apply(kBusy);
      ExpectIdentical(q, in, {512}, {0, ms, over}, "non-finite");
    }
}

TEST(TeskChain, SilenceSettlesTowardMinusTheOffset)
{
  // The 1e-10 input offset is removed by the low cut, leaving -1e-10 at the output.
  for (double cut : {0.0, 1.0})
  {
    TeskChain c;
    c.SetSampleRate(48000.0);
    c.SetStoredValue(C::kLCUTL, cut);
    c.SetStoredValue(C::kLCUTR, cut);
    const int frames = cut == 0.0 ? 12000 : 240000;
    std::vector<double> zeros(frames, 0.0), l(frames), r(frames);
    for (int over = 0; over < 2; ++over)
      c.Process(zeros.data(), zeros.data(), l.data(), r.data(), frames, 0, 1, over);
    EXPECT_NEAR(l.back(), -1e-10, 1e-14) << cut;
    EXPECT_NEAR(r.back(), -1e-10, 1e-14) << cut;
  }
}

TEST(TeskChain, MidSideWithEqualChannelsLeavesOnlyTheOffsetInTheSide)
{
  TeskChain c;
  const Signal in = Random(4000, 31, 1.0);
  std::vector<double> l(4000), r(4000);
  c.Process(in.l.data(), in.l.data(), l.data(), r.data(), 4000, 0, 0, 0);
  double level = 0.0, diff = 0.0;
  for (int i = 1000; i < 4000; ++i)
  {
    level = std::max(level, std::fabs(l[i]));
    diff = std::max(diff, std::fabs(l[i] - r[i]));
  }
  EXPECT_GT(level, 0.1);
  EXPECT_LT(diff, 1e-9);
}

} // namespace
