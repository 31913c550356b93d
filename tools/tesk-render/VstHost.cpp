#include "VstHost.h"

#include "ByteStream.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

// The host application context handed to initialize: the SDK's, under this host's name.
class VstHost::HostApp : public HostApplication
{
public:
  tresult PLUGIN_API getName(String128 name) override
  {
    UString(name, 128).fromAscii("tesk-render");
    return kResultTrue;
  }
};

namespace {

bool IsDirectory(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

std::string Ascii(const char16* s, int max)
{
  std::string out;
  for (int i = 0; i < max && s[i]; ++i)
    out += (s[i] < 128) ? static_cast<char>(s[i]) : '?';
  return out;
}

std::string FixedText(const char* s, size_t max)
{
  return std::string(s, strnlen(s, max));
}

std::string CidText(const TUID cid)
{
  char buf[40];
  for (int i = 0; i < 16; ++i)
    std::snprintf(buf + 2 * i, 3, "%02X", static_cast<unsigned char>(cid[i]));
  return buf;
}

} // namespace

VstHost::VstHost() : mHostApp(new HostApp) {}

VstHost::~VstHost()
{
  ReleaseEffect();
  if (mFactory)
    mFactory->release();
  mFactory = nullptr;
  if (mModuleExit)
    mModuleExit();
  if (mLib)
    dlclose(mLib);
  // The SDK's host application does not count references: it is deleted by its owner.
  delete mHostApp;
}

FUnknown* VstHost::HostContext() const
{
  return static_cast<IHostApplication*>(mHostApp);
}

bool VstHost::Load(const std::string& bundlePath, std::string& error)
{
  if (mLib) {
    error = "a module is already loaded";
    return false;
  }
  if (!Exists(bundlePath)) {
    error = "no such plug-in: " + bundlePath;
    return false;
  }
  std::string module;
  if (IsDirectory(bundlePath)) {
    std::string dir = bundlePath;
    while (dir.size() > 1 && dir.back() == '/')
      dir.pop_back();
    std::string name = dir.substr(dir.find_last_of('/') + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0)
      name.resize(name.size() - 5);
    module = dir + "/Contents/x86_64-linux/" + name + ".so";
    if (!IsFile(module)) {
      error = "not a VST 3 bundle (no Contents/x86_64-linux/" + name + ".so): " + bundlePath;
      return false;
    }
  } else {
    module = bundlePath;
  }

  mLib = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mLib) {
    const char* why = dlerror();
    error = "not a VST 3 bundle (cannot load " + module + "): " + (why ? why : "unknown error");
    return false;
  }
  using EntryFn = bool (*)(void*);
  using FactoryFn = IPluginFactory* (*)();
  auto entry = reinterpret_cast<EntryFn>(dlsym(mLib, "ModuleEntry"));
  auto exitFn = reinterpret_cast<bool (*)()>(dlsym(mLib, "ModuleExit"));
  auto getFactory = reinterpret_cast<FactoryFn>(dlsym(mLib, "GetPluginFactory"));
  if (!getFactory) {
    error = "not a VST 3 bundle (no GetPluginFactory): " + bundlePath;
    dlclose(mLib);
    mLib = nullptr;
    return false;
  }
  if (entry && !entry(mLib)) {
    error = "the module's ModuleEntry failed: " + bundlePath;
    dlclose(mLib);
    mLib = nullptr;
    return false;
  }
  mModuleExit = exitFn;
  mFactory = getFactory();
  if (!mFactory) {
    error = "the module returned no plug-in factory: " + bundlePath;
    return false;
  }
  return true;
}

void* VstHost::Symbol(const char* name) const
{
  return mLib ? dlsym(mLib, name) : nullptr;
}

