// The built module as a host sees it: factory, parameters, units, buses, state, bypass.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include "dsp/TeskChain.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include "ByteStream.h"
#include "effect/TeskPresetData.h"
#include "ParamChanges.h"
#include "effect/TeskParameterTable.h"

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

// The input delayed by `latency` frames (zeros first).
Planar Delayed(const Planar& in, int latency)
{
  Planar out(in.size(), std::vector<double>(in[0].size(), 0.0));
  for (size_t c = 0; c < in.size(); ++c)
    for (size_t i = latency; i < in[c].size(); ++i)
      out[c][i] = in[c][i - latency];
  return out;
}

// Records the restarts a plug-in asks for.
class RestartRecorder : public IComponentHandler
{
public:
  tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
  tresult PLUGIN_API performEdit(ParamID, ParamValue) override { return kResultOk; }
  tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
  tresult PLUGIN_API restartComponent(int32 flags) override
  {
    restarts.push_back(flags);
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(iid, IComponentHandler::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      *obj = this;
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
  std::vector<int32> restarts;
};

// One 64-bit block through the processor with the given queues; l and r become the output.
void ProcessWith(VstHost& host, std::vector<double>& l, std::vector<double>& r, IParameterChanges* in,
                 IParameterChanges* out)
{
  std::vector<double> ol(l.size()), orr(r.size());
  double* ins[2] = {l.data(), r.data()};
  double* outs[2] = {ol.data(), orr.data()};
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers64 = ins;
  outBus.channelBuffers64 = outs;
  ProcessData data;
  data.symbolicSampleSize = kSample64;
  data.numSamples = static_cast<int32>(l.size());
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = in;
  data.outputParameterChanges = out;
  ASSERT_EQ(host.Processor()->process(data), kResultOk);
  l = ol;
  r = orr;
}

// The last point the block reported for a parameter, or -1.
double ReportedValue(HostParameterChanges& out, ParamID id)
{
  for (int32 i = 0; i < out.getParameterCount(); ++i) {
    IParamValueQueue* q = out.getParameterData(i);
    int32 offset = 0;
    ParamValue v = -1;
    if (q && q->getParameterId() == id && q->getPointCount() > 0 &&
        q->getPoint(q->getPointCount() - 1, offset, v) == kResultOk)
      return v;
  }
  return -1.0;
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
  EXPECT_STREQ(ci.sdkVersion, kVstVersionString);
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
  // "Preset" (a list of "-" and the factory presets), "Bypass", then the 33 effect parameters.
  ASSERT_EQ(host->ParamCount(), 35);
  ParameterInfo info;
  ASSERT_TRUE(host->ParamInfoAt(0, info));
  EXPECT_EQ(info.id, kProgramId);
  EXPECT_EQ(Ascii(info.title), "Preset");
  EXPECT_EQ(info.stepCount, static_cast<int32>(TeskPresetData::Factory().size()));  // entries - 1
  EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
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
    // A title a person reads; the codes saved scripts and other formats use are the short
    // titles.
    EXPECT_EQ(Ascii(info.title), TeskParams::kTable[p].title);
    EXPECT_EQ(Ascii(info.shortTitle), s.name);
    EXPECT_EQ(Ascii(info.units), s.isDouble ? "dB" : "");
    EXPECT_EQ(info.stepCount, s.isDouble ? 0 : static_cast<int32>(s.max - s.min));
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, (s.def - s.min) / (s.max - s.min));
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | (s.isDouble ? 0 : ParameterInfo::kIsList));
    EXPECT_EQ(info.unitId, kRootUnitId);
    // A fresh instance holds the defaults.
    EXPECT_DOUBLE_EQ(host->CurrentNormalized(p), info.defaultNormalizedValue);
  }
  // Titles read as words; the channel names follow the M/S switch's meaning.
  const std::pair<int, const char*> titles[] = {{LGAINL, "Low Gain L/M"},
                                                {MFREQ2R, "Mid 2 Freq R/S"},
                                                {DRIVE, "Drive"},
                                                {OUTL, "Output L/M"},
                                                {OVER, "Oversampled Saturation"}};
  for (const auto& t : titles) {
    ASSERT_TRUE(host->ParamInfoAt(t.first + 2, info));
    EXPECT_EQ(Ascii(info.title), t.second);
  }
}

