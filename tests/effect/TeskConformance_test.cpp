// Host-conformance checks on the built module: repeated load and tear-down, several
// instances, activation cycles, sample rates, block sizes, silence.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace tesk_test;

namespace {

bool AllFinite(const Planar& p, double limit = 100.0)
{
  for (const auto& ch : p)
    for (double x : ch)
      if (!std::isfinite(x) || std::fabs(x) > limit)
        return false;
  return true;
}

} // namespace

TEST(TeskConformance, LoadProcessAndTearDownRepeatedly)
{
  Planar in = TestSignal(2, 600);
  Planar first;
  for (int round = 0; round < 12; ++round) {
    auto host = OpenTesk();
    ASSERT_TRUE(host);
    Planar out = Render(*host, in, 200);
    if (round == 0)
      first = out;
    else
      EXPECT_EQ(out, first) << "round " << round;  // every fresh instance starts from the same state
    host->ReleaseEffect();
  }
}

TEST(TeskConformance, SeveralInstancesAreIndependent)
{
  Planar in = TestSignal(2, 2048);
  auto reference = OpenTesk();
  ASSERT_TRUE(reference);
  Planar expected = Render(*reference, in, 2048);

  std::vector<std::unique_ptr<VstHost>> hosts;
  for (int i = 0; i < 4; ++i) {
    hosts.push_back(OpenTesk());
    ASSERT_TRUE(hosts.back());
  }
  // One instance gets other settings; the others must not notice.
  SetPlain(*hosts[1], HGAINL, 12.0);
  SetPlain(*hosts[1], DRIVE, -20.0);
  Planar outs[4];
  for (auto& o : outs)
    o.assign(2, std::vector<double>(in[0].size()));
  for (long pos = 0; pos < 2048; pos += 256)
    for (int i = 0; i < 4; ++i) {
      Planar slice(2), res;
      for (int c = 0; c < 2; ++c)
        slice[c].assign(in[c].begin() + pos, in[c].begin() + pos + 256);
      res = Render(*hosts[i], slice, 256);
      for (int c = 0; c < 2; ++c)
        std::copy(res[c].begin(), res[c].end(), outs[i][c].begin() + pos);
    }
  EXPECT_EQ(outs[0], expected);
  EXPECT_NE(outs[1], expected);
  EXPECT_EQ(outs[2], expected);
  EXPECT_EQ(outs[3], expected);
}

TEST(TeskConformance, ActivationCyclesKeepProcessing)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  Planar in = TestSignal(2, 512);
  std::string error;
  for (int cycle = 0; cycle < 8; ++cycle) {
    EXPECT_TRUE(AllFinite(Render(*host, in, 128)));
    host->Stop();
    ASSERT_TRUE(host->Start(cycle % 2 ? 44100 : 96000, 128 << (cycle % 3), cycle % 2 ? 32 : 64, error)) << error;
    if (cycle % 2) {
      EXPECT_TRUE(AllFinite(Render(*host, in, 128, 32)));
      host->Stop();
      ASSERT_TRUE(host->Start(48000, 512, 64, error));
    }
  }
}

TEST(TeskConformance, SampleRatesFrom22kTo384k)
{
  for (double sr : {22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0, 384000.0}) {
    SCOPED_TRACE(sr);
    auto host = OpenTesk(2, sr, 1024);
    ASSERT_TRUE(host);
    // Every band at its highest frequency and full boost: the filters must stay stable even
    // where the band frequency approaches the host's Nyquist rate.
    SetPlain(*host, HFREQL, 2);
    SetPlain(*host, HGAINL, 18);
    SetPlain(*host, MFREQ4L, 1);
    SetPlain(*host, MGAIN4L, 9);
    SetPlain(*host, LCUTL, 0);
    Planar in = TestSignal(2, 4096, sr, 0.3);
    Planar out = Render(*host, in, 1024);
    EXPECT_TRUE(AllFinite(out, 50.0));
  }
}

