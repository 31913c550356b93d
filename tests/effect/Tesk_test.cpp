// The effect object on its own: parameters, stored values, the channel link.

#include "effect/Tesk.h"
#include "effect/TeskPresetData.h"

#include "effect/TeskParameterTable.h"
#include "framework/ByteChunk.h"
#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// An instance as MakePlug builds it, released at the end of the test.
struct Instance
{
  Tesk* t = static_cast<Tesk*>(MakePlug());
  ~Instance() { t->release(); }
  IParam* P(int i) { return t->GetParam(i); }
};

// Parameter names in index order.
const char* const kNames[] = {
    "HGAINL", "HGAINR", "MGAIN1L", "MGAIN1R", "MGAIN2L", "MGAIN2R", "MGAIN3L", "MGAIN3R", "MGAIN4L",
    "MGAIN4R", "LGAINL", "LGAINR", "OUTL", "OUTR", "DRIVE", "BY", "LINK", "MS", "HFREQL", "HFREQR",
    "MFREQ1L", "MFREQ1R", "MFREQ2L", "MFREQ2R", "MFREQ3L", "MFREQ3R", "MFREQ4L", "MFREQ4R", "LFREQL",
    "LFREQR", "LCUTL", "LCUTR", "OVER"};

bool IsSwitch(int i)
{
  return i == TeskChain::kBY || i == TeskChain::kLINK || i == TeskChain::kMS || i == TeskChain::kOVER;
}

} // namespace

TEST(Tesk, ConstructionGivesNamedParametersDefaultsAndOnePreset)
{
  Instance in;
  ASSERT_EQ(in.t->NParams(), 33);
  for (int i = 0; i < 33; ++i) {
    SCOPED_TRACE(kNames[i]);
    const TeskParams::Param& spec = TeskParams::kTable[i];
    IParam* p = in.P(i);
    // The codes are the short titles, and they never change.
    EXPECT_STREQ(p->GetShortNameForHost(), kNames[i]);
    EXPECT_STREQ(spec.code, kNames[i]);
    EXPECT_STREQ(p->GetNameForHost(), spec.title);
    const bool isDouble = i <= TeskChain::kDRIVE;
    EXPECT_EQ(p->GetKind(), isDouble ? IParam::kTypeDouble : IParam::kTypeInt);
    EXPECT_EQ(p->GetStep(), isDouble ? 0.01 : 1.0);
    EXPECT_EQ(p->GetShape(), 1.0);
    // Gains and the drive are in dB; switches and selections show words or frequencies.
    EXPECT_STREQ(p->GetLabelForHost(), isDouble ? "dB" : "");
    EXPECT_EQ(p->GetNDisplayTexts(), isDouble ? 0 : spec.numStrings);
    for (int k = 0; k < p->GetNDisplayTexts(); ++k)
      EXPECT_STREQ(p->GetDisplayText(k), spec.strings[k]);
    EXPECT_EQ(p->GetValue(), p->GetDefault());
    EXPECT_EQ(p->GetMin(), spec.min);
    EXPECT_EQ(p->GetMax(), spec.max);
    EXPECT_EQ(p->GetDefault(), spec.def);
    // Every stored value is defined from the start: its parameter's default.
    if (!IsSwitch(i)) {
      EXPECT_EQ(in.t->GetStoredValue(i), p->GetDefault());
    }
    // The table keeps a stored value exactly where the sound path does.
    TeskChain chain;
    EXPECT_EQ(chain.SetStoredValue(i, spec.def), spec.storedSlot != TeskParams::kNone);
  }
  EXPECT_EQ(in.P(TeskChain::kDRIVE)->GetDefault(), -40.0);
  EXPECT_EQ(in.P(TeskChain::kMS)->GetDefault(), 1.0);
  EXPECT_EQ(in.P(TeskChain::kLCUTL)->GetDefault(), 1.0);
  EXPECT_EQ(in.P(TeskChain::kOVER)->GetMax(), 1.0);
  EXPECT_EQ(in.P(TeskChain::kHFREQL)->GetMax(), 2.0);
  EXPECT_EQ(in.P(TeskChain::kMGAIN2L)->GetMin(), -4.5);
  EXPECT_EQ(in.t->NPresets(), 1 + static_cast<int>(TeskPresetData::Factory().size()));
  EXPECT_STREQ(in.t->GetPresetName(0), "-");
  EXPECT_STREQ(in.t->GetEffectName(), "Tesk");
  EXPECT_EQ(in.t->GetEffectVersion(false), 0x30000);
  EXPECT_EQ(in.t->NInChannels(), 2);
  EXPECT_TRUE(in.t->LegalIO(1, 1));
  EXPECT_FALSE(in.t->LegalIO(2, 1));
  // The chain's delay and the ringing of its filters.
  EXPECT_EQ(in.t->GetLatency(), 3);
  EXPECT_EQ(Tesk::TailSamples(48000.0), 72000);
  EXPECT_EQ(Tesk::TailSamples(96000.0), 144000);
  EXPECT_EQ(Tesk::TailSamples(0.0), 0);
}