TEST(TeskModule, EveryTextReadsBackAsItsValue)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  IEditController* ctl = host->Controller();
  auto textOf = [&](ParamID id, double v) {
    String128 text = {};
    EXPECT_EQ(ctl->getParamStringByValue(id, v, text), kResultOk) << id;
    return Ascii(text);
  };
  auto valueOf = [&](ParamID id, const char* text, ParamValue& v) {
    String128 buf;
    UString(buf, 128).fromAscii(text);
    return ctl->getParamValueByString(id, buf, v);
  };
  // Every parameter, the host's bypass included: each value's text reads back (also with
  // the unit after it) as a value that prints the same text, for every step of a list and
  // across a continuous range.
  std::vector<ParamID> ids = {kBypassId};
  for (int p = 0; p < kNumParams; ++p)
    ids.push_back(static_cast<ParamID>(p));
  for (ParamID id : ids) {
    ParameterInfo info;
    int index = 0;
    for (; index < host->ParamCount(); ++index)
      if (host->ParamInfoAt(index, info) && info.id == id)
        break;
    ASSERT_LT(index, host->ParamCount());
    const int steps = info.stepCount > 0 ? info.stepCount : 72;
    for (int k = 0; k <= steps; ++k) {
      const double v = static_cast<double>(k) / steps;
      const std::string text = textOf(id, v);
      SCOPED_TRACE(Ascii(info.title) + " '" + text + "'");
      ASSERT_FALSE(text.empty());
      for (const std::string& typed : {text, text + " " + Ascii(info.units)}) {
        ParamValue back = -1;
        ASSERT_EQ(valueOf(id, typed.c_str(), back), kResultOk) << typed;
        EXPECT_EQ(textOf(id, back), text);
        if (info.stepCount > 0) {
          EXPECT_DOUBLE_EQ(back, v);
        }
      }
    }
  }
  // The texts a person sees.
  struct
  {
    ParamID id;
    double value;
    const char* text;
  } shown[] = {{HGAINL, 0.75, "+9.00"}, {HGAINL, 0.5, "0.00"},  {DRIVE, 0.5, "-40.00"},
               {HFREQL, 1.0, "20 kHz"}, {LFREQL, 0.5, "60 Hz"},  {MFREQ3L, 0.5, "3 kHz"},
               {LCUTL, 0.0, "25 Hz"},   {LCUTL, 1.0, "1 Hz"},    {MS, 0.0, "Mid/Side"},
               {MS, 1.0, "Left/Right"}, {LINK, 0.0, "Linked"},   {LINK, 1.0, "Independent"},
               {OVER, 0.0, "Off"},      {OVER, 1.0, "4x"},       {BY, 1.0, "On"},
               {kBypassId, 1.0, "On"},  {kBypassId, 0.0, "Off"}};
  for (const auto& t : shown)
    EXPECT_EQ(textOf(t.id, t.value), t.text);

  // Typed the way people type; anything that is no value changes nothing.
  struct
  {
    ParamID id;
    const char* text;
    tresult result;
    double value;
  } typed[] = {{HGAINL, "+2.5 dB", kResultOk, 20.5 / 36}, {HGAINL, "9", kResultOk, 0.75},
               {MFREQ3L, "3k", kResultOk, 0.5},           {LFREQL, "60", kResultOk, 0.5},
               {OVER, "4X", kResultOk, 1.0},              {kBypassId, "on", kResultOk, 1.0},
               {BY, "on", kResultOk, 1.0},                {DRIVE, "-50", kResultOk, 0.25},
               {DRIVE, "", kResultFalse, -1},             {DRIVE, "abc", kResultFalse, -1},
               {HGAINL, "nan", kResultFalse, -1},         {HGAINL, "1e309", kResultFalse, -1},
               {HGAINL, "3 %", kResultFalse, -1},         {LFREQL, "61 Hz", kResultFalse, -1},
               {kProgramId, "-", kResultOk, 0.0},         {kProgramId, "No Such Preset", kResultFalse, -1},
               {4711, "1", kResultFalse, -1}};
  for (const auto& t : typed) {
    SCOPED_TRACE(t.text);
    ParamValue v = -1;
    EXPECT_EQ(valueOf(t.id, t.text, v), t.result);
    EXPECT_DOUBLE_EQ(v, t.value);
  }

  // Conversions stay in range and never answer NaN; unknown IDs answer 0.
  EXPECT_DOUBLE_EQ(host->NormalizedToPlain(MGAIN2L, 1.0), 4.5);
  EXPECT_DOUBLE_EQ(ctl->normalizedParamToPlain(MGAIN2L, 7.0), 4.5);
  EXPECT_DOUBLE_EQ(ctl->normalizedParamToPlain(MGAIN2L, std::nan("")), -4.5);
  EXPECT_DOUBLE_EQ(ctl->plainParamToNormalized(MGAIN2L, 100.0), 1.0);
  EXPECT_DOUBLE_EQ(ctl->plainParamToNormalized(MGAIN2L, std::nan("")), 0.0);
  EXPECT_DOUBLE_EQ(ctl->plainParamToNormalized(4711, 3.0), 0.0);
  EXPECT_DOUBLE_EQ(ctl->normalizedParamToPlain(4711, 0.3), 0.0);
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
  // The factory presets are the root unit's program list.
  EXPECT_EQ(units->getProgramListCount(), 1);
  EXPECT_EQ(ui.programListId, static_cast<ProgramListID>(kProgramId));
  ProgramListInfo pl;
  ASSERT_EQ(units->getProgramListInfo(0, pl), kResultOk);
  EXPECT_EQ(pl.id, static_cast<ProgramListID>(kProgramId));
  EXPECT_EQ(Ascii(pl.name), "Factory Presets");
  EXPECT_EQ(pl.programCount, 1 + static_cast<int32>(TeskPresetData::Factory().size()));
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
  // Two channels, but not the stereo pair.
  SpeakerArrangement pair = SpeakerArr::kStereoSide;
  EXPECT_EQ(p->setBusArrangements(&pair, 1, &pair, 1), kResultFalse);
  EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultTrue);
  // The buses keep their names.
  ASSERT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  BusInfo bus;
  ASSERT_EQ(host->Component()->getBusInfo(kAudio, kInput, 0, bus), kResultTrue);
  EXPECT_EQ(Ascii(bus.name), "Main Input");
  ASSERT_EQ(host->Component()->getBusInfo(kAudio, kOutput, 0, bus), kResultTrue);
  EXPECT_EQ(Ascii(bus.name), "Output");
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
  ASSERT_EQ(saved.size(), 268u);
  EXPECT_EQ(StoredDouble(saved, MGAIN2R), -2.0);
  EXPECT_EQ(StoredDouble(saved, DRIVE), -27.5);
  EXPECT_EQ(StoredDouble(saved, OVER), 1.0);
  EXPECT_EQ(std::vector<uint8_t>(saved.end() - 4, saved.end()), (std::vector<uint8_t>{1, 0, 0, 0}));
  // The component's and the controller's streams are the same.
  ByteStream fromController;
  ASSERT_EQ(a->Controller()->getState(&fromController), kResultOk);
  EXPECT_EQ(fromController.Bytes(), saved);

  auto b = OpenTesk();
  ASSERT_TRUE(b);
  std::string error;
  ASSERT_TRUE(b->SetState(saved, error)) << error;
  EXPECT_EQ(State(*b), saved);
  EXPECT_DOUBLE_EQ(b->CurrentNormalized(DRIVE), (60 - 27.5) / 40);
  EXPECT_EQ(b->CurrentNormalized(kBypassId), 1.0);
  EXPECT_EQ(b->Processor()->getLatencySamples(), 10u);
  // The restored bypass is in force: the input passes, delayed by the latency.
  Planar in = TestSignal(2, 700);
  EXPECT_EQ(Render(*b, in, 256), Delayed(in, 10));
}