TEST(TeskConformance, BlockSizesFrom1To8192GiveTheSameOutput)
{
  // Everything a block start computes depends only on the parameters, so the result must
  // not depend on how the host slices the stream.
  Planar in = TestSignal(2, 8192 + 300);
  auto whole = OpenTesk(2, 48000, 8192);
  ASSERT_TRUE(whole);
  SetPlain(*whole, OVER, 1);
  SetPlain(*whole, MS, 0);
  Planar expected(2, std::vector<double>(in[0].size()));
  {
    Planar a(2), b(2);
    for (int c = 0; c < 2; ++c) {
      a[c].assign(in[c].begin(), in[c].begin() + 8192);
      b[c].assign(in[c].begin() + 8192, in[c].end());
    }
    Planar oa = Render(*whole, a, 8192), ob = Render(*whole, b, 8192);
    for (int c = 0; c < 2; ++c) {
      std::copy(oa[c].begin(), oa[c].end(), expected[c].begin());
      std::copy(ob[c].begin(), ob[c].end(), expected[c].begin() + 8192);
    }
  }
  for (int block : {1, 7, 64, 511, 4096}) {
    auto host = OpenTesk(2, 48000, block);
    ASSERT_TRUE(host);
    SetPlain(*host, OVER, 1);
    SetPlain(*host, MS, 0);
    EXPECT_EQ(Render(*host, in, block), expected) << "block " << block;
  }
  // A host may also send blocks of varying size up to its maximum.
  auto host = OpenTesk(2, 48000, 8192);
  ASSERT_TRUE(host);
  SetPlain(*host, OVER, 1);
  SetPlain(*host, MS, 0);
  Planar out(2, std::vector<double>(in[0].size()));
  long pos = 0;
  for (int step = 1; pos < static_cast<long>(in[0].size()); step = step * 3 % 8191 + 1) {
    int n = static_cast<int>(std::min<long>(step, in[0].size() - pos));
    Planar slice(2);
    for (int c = 0; c < 2; ++c)
      slice[c].assign(in[c].begin() + pos, in[c].begin() + pos + n);
    Planar res = Render(*host, slice, n);
    for (int c = 0; c < 2; ++c)
      std::copy(res[c].begin(), res[c].end(), out[c].begin() + pos);
    pos += n;
  }
  EXPECT_EQ(out, expected);
}

TEST(TeskConformance, ZeroFramesAndSilenceFlags)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  double* none[2] = {nullptr, nullptr};
  EXPECT_EQ(host->Process64(none, none, 0), kResultOk);

  // Silent input flagged as silent: the output is not claimed silent unless it is.
  std::vector<double> l(256, 0.0), r(256, 0.0), ol(256, 1.0), orr(256, 1.0);
  double* in[2] = {l.data(), r.data()};
  double* out[2] = {ol.data(), orr.data()};
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.silenceFlags = 3;
  outBus.silenceFlags = 0;
  inBus.channelBuffers64 = in;
  outBus.channelBuffers64 = out;
  ProcessData data;
  data.symbolicSampleSize = kSample64;
  data.numSamples = 256;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  for (int block = 0; block < 20; ++block) {
    ASSERT_EQ(host->Processor()->process(data), kResultOk);
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < 256; ++i) {
        ASSERT_TRUE(std::isfinite(out[c][i]));
        ASSERT_LT(std::fabs(out[c][i]), 1e-6);
        if (outBus.silenceFlags & (1ull << c)) {
          ASSERT_EQ(out[c][i], 0.0);
        }
      }
    }
  }
}

TEST(TeskConformance, MonoLayoutProcesses)
{
  auto host = OpenTesk(1);
  ASSERT_TRUE(host);
  Planar in = TestSignal(1, 1000);
  Planar out = Render(*host, in, 250);
  EXPECT_TRUE(AllFinite(out));
  EXPECT_NE(out, in);
}