std::string VstHost::Describe() const
{
  if (!mFactory)
    return "";
  std::string out;
  char line[512];
  PFactoryInfo fi;
  if (mFactory->getFactoryInfo(&fi) == kResultOk) {
    std::snprintf(line, sizeof line, "Factory\n  vendor: %s\n  url: %s\n  email: %s\n  flags: %d\n",
                  FixedText(fi.vendor, PFactoryInfo::kNameSize).c_str(),
                  FixedText(fi.url, PFactoryInfo::kURLSize).c_str(),
                  FixedText(fi.email, PFactoryInfo::kEmailSize).c_str(), fi.flags);
    out += line;
  }
  IPluginFactory2* f2 = nullptr;
  mFactory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&f2));
  int32 n = mFactory->countClasses();
  std::snprintf(line, sizeof line, "Classes: %d\n", n);
  out += line;
  for (int32 i = 0; i < n; ++i) {
    PClassInfo2 ci2;
    if (f2 && f2->getClassInfo2(i, &ci2) == kResultOk) {
      std::snprintf(line, sizeof line,
                    "Class %d\n  name: %s\n  category: %s\n  cid: %s\n  cardinality: %d\n"
                    "  classFlags: %u\n  subCategories: %s\n  vendor: %s\n  version: %s\n"
                    "  sdkVersion: %s\n",
                    i, FixedText(ci2.name, PClassInfo::kNameSize).c_str(),
                    FixedText(ci2.category, PClassInfo::kCategorySize).c_str(),
                    CidText(ci2.cid).c_str(), ci2.cardinality, ci2.classFlags,
                    FixedText(ci2.subCategories, PClassInfo2::kSubCategoriesSize).c_str(),
                    FixedText(ci2.vendor, PClassInfo2::kVendorSize).c_str(),
                    FixedText(ci2.version, PClassInfo2::kVersionSize).c_str(),
                    FixedText(ci2.sdkVersion, PClassInfo2::kVersionSize).c_str());
      out += line;
      continue;
    }
    PClassInfo ci;
    if (mFactory->getClassInfo(i, &ci) == kResultOk) {
      std::snprintf(line, sizeof line, "Class %d\n  name: %s\n  category: %s\n  cid: %s\n  cardinality: %d\n", i,
                    FixedText(ci.name, PClassInfo::kNameSize).c_str(),
                    FixedText(ci.category, PClassInfo::kCategorySize).c_str(), CidText(ci.cid).c_str(),
                    ci.cardinality);
      out += line;
    }
  }
  if (f2)
    f2->release();
  return out;
}

bool VstHost::CreateEffect(std::string& error)
{
  if (!mFactory) {
    error = "no module loaded";
    return false;
  }
  if (mComponent) {
    error = "an instance already exists";
    return false;
  }
  int32 n = mFactory->countClasses();
  for (int32 i = 0; i < n && !mComponent; ++i) {
    PClassInfo ci;
    if (mFactory->getClassInfo(i, &ci) != kResultOk)
      continue;
    if (std::strncmp(ci.category, kVstAudioEffectClass, PClassInfo::kCategorySize) != 0)
      continue;
    void* obj = nullptr;
    if (mFactory->createInstance(ci.cid, IComponent::iid, &obj) == kResultOk && obj) {
      mComponent = static_cast<IComponent*>(obj);
      std::memcpy(mClassId, ci.cid, sizeof(TUID));
      mClassName = FixedText(ci.name, PClassInfo::kNameSize);
      mClassCategory.clear();
      IPluginFactory2* f2 = nullptr;
      PClassInfo2 ci2;
      if (mFactory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&f2)) == kResultOk && f2) {
        if (f2->getClassInfo2(i, &ci2) == kResultOk)
          mClassCategory = FixedText(ci2.subCategories, PClassInfo2::kSubCategoriesSize);
        f2->release();
      }
    }
  }
  if (!mComponent) {
    error = "the module has no audio-effect class";
    return false;
  }
  if (mComponent->initialize(HostContext()) != kResultOk) {
    error = "the plug-in failed to initialise";
    ReleaseEffect();
    return false;
  }
  if (mComponent->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&mProcessor)) != kResultOk ||
      !mProcessor) {
    error = "the plug-in has no audio processor";
    ReleaseEffect();
    return false;
  }
  if (mComponent->queryInterface(IEditController::iid, reinterpret_cast<void**>(&mController)) != kResultOk ||
      !mController) {
    mController = nullptr;
    TUID cid;
    void* obj = nullptr;
    if (mComponent->getControllerClassId(cid) == kResultOk &&
        mFactory->createInstance(cid, IEditController::iid, &obj) == kResultOk && obj) {
      mController = static_cast<IEditController*>(obj);
      mSeparateController = true;
      if (mController->initialize(HostContext()) != kResultOk) {
        error = "the plug-in's edit controller failed to initialise";
        ReleaseEffect();
        return false;
      }
    }
  }
  if (!mController) {
    error = "the plug-in has no edit controller";
    ReleaseEffect();
    return false;
  }
  return true;
}