TEST(TeskModule, HostPresetFromTheComponentStateAlone)
{
  // A host preset file, or a host that keeps only the component's state, restores
  // everything from it; a project saved before the component carried the state still
  // loads from the controller's stream.
  auto a = OpenTesk();
  ASSERT_TRUE(a);
  SetPlain(*a, MS, 0);
  SetPlain(*a, LGAINL, -7.25);
  SetPlain(*a, LCUTL, 0);
  ProcessSilence(*a);
  a->Controller()->setParamNormalized(kBypassId, 1.0);
  ByteStream preset;
  ASSERT_EQ(a->Component()->getState(&preset), kResultOk);
  const std::vector<uint8_t> bytes = preset.Bytes();
  ASSERT_EQ(bytes.size(), 268u);

  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "component" : "controller");
    auto b = OpenTesk();
    ASSERT_TRUE(b);
    ByteStream s(bytes);
    ASSERT_EQ(kind == 0 ? b->Component()->setState(&s) : b->Controller()->setState(&s), kResultOk);
    for (int p = 0; p < kNumParams; ++p)
      EXPECT_EQ(b->CurrentNormalized(p), a->CurrentNormalized(p)) << kParamSpecs[p].name;
    EXPECT_EQ(b->CurrentNormalized(kBypassId), 1.0);
    EXPECT_EQ(State(*b), bytes);
  }
}

