// CPU per frame of the two editions on the same signal and setting, in host blocks of 512
// frames of 32-bit float: the VST 3 module through its entry points and the LV2 DSP
// library through liblilv. Items processed are frames.

#include "LilvHost.h"
#include "VstHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 512;
const char* const kLV2URI = "https://quillfen.example/lv2/tesk";

// Settings by short title: a musical equaliser setting, OVER from the benchmark's argument.
std::vector<std::pair<const char*, double>> Setting(int over)
{
  return {{"LFREQL", 1}, {"LGAINL", 2.5}, {"MGAIN2L", -1.5}, {"MFREQ3L", 1}, {"MGAIN3L", 1.0},
          {"HFREQL", 1}, {"HGAINL", 2.0}, {"DRIVE", -30},    {"OUTL", -1.0},  {"OVER", static_cast<double>(over)}};
}

void Signal(std::vector<float>& l, std::vector<float>& r)
{
  for (int i = 0; i < kBlock; ++i)
  {
    l[i] = static_cast<float>(0.3 * std::sin(0.05 * i));
    r[i] = static_cast<float>(0.3 * std::cos(0.031 * i));
  }
}

void BM_VST3Edition(benchmark::State& state)
{
  VstHost host;
  std::string error;
  if (!host.Load(TESK_BUNDLE_PATH, error) || !host.CreateEffect(error) || !host.SetChannels(2, error) ||
      !host.Start(48000.0, kBlock, 32, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  for (const auto& s : Setting(static_cast<int>(state.range(0))))
  {
    Steinberg::Vst::ParamID id = 0;
    if (host.FindParam(s.first, id)) host.QueueChange(id, host.PlainToNormalized(id, s.second));
  }
  std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  Signal(l, r);
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {ol.data(), orr.data()};
  for (auto _ : state)
  {
    host.Process32(in, out, kBlock);
    benchmark::DoNotOptimize(ol.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  // The setting took: 3 frames plain, 10 oversampled.
  state.counters["latency"] = host.Processor()->getLatencySamples();
}

void BM_LV2Edition(benchmark::State& state)
{
  tesk_lv2::LilvHost host;
  std::string error;
  tesk_lv2::LilvHost::Features features;
  features.maxBlock = kBlock;
  if (!host.Load(TESK_LV2_BUNDLE_PATH, kLV2URI, error) || !host.Start(48000.0, features, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  for (const auto& s : Setting(static_cast<int>(state.range(0)))) host.Control(s.first) = static_cast<float>(s.second);
  std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  Signal(l, r);
  for (auto _ : state)
  {
    host.Run(l.data(), r.data(), ol.data(), orr.data(), kBlock);
    benchmark::DoNotOptimize(ol.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["latency"] = host.Control("latency");
}

}  // namespace

BENCHMARK(BM_VST3Edition)->ArgName("over")->Arg(0)->Arg(1);
BENCHMARK(BM_LV2Edition)->ArgName("over")->Arg(0)->Arg(1);