bool VstHost::SetChannels(int channels, std::string& error)
{
  if (!mProcessor) {
    error = "no instance";
    return false;
  }
  if (channels != 1 && channels != 2) {
    error = "unsupported channel count: " + std::to_string(channels) + " (only mono and stereo)";
    return false;
  }
  SpeakerArrangement in = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
  SpeakerArrangement out = in;
  if (mProcessor->setBusArrangements(&in, 1, &out, 1) != kResultOk) {
    error = "the plug-in refuses " + std::string(channels == 1 ? "mono" : "stereo") + " buses";
    return false;
  }
  mComponent->activateBus(kAudio, kInput, 0, true);
  mComponent->activateBus(kAudio, kOutput, 0, true);
  mChannels = channels;
  return true;
}

bool VstHost::Start(double sampleRate, int maxBlock, int precision, std::string& error, int32 processMode)
{
  if (!mProcessor) {
    error = "no instance";
    return false;
  }
  int32 size = precision == 32 ? kSample32 : kSample64;
  if (mProcessor->canProcessSampleSize(size) != kResultTrue) {
    error = "the plug-in cannot process " + std::to_string(precision) + "-bit samples";
    return false;
  }
  ProcessSetup setup{processMode, size, maxBlock, sampleRate};
  if (mProcessor->setupProcessing(setup) != kResultOk) {
    error = "the plug-in refused the processing setup";
    return false;
  }
  mSampleRate = sampleRate;
  mSampleSize = size;
  mProcessMode = processMode;
  std::memset(&mContext, 0, sizeof mContext);
  mContext.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid;
  mContext.sampleRate = sampleRate;
  mContext.tempo = 120.0;
  mContext.timeSigNumerator = 4;
  mContext.timeSigDenominator = 4;
  if (mComponent->setActive(true) != kResultOk) {
    error = "the plug-in failed to activate";
    return false;
  }
  mActive = true;
  mProcessor->setProcessing(true); // many plug-ins answer kNotImplemented; not an error
  mProcessing = true;
  return true;
}

void VstHost::Stop()
{
  if (mProcessing && mProcessor)
    mProcessor->setProcessing(false);
  mProcessing = false;
  if (mActive && mComponent)
    mComponent->setActive(false);
  mActive = false;
}

void VstHost::ReleaseEffect()
{
  Stop();
  if (mSeparateController && mController) {
    mController->terminate();
  }
  if (mController)
    mController->release();
  mController = nullptr;
  mSeparateController = false;
  if (mProcessor)
    mProcessor->release();
  mProcessor = nullptr;
  if (mComponent) {
    mComponent->terminate();
    mComponent->release();
  }
  mComponent = nullptr;
}

int VstHost::ParamCount() const
{
  return mController ? mController->getParameterCount() : 0;
}

bool VstHost::ParamInfoAt(int index, ParameterInfo& info) const
{
  return mController && mController->getParameterInfo(index, info) == kResultOk;
}

std::string VstHost::Title(const ParameterInfo& info) const
{
  return Ascii(info.title, 128);
}

std::string VstHost::ShortTitle(const ParameterInfo& info) const
{
  return Ascii(info.shortTitle, 128);
}

std::string VstHost::Units(const ParameterInfo& info) const
{
  return Ascii(info.units, 128);
}