TEST(TeskModule, RejectedStreamsChangeNothing)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  SetPlain(*host, DRIVE, -33.0);
  ProcessSilence(*host);
  const std::vector<uint8_t> before = State(*host);
  const std::vector<uint8_t> other = State(*OpenTesk());
  for (int kind = 0; kind < 2; ++kind)
    for (size_t len : {0, 1, 8, 132, 263}) {
      SCOPED_TRACE(len);
      ByteStream s(std::vector<uint8_t>(other.begin(), other.begin() + len));
      EXPECT_EQ(kind == 0 ? host->Component()->setState(&s) : host->Controller()->setState(&s), kResultFalse);
      EXPECT_EQ(State(*host), before);
    }
  EXPECT_EQ(host->Component()->setState(nullptr), kInvalidArgument);
}

TEST(TeskModule, StreamWithOnlyTheChunkRestoresParametersAndKeepsBypass)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  host->QueueChange(kBypassId, 1.0);
  ProcessSilence(*host);
  std::vector<uint8_t> s = State(*host);
  double drive = -55.0;
  std::memcpy(s.data() + 8 * DRIVE, &drive, 8);
  s.resize(264);
  EXPECT_EQ(ControllerSetState(*host, s), kResultOk);
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

TEST(TeskModule, HostBypassIsTimeAlignedAndKept)
{
  for (int over : {0, 1}) {
    SCOPED_TRACE(over);
    auto host = OpenTesk();
    ASSERT_TRUE(host);
    SetPlain(*host, OVER, over);
    Planar in = TestSignal(2, 1500);
    host->QueueChange(kBypassId, 0.5);  // exactly 0.5 keeps processing
    EXPECT_NE(Render(*host, in, 500), Delayed(in, 3 + 7 * over));
    // Set and read back at once.
    ASSERT_EQ(host->Controller()->setParamNormalized(kBypassId, 1.0), kResultOk);
    EXPECT_EQ(host->CurrentNormalized(kBypassId), 1.0);
    const int latency = static_cast<int>(host->Processor()->getLatencySamples());
    EXPECT_EQ(latency, 3 + 7 * over);
    // After the 5 ms fade, the output is the input delayed by exactly the latency.
    Render(*host, in, 500);
    Planar more = TestSignal(2, 1500, 48000, 0.4);
    Planar joined(2);
    for (int c = 0; c < 2; ++c) {
      joined[c] = in[c];
      joined[c].insert(joined[c].end(), more[c].begin(), more[c].end());
    }
    Planar out = Render(*host, more, 500);
    Planar expected = Delayed(joined, latency);
    for (int c = 0; c < 2; ++c)
      expected[c].erase(expected[c].begin(), expected[c].begin() + 1500);
    EXPECT_EQ(out, expected);
    // A new set-up keeps it.
    host->Stop();
    std::string error;
    ASSERT_TRUE(host->Start(48000, 512, 64, error));
    EXPECT_EQ(host->CurrentNormalized(kBypassId), 1.0);
  }
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

TEST(TeskModule, EveryPointAppliesAndTheLinkedChannelIsReported)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  HostParameterChanges changes, reported;
  changes.Add(MGAIN1L, 0, 0.1);
  changes.Add(MGAIN1L, 10, 0.9);
  changes.Add(MGAIN1L, 20, 0.25);
  std::vector<double> l(64, 0.0), r(64, 0.0);
  ProcessWith(*host, l, r, &changes, &reported);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN1L), 0.25);
  // Linked: the second channel follows each point, and the host is told of every value it
  // takes, where it takes it.
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(MGAIN1R), 0.25);
  const std::pair<int32, double> expected[] = {{0, 0.1}, {10, 0.9}, {20, 0.25}};
  int points = 0;
  for (int32 i = 0; i < reported.getParameterCount(); ++i) {
    IParamValueQueue* q = reported.getParameterData(i);
    ASSERT_EQ(q->getParameterId(), static_cast<ParamID>(MGAIN1R));  // nothing else moved
    for (int32 k = 0; k < q->getPointCount(); ++k, ++points) {
      int32 offset = 0;
      ParamValue v = 0;
      ASSERT_EQ(q->getPoint(k, offset, v), kResultOk);
      ASSERT_LT(points, 3);
      EXPECT_EQ(offset, expected[points].first);
      EXPECT_DOUBLE_EQ(v, expected[points].second);
    }
  }
  EXPECT_EQ(points, 3);

  // The host changes the second channel while linked: it is put back, and told so.
  changes.Clear();
  reported.Clear();
  changes.Add(HGAINR, 5, 0.8);
  ProcessWith(*host, l, r, &changes, &reported);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(HGAINR), 0.5);
  EXPECT_DOUBLE_EQ(ReportedValue(reported, HGAINR), 0.5);

  // Independent channels move on their own; linking them again snaps every second-channel
  // value that differs, reported.
  changes.Clear();
  reported.Clear();
  changes.Add(LINK, 0, 1.0);
  changes.Add(OUTR, 0, 0.75);
  changes.Add(LFREQR, 0, 1.0);
  ProcessWith(*host, l, r, &changes, &reported);
  EXPECT_EQ(reported.getParameterCount(), 0);
  changes.Clear();
  changes.Add(LINK, 0, 0.0);
  ProcessWith(*host, l, r, &changes, &reported);
  EXPECT_DOUBLE_EQ(ReportedValue(reported, OUTR), 0.5);
  EXPECT_DOUBLE_EQ(ReportedValue(reported, LFREQR), 0.0);

  // A host that gives no output queue hears of it through a restart from its UI thread.
  RestartRecorder handler;
  ASSERT_EQ(host->Controller()->setComponentHandler(&handler), kResultTrue);
  changes.Clear();
  changes.Add(LGAINL, 0, 0.9);
  ProcessWith(*host, l, r, &changes, nullptr);
  EXPECT_TRUE(handler.restarts.empty());  // never from the audio thread
  host->Controller()->setParamNormalized(DRIVE, 0.5);
  ASSERT_EQ(handler.restarts.size(), 1u);
  EXPECT_EQ(handler.restarts[0], kParamValuesChanged);
  EXPECT_DOUBLE_EQ(host->Controller()->getParamNormalized(LGAINR), 0.9);
  host->Controller()->setComponentHandler(nullptr);
}

