// The built module as a host sees it: factory, parameters, units, buses, state, bypass.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include "dsp/TeskChain.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include "ByteStream.h"
#include "ParamChanges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace tesk_test;

namespace {

std::string Ascii(const TChar* s)
{
  std::string out;
  for (int i = 0; i < 128 && s[i]; ++i)
    out += static_cast<char>(s[i]);
  return out;
}

std::vector<uint8_t> State(VstHost& host)
{
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(host.GetState(bytes, error)) << error;
  return bytes;
}

double StoredDouble(const std::vector<uint8_t>& bytes, int idx)
{
  double v;
  std::memcpy(&v, bytes.data() + 8 * idx, 8);
  return v;
}

tresult ControllerSetState(VstHost& host, std::vector<uint8_t> bytes)
{
  ByteStream s(std::move(bytes));
  return host.Controller()->setState(&s);
}

void ProcessSilence(VstHost& host, int frames = 64)
{
  Planar in(2, std::vector<double>(frames, 0.0));
  Render(host, in, frames);
}

} // namespace

TEST(TeskModule, FactoryDescribesOneEffectClass)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  IPluginFactory* f = host->Factory();
  PFactoryInfo fi;
  ASSERT_EQ(f->getFactoryInfo(&fi), kResultOk);
  EXPECT_STREQ(fi.vendor, "Quillfen");
  EXPECT_EQ(fi.flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(f->countClasses(), 1);

  IPluginFactory2* f2 = nullptr;
  ASSERT_EQ(f->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&f2)), kResultOk);
  PClassInfo2 ci;
  ASSERT_EQ(f2->getClassInfo2(0, &ci), kResultOk);
  EXPECT_STREQ(ci.category, "Audio Module Class");
  EXPECT_STREQ(ci.name, "Tesk");
  EXPECT_STREQ(ci.subCategories, "Fx|EQ");
  EXPECT_STREQ(ci.version, "3.0.0");
  EXPECT_STREQ(ci.sdkVersion, "VST 3.6.12");
  EXPECT_STREQ(ci.vendor, "");
  EXPECT_EQ(ci.cardinality, PClassInfo::kManyInstances);
  EXPECT_EQ(ci.classFlags, 2u);
  EXPECT_NE(f2->getClassInfo2(1, &ci), kResultOk);
  f2->release();

  // A second GetPluginFactory hands out the same factory with one more reference.
  auto get = reinterpret_cast<IPluginFactory* (*)()>(host->Symbol("GetPluginFactory"));
  ASSERT_NE(get, nullptr);
  IPluginFactory* again = get();
  EXPECT_EQ(again, f);
  again->release();
}

TEST(TeskModule, ExportsOnlyTheEntryPoints)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  for (const char* name : {"GetPluginFactory", "ModuleEntry", "ModuleExit", "bundleEntry", "bundleExit"})
    EXPECT_NE(host->Symbol(name), nullptr) << name;
  for (const char* name : {"_Z8MakePlugv", "MakePlug", "_ZN4TeskC1E19IEffectInstanceInfo"})
    EXPECT_EQ(host->Symbol(name), nullptr) << name;
}

TEST(TeskModule, HostParameterList)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->ParamCount(), 35);
  ParameterInfo info;
  ASSERT_TRUE(host->ParamInfoAt(0, info));
  EXPECT_EQ(info.id, kProgramId);
  EXPECT_EQ(Ascii(info.title), "Preset");
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);
  ASSERT_TRUE(host->ParamInfoAt(1, info));
  EXPECT_EQ(info.id, kBypassId);
  EXPECT_EQ(Ascii(info.title), "Bypass");
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass);

  for (int p = 0; p < kNumParams; ++p) {
    SCOPED_TRACE(kParamSpecs[p].name);
    const ParamSpec& s = kParamSpecs[p];
    ASSERT_TRUE(host->ParamInfoAt(p + 2, info));
    EXPECT_EQ(info.id, static_cast<ParamID>(p));
    // Every parameter reaches the host with a title, the switch OVER included.
    EXPECT_EQ(Ascii(info.title), s.name);
    EXPECT_EQ(Ascii(info.shortTitle), "");
    EXPECT_EQ(Ascii(info.units), s.isDouble ? "%" : "");
    EXPECT_EQ(info.stepCount, s.isDouble ? 0 : static_cast<int32>(s.max - s.min));
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, (s.def - s.min) / (s.max - s.min));
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
    EXPECT_EQ(info.unitId, kRootUnitId);
    // A fresh instance holds the defaults.
    EXPECT_DOUBLE_EQ(host->CurrentNormalized(p), info.defaultNormalizedValue);
  }
}