TEST(Tesk, TheLinkPairsEveryFirstChannelControlWithItsTwin)
{
  // The pairs the link visits, first channel to second; DRIVE, BY, LINK, MS and OVER have
  // no twin.
  const int kPairs[][2] = {
      {TeskChain::kLCUTL, TeskChain::kLCUTR},     {TeskChain::kMFREQ1L, TeskChain::kMFREQ1R},
      {TeskChain::kMFREQ2L, TeskChain::kMFREQ2R}, {TeskChain::kMFREQ3L, TeskChain::kMFREQ3R},
      {TeskChain::kMFREQ4L, TeskChain::kMFREQ4R}, {TeskChain::kLFREQL, TeskChain::kLFREQR},
      {TeskChain::kHFREQL, TeskChain::kHFREQR},   {TeskChain::kLGAINL, TeskChain::kLGAINR},
      {TeskChain::kHGAINL, TeskChain::kHGAINR},   {TeskChain::kMGAIN1L, TeskChain::kMGAIN1R},
      {TeskChain::kMGAIN2L, TeskChain::kMGAIN2R}, {TeskChain::kMGAIN3L, TeskChain::kMGAIN3R},
      {TeskChain::kMGAIN4L, TeskChain::kMGAIN4R}, {TeskChain::kOUTL, TeskChain::kOUTR},
  };
  int sources = 0;
  for (const TeskParams::Param& p : TeskParams::kTable)
    sources += TeskParams::IsLinkSource(p);
  EXPECT_EQ(sources, 14);
  Instance in;
  for (const auto& pair : kPairs) {
    SCOPED_TRACE(kNames[pair[0]]);
    EXPECT_TRUE(TeskParams::IsLinkSource(TeskParams::kTable[pair[0]]));
    EXPECT_EQ(TeskParams::kTable[pair[0]].linkPartner, pair[1]);
    // Linked (the default): the second channel follows at the next block start.
    in.P(pair[0])->SetValue(in.P(pair[0])->GetMax());
    in.t->OnParamChange(pair[0]);
  }
  double l[1] = {0}, r[1] = {0};
  double* io[2] = {l, r};
  in.t->ProcessDoubleReplacing(io, io, 0);
  for (const auto& pair : kPairs)
    EXPECT_EQ(in.P(pair[1])->GetValue(), in.P(pair[1])->GetMax()) << kNames[pair[1]];
}