TEST(TeskModule, ParametersReadBackAfterAReloadAsBeforeSaving)
{
  auto a = OpenTesk();
  ASSERT_TRUE(a);
  SetPlain(*a, MGAIN3L, 2.25);
  SetPlain(*a, LFREQL, 2);
  SetPlain(*a, OVER, 1);
  // A second-channel value the link is about to overwrite.
  SetPlain(*a, OUTR, -6.0);
  ProcessSilence(*a);
  std::vector<double> before;
  for (int p = 0; p < kNumParams; ++p)
    before.push_back(a->CurrentNormalized(p));
  const std::vector<uint8_t> saved = State(*a);

  auto b = OpenTesk();
  ASSERT_TRUE(b);
  std::string error;
  ASSERT_TRUE(b->SetState(saved, error)) << error;
  for (int p = 0; p < kNumParams; ++p)
    EXPECT_EQ(b->CurrentNormalized(p), before[p]) << kParamSpecs[p].name;
  // A stream whose linked second channel disagrees is linked as it is restored.
  std::vector<uint8_t> odd = saved;
  const double stray = 3.0;
  std::memcpy(odd.data() + 8 * OUTR, &stray, 8);
  ASSERT_TRUE(b->SetState(odd, error)) << error;
  EXPECT_EQ(b->CurrentNormalized(OUTR), b->CurrentNormalized(OUTL));
}

