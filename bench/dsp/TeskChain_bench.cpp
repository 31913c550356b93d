// Cost of the sound path per stereo frame at 48 kHz, for the chain and for the
// step-by-step reference it is checked against (same input, same settings, same output),
// and for the chain while changes are in progress.
// Counters: ns_per_frame (CPU time per stereo frame) and realtime_x (seconds of 48 kHz
// audio processed per second of CPU time).

#include "dsp/TeskChain.h"

#include "../../tests/dsp/support/LiteralTeskChain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

const int kBlock = 512;
const double kRate = 48000.0;

// Settings with every band active and unequal channels.
const double kSettings[][2] = {
  {TeskChain::kHGAINL, 3.0},  {TeskChain::kHGAINR, -4.0}, {TeskChain::kMGAIN1L, -2.0},
  {TeskChain::kMGAIN2R, 1.5}, {TeskChain::kMGAIN3L, 2.0}, {TeskChain::kMGAIN4R, -6.0},
  {TeskChain::kLGAINL, 6.0},  {TeskChain::kLGAINR, 4.0},  {TeskChain::kOUTL, -1.0},
  {TeskChain::kDRIVE, -30.0}, {TeskChain::kLFREQL, 1.0},  {TeskChain::kHFREQR, 2.0},
  {TeskChain::kLCUTL, 0.0},
};

struct Input
{
  std::vector<double> l, r;
  Input() : l(kBlock), r(kBlock)
  {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < kBlock; ++i)
    {
      l[i] = dist(rng);
      r[i] = dist(rng);
    }
  }
};

// True when the chain (with or without the wide code) and the reference give the same
// bits for a few blocks of the benchmark's input and settings.
bool SameOutput(const Input& in, bool wide, int over)
{
  TeskChain chain;
  chain.SetWideVectors(wide);
  chain.SetSampleRate(kRate);
  LiteralTeskChain literal;
  literal.SR = kRate;
  for (const auto& s : kSettings)
  {
    chain.SetStoredValue(int(s[0]), s[1]);
    literal.stored[int(s[0])] = s[1];
  }
  std::vector<double> a(kBlock), b(kBlock), c(kBlock), d(kBlock);
  for (int block = 0; block < 4; ++block)
  {
    chain.Process(in.l.data(), in.r.data(), a.data(), b.data(), kBlock, 0, 0, over);
    literal.Process(in.l.data(), in.r.data(), c.data(), d.data(), kBlock, 0, 0, over);
    if (std::memcmp(a.data(), c.data(), kBlock * sizeof(double)) != 0 ||
        std::memcmp(b.data(), d.data(), kBlock * sizeof(double)) != 0)
      return false;
  }
  return true;
}

void SetCounters(benchmark::State& state)
{
  const double frames = double(state.iterations()) * kBlock;
  state.counters["ns_per_frame"] =
      benchmark::Counter(frames / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

// Argument 0: OVER; argument 1: 1 for the AVX2 code where available, 0 for the baseline.
void BM_TeskChain(benchmark::State& state)
{
  const int over = int(state.range(0));
  const Input in;
  std::vector<double> outL(kBlock), outR(kBlock);
  TeskChain chain;
  if (chain.SetWideVectors(state.range(1) != 0) != (state.range(1) != 0))
  {
    state.SkipWithError("no AVX2 on this processor");
    return;
  }
  if (!SameOutput(in, state.range(1) != 0, over))
  {
    state.SkipWithError("output differs from the reference");
    return;
  }
  chain.SetSampleRate(kRate);
  for (const auto& s : kSettings)
    chain.SetStoredValue(int(s[0]), s[1]);
  for (auto _ : state)
  {
    chain.Process(in.l.data(), in.r.data(), outL.data(), outR.data(), kBlock, 0, 0, over);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  SetCounters(state);
}

// The cost while changes are in progress. Argument 0: what moves, changed at every block
// (512 frames, shorter than a glide and just longer than a crossfade): 0 every gain and
// DRIVE (glides), 1 a band selection (crossfades of the whole sound path), 2 BY, 3 one
// band gain (a glide, as one automated knob makes); argument 1: OVER; argument 2: AVX2
// as for BM_TeskChain.
void BM_TeskChainMoving(benchmark::State& state)
{
  const int kind = int(state.range(0));
  const int over = int(state.range(1));
  const Input in;
  std::vector<double> outL(kBlock), outR(kBlock);
  TeskChain chain;
  if (chain.SetWideVectors(state.range(2) != 0) != (state.range(2) != 0))
  {
    state.SkipWithError("no AVX2 on this processor");
    return;
  }
  chain.SetSampleRate(kRate);
  for (const auto& s : kSettings)
    chain.SetStoredValue(int(s[0]), s[1]);
  int block = 0, by = 0;
  long moving = 0;
  for (auto _ : state)
  {
    const bool odd = ++block % 2 != 0;
    if (kind == 0)
      for (int idx = 0; idx <= TeskChain::kDRIVE; ++idx)
        chain.SetStoredValue(idx, odd ? (idx == TeskChain::kDRIVE ? -25.0 : 2.0 + idx % 3)
                                      : (idx == TeskChain::kDRIVE ? -45.0 : -3.0 - idx % 2));
    else if (kind == 1)
      chain.SetStoredValue(TeskChain::kMFREQ3L, odd ? 2.0 : 0.0);
    else if (kind == 2)
      by = odd ? 1 : 0;
    else
      chain.SetStoredValue(TeskChain::kHGAINL, odd ? 6.0 : -6.0);
    // The first frames show whether the change started a transition.
    const int head = 32;
    chain.Process(in.l.data(), in.r.data(), outL.data(), outR.data(), head, by, 0, over);
    moving += chain.InTransition() ? 1 : 0;
    chain.Process(in.l.data() + head, in.r.data() + head, outL.data() + head, outR.data() + head,
                  kBlock - head, by, 0, over);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  if (moving < long(state.iterations()) / 2)
    state.SkipWithError("the changes did not keep a transition going");
  SetCounters(state);
}

void BM_LiteralChain(benchmark::State& state)
{
  const int over = int(state.range(0));
  const Input in;
  std::vector<double> outL(kBlock), outR(kBlock);
  LiteralTeskChain chain;
  chain.SR = kRate;
  for (const auto& s : kSettings)
    chain.stored[int(s[0])] = s[1];
  for (auto _ : state)
  {
    chain.Process(in.l.data(), in.r.data(), outL.data(), outR.data(), kBlock, 0, 0, over);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  SetCounters(state);
}

} // namespace

// With --benchmark_repetitions, "min" is the figure least disturbed by other load.
double Min(const std::vector<double>& v)
{
  return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_TeskChain)
    ->ArgNames({"over", "avx2"})
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->ComputeStatistics("min", Min);
BENCHMARK(BM_TeskChainMoving)
    ->ArgNames({"moving", "over", "avx2"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {1, 0}})
    ->ComputeStatistics("min", Min);
BENCHMARK(BM_LiteralChain)->ArgName("over")->Arg(0)->Arg(1)->ComputeStatistics("min", Min);