bool VstHost::ParamInfoById(ParamID id, ParameterInfo& info) const
{
  const int n = ParamCount();
  for (int i = 0; i < n; ++i)
    if (ParamInfoAt(i, info) && info.id == id)
      return true;
  return false;
}

bool VstHost::FindParam(const std::string& key, ParamID& id) const
{
  auto sameIgnoringCase = [](const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  };
  int n = ParamCount();
  ParameterInfo info;
  for (int pass = 0; pass < 2 && !key.empty(); ++pass)
    for (int i = 0; i < n; ++i) {
      if (!ParamInfoAt(i, info))
        continue;
      for (const std::string& name : {Title(info), ShortTitle(info)}) {
        const bool match = pass == 0 ? name == key : sameIgnoringCase(name, key);
        if (match && !name.empty()) {
          id = info.id;
          return true;
        }
      }
    }
  // Numeric id, decimal or 0x-hexadecimal.
  if (key.empty() || key[0] == '-' || key[0] == '+' || std::isspace(static_cast<unsigned char>(key[0])))
    return false;
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(key.c_str(), &end, 0);
  if (!end || *end != 0 || errno)
    return false;
  if (ParamInfoById(static_cast<ParamID>(v), info) && info.id == v) {
    id = info.id;
    return true;
  }
  return false;
}

bool VstHost::FindProgramParam(ParamID& id) const
{
  int n = ParamCount();
  ParameterInfo info;
  for (int i = 0; i < n; ++i)
    if (ParamInfoAt(i, info) && (info.flags & ParameterInfo::kIsProgramChange)) {
      id = info.id;
      return true;
    }
  return false;
}

std::vector<std::string> VstHost::ProgramNames() const
{
  std::vector<std::string> names;
  if (!mController)
    return names;
  IUnitInfo* units = nullptr;
  if (mController->queryInterface(IUnitInfo::iid, reinterpret_cast<void**>(&units)) != kResultOk || !units)
    return names;
  ProgramListInfo list{};
  if (units->getProgramListInfo(0, list) == kResultOk)
    for (int32 i = 0; i < list.programCount && i < 100000; ++i) {
      String128 name{};
      names.push_back(units->getProgramName(list.id, i, name) == kResultOk ? Ascii(name, 128) : std::string());
    }
  units->release();
  return names;
}

int VstHost::LatencySamples() const
{
  return mProcessor ? static_cast<int>(mProcessor->getLatencySamples()) : 0;
}

bool VstHost::FindBypass(ParamID& id) const
{
  int n = ParamCount();
  ParameterInfo info;
  for (int i = 0; i < n; ++i)
    if (ParamInfoAt(i, info) && (info.flags & ParameterInfo::kIsBypass)) {
      id = info.id;
      return true;
    }
  return false;
}

double VstHost::PlainToNormalized(ParamID id, double plain) const
{
  return mController ? mController->plainParamToNormalized(id, plain) : 0.0;
}

double VstHost::NormalizedToPlain(ParamID id, double normalized) const
{
  return mController ? mController->normalizedParamToPlain(id, normalized) : 0.0;
}

double VstHost::CurrentNormalized(ParamID id) const
{
  return mController ? mController->getParamNormalized(id) : 0.0;
}

std::string VstHost::DisplayText(ParamID id, double normalized) const
{
  String128 text{};
  if (!mController || mController->getParamStringByValue(id, normalized, text) != kResultOk)
    return "";
  return Ascii(text, 128);
}

bool VstHost::QueueChange(ParamID id, double normalized)
{
  if (mController)
    mController->setParamNormalized(id, normalized);
  return mChanges.Add(id, 0, normalized);
}

tresult VstHost::Process64(double** in, double** out, int nFrames)
{
  return ProcessBlock(reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nFrames, true);
}

tresult VstHost::Process32(float** in, float** out, int nFrames)
{
  return ProcessBlock(reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nFrames, false);
}

