#include "vst3/support/TestEffect.h"

#include <cmath>

#include "core/Core_Mutex.h"
#include "vst3/IEffectVST3Factory.h"

std::atomic<int> TestEffect::sInstances{0};

TestEffect::TestEffect(IEffectInstanceInfo info, int latency, int scChans, const char* ioSpec,
                       int nPresets, bool isInst, bool doesMidi)
    : IEffectVST3(info, kNumParams, ioSpec, nPresets, "TestFx", "", "Tests", 0x10203, 0x54737431,
                  0x54657374, latency, doesMidi, false, isInst, scChans)
{
  ++sInstances;
  GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.01, "dB", "", 1.0);
  GetParam(kMode)->InitEnum("Mode", 1, 3);
  GetParam(kMode)->SetDisplayText(0, "A");
  GetParam(kMode)->SetDisplayText(1, "B");
  GetParam(kMode)->SetDisplayText(2, "C");
  GetParam(kActive)->InitBool("Active", false);
  GetParam(kFreq)->InitDouble("Freq", 1000.0, 20.0, 20000.0, 1.0, "Hz", "Filter", 2.0);
  GetParam(kOrder)->InitInt("Order", 2, 1, 4, "", "Filter");
  GetParam(kMix)->InitDouble("Mix", 100.0, 0.0, 100.0, 0.1, "%", "Out", 1.0);
  MakeDefaultPreset("-", 1);
}

TestEffect::~TestEffect()
{
  --sInstances;
}

void TestEffect::Reset()
{
  Core_MutexLock lock(mMutex);
  ++mResets;
}

void TestEffect::OnParamChange(int paramIdx)
{
  Core_MutexLock lock(mMutex);
  ++mParamChanges;
  mLastChangedParam = paramIdx;
  if (paramIdx == kGain) mGainDB = GetParam(kGain)->GetValue();
  if (paramIdx == kActive) mActive = GetParam(kActive)->GetBool();
}

void TestEffect::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  ++mBlocks;
  mLastFrames = nFrames;
  const double gain = std::pow(10.0, mGainDB / 20.0);
  const double offset = mActive ? kOffset : 0.0;
  for (int c = 0; c < NOutChannels(); ++c)
  {
    for (int s = 0; s < nFrames; ++s)
      outputs[c][s] = c < NInChannels() ? inputs[c][s] * gain + offset : 0.0;
  }
}

void TestEffect::ProcessMidiMsg(IMidiMsg* msg)
{
  ++mMidiCount;
  mLastMidi = *msg;
}

// The module's effect for these tests: the factory builds TestEffect instances.
IEffectVST3* MakePlug()
{
  static Core_Mutex sMutex;
  Core_MutexLock lock(sMutex);
  return new TestEffect(IEffectInstanceInfo());
}

extern const IEffectVST3ClassInfo gEffectClassInfo = {
    "Test Vendor",
    "https://example.invalid/",
    "tests@example.invalid",
    "TestFx",
    "Fx|EQ",
    "1.2.3",
    {0x01234567u, 0x89ABCDEFu, 0xFEDCBA98u, 0x76543210u}};
