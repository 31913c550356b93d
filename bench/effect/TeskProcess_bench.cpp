// Cost of the effect's audio callback per host block, with plain and oversampled saturation.

#include "effect/Tesk.h"

#include "framework/IParam.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

static void BM_TeskProcess(benchmark::State& state)
{
  const int block = static_cast<int>(state.range(0));
  Tesk* tesk = static_cast<Tesk*>(MakePlug());
  tesk->SetSampleRate(48000.0);
  tesk->GetParam(TeskChain::kOVER)->SetValue(static_cast<double>(state.range(1)));
  std::vector<double> l(block), r(block);
  for (int i = 0; i < block; ++i) {
    l[i] = 0.3 * std::sin(0.05 * i);
    r[i] = 0.3 * std::cos(0.031 * i);
  }
  std::vector<double> ol(block), orr(block);
  double* in[2] = {l.data(), r.data()};
  double* out[2] = {ol.data(), orr.data()};
  for (auto _ : state) {
    tesk->ProcessDoubleReplacing(in, out, block);
    benchmark::DoNotOptimize(ol.data());
  }
  state.SetItemsProcessed(state.iterations() * block);
  tesk->release();
}
BENCHMARK(BM_TeskProcess)->ArgNames({"block", "over"})->Args({512, 0})->Args({512, 1})->Args({64, 1});