TEST(TeskModule, DisplayTextsAndTextInput)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  EXPECT_EQ(host->DisplayText(HGAINL, 0.75), "9.00");
  EXPECT_EQ(host->DisplayText(DRIVE, 0.5), "-40.00");
  EXPECT_EQ(host->DisplayText(HFREQL, 1.0), "2");
  EXPECT_EQ(host->DisplayText(OVER, 1.0), "1");
  EXPECT_EQ(host->DisplayText(kBypassId, 1.0), "");  // the adapter gives Preset/Bypass no text
  EXPECT_DOUBLE_EQ(host->NormalizedToPlain(MGAIN2L, 1.0), 4.5);

  ParamValue v = -1;
  String128 text;
  UString(text, 128).fromAscii("9");
  ASSERT_EQ(host->Controller()->getParamValueByString(HGAINL, text, v), kResultOk);
  EXPECT_DOUBLE_EQ(v, 0.75);
  UString(text, 128).fromAscii("abc");
  ASSERT_EQ(host->Controller()->getParamValueByString(HGAINL, text, v), kResultOk);
  EXPECT_DOUBLE_EQ(v, 0.5);  // text that is no number reads as 0 dB
  UString(text, 128).fromAscii("-50");
  ASSERT_EQ(host->Controller()->getParamValueByString(DRIVE, text, v), kResultOk);
  EXPECT_DOUBLE_EQ(v, 0.25);
}

TEST(TeskModule, UnitsAndProgramList)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  IUnitInfo* units = nullptr;
  ASSERT_EQ(host->Controller()->queryInterface(IUnitInfo::iid, reinterpret_cast<void**>(&units)), kResultOk);
  EXPECT_EQ(units->getUnitCount(), 1);
  UnitInfo ui;
  ASSERT_EQ(units->getUnitInfo(0, ui), kResultOk);
  EXPECT_EQ(ui.id, kRootUnitId);
  EXPECT_EQ(ui.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(Ascii(ui.name), "Root Unit");
  EXPECT_EQ(units->getUnitInfo(1, ui), kResultFalse);
  EXPECT_EQ(units->getProgramListCount(), 0);
  ProgramListInfo pl;
  ASSERT_EQ(units->getProgramListInfo(0, pl), kResultOk);
  EXPECT_EQ(pl.id, static_cast<ProgramListID>(kProgramId));
  EXPECT_EQ(Ascii(pl.name), "Factory Presets");
  EXPECT_EQ(pl.programCount, 1);
  String128 name;
  ASSERT_EQ(units->getProgramName(kProgramId, 0, name), kResultOk);
  EXPECT_EQ(Ascii(name), "-");
  EXPECT_EQ(units->getProgramName(1234, 0, name), kResultFalse);
  units->release();
}