TEST(TeskModule, LatencyIsWhereTheImpulseComesOutAndChangesAreAnnounced)
{
  auto host = OpenTesk();
  ASSERT_TRUE(host);
  RestartRecorder handler;
  ASSERT_EQ(host->Controller()->setComponentHandler(&handler), kResultTrue);
  int previous = 3;
  for (int over : {0, 1, 0}) {
    SCOPED_TRACE(over);
    const size_t restarts = handler.restarts.size();
    SetPlain(*host, OVER, over);
    ProcessSilence(*host, 4096);  // the change, then silence for the filters to settle
    const int latency = static_cast<int>(host->Processor()->getLatencySamples());
    EXPECT_EQ(latency, over ? 10 : 3);
    // The host is told from its UI thread, not from the block that changed it.
    EXPECT_EQ(handler.restarts.size(), restarts);
    host->Controller()->setParamNormalized(OVER, over);
    if (latency != previous) {
      ASSERT_EQ(handler.restarts.size(), restarts + 1);
      EXPECT_EQ(handler.restarts.back() & kLatencyChanged, kLatencyChanged);
    } else {
      EXPECT_EQ(handler.restarts.size(), restarts);
    }
    previous = latency;
    // An impulse's peak comes out where the latency says.
    Planar in(2, std::vector<double>(256, 0.0));
    in[0][0] = in[1][0] = 0.5;
    Planar out = Render(*host, in, 256);
    size_t peak = 0;
    for (size_t i = 0; i < out[0].size(); ++i)
      if (std::fabs(out[0][i]) > std::fabs(out[0][peak]))
        peak = i;
    EXPECT_EQ(static_cast<int>(peak), latency);
  }
  host->Controller()->setComponentHandler(nullptr);
}

TEST(TeskModule, TailCoversTheRinging)
{
  for (double sr : {48000.0, 96000.0}) {
    SCOPED_TRACE(sr);
    auto host = OpenTesk(2, sr, 4096);
    ASSERT_TRUE(host);
    const long tail = static_cast<long>(host->Processor()->getTailSamples());
    EXPECT_EQ(tail, static_cast<long>(1.5 * sr));
    // A full-scale impulse at settings that ring long (the 1 Hz low cut, boosts): the
    // output falls below -120 dBFS within the tail, and not long before its end.
    SetPlain(*host, OUTL, 12.0);
    SetPlain(*host, LGAINL, 18.0);
    SetPlain(*host, MGAIN1L, 9.0);
    SetPlain(*host, DRIVE, -20.0);
    ProcessSilence(*host, 4096);
    Planar in(2, std::vector<double>(static_cast<size_t>(tail + sr / 4), 0.0));
    in[0][0] = in[1][0] = 1.0;
    Planar out = Render(*host, in, 4096);
    long last = 0;
    for (long i = 0; i < static_cast<long>(out[0].size()); ++i)
      if (std::max(std::fabs(out[0][i]), std::fabs(out[1][i])) > 1e-6)
        last = i;
    EXPECT_LT(last, tail);
    EXPECT_GT(last, tail / 2);
  }
}