tresult VstHost::ProcessBlock(void** in, void** out, int nFrames, bool is64)
{
  if (!mProcessor)
    return kNotInitialized;
  AudioBusBuffers inBus;
  AudioBusBuffers outBus;
  inBus.numChannels = mChannels;
  outBus.numChannels = mChannels;
  inBus.silenceFlags = 0;
  outBus.silenceFlags = 0;
  if (is64) {
    inBus.channelBuffers64 = reinterpret_cast<Sample64**>(in);
    outBus.channelBuffers64 = reinterpret_cast<Sample64**>(out);
  } else {
    inBus.channelBuffers32 = reinterpret_cast<Sample32**>(in);
    outBus.channelBuffers32 = reinterpret_cast<Sample32**>(out);
  }
  ProcessData data;
  data.processMode = mProcessMode;
  data.symbolicSampleSize = is64 ? kSample64 : kSample32;
  data.numSamples = nFrames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &mChanges;
  data.processContext = &mContext;
  tresult r = mProcessor->process(data);
  mLastSilence = outBus.silenceFlags;
  mChanges.Clear();
  mContext.projectTimeSamples += nFrames;
  return r;
}

bool VstHost::GetState(std::vector<uint8_t>& bytes, std::string& error)
{
  if (!mComponent) {
    error = "no instance";
    return false;
  }
  ByteStream s;
  tresult r = mComponent->getState(&s);
  if (r != kResultOk) {
    ByteStream c;
    if (mController && mController->getState(&c) == kResultOk) {
      bytes = c.Bytes();
      return true;
    }
    error = "the plug-in did not provide its state";
    return false;
  }
  bytes = s.Bytes();
  return true;
}

bool VstHost::GetStateParts(std::vector<uint8_t>& component, std::vector<uint8_t>& controller, std::string& error)
{
  if (!mComponent || !mController) {
    error = "no instance";
    return false;
  }
  ByteStream s;
  const tresult r = mComponent->getState(&s);
  if (r != kResultOk && r != kNotImplemented) {
    error = "the plug-in did not provide its state";
    return false;
  }
  component = r == kResultOk ? s.Bytes() : std::vector<uint8_t>();
  ByteStream c;
  const tresult rc = mController->getState(&c);
  if (rc != kResultOk && rc != kNotImplemented) {
    error = "the plug-in's controller did not provide its state";
    return false;
  }
  controller = rc == kResultOk ? c.Bytes() : std::vector<uint8_t>();
  if (component.empty() && controller.empty()) {
    error = "the plug-in did not provide its state";
    return false;
  }
  return true;
}

bool VstHost::SetStateParts(const std::vector<uint8_t>& component, const std::vector<uint8_t>& controller,
                            std::string& error)
{
  if (!mComponent || !mController) {
    error = "no instance";
    return false;
  }
  bool taken = false;
  if (!component.empty()) {
    ByteStream s(component);
    const tresult r = mComponent->setState(&s);
    if (r != kResultOk && r != kNotImplemented) {
      error = "the plug-in rejected the component state";
      return false;
    }
    taken = r == kResultOk;
    if (taken && mSeparateController) {
      ByteStream c(component);
      mController->setComponentState(&c);
    }
  }
  const std::vector<uint8_t>& forController = !controller.empty() ? controller : taken ? controller : component;
  if (!forController.empty()) {
    ByteStream c(forController);
    const tresult r = mController->setState(&c);
    if (r != kResultOk && r != kNotImplemented) {
      error = "the plug-in rejected the controller state";
      return false;
    }
    taken = taken || r == kResultOk;
  }
  if (!taken) {
    error = "the plug-in took none of the state";
    return false;
  }
  return true;
}

bool VstHost::SetState(const std::vector<uint8_t>& bytes, std::string& error)
{
  if (!mComponent) {
    error = "no instance";
    return false;
  }
  ByteStream s(bytes);
  tresult r = mComponent->setState(&s);
  if (r == kNotImplemented && mController) {
    ByteStream c(bytes);
    r = mController->setState(&c);
  } else if (r == kResultOk && mSeparateController) {
    ByteStream c(bytes);
    mController->setComponentState(&c);
  }
  if (r != kResultOk) {
    error = "the plug-in rejected the state";
    return false;
  }
  return true;
}