TEST(Tesk, OverMovesTheLatencyAndRestoredStateAppliesTheLink)
{
  Instance in;
  in.P(TeskChain::kOVER)->SetValue(1);
  in.t->OnParamChange(TeskChain::kOVER);
  EXPECT_EQ(in.t->GetLatency(), 10);
  // Set without a notice (as a host's setParamNormalized does): the next block notices.
  in.P(TeskChain::kOVER)->SetValue(0);
  double l[1] = {0}, r[1] = {0};
  double* io[2] = {l, r};
  in.t->ProcessDoubleReplacing(io, io, 1);
  EXPECT_EQ(in.t->GetLatency(), 3);

  // A restored state in which the second channel differs while linked is linked at once.
  ByteChunk state;
  ASSERT_TRUE(in.t->SerializeState(&state));
  const double first = 5.0, second = -7.0;
  std::memcpy(state.GetBytes() + 8 * TeskChain::kOUTL, &first, 8);
  std::memcpy(state.GetBytes() + 8 * TeskChain::kOUTR, &second, 8);
  ASSERT_EQ(in.t->UnserializeState(&state, 0), state.Size());
  EXPECT_EQ(in.P(TeskChain::kOUTR)->GetValue(), 5.0);
  EXPECT_EQ(in.t->GetStoredValue(TeskChain::kOUTR), 5.0);
}

TEST(Tesk, OnParamChangeCopiesValuesButNotSwitches)
{
  Instance in;
  for (int i = 0; i < 33; ++i) {
    SCOPED_TRACE(kNames[i]);
    in.P(i)->SetNormalized(1.0);
    const double before = in.t->GetStoredValue(i);
    in.t->OnParamChange(i);
    EXPECT_EQ(in.t->GetStoredValue(i), IsSwitch(i) ? before : in.P(i)->GetValue());
  }
  in.t->OnParamChange(-1);
  in.t->OnParamChange(33);
  // A restored preset refreshes every stored value.
  ASSERT_TRUE(in.t->RestorePreset(0));
  for (int i = 0; i < 33; ++i) {
    if (!IsSwitch(i)) {
      EXPECT_EQ(in.t->GetStoredValue(i), in.P(i)->GetDefault()) << kNames[i];
    }
  }
}

TEST(Tesk, ChannelLinkRunsAtBlockStart)
{
  Instance in;
  double l[4] = {0}, r[4] = {0};
  double* io[2] = {l, r};

  // Linked: the second channel takes the first's stored value, even over its own change.
  in.P(TeskChain::kMGAIN2L)->SetValue(3.0);
  in.t->OnParamChange(TeskChain::kMGAIN2L);
  in.P(TeskChain::kMGAIN2R)->SetValue(-1.0);
  in.t->OnParamChange(TeskChain::kMGAIN2R);
  in.P(TeskChain::kHFREQL)->SetValue(2);
  in.t->OnParamChange(TeskChain::kHFREQL);
  in.t->ProcessDoubleReplacing(io, io, 0);
  EXPECT_EQ(in.P(TeskChain::kMGAIN2R)->GetValue(), 3.0);
  EXPECT_EQ(in.t->GetStoredValue(TeskChain::kMGAIN2R), 3.0);
  EXPECT_EQ(in.P(TeskChain::kHFREQR)->GetValue(), 2.0);
  EXPECT_EQ(in.t->GetStoredValue(TeskChain::kHFREQR), 2.0);

  // Independent: each side keeps its own value; a parameter moved without notice returns
  // to the stored value the sound path uses.
  in.P(TeskChain::kLINK)->SetValue(1);
  in.P(TeskChain::kMGAIN2R)->SetValue(-2.0);
  in.t->OnParamChange(TeskChain::kMGAIN2R);
  in.P(TeskChain::kOUTR)->SetValue(5.0);
  in.t->ProcessDoubleReplacing(io, io, 4);
  EXPECT_EQ(in.P(TeskChain::kMGAIN2R)->GetValue(), -2.0);
  EXPECT_EQ(in.P(TeskChain::kMGAIN2L)->GetValue(), 3.0);
  EXPECT_EQ(in.P(TeskChain::kOUTR)->GetValue(), 0.0);
  EXPECT_EQ(in.t->GetStoredValue(TeskChain::kOUTR), 0.0);
}

