// Loads the test effect's bundle with dlopen and drives it through its exported entry
// points and the VST 3 interfaces only, as a host does. This file sees the SDK headers as
// a host sees them (the controller's state pair is getState/setState).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

const char* kModule = TESK_TEST_BUNDLE "/Contents/x86_64-linux/TeskTestFx.so";

using ModuleEntryFn = bool (*)(void*);
using ModuleExitFn = bool (*)();
using GetFactoryFn = IPluginFactory* (*)();

std::string Ascii(const TChar* s)
{
  std::string out;
  for (; *s; ++s) out += (char)*s;
  return out;
}

// One queue with one point.
class OnePointQueue : public IParamValueQueue
{
public:
  OnePointQueue(ParamID id, ParamValue v) : mId(id), mValue(v) {}
  ParamID PLUGIN_API getParameterId() override { return mId; }
  int32 PLUGIN_API getPointCount() override { return 1; }
  tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override
  {
    if (index != 0) return kResultFalse;
    offset = 0;
    value = mValue;
    return kResultOk;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override
  {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
  ParamID mId;
  ParamValue mValue;
};

class OneQueueChanges : public IParameterChanges
{
public:
  explicit OneQueueChanges(IParamValueQueue* q) : mQueue(q) {}
  int32 PLUGIN_API getParameterCount() override { return 1; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 i) override { return i == 0 ? mQueue : nullptr; }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override
  {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
  IParamValueQueue* mQueue;
};

}  // namespace

TEST(BundleHost, LoadsTheBundleAndWalksTheFactory)
{
  struct stat st;
  ASSERT_EQ(stat(TESK_TEST_BUNDLE "/Contents/Resources/probe.txt", &st), 0);

  void* handle = dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto entry = (ModuleEntryFn)dlsym(handle, "ModuleEntry");
  auto exitFn = (ModuleExitFn)dlsym(handle, "ModuleExit");
  auto getFactory = (GetFactoryFn)dlsym(handle, "GetPluginFactory");
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(exitFn, nullptr);
  ASSERT_NE(getFactory, nullptr);
  EXPECT_NE(dlsym(handle, "bundleEntry"), nullptr);
  EXPECT_NE(dlsym(handle, "bundleExit"), nullptr);
  // Nothing else is exported.
  EXPECT_EQ(dlsym(handle, "_Z8MakePlugv"), nullptr);
  EXPECT_EQ(dlsym(handle, "gEffectClassInfo"), nullptr);
  EXPECT_EQ(dlsym(handle, "InitModule"), nullptr);

  ASSERT_TRUE(entry(handle));
  IPluginFactory* factory = getFactory();
  ASSERT_NE(factory, nullptr);

  PFactoryInfo fi;
  ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
  EXPECT_STREQ(fi.vendor, "Test Vendor");
  EXPECT_EQ(fi.flags, PFactoryInfo::kUnicode);

  IPluginFactory2* factory2 = nullptr;
  ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, (void**)&factory2), kResultOk);
  ASSERT_EQ(factory2->countClasses(), 1);
  PClassInfo2 ci;
  ASSERT_EQ(factory2->getClassInfo2(0, &ci), kResultOk);
  EXPECT_STREQ(ci.category, kVstAudioEffectClass);
  EXPECT_STREQ(ci.name, "TestFx");
  EXPECT_STREQ(ci.subCategories, "Fx|EQ");
  EXPECT_STREQ(ci.version, "1.2.3");
  EXPECT_STREQ(ci.sdkVersion, kVstVersionString);
  factory2->release();

  // Component first, then the controller from the same object.
  IComponent* component = nullptr;
  ASSERT_EQ(factory->createInstance(ci.cid, IComponent::iid, (void**)&component), kResultOk);
  ASSERT_NE(component, nullptr);
  HostApplication host;
  ASSERT_EQ(component->initialize(&host), kResultOk);
  TUID controllerCid;
  EXPECT_NE(component->getControllerClassId(controllerCid), kResultOk);  // single component
  IEditController* controller = nullptr;
  ASSERT_EQ(component->queryInterface(IEditController::iid, (void**)&controller), kResultOk);
  IAudioProcessor* processor = nullptr;
  ASSERT_EQ(component->queryInterface(IAudioProcessor::iid, (void**)&processor), kResultOk);
  IUnitInfo* units = nullptr;
  ASSERT_EQ(component->queryInterface(IUnitInfo::iid, (void**)&units), kResultOk);

  ASSERT_EQ(component->getBusCount(kAudio, kInput), 1);
  ASSERT_EQ(component->getBusCount(kAudio, kOutput), 1);
  component->activateBus(kAudio, kInput, 0, true);
  component->activateBus(kAudio, kOutput, 0, true);

  ASSERT_EQ(controller->getParameterCount(), 7);  // "Bypass", then the six
  ParameterInfo pi;
  ASSERT_EQ(controller->getParameterInfo(1, pi), kResultTrue);
  EXPECT_EQ(Ascii(pi.title), "Gain");
  EXPECT_EQ(units->getUnitCount(), 3);

  SpeakerArrangement stereo = SpeakerArr::kStereo;
  EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  ProcessSetup setup{kRealtime, kSample32, 128, 44100.0};
  ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
  ASSERT_EQ(component->setActive(true), kResultOk);
  processor->setProcessing(true);

  // One block at +6 dB.
  std::vector<float> inL(128, 0.5f), inR(128, -0.25f), outL(128), outR(128);
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers32 = ins;
  outBus.channelBuffers32 = outs;
  OnePointQueue queue(0, 0.75);
  OneQueueChanges changes(&queue);
  ProcessData data;
  data.symbolicSampleSize = kSample32;
  data.numSamples = 128;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(processor->process(data), kResultOk);
  EXPECT_NEAR(outL[100], 0.5 * 1.9952623149688795, 1e-5);
  EXPECT_NEAR(outR[0], -0.25 * 1.9952623149688795, 1e-5);

  // State through the controller: 6 doubles, then the bypass flag; the component's is
  // the same.
  MemoryStream state, componentState;
  ASSERT_EQ(controller->getState(&state), kResultOk);
  ASSERT_EQ(state.getSize(), 6 * 8 + 4);
  double gain = 0;
  memcpy(&gain, state.getData(), 8);
  EXPECT_EQ(gain, 6.0);
  int64 pos = 0;
  state.seek(0, IBStream::kIBSeekSet, &pos);
  EXPECT_EQ(controller->setState(&state), kResultOk);
  ASSERT_EQ(component->getState(&componentState), kResultOk);
  ASSERT_EQ(componentState.getSize(), state.getSize());
  EXPECT_EQ(memcmp(componentState.getData(), state.getData(), (size_t)state.getSize()), 0);

  processor->setProcessing(false);
  component->setActive(false);
  units->release();
  processor->release();
  controller->release();
  component->terminate();
  EXPECT_EQ(component->release(), 0u);
  EXPECT_EQ(factory->release(), 0u);
  EXPECT_TRUE(exitFn());
  EXPECT_FALSE(exitFn());  // no entry left to match
  dlclose(handle);
}
