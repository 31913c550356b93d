// Glides and crossfades: the chain against the step-by-step reference under automation,
// in both kernels and however the blocks are cut; how long transitions take; values that
// must apply at once.

#include "dsp/TeskChain.h"

#include "support/LiteralTeskChain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

typedef TeskChain C;

const int kSkip = -1; // event: SkipTransitions
const int kRate = -2; // event: sample rate

// At `frame`, set a stored value, a switch (kBY, kMS, kOVER), the sample rate or skip.
struct Event
{
  int frame;
  int idx;
  double value;
};

struct Scenario
{
  const char* name;
  double rate;
  int frames;
  std::vector<Event> events;
};

struct Output
{
  std::vector<double> l, r;
};

std::vector<double> Noise(int frames, unsigned seed)
{
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-0.7, 0.7);
  std::vector<double> v(static_cast<size_t>(frames));
  for (double& x : v)
    x = dist(rng);
  return v;
}

// Runs a chain (TeskChain or LiteralTeskChain) through the scenario. Blocks end at every
// event and otherwise follow `cuts` (cycled).
template <typename Chain, typename Setup, typename Set, typename Skip>
Output Run(const Scenario& s, const std::vector<int>& cuts, Chain& chain, Setup rate, Set set,
           Skip skip)
{
  const std::vector<double> inL = Noise(s.frames, 1), inR = Noise(s.frames, 2);
  Output out{std::vector<double>(size_t(s.frames)), std::vector<double>(size_t(s.frames))};
  int sw[C::kNumParams] = {};
  sw[C::kMS] = 1;
  rate(s.rate);
  size_t next = 0, cut = 0;
  for (int pos = 0; pos < s.frames;)
  {
    for (; next < s.events.size() && s.events[next].frame <= pos; ++next)
    {
      const Event& e = s.events[next];
      if (e.idx == kSkip)
        skip();
      else if (e.idx == kRate)
        rate(e.value);
      else if (e.idx == C::kBY || e.idx == C::kMS || e.idx == C::kOVER)
        sw[e.idx] = int(e.value);
      else
        set(e.idx, e.value);
    }
    int n = std::min(cuts[cut++ % cuts.size()], s.frames - pos);
    if (next < s.events.size())
      n = std::min(n, s.events[next].frame - pos);
    chain.Process(&inL[size_t(pos)], &inR[size_t(pos)], &out.l[size_t(pos)], &out.r[size_t(pos)],
                  n, sw[C::kBY], sw[C::kMS], sw[C::kOVER]);
    pos += n;
  }
  return out;
}

Output RunReal(const Scenario& s, const std::vector<int>& cuts, bool wide)
{
  TeskChain c;
  c.SetWideVectors(wide);
  return Run(
      s, cuts, c, [&](double r) { c.SetSampleRate(r); },
      [&](int idx, double v) { EXPECT_TRUE(c.SetStoredValue(idx, v)); },
      [&] { c.SkipTransitions(); });
}

Output RunLiteral(const Scenario& s)
{
  LiteralTeskChain c;
  return Run(
      s, {4096}, c, [&](double r) { c.SR = r; }, [&](int idx, double v) { c.stored[idx] = v; },
      [&] { c.SkipTransitions(); });
}

int FirstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
      return int(i);
  return -1;
}

// Automation through a whole scenario of dense changes, every parameter kind and switch,
// each fed to the chain at random block boundaries.
Scenario Automation(unsigned seed, double rate)
{
  std::mt19937 rng(seed);
  Scenario s{"random automation", rate, 30000, {}};
  for (int f = 0; f < s.frames; f += 1 + int(rng() % 700))
  {
    const int kind = int(rng() % 10);
    if (kind < 5)
      s.events.push_back({f, int(rng() % 14), (int(rng() % 3601) - 1800) / 100.0});
    else if (kind == 5)
      s.events.push_back({f, C::kDRIVE, -60.0 + (rng() % 4001) / 100.0});
    else if (kind == 6)
      s.events.push_back({f, C::kHFREQL + int(rng() % 14), double(rng() % 3)});
    else if (kind == 7)
      s.events.push_back({f, C::kBY, double(rng() % 2)});
    else if (kind == 8)
      s.events.push_back({f, C::kOVER, double(rng() % 2)});
    else
      s.events.push_back({f, rng() % 4 ? C::kMS : kSkip, double(rng() % 2)});
  }
  return s;
}