TEST(Tesk, ProcessesInPlaceAndPassesThroughWhenBypassed)
{
  Instance in;
  double l[64], r[64], keepL[64], keepR[64];
  for (int i = 0; i < 64; ++i) {
    l[i] = keepL[i] = 0.01 * (i % 7) - 0.03;
    r[i] = keepR[i] = -0.02 * (i % 5);
  }
  double* io[2] = {l, r};
  in.P(TeskChain::kBY)->SetValue(1);
  in.t->ProcessDoubleReplacing(io, io, 64);
  // Bypassed, the input comes out delayed by the sound path's latency, lined up with the
  // processed sound.
  const int lag = TeskChain::LatencySamples(0);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(l[i], i < lag ? 0.0 : keepL[i - lag]) << i;
    EXPECT_EQ(r[i], i < lag ? 0.0 : keepR[i - lag]) << i;
  }
  std::memcpy(l, keepL, sizeof l);
  std::memcpy(r, keepR, sizeof r);
  in.P(TeskChain::kBY)->SetValue(0);
  in.t->ProcessDoubleReplacing(io, io, 64);
  EXPECT_NE(std::memcmp(l, keepL, sizeof l), 0);
}

// After a state restore or an activation the restored values play from the first sample:
// the effect's output equals a sound path that had the same history and was told to skip
// its transitions, and differs from one that glides.
TEST(Tesk, RestoredAndActivatedValuesApplyAtOnce)
{
  const int n = 256;
  std::vector<double> inL(n), inR(n);
  for (int i = 0; i < n; ++i) {
    inL[i] = 0.25 * std::sin(0.05 * i);
    inR[i] = 0.25 * std::cos(0.031 * i);
  }
  for (const bool viaState : {true, false}) {
    SCOPED_TRACE(viaState ? "state restore" : "activation");
    Instance in;
    TeskChain skipping, gliding;
    std::vector<double> outL(n), outR(n), refL(n), refR(n), glideL(n), glideR(n);
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {outL.data(), outR.data()};
    // One block with the defaults gives every path the same history.
    in.t->ProcessDoubleReplacing(ins, outs, n);
    const int ms = in.P(TeskChain::kMS)->GetInt();
    skipping.Process(inL.data(), inR.data(), refL.data(), refR.data(), n, 0, ms, 0);
    gliding.Process(inL.data(), inR.data(), glideL.data(), glideR.data(), n, 0, ms, 0);

    const std::pair<int, double> changes[] = {{TeskChain::kHGAINL, 12.0},
                                              {TeskChain::kOUTL, -6.0},
                                              {TeskChain::kMFREQ3L, 1.0},
                                              {TeskChain::kLINK, 1.0}};
    if (viaState) {
      ByteChunk state;
      ASSERT_TRUE(in.t->SerializeState(&state));
      for (const auto& c : changes)
        std::memcpy(state.GetBytes() + 8 * c.first, &c.second, 8);
      ASSERT_EQ(in.t->UnserializeState(&state, 0), state.Size());
    } else {
      for (const auto& c : changes) {
        in.P(c.first)->SetValue(c.second);
        in.t->OnParamChange(c.first);
      }
      in.t->OnActivate(true);
    }
    for (const auto& c : changes)
      if (c.first != TeskChain::kLINK) {
        skipping.SetStoredValue(c.first, c.second);
        gliding.SetStoredValue(c.first, c.second);
      }
    skipping.SkipTransitions();
    in.t->ProcessDoubleReplacing(ins, outs, n);
    skipping.Process(inL.data(), inR.data(), refL.data(), refR.data(), n, 0, ms, 0);
    gliding.Process(inL.data(), inR.data(), glideL.data(), glideR.data(), n, 0, ms, 0);
    EXPECT_EQ(std::memcmp(outL.data(), refL.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(outR.data(), refR.data(), n * sizeof(double)), 0);
    EXPECT_NE(std::memcmp(outL.data(), glideL.data(), n * sizeof(double)), 0);
  }
}