TEST(TeskModule, BusArrangements)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  IAudioProcessor* p = host->Processor();
  SpeakerArrangement stereo = SpeakerArr::kStereo, mono = SpeakerArr::kMono;
  SpeakerArrangement twoIns[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  EXPECT_EQ(p->setBusArrangements(twoIns, 2, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  SpeakerArrangement surround = SpeakerArr::k51;
  EXPECT_EQ(p->setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
  EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(p->getLatencySamples(), 0u);
}

TEST(TeskModule, FreshStateHoldsTheDefaultsAndTheBypassFlag)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  std::vector<uint8_t> s = State(*host);
  ASSERT_EQ(s.size(), 264u + 4u);
  for (int p = 0; p < kNumParams; ++p)
    EXPECT_EQ(StoredDouble(s, p), kParamSpecs[p].def) << kParamSpecs[p].name;
  EXPECT_EQ(std::vector<uint8_t>(s.end() - 4, s.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(TeskModule, StateRoundTripsIntoANewInstance)
{
  auto a = OpenTesk();
  ASSERT_TRUE(a);
  SetPlain(*a, LINK, 1);
  SetPlain(*a, MGAIN2R, -2.0);
  SetPlain(*a, DRIVE, -27.5);
  SetPlain(*a, OVER, 1);
  SetPlain(*a, HFREQL, 2);
  a->QueueChange(kBypassId, 1.0);
  ProcessSilence(*a);
  std::vector<uint8_t> saved = State(*a);
  EXPECT_EQ(StoredDouble(saved, MGAIN2R), -2.0);
  EXPECT_EQ(StoredDouble(saved, DRIVE), -27.5);
  EXPECT_EQ(StoredDouble(saved, OVER), 1.0);
  EXPECT_EQ(std::vector<uint8_t>(saved.end() - 4, saved.end()), (std::vector<uint8_t>{1, 0, 0, 0}));

  auto b = OpenTesk();
  ASSERT_TRUE(b);
  std::string error;
  ASSERT_TRUE(b->SetState(saved, error)) << error;
  EXPECT_EQ(State(*b), saved);
  EXPECT_DOUBLE_EQ(b->CurrentNormalized(DRIVE), (60 - 27.5) / 40);
  EXPECT_EQ(b->CurrentNormalized(kBypassId), 1.0);
  // The restored bypass is in force: the input passes untouched.
  Planar in = TestSignal(2, 700);
  EXPECT_EQ(Render(*b, in, 256), in);
}

TEST(TeskModule, StreamWithOnlyTheChunkRestoresParametersButNotBypass)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  host->QueueChange(kBypassId, 1.0);
  ProcessSilence(*host);
  std::vector<uint8_t> s = State(*host);
  double drive = -55.0;
  std::memcpy(s.data() + 8 * DRIVE, &drive, 8);
  s.resize(264);
  EXPECT_EQ(ControllerSetState(*host, s), kResultFalse);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(DRIVE), 5.0 / 40);
  EXPECT_EQ(host->CurrentNormalized(kBypassId), 1.0);
}

TEST(TeskModule, MalformedStreamsNeverCrashAndKeepValuesInRange)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  std::mt19937 rng(7);
  for (size_t len : {0, 1, 7, 8, 100, 263, 264, 267, 268, 300, 4096}) {
    std::vector<uint8_t> bytes(len);
    for (auto& b : bytes)
      b = static_cast<uint8_t>(rng());
    ControllerSetState(*host, bytes);
    for (int p = 0; p < kNumParams; ++p) {
      double v = host->CurrentNormalized(p);
      EXPECT_TRUE(v >= 0.0 && v <= 1.0) << "length " << len << " param " << p << " value " << v;
    }
    Planar in = TestSignal(2, 256);
    Planar out = Render(*host, in, 256);
    for (const auto& ch : out)
      for (double x : ch)
        ASSERT_TRUE(std::isfinite(x)) << "length " << len;
  }
  // Truncated streams: the parameters read so far are taken, the rest fall back.
  std::vector<uint8_t> fresh = State(*OpenTesk());
  for (size_t len : {0, 5, 132, 263}) {
    std::vector<uint8_t> cut(fresh.begin(), fresh.begin() + len);
    EXPECT_EQ(ControllerSetState(*host, cut), kResultFalse) << len;
  }
}

TEST(TeskModule, BypassParameterPassesInputBitForBit)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  Planar in = TestSignal(2, 1500);
  host->QueueChange(kBypassId, 0.5);  // exactly 0.5 keeps processing
  EXPECT_NE(Render(*host, in, 500), in);
  host->QueueChange(kBypassId, 0.51);
  EXPECT_EQ(Render(*host, in, 500), in);
  EXPECT_EQ(host->CurrentNormalized(kBypassId), 1.0);
  // setupProcessing clears the host bypass.
  host->Stop();
  std::string error;
  ASSERT_TRUE(host->Start(48000, 512, 64, error));
  EXPECT_EQ(host->CurrentNormalized(kBypassId), 0.0);
}

TEST(TeskModule, EffectBypassSwitchPassesInputBitForBit)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  Planar in = TestSignal(2, 1000);
  SetPlain(*host, BY, 1);
  // The input delayed by the sound path's latency, lined up with the processed sound.
  Planar delayed = in;
  for (std::vector<double>& channel : delayed) {
    channel.insert(channel.begin(), TeskChain::LatencySamples(0), 0.0);
    channel.resize(in[0].size());
  }
  EXPECT_EQ(Render(*host, in, 333), delayed);
}

TEST(TeskModule, ProgramParameterRestoresTheDefaultPreset)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  SetPlain(*host, HGAINL, 6.0);
  SetPlain(*host, MS, 0);
  ProcessSilence(*host);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(HGAINL), 24.0 / 36);
  host->QueueChange(kProgramId, 0.0);
  ProcessSilence(*host);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(HGAINL), 0.5);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MS), 1.0);
  EXPECT_EQ(host->CurrentNormalized(kProgramId), 0.0);
}

TEST(TeskModule, OnlyTheLastOfSeveralPointsApplies)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  HostParameterChanges changes;
  changes.Add(MGAIN1L, 0, 0.1);
  changes.Add(MGAIN1L, 10, 0.9);
  changes.Add(MGAIN1L, 20, 0.25);
  std::vector<double> l(64, 0.0), r(64, 0.0), ol(64), orr(64);
  double* in[2] = {l.data(), r.data()};
  double* out[2] = {ol.data(), orr.data()};
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers64 = in;
  outBus.channelBuffers64 = out;
  ProcessData data;
  data.symbolicSampleSize = kSample64;
  data.numSamples = 64;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(host->Processor()->process(data), kResultOk);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN1L), 0.25);
  // Linked: the second channel follows within the same block.
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN1R), 0.25);
}