std::vector<Scenario> Scenarios()
{
  std::vector<Scenario> all = {
      // A glide retargeted before it ends carries its speed on; DRIVE moves while the
      // oversampled saturation runs; the output gain follows dense automation.
      {"glides retargeted",
       44100.0,
       12000,
       {{0, C::kOVER, 1},
        {1000, C::kHGAINL, 18},
        {1003, C::kLGAINR, -18},
        {1300, C::kHGAINL, -5},
        {1301, C::kHGAINL, -4.5},
        {2500, C::kDRIVE, -20},
        {2900, C::kDRIVE, -55},
        {4000, C::kMGAIN3R, 4.5},
        {4000, C::kMGAIN3R, 4.5}}},
      // Switch changes during a crossfade wait for its end; one turns back to the
      // current path's setting.
      {"switches queued",
       48000.0,
       9000,
       {{500, C::kMS, 0},
        {600, C::kOVER, 1},
        {700, C::kHFREQL, 2},
        {1200, C::kLCUTR, 0},
        {1300, C::kLCUTR, 1},
        {3000, C::kMFREQ2L, 1},
        {3001, C::kMGAIN2L, -4.5},
        {3100, C::kOVER, 0}}},
      // BY turns back mid-fade, also while OVER changes the delay of the bypassed input.
      {"bypass turns back",
       96000.0,
       9000,
       {{300, C::kBY, 1}, {700, C::kBY, 0}, {760, C::kBY, 1}, {800, C::kOVER, 1},
        {3000, C::kBY, 0}, {3100, C::kOVER, 0}, {5000, C::kBY, 1}}},
      // Everything applies at once after SkipTransitions, also mid-transition; a glide
      // keeps the step count it started with when the rate changes.
      {"skipped and rate changes",
       44100.0,
       9000,
       {{200, C::kOUTR, 12},
        {400, C::kMS, 0},
        {500, kSkip, 0},
        {500, C::kHGAINR, -18},
        {2000, C::kLGAINL, 12},
        {2100, kRate, 96000.0},
        {4000, C::kBY, 1},
        {4050, kSkip, 0},
        {4050, C::kBY, 0}}},
  };
  // The channel link: every second-channel value jumps to the first channel's at once.
  Scenario link{"link", 48000.0, 6000, {}};
  for (int idx = 0; idx < 14; idx += 2)
  {
    link.events.push_back({0, idx, idx == C::kOUTL ? -6.0 : 3.0 + idx});
    link.events.push_back({2000, idx + 1, idx == C::kOUTL ? -6.0 : 3.0 + idx});
  }
  for (int idx = C::kHFREQL; idx <= C::kLCUTL; idx += 2)
  {
    link.events.push_back({0, idx, 1});
    link.events.push_back({2000, idx + 1, 1});
  }
  std::stable_sort(link.events.begin(), link.events.end(),
                   [](const Event& a, const Event& b) { return a.frame < b.frame; });
  all.push_back(link);
  all.push_back(Automation(11, 44100.0));
  all.push_back(Automation(12, 192000.0));
  return all;
}

TEST(TeskChainTransitions, MatchTheReferenceInBothKernelsHoweverTheBlocksAreCut)
{
  for (const Scenario& s : Scenarios())
  {
    const Output literal = RunLiteral(s);
    for (bool wide : {true, false})
      for (const std::vector<int>& cuts :
           {std::vector<int>{4096}, {1}, {7, 64, 13, 200}, {C::kGlideInterval - 1, 333}})
      {
        const Output real = RunReal(s, cuts, wide);
        const int dl = FirstDifference(real.l, literal.l);
        const int dr = FirstDifference(real.r, literal.r);
        EXPECT_EQ(dl, -1) << s.name << (wide ? " wide" : " baseline") << " cut " << cuts[0]
                          << (dl >= 0 ? ": " + std::to_string(real.l[size_t(dl)]) + " vs " +
                                            std::to_string(literal.l[size_t(dl)])
                                      : std::string());
        EXPECT_EQ(dr, -1) << s.name << (wide ? " wide" : " baseline") << " cut " << cuts[0];
      }
  }
}

// Frames until the chain is out of transition after a change at a block start, taking
// one frame per block.
int FramesInTransition(TeskChain& c, int by, int ms, int over)
{
  double in = 0.1, outL, outR;
  int frames = 0;
  do
  {
    c.Process(&in, &in, &outL, &outR, 1, by, ms, over);
    ++frames;
  } while (c.InTransition() && frames < 100000);
  return frames;
}

