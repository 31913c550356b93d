// The module's audio equals the sound path run directly, in both sample sizes, and the
// channel link moves the second channel's values as the user expects.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include "dsp/TeskChain.h"

#include "ParamChanges.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace tesk_test;

namespace {

// The sound path at 48 kHz with the given stored values (others at their defaults).
struct Reference
{
  std::unique_ptr<TeskChain> chain = std::make_unique<TeskChain>();
  int by = 0, ms = 1, over = 0;

  explicit Reference(const std::map<int, double>& stored = {}, double sr = 48000.0)
  {
    chain->SetSampleRate(sr);
    for (const auto& kv : stored)
      EXPECT_TRUE(chain->SetStoredValue(kv.first, kv.second));
  }
  Planar Run(const Planar& in, int block, bool roundToFloat = false)
  {
    Planar out(2, std::vector<double>(in[0].size()));
    Planar src = in;
    if (roundToFloat)
      for (auto& ch : src)
        for (double& x : ch)
          x = static_cast<float>(x);
    for (size_t pos = 0; pos < in[0].size(); pos += block) {
      int n = static_cast<int>(std::min<size_t>(block, in[0].size() - pos));
      chain->Process(src[0].data() + pos, src[1].data() + pos, out[0].data() + pos, out[1].data() + pos, n, by,
                     ms, over);
    }
    if (roundToFloat)
      for (auto& ch : out)
        for (double& x : ch)
          x = static_cast<float>(x);
    return out;
  }
};

double Normalized(const ParamSpec& s, double plain)
{
  return (plain - s.min) / (s.max - s.min);
}

} // namespace

TEST(TeskSound, SixtyFourBitOutputEqualsTheSoundPath)
{
  Planar in = TestSignal(2, 3000);
  for (int over : {0, 1})
    for (int ms : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "OVER " << over << " MS " << ms);
      auto host = OpenTesk(2, 48000, 512);
      ASSERT_TRUE(host);
      SetPlain(*host, OVER, over);
      SetPlain(*host, MS, ms);
      SetPlain(*host, DRIVE, -24.0);
      SetPlain(*host, LFREQL, 2);
      SetPlain(*host, LGAINL, 4.5);
      SetPlain(*host, MFREQ3L, 1);
      SetPlain(*host, MGAIN3L, -3.0);
      Reference ref({{DRIVE, -24.0}, {LFREQL, 2}, {LFREQR, 2}, {LGAINL, 4.5}, {LGAINR, 4.5}, {MFREQ3L, 1},
                     {MFREQ3R, 1}, {MGAIN3L, -3.0}, {MGAIN3R, -3.0}});
      ref.over = over;
      ref.ms = ms;
      EXPECT_EQ(Render(*host, in, 512), ref.Run(in, 512));
    }
}

TEST(TeskSound, ThirtyTwoBitOutputEqualsTheSoundPathRoundedToFloat)
{
  Planar in = TestSignal(2, 2500);
  auto host = OpenTesk(2, 48000, 300, 32);
  ASSERT_TRUE(host);
  SetPlain(*host, OVER, 1);
  SetPlain(*host, HGAINL, -6.0);
  Reference ref({{HGAINL, -6.0}, {HGAINR, -6.0}});
  ref.over = 1;
  EXPECT_EQ(Render(*host, in, 300, 32), ref.Run(in, 300, true));
}

TEST(TeskSound, LinkedSecondChannelFollowsTheFirst)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  Planar in = TestSignal(2, 1024);
  SetPlain(*host, MGAIN2L, 3.0);
  // A change of the second channel while linked is overwritten by its twin.
  SetPlain(*host, MGAIN2R, -4.0);
  Planar out = Render(*host, in, 512);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN2R), Normalized(kParamSpecs[MGAIN2R], 3.0));
  Reference ref({{MGAIN2L, 3.0}, {MGAIN2R, 3.0}});
  EXPECT_EQ(out, ref.Run(in, 512));
}

