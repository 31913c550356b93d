#include "effect/support/BundleHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tesk_test {

std::unique_ptr<VstHost> OpenTesk(int channels, double sampleRate, int maxBlock, int precision)
{
  auto host = std::make_unique<VstHost>();
  std::string error;
  if (!host->Load(TESK_BUNDLE_PATH, error) || !host->CreateEffect(error) || !host->SetChannels(channels, error) ||
      !host->Start(sampleRate, maxBlock, precision, error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return host;
}

Planar TestSignal(int channels, long frames, double sampleRate, double level)
{
  Planar out(channels, std::vector<double>(frames));
  uint32_t seed = 0x9E3779B9u;
  const double pi = 3.14159265358979323846;
  for (long i = 0; i < frames; ++i) {
    const double t = i / sampleRate;
    for (int c = 0; c < channels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
      double s = 0.4 * std::sin(2 * pi * (55.0 + 10 * c) * t) + 0.25 * std::sin(2 * pi * (440.0 + 3 * c) * t) +
                 0.15 * std::sin(2 * pi * 5000.0 * t + c) + 0.2 * noise;
      if (i % 4096 == 100)
        s += 0.8;
      out[c][i] = level * s;
    }
  }
  return out;
}

Planar Render(VstHost& host, const Planar& in, int block, int precision)
{
  const int ch = static_cast<int>(in.size());
  const long frames = static_cast<long>(in[0].size());
  Planar out(ch, std::vector<double>(frames));
  std::vector<std::vector<float>> in32(ch), out32(ch, std::vector<float>(block));
  if (precision == 32)
    for (int c = 0; c < ch; ++c)
      in32[c].assign(in[c].begin(), in[c].end());
  for (long pos = 0; pos < frames; pos += block) {
    const int n = static_cast<int>(std::min<long>(block, frames - pos));
    if (precision == 64) {
      double* ip[2];
      double* op[2];
      for (int c = 0; c < ch; ++c) {
        ip[c] = const_cast<double*>(in[c].data()) + pos;
        op[c] = out[c].data() + pos;
      }
      EXPECT_EQ(host.Process64(ip, op, n), Steinberg::kResultOk);
    } else {
      float* ip[2];
      float* op[2];
      for (int c = 0; c < ch; ++c) {
        ip[c] = in32[c].data() + pos;
        op[c] = out32[c].data();
      }
      EXPECT_EQ(host.Process32(ip, op, n), Steinberg::kResultOk);
      for (int c = 0; c < ch; ++c)
        for (int i = 0; i < n; ++i)
          out[c][pos + i] = out32[c][i];
    }
  }
  return out;
}

void SetPlain(VstHost& host, unsigned id, double plain)
{
  host.QueueChange(id, host.PlainToNormalized(id, plain));
}

} // namespace tesk_test
