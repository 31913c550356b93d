#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"
#include "vst3/VST3Strings.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

class AdapterTest : public ::testing::Test
{
protected:
  void SetUp() override { mPlug = new TestEffect(); }
  void TearDown() override
  {
    if (mPlug)
    {
      mPlug->terminate();
      mPlug->release();
    }
  }
  void Init() { ASSERT_EQ(mPlug->initialize(&mHost), kResultOk); }

  NamedHostApplication mHost{"REAPER64"};
  TestEffect* mPlug = nullptr;
};

const int kHostParams = 1;  // "Bypass" comes first ("Preset" only with several presets)

}  // namespace

TEST_F(AdapterTest, AnswersTheInterfacesOfOneObject)
{
  const FUID* iids[] = {&IComponent::iid,   &IAudioProcessor::iid, &IEditController::iid,
                        &IEditController2::iid, &IUnitInfo::iid,   &IConnectionPoint::iid,
                        &IPluginBase::iid,  &FUnknown::iid};
  for (const FUID* iid : iids)
  {
    FUnknown* obj = nullptr;
    ASSERT_EQ(mPlug->queryInterface(*iid, (void**)&obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    // Every interface leads back to the same object.
    IComponent* component = nullptr;
    ASSERT_EQ(obj->queryInterface(IComponent::iid, (void**)&component), kResultOk);
    EXPECT_EQ(static_cast<SingleComponentEffect*>(mPlug), static_cast<SingleComponentEffect*>(component));
    component->release();
    obj->release();
  }
  void* none = &none;
  EXPECT_EQ(mPlug->queryInterface(IPlugView::iid, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(mPlug->queryInterface(IComponent::iid, nullptr), kInvalidArgument);

  EXPECT_TRUE(mPlug->isTypeOf("IEffectVST3", false));
  EXPECT_TRUE(mPlug->isTypeOf("SingleComponentEffect"));
  EXPECT_TRUE(mPlug->isTypeOf("FObject"));
  EXPECT_STREQ(mPlug->isA(), "IEffectVST3");
}

TEST_F(AdapterTest, ReferenceCountingDeletesWithTheLastRelease)
{
  const int before = TestEffect::sInstances;
  auto* plug = new TestEffect();
  EXPECT_EQ(TestEffect::sInstances, before + 1);
  IEditController* controller = nullptr;
  ASSERT_EQ(plug->queryInterface(IEditController::iid, (void**)&controller), kResultOk);
  EXPECT_EQ(plug->release(), 1u);
  EXPECT_EQ(TestEffect::sInstances, before + 1);
  EXPECT_EQ(controller->release(), 0u);
  EXPECT_EQ(TestEffect::sInstances, before);
}

TEST_F(AdapterTest, InitializeIdentifiesTheHostAndBuildsBuses)
{
  Init();
  EXPECT_EQ(mPlug->GetHost(), kHostReaper);

  ASSERT_EQ(mPlug->getBusCount(kAudio, kInput), 1);
  ASSERT_EQ(mPlug->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(mPlug->getBusCount(kEvent, kInput), 0);
  BusInfo info = {};
  ASSERT_EQ(mPlug->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Main Input");
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, (uint32)BusInfo::kDefaultActive);
  ASSERT_EQ(mPlug->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Output");
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(mPlug->getBusInfo(kAudio, kOutput, 1, info), kInvalidArgument);
  EXPECT_EQ(mPlug->getBusInfo(kAudio, kOutput, -1, info), kInvalidArgument);
  EXPECT_EQ(mPlug->activateBus(kAudio, kOutput, 3, true), kInvalidArgument);

  // The first preset is in force right away.
  EXPECT_EQ(mPlug->GetCurrentPresetIdx(), 0);
  EXPECT_GT(mPlug->mParamChanges.load(), 0);

  // A second initialize is refused by the SDK base and builds nothing twice.
  EXPECT_EQ(mPlug->initialize(&mHost), kResultFalse);
  EXPECT_EQ(mPlug->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(mPlug->getParameterCount(), kHostParams + TestEffect::kNumParams);

  // terminate drops buses and parameters; initialize builds them again.
  EXPECT_EQ(mPlug->terminate(), kResultOk);
  EXPECT_EQ(mPlug->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(mPlug->getParameterCount(), 0);
  Init();
  EXPECT_EQ(mPlug->getParameterCount(), kHostParams + TestEffect::kNumParams);
}

TEST_F(AdapterTest, HostWithoutApplicationInterfaceStaysUnidentified)
{
  ASSERT_EQ(mPlug->initialize(nullptr), kResultOk);
  EXPECT_EQ(mPlug->GetHost(), kHostUninit);
  EXPECT_EQ(mPlug->getParameterCount(), kHostParams + TestEffect::kNumParams);
}

TEST_F(AdapterTest, ParameterListAndInformation)
{
  Init();
  ASSERT_EQ(mPlug->getParameterCount(), kHostParams + TestEffect::kNumParams);
  ParameterInfo info = {};

  ASSERT_EQ(mPlug->getParameterInfo(0, info), kResultTrue);
  EXPECT_EQ(info.id, IEffectVST3::kBypassParamID);
  EXPECT_EQ(ToAscii(info.title), "Bypass");
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass);

  // Named values make a list.
  const int32 kList = ParameterInfo::kCanAutomate | ParameterInfo::kIsList;
  struct Expect
  {
    const char* title;
    const char* units;
    int32 steps;
    double def;
    UnitID unit;
    int32 flags;
  } expect[TestEffect::kNumParams] = {
      {"Gain", "dB", 0, 0.5, 0, ParameterInfo::kCanAutomate},
      {"Mode", "", 2, 0.5, 0, kList},  // "B" has a display text, so no unit
      {"Active", "", 1, 0.0, 0, kList},
      {"Freq", "Hz", 0, std::sqrt((1000.0 - 20.0) / (20000.0 - 20.0)), 1, ParameterInfo::kCanAutomate},
      {"Order", "", 3, 1.0 / 3.0, 1, ParameterInfo::kCanAutomate},
      {"Mix", "%", 0, 1.0, 2, ParameterInfo::kCanAutomate},
  };
  for (int i = 0; i < TestEffect::kNumParams; ++i)
  {
    SCOPED_TRACE(i);
    ASSERT_EQ(mPlug->getParameterInfo(kHostParams + i, info), kResultTrue);
    EXPECT_EQ(info.id, (ParamID)i);
    EXPECT_EQ(ToAscii(info.title), expect[i].title);
    EXPECT_EQ(ToAscii(info.shortTitle), "");
    EXPECT_EQ(ToAscii(info.units), expect[i].units);
    EXPECT_EQ(info.stepCount, expect[i].steps);
    EXPECT_NEAR(info.defaultNormalizedValue, expect[i].def, 1e-12);
    EXPECT_EQ(info.unitId, expect[i].unit);
    EXPECT_EQ(info.flags, expect[i].flags);
  }

  Parameter* object = mPlug->getParameterObject(TestEffect::kGain);
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->isA(), "IEffectParameter");
  EXPECT_TRUE(object->isTypeOf("Parameter"));
  EXPECT_FALSE(object->isTypeOf("Parameter", false));
  EXPECT_EQ(object->getPrecision(), 2);

  EXPECT_EQ(mPlug->getParameterInfo(-1, info), kResultFalse);
  EXPECT_EQ(mPlug->getParameterInfo(kHostParams + TestEffect::kNumParams, info), kResultFalse);
}

TEST_F(AdapterTest, UnitsFollowTheGroupsInOrderOfFirstUse)
{
  Init();
  EXPECT_EQ(mPlug->getUnitCount(), 3);
  UnitInfo info = {};
  ASSERT_EQ(mPlug->getUnitInfo(0, info), kResultOk);
  EXPECT_EQ(info.id, kRootUnitId);
  EXPECT_EQ(info.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(ToAscii(info.name), "Root Unit");
  EXPECT_EQ(info.programListId, kNoProgramListId);
  ASSERT_EQ(mPlug->getUnitInfo(1, info), kResultOk);
  EXPECT_EQ(info.id, 1);
  EXPECT_EQ(info.parentUnitId, kRootUnitId);
  EXPECT_EQ(ToAscii(info.name), "Filter");
  ASSERT_EQ(mPlug->getUnitInfo(2, info), kResultOk);
  EXPECT_EQ(ToAscii(info.name), "Out");
  EXPECT_EQ(mPlug->getUnitInfo(3, info), kResultFalse);
  EXPECT_EQ(mPlug->getUnitInfo(-1, info), kResultFalse);

  // One preset: no "Preset" parameter and no program list for the host to choose from.
  EXPECT_EQ(mPlug->getProgramListCount(), 0);
  ProgramListInfo list = {};
  ASSERT_EQ(mPlug->getProgramListInfo(0, list), kResultOk);
  EXPECT_EQ(list.id, (ProgramListID)IEffectVST3::kPresetParamID);
  EXPECT_EQ(ToAscii(list.name), "Factory Presets");
  EXPECT_EQ(list.programCount, 1);
  EXPECT_EQ(mPlug->getProgramListInfo(1, list), kResultFalse);
  String128 name = {};
  ASSERT_EQ(mPlug->getProgramName(IEffectVST3::kPresetParamID, 0, name), kResultOk);
  EXPECT_EQ(ToAscii(name), "-");
  EXPECT_EQ(mPlug->getProgramName(IEffectVST3::kPresetParamID, 5, name), kResultOk);
  EXPECT_EQ(ToAscii(name), "");
  EXPECT_EQ(mPlug->getProgramName(1, 0, name), kResultFalse);

  EXPECT_EQ(mPlug->getSelectedUnit(), kRootUnitId);
  EXPECT_EQ(mPlug->selectUnit(1), kNotImplemented);
  UnitID unit = 0;
  EXPECT_EQ(mPlug->getUnitByBus(kAudio, kInput, 0, 0, unit), kNotImplemented);
  EXPECT_EQ(mPlug->setUnitProgramData(0, 0, nullptr), kNotImplemented);
  EXPECT_EQ(mPlug->hasProgramPitchNames(IEffectVST3::kPresetParamID, 0), kNotImplemented);
}

TEST_F(AdapterTest, NormalizedPlainAndTextConversions)
{
  Init();
  // Gain: -12..12 dB, linear.
  EXPECT_DOUBLE_EQ(mPlug->normalizedParamToPlain(TestEffect::kGain, 0.75), 6.0);
  EXPECT_DOUBLE_EQ(mPlug->plainParamToNormalized(TestEffect::kGain, -6.0), 0.25);
  EXPECT_DOUBLE_EQ(mPlug->plainParamToNormalized(TestEffect::kGain, 100.0), 1.0);
  // Freq: shape 2.
  EXPECT_NEAR(mPlug->normalizedParamToPlain(TestEffect::kFreq, 0.5), 20.0 + 19980.0 * 0.25, 1e-9);
  // Values outside 0..1 or the range are limited, NaN never comes back, unknown IDs give 0.
  EXPECT_DOUBLE_EQ(mPlug->normalizedParamToPlain(TestEffect::kGain, 1.5), 12.0);
  EXPECT_DOUBLE_EQ(mPlug->normalizedParamToPlain(TestEffect::kGain, std::nan("")), -12.0);
  EXPECT_DOUBLE_EQ(mPlug->plainParamToNormalized(TestEffect::kGain, std::nan("")), 0.0);
  EXPECT_DOUBLE_EQ(mPlug->plainParamToNormalized(99, 42.0), 0.0);
  EXPECT_DOUBLE_EQ(mPlug->normalizedParamToPlain(99, 0.3), 0.0);
  EXPECT_DOUBLE_EQ(mPlug->normalizedParamToPlain(IEffectVST3::kBypassParamID, 0.7), 1.0);
  EXPECT_DOUBLE_EQ(mPlug->plainParamToNormalized(IEffectVST3::kBypassParamID, 1.0), 1.0);

  String128 text = {};
  ASSERT_EQ(mPlug->getParamStringByValue(TestEffect::kGain, 0.75, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "6.00");
  ASSERT_EQ(mPlug->getParamStringByValue(TestEffect::kMode, 1.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "C");
  ASSERT_EQ(mPlug->getParamStringByValue(TestEffect::kActive, 1.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "on");
  ASSERT_EQ(mPlug->getParamStringByValue(TestEffect::kOrder, 0.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "1");
  // Values outside 0..1 are brought into range; NaN gives no text.
  ASSERT_EQ(mPlug->getParamStringByValue(TestEffect::kGain, 7.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "12.00");
  EXPECT_EQ(mPlug->getParamStringByValue(TestEffect::kGain, std::nan(""), text), kResultFalse);
  // The bypass has its texts; there is no "Preset" with one preset.
  ASSERT_EQ(mPlug->getParamStringByValue(IEffectVST3::kBypassParamID, 1.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "On");
  ASSERT_EQ(mPlug->getParamStringByValue(IEffectVST3::kBypassParamID, 0.5, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "Off");
  EXPECT_EQ(mPlug->getParamStringByValue(IEffectVST3::kPresetParamID, 0.0, text), kResultFalse);

  // Text input reads what the text output writes; anything else is refused untouched.
  struct
  {
    ParamID id;
    const char* text;
    tresult result;
    double value;
  } cases[] = {
      {TestEffect::kGain, "-6 dB", kResultOk, 0.25},
      {TestEffect::kGain, "  +6.00 ", kResultOk, 0.75},
      {TestEffect::kGain, "6db", kResultOk, 0.75},
      {TestEffect::kGain, "99", kResultOk, 1.0},  // limited to the range
      {TestEffect::kMode, "c", kResultOk, 1.0},
      {TestEffect::kActive, "ON", kResultOk, 1.0},
      {TestEffect::kMix, "50%", kResultOk, 0.5},
      {IEffectVST3::kBypassParamID, "on", kResultOk, 1.0},
      {IEffectVST3::kBypassParamID, "Off", kResultOk, 0.0},
      {TestEffect::kGain, "abc", kResultFalse, -1.0},
      {TestEffect::kGain, "", kResultFalse, -1.0},
      {TestEffect::kGain, "nan", kResultFalse, -1.0},
      {TestEffect::kGain, "1e309", kResultFalse, -1.0},
      {TestEffect::kGain, "6 Hz", kResultFalse, -1.0},
      {TestEffect::kMode, "D", kResultFalse, -1.0},
      {IEffectVST3::kBypassParamID, "maybe", kResultFalse, -1.0},
      {IEffectVST3::kPresetParamID, "-", kResultFalse, -1.0},
      {99, "1", kResultFalse, -1.0},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text);
    ParamValue v = -1.0;
    TChar input[32];
    WidenToUTF16(c.text, input, 32);
    ASSERT_EQ(mPlug->getParamValueByString(c.id, input, v), c.result);
    EXPECT_DOUBLE_EQ(v, c.value);
  }
  ParamValue v = -1.0;
  EXPECT_EQ(mPlug->getParamValueByString(TestEffect::kGain, nullptr, v), kInvalidArgument);
  // Characters outside ASCII are not part of any value.
  TChar odd[] = {'6', 0xD800, 0};
  EXPECT_EQ(mPlug->getParamValueByString(TestEffect::kGain, odd, v), kResultFalse);
}

TEST_F(AdapterTest, SetParamNormalizedSetsTheParameterAndTellsTheEffect)
{
  Init();
  const int changes = mPlug->mParamChanges;
  EXPECT_EQ(mPlug->setParamNormalized(TestEffect::kGain, 0.75), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 6.0);
  EXPECT_DOUBLE_EQ(mPlug->getParamNormalized(TestEffect::kGain), 0.75);
  // The effect hears of it at once (its UI-side consequences, such as a new latency,
  // reach the host now); processing applies the same value again when it arrives.
  EXPECT_EQ(mPlug->mParamChanges, changes + 1);

  // Integer parameters snap to their steps.
  EXPECT_EQ(mPlug->setParamNormalized(TestEffect::kOrder, 0.5), kResultOk);
  EXPECT_EQ(mPlug->GetParam(TestEffect::kOrder)->GetValue(), 3.0);

  // NaN changes nothing; out-of-range values are limited.
  EXPECT_EQ(mPlug->setParamNormalized(TestEffect::kGain, std::nan("")), kResultFalse);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 6.0);
  EXPECT_EQ(mPlug->setParamNormalized(TestEffect::kGain, -3.0), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), -12.0);

  // The host's bypass is set and read back at once.
  EXPECT_EQ(mPlug->setParamNormalized(IEffectVST3::kBypassParamID, 1.0), kResultOk);
  EXPECT_TRUE(mPlug->GetBypassed());
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kBypassParamID), 1.0);
  EXPECT_EQ(mPlug->setParamNormalized(IEffectVST3::kBypassParamID, 0.5), kResultOk);
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kBypassParamID), 0.0);
  EXPECT_EQ(mPlug->setParamNormalized(IEffectVST3::kBypassParamID, std::nan("")), kResultFalse);
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kPresetParamID), 0.0);
  // Unknown IDs are not set.
  EXPECT_EQ(mPlug->setParamNormalized(TestEffect::kNumParams, 0.5), kResultFalse);
  EXPECT_EQ(mPlug->getParamNormalized(TestEffect::kNumParams), 0.0);
  EXPECT_EQ(mPlug->setParamNormalized((ParamID)-1, 0.5), kResultFalse);
}

TEST_F(AdapterTest, BusArrangementsFollowTheChannelIOList)
{
  Init();
  SpeakerArrangement stereo = SpeakerArr::kStereo, mono = SpeakerArr::kMono;
  SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};

  EXPECT_EQ(mPlug->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  EXPECT_EQ(mPlug->setBusArrangements(two, 2, &stereo, 1), kResultFalse);  // no side chain
  EXPECT_EQ(mPlug->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(mPlug->setBusArrangements(nullptr, 0, &stereo, 1), kResultFalse);
  EXPECT_EQ(mPlug->setBusArrangements(nullptr, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(mPlug->setBusArrangements(&stereo, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(mPlug->setBusArrangements(&stereo, -1, &stereo, 1), kResultFalse);

  // Two channels that are not plain stereo are refused.
  SpeakerArrangement surroundPair = SpeakerArr::kStereoSurround;
  EXPECT_EQ(mPlug->setBusArrangements(&surroundPair, 1, &surroundPair, 1), kResultFalse);
  EXPECT_EQ(mPlug->setBusArrangements(&stereo, 1, &surroundPair, 1), kResultFalse);

  // Mono in and out: the buses keep their names and activation.
  mPlug->activateBus(kAudio, kOutput, 0, true);
  ASSERT_EQ(mPlug->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  SpeakerArrangement arr = 0;
  ASSERT_EQ(mPlug->getBusArrangement(kInput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  ASSERT_EQ(mPlug->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  BusInfo info = {};
  ASSERT_EQ(mPlug->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Main Input");
  EXPECT_EQ(info.channelCount, 1);
  ASSERT_EQ(mPlug->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Output");
  EXPECT_EQ(info.flags & BusInfo::kDefaultActive, (uint32)BusInfo::kDefaultActive);
  EXPECT_EQ(mPlug->getBusArrangement(kOutput, 1, arr), kInvalidArgument);

  // Back to stereo.
  ASSERT_EQ(mPlug->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  ASSERT_EQ(mPlug->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kStereo);
}

TEST(AdapterSideChain, SideChainBusAndArrangements)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect(IEffectInstanceInfo(), 0, 2, "4-2");
  ASSERT_EQ(plug->initialize(&host), kResultOk);
  ASSERT_EQ(plug->getBusCount(kAudio, kInput), 2);
  BusInfo info = {};
  ASSERT_EQ(plug->getBusInfo(kAudio, kInput, 1, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Aux Input");
  EXPECT_EQ(info.busType, kAux);
  EXPECT_EQ(info.flags, 0u);
  EXPECT_EQ(info.channelCount, 2);

  // "4-2": the main bus's count is checked against the whole input count.
  SpeakerArrangement ins[2] = {SpeakerArr::k40Music, SpeakerArr::kMono};
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  EXPECT_EQ(plug->setBusArrangements(ins, 1, &stereo, 1), kResultFalse);  // side chain missing
  ASSERT_EQ(plug->setBusArrangements(ins, 2, &stereo, 1), kResultOk);
  ASSERT_EQ(plug->getBusCount(kAudio, kInput), 2);
  ASSERT_EQ(plug->getBusInfo(kAudio, kInput, 1, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Aux Input");
  EXPECT_EQ(info.channelCount, 1);
  plug->terminate();
  plug->release();
}

TEST_F(AdapterTest, ProcessingSetupAndActivation)
{
  Init();
  EXPECT_EQ(mPlug->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(mPlug->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(mPlug->canProcessSampleSize(2), kResultFalse);

  ProcessSetup setup{kRealtime, 7, 256, 48000.0};
  EXPECT_EQ(mPlug->setupProcessing(setup), kResultFalse);
  EXPECT_EQ(mPlug->GetBlockSize(), 0);

  // Unusable block sizes and rates are refused and change nothing.
  setup = {kRealtime, kSample32, 0, 48000.0};
  EXPECT_EQ(mPlug->setupProcessing(setup), kResultFalse);
  setup = {kRealtime, kSample32, 256, 0.0};
  EXPECT_EQ(mPlug->setupProcessing(setup), kResultFalse);
  setup = {kRealtime, kSample32, 256, std::nan("")};
  EXPECT_EQ(mPlug->setupProcessing(setup), kResultFalse);
  EXPECT_EQ(mPlug->mResets, 0);

  // The host's bypass survives a new set-up.
  mPlug->setParamNormalized(IEffectVST3::kBypassParamID, 1.0);
  setup = {kOffline, kSample64, 256, 96000.0};
  ASSERT_EQ(mPlug->setupProcessing(setup), kResultOk);
  EXPECT_EQ(mPlug->GetBlockSize(), 256);
  EXPECT_EQ(mPlug->GetSampleRate(), 96000.0);
  EXPECT_TRUE(mPlug->GetBypassed());
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kBypassParamID), 1.0);
  EXPECT_EQ(mPlug->mResets, 1);
  EXPECT_TRUE(mPlug->IsRenderingOffline());
  EXPECT_EQ(mPlug->GetProcessSetup().maxSamplesPerBlock, 256);

  for (int cycle = 0; cycle < 3; ++cycle)
  {
    EXPECT_EQ(mPlug->setActive(true), kResultOk);
    mPlug->setProcessing(true);
    mPlug->setProcessing(false);
    EXPECT_EQ(mPlug->setActive(false), kResultOk);
    setup = {kRealtime, kSample32, 64 << cycle, 44100.0};
    ASSERT_EQ(mPlug->setupProcessing(setup), kResultOk);
    EXPECT_EQ(mPlug->GetBlockSize(), 64 << cycle);
  }
  EXPECT_FALSE(mPlug->IsRenderingOffline());
  EXPECT_EQ(mPlug->getLatencySamples(), 0u);
  EXPECT_EQ(mPlug->getTailSamples(), 0u);
}

TEST_F(AdapterTest, EditNotificationsReachTheComponentHandler)
{
  Init();
  // Without a handler nothing is sent and the edit calls answer kResultFalse.
  mPlug->SetParameterFromGUI(TestEffect::kGain, 0.75);
  EXPECT_EQ(mPlug->beginEdit(0), kResultFalse);

  TestComponentHandler handler;
  ASSERT_EQ(mPlug->setComponentHandler(&handler), kResultTrue);
  mPlug->BeginInformHostOfParamChange(TestEffect::kGain);
  mPlug->SetParameterFromGUI(TestEffect::kGain, 0.25);
  mPlug->EndInformHostOfParamChange(TestEffect::kGain);
  ASSERT_EQ(handler.mCalls.size(), 3u);
  EXPECT_EQ(handler.mCalls[0].kind, 'b');
  EXPECT_EQ(handler.mCalls[1].kind, 'p');
  EXPECT_EQ(handler.mCalls[1].id, (ParamID)TestEffect::kGain);
  EXPECT_DOUBLE_EQ(handler.mCalls[1].value, 0.25);
  EXPECT_EQ(handler.mCalls[2].kind, 'e');
  EXPECT_DOUBLE_EQ(mPlug->mGainDB, -6.0);  // the effect heard about it

  // A latency change is reported at once, and the host is told from the UI thread.
  mPlug->SetLatency(32);
  EXPECT_EQ(mPlug->getLatencySamples(), 32u);
  EXPECT_TRUE(handler.mRestarts.empty());
  mPlug->FlushHostNotifications();
  ASSERT_EQ(handler.mRestarts.size(), 1u);
  EXPECT_EQ(handler.mRestarts[0], kLatencyChanged);
  mPlug->FlushHostNotifications();
  EXPECT_EQ(handler.mRestarts.size(), 1u);  // told once
  mPlug->setComponentHandler(nullptr);
  mPlug->SetLatency(0);
  mPlug->FlushHostNotifications();
  EXPECT_EQ(handler.mRestarts.size(), 1u);
}

TEST_F(AdapterTest, GestureEndsOnlyAfterTheirBegin)
{
  Init();
  TestComponentHandler handler;
  ASSERT_EQ(mPlug->setComponentHandler(&handler), kResultTrue);
  // An end whose begin never went out (the host's menu took the right click) stays here.
  mPlug->EndInformHostOfParamChange(TestEffect::kGain);
  EXPECT_TRUE(handler.mCalls.empty());
  mPlug->BeginInformHostOfParamChange(TestEffect::kGain);
  mPlug->EndInformHostOfParamChange(TestEffect::kMode);  // released over another control
  mPlug->EndInformHostOfParamChange(TestEffect::kGain);
  mPlug->EndInformHostOfParamChange(TestEffect::kGain);
  ASSERT_EQ(handler.mCalls.size(), 2u);
  EXPECT_EQ(handler.mCalls[0].kind, 'b');
  EXPECT_EQ(handler.mCalls[1].kind, 'e');
  EXPECT_EQ(handler.mCalls[1].id, (ParamID)TestEffect::kGain);
  mPlug->setComponentHandler(nullptr);
}

TEST_F(AdapterTest, ComponentAndControllerShareOneState)
{
  Init();
  mPlug->setParamNormalized(TestEffect::kGain, 0.75);
  mPlug->setParamNormalized(IEffectVST3::kBypassParamID, 1.0);
  IComponent* component = mPlug;
  TestStream fromComponent, fromController;
  ASSERT_EQ(component->getState(&fromComponent), kResultOk);
  ASSERT_EQ(mPlug->getEditorState(&fromController), kResultOk);
  EXPECT_EQ(fromComponent.mBytes, fromController.mBytes);
  EXPECT_EQ(fromComponent.mBytes.size(), (size_t)TestEffect::kNumParams * 8 + 4);

  // A host that keeps only the component's state restores everything from it.
  auto* other = new TestEffect();
  ASSERT_EQ(other->initialize(&mHost), kResultOk);
  IComponent* otherComponent = other;
  ASSERT_EQ(otherComponent->setState(&fromComponent), kResultOk);
  EXPECT_DOUBLE_EQ(other->getParamNormalized(TestEffect::kGain), 0.75);
  EXPECT_TRUE(other->GetBypassed());
  // Restoring the controller's copy as well changes nothing.
  ASSERT_EQ(other->setEditorState(&fromController), kResultOk);
  TestStream again;
  ASSERT_EQ(otherComponent->getState(&again), kResultOk);
  EXPECT_EQ(again.mBytes, fromComponent.mBytes);
  other->terminate();
  other->release();

  MemoryStream stream;
  EXPECT_EQ(mPlug->setComponentState(&stream), kNotImplemented);
  TUID cid;
  EXPECT_EQ(mPlug->getControllerClassId(cid), kNotImplemented);
}

TEST_F(AdapterTest, ProcessContextRequirementsAndSdkVersion)
{
  IProcessContextRequirements* req = nullptr;
  ASSERT_EQ(mPlug->queryInterface(IProcessContextRequirements::iid, (void**)&req), kResultOk);
  ASSERT_NE(req, nullptr);
  EXPECT_EQ(req->getProcessContextRequirements(), 0u);
  // The interface leads back to the same object.
  IComponent* component = nullptr;
  ASSERT_EQ(req->queryInterface(IComponent::iid, (void**)&component), kResultOk);
  EXPECT_EQ(static_cast<SingleComponentEffect*>(mPlug), static_cast<SingleComponentEffect*>(component));
  component->release();
  req->release();
}

TEST(AdapterInstrument, OutputBusPerPairMidiInputAndNoBypass)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect(IEffectInstanceInfo(), 0, 0, "0-4", 2, true, true);
  ASSERT_EQ(plug->initialize(&host), kResultOk);
  EXPECT_EQ(plug->getBusCount(kAudio, kInput), 0);
  ASSERT_EQ(plug->getBusCount(kAudio, kOutput), 2);
  BusInfo info = {};
  ASSERT_EQ(plug->getBusInfo(kAudio, kOutput, 1, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "Output 2");
  EXPECT_EQ(info.channelCount, 2);
  ASSERT_EQ(plug->getBusCount(kEvent, kInput), 1);
  ASSERT_EQ(plug->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
  EXPECT_EQ(ToAscii(info.name), "MIDI Input");
  EXPECT_EQ(info.channelCount, 1);

  // "Preset" as a list of the two presets, and no "Bypass".
  ASSERT_EQ(plug->getParameterCount(), 1 + TestEffect::kNumParams);
  ParameterInfo pi = {};
  ASSERT_EQ(plug->getParameterInfo(0, pi), kResultTrue);
  EXPECT_EQ(pi.id, IEffectVST3::kPresetParamID);
  EXPECT_EQ(pi.stepCount, 1);
  EXPECT_EQ(pi.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
  ASSERT_EQ(plug->getParameterInfo(1, pi), kResultTrue);
  EXPECT_EQ(pi.id, 0u);
  // The program list agrees with it; texts and values name the presets.
  EXPECT_EQ(plug->getProgramListCount(), 1);
  UnitInfo root = {};
  ASSERT_EQ(plug->getUnitInfo(0, root), kResultOk);
  EXPECT_EQ(root.programListId, (ProgramListID)IEffectVST3::kPresetParamID);
  String128 text = {};
  ASSERT_EQ(plug->getParamStringByValue(IEffectVST3::kPresetParamID, 1.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "empty");  // the second slot, not made yet
  ASSERT_EQ(plug->getParamStringByValue(IEffectVST3::kPresetParamID, 0.0, text), kResultOk);
  EXPECT_EQ(ToAscii(text), "-");
  ParamValue v = -1.0;
  WidenToUTF16(" - ", text, 128);
  ASSERT_EQ(plug->getParamValueByString(IEffectVST3::kPresetParamID, text, v), kResultOk);
  EXPECT_EQ(v, 0.0);
  WidenToUTF16("1", text, 128);
  ASSERT_EQ(plug->getParamValueByString(IEffectVST3::kPresetParamID, text, v), kResultOk);
  EXPECT_EQ(v, 1.0);
  WidenToUTF16("2", text, 128);
  EXPECT_EQ(plug->getParamValueByString(IEffectVST3::kPresetParamID, text, v), kResultFalse);
  EXPECT_DOUBLE_EQ(plug->normalizedParamToPlain(IEffectVST3::kPresetParamID, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(plug->plainParamToNormalized(IEffectVST3::kPresetParamID, 7.0), 1.0);
  plug->terminate();
  plug->release();
}