TEST(TeskSound, UnlinkedChannelsMoveOnTheirOwn)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  Planar in = TestSignal(2, 1536);
  SetPlain(*host, MGAIN2L, 1.5);
  Render(*host, TestSignal(2, 64), 64);  // linked: MGAIN2R becomes 1.5
  SetPlain(*host, LINK, 1);
  SetPlain(*host, MGAIN2R, -2.0);
  SetPlain(*host, LCUTL, 0);  // the 25 Hz cut on the first channel only
  Reference ref({{MGAIN2L, 1.5}, {MGAIN2R, 1.5}});
  ref.Run(TestSignal(2, 64), 64);
  ref.chain->SetStoredValue(MGAIN2R, -2.0);
  ref.chain->SetStoredValue(LCUTL, 0);
  EXPECT_EQ(Render(*host, in, 512), ref.Run(in, 512));
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN2R), Normalized(kParamSpecs[MGAIN2R], -2.0));
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN2L), Normalized(kParamSpecs[MGAIN2L], 1.5));
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(LCUTR), 1.0);

  // Linking again snaps every second-channel value to its twin at the next block.
  SetPlain(*host, LINK, 0);
  Render(*host, TestSignal(2, 64), 64);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN2R), Normalized(kParamSpecs[MGAIN2R], 1.5));
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(LCUTR), 0.0);
  std::vector<uint8_t> state;
  std::string error;
  ASSERT_TRUE(host->GetState(state, error));
  double lcutr = -1;
  memcpy(&lcutr, state.data() + 8 * LCUTR, 8);
  EXPECT_EQ(lcutr, 0.0);  // the copied values are what the state saves
}

TEST(TeskSound, MidSideWithIdenticalChannelsLeavesOnlyTheOffsetResidue)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  SetPlain(*host, MS, 0);
  Planar in = TestSignal(2, 2048);
  in[1] = in[0];
  Planar out = Render(*host, in, 512);
  for (size_t i = 0; i < out[0].size(); ++i)
    ASSERT_NEAR(out[0][i], out[1][i], 1e-9) << i;
}

TEST(TeskSound, AutomationLandsOnItsSampleOffset)
{
  // Points inside one host block take effect at their frames: the output equals the sound
  // path run up to each point with the old values and on from there with the new ones.
  Planar in = TestSignal(2, 900);
  auto host = OpenTesk(2, 48000, 512);
  ASSERT_TRUE(host);
  const ParamSpec& out = kParamSpecs[OUTL];
  const ParamSpec& low = kParamSpecs[LGAINL];
  HostParameterChanges changes;
  changes.Add(OUTL, 100, Normalized(out, -6.0));
  changes.Add(LGAINL, 333, Normalized(low, 9.0));
  changes.Add(OUTL, 600, Normalized(out, 4.5));
  changes.Add(LFREQL, 600, 1.0);

  std::vector<double> l = in[0], r = in[1], ol(900), orr(900);
  double* ins[2] = {l.data(), r.data()};
  double* outs[2] = {ol.data(), orr.data()};
  Steinberg::Vst::AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers64 = ins;
  outBus.channelBuffers64 = outs;
  Steinberg::Vst::ProcessData data;
  data.symbolicSampleSize = Steinberg::Vst::kSample64;
  data.numSamples = 900;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(host->Processor()->process(data), Steinberg::kResultOk);

  Reference ref;
  Planar expected(2, std::vector<double>(900));
  auto run = [&](int from, int to) {
    Planar piece(2);
    for (int c = 0; c < 2; ++c)
      piece[c].assign(in[c].begin() + from, in[c].begin() + to);
    Planar res = ref.Run(piece, to - from);
    for (int c = 0; c < 2; ++c)
      std::copy(res[c].begin(), res[c].end(), expected[c].begin() + from);
  };
  run(0, 100);
  ref.chain->SetStoredValue(OUTL, -6.0);
  ref.chain->SetStoredValue(OUTR, -6.0);  // linked
  run(100, 333);
  ref.chain->SetStoredValue(LGAINL, 9.0);
  ref.chain->SetStoredValue(LGAINR, 9.0);
  run(333, 600);
  ref.chain->SetStoredValue(OUTL, 4.5);
  ref.chain->SetStoredValue(OUTR, 4.5);
  ref.chain->SetStoredValue(LFREQL, 2);
  ref.chain->SetStoredValue(LFREQR, 2);
  run(600, 900);
  EXPECT_EQ(ol, expected[0]);
  EXPECT_EQ(orr, expected[1]);
}