TEST(TeskChainTransitions, TakeTheSameTimeAtEverySampleRate)
{
  for (double rate : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0})
  {
    const double ms = 1000.0 / rate;
    struct Kind
    {
      const char* name;
      int idx; // stored value changed, or a switch
      double seconds;
    };
    for (const Kind& k : {Kind{"glide", C::kMGAIN1L, C::kGlideSeconds},
                          Kind{"fade", C::kMFREQ1L, C::kFadeSeconds},
                          Kind{"MS", C::kMS, C::kFadeSeconds},
                          Kind{"BY", C::kBY, C::kFadeSeconds}})
    {
      TeskChain c;
      c.SetSampleRate(rate);
      std::vector<double> buf(1000, 0.1);
      c.Process(buf.data(), buf.data(), buf.data(), buf.data(), 997, 0, 1, 0);
      EXPECT_FALSE(c.InTransition());
      int by = 0, sw = 1;
      if (k.idx == C::kBY)
        by = 1;
      else if (k.idx == C::kMS)
        sw = 0;
      else
        c.SetStoredValue(k.idx, 1.0);
      const double taken = FramesInTransition(c, by, sw, 0) * ms;
      // Glides step every kGlideInterval frames from the first grid point on.
      const double slack = k.idx == C::kMGAIN1L ? 2 * C::kGlideInterval * ms : 2 * ms;
      EXPECT_NEAR(taken, k.seconds * 1000.0, slack) << k.name << " at " << rate;
    }
  }
}

TEST(TeskChainTransitions, ValuesApplyAtOnceBeforeTheFirstSamplesAndAfterSkipping)
{
  // Changes made before any sample was processed (also across empty blocks) or followed
  // by SkipTransitions start no transition, and a cleared chain renders what a new one
  // does.
  std::vector<double> in = Noise(3000, 5), l(3000), r(3000), fl(3000), fr(3000);
  TeskChain c;
  c.SetSampleRate(48000.0);
  c.SetStoredValue(C::kHGAINL, 9.0);
  c.Process(in.data(), in.data(), l.data(), r.data(), 0, 1, 0, 1);
  c.SetStoredValue(C::kMFREQ2R, 2.0);
  c.Process(in.data(), in.data(), l.data(), r.data(), 0, 0, 1, 1);
  EXPECT_FALSE(c.InTransition());
  c.Process(in.data(), in.data(), l.data(), r.data(), 1000, 0, 1, 1);
  EXPECT_FALSE(c.InTransition());

  c.SetStoredValue(C::kOUTL, -12.0);
  c.Process(in.data(), in.data(), l.data(), r.data(), 10, 1, 0, 0);
  EXPECT_TRUE(c.InTransition());
  c.SkipTransitions();
  c.SetStoredValue(C::kLFREQL, 1.0);
  c.Process(in.data(), in.data(), l.data(), r.data(), 10, 0, 1, 1);
  EXPECT_FALSE(c.InTransition());

  c.SetStoredValue(C::kDRIVE, -25.0);
  c.Process(in.data(), in.data(), l.data(), r.data(), 100, 0, 1, 0);
  EXPECT_TRUE(c.InTransition());
  c.ClearState();
  TeskChain fresh;
  fresh.SetSampleRate(48000.0);
  for (int idx : {C::kHGAINL, C::kMFREQ2R, C::kOUTL, C::kLFREQL, C::kDRIVE})
    fresh.SetStoredValue(idx, c.GetStoredValue(idx));
  c.Process(in.data(), in.data(), l.data(), r.data(), 3000, 0, 1, 0);
  fresh.Process(in.data(), in.data(), fl.data(), fr.data(), 3000, 0, 1, 0);
  EXPECT_FALSE(c.InTransition());
  EXPECT_EQ(FirstDifference(l, fl), -1);
  EXPECT_EQ(FirstDifference(r, fr), -1);
}

TEST(TeskChainTransitions, BypassedInputLinesUpWithTheProcessedSound)
{
  // An impulse comes out of the processing at the chain's latency, and bypassed at the
  // same delay.
  for (int over = 0; over < 2; ++over)
    for (int by = 0; by < 2; ++by)
    {
      TeskChain c;
      std::vector<double> in(64, 0.0), l(64), r(64);
      in[5] = 0.5;
      c.Process(in.data(), in.data(), l.data(), r.data(), 64, by, 1, over);
      const long peak = std::max_element(l.begin(), l.end(),
                                         [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
                        l.begin();
      EXPECT_EQ(peak, 5 + TeskChain::LatencySamples(over)) << "by " << by << " over " << over;
    }
}

} // namespace
