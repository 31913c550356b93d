#pragma once
// A small VST 3 host: loads one module through its exported entry points and runs one
// audio-effect instance of it on stereo or mono buses. Used by tesk-render and by the
// integration tests. Single-threaded: every call must come from the creating thread.

#include "ParamChanges.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstdint>
#include <string>
#include <vector>

class VstHost
{
public:
  VstHost();
  ~VstHost(); // releases the instance, calls ModuleExit and unloads the module
  VstHost(const VstHost&) = delete;
  VstHost& operator=(const VstHost&) = delete;

  // Opens a bundle folder (NAME.vst3/Contents/x86_64-linux/NAME.so) or a module file,
  // calls ModuleEntry and GetPluginFactory. On failure `error` holds one line.
  bool Load(const std::string& bundlePath, std::string& error);
  // Factory and class information, several lines (for --info). Needs Load.
  std::string Describe() const;
  // Creates the first class of category "Audio Module Class", initialises it with a host
  // application context and finds its edit controller.
  bool CreateEffect(std::string& error);
  // Main input and output bus arrangement: 1 = mono, 2 = stereo.
  bool SetChannels(int channels, std::string& error);
  // setupProcessing (precision 32 or 64), setActive(true), setProcessing(true).
  bool Start(double sampleRate, int maxBlock, int precision, std::string& error,
             Steinberg::int32 processMode = Steinberg::Vst::kOffline);
  // setProcessing(false), setActive(false); the instance stays initialised.
  void Stop();
  // Stop, terminate and release the instance (the module stays loaded).
  void ReleaseEffect();

  // Host parameters, as the controller lists them.
  int ParamCount() const;
  bool ParamInfoAt(int index, Steinberg::Vst::ParameterInfo& info) const;
  // By exact title or short title, then case-insensitive title or short title, then
  // numeric id (decimal or 0x-hexadecimal).
  bool FindParam(const std::string& key, Steinberg::Vst::ParamID& id) const;
  // A parameter's title and short title as ASCII ('?' for other characters).
  std::string Title(const Steinberg::Vst::ParameterInfo& info) const;
  std::string ShortTitle(const Steinberg::Vst::ParameterInfo& info) const;
  std::string Units(const Steinberg::Vst::ParameterInfo& info) const;
  // The parameter information of `id`; false when the controller has no such parameter.
  bool ParamInfoById(Steinberg::Vst::ParamID id, Steinberg::Vst::ParameterInfo& info) const;
  // The program-change parameter ("kIsProgramChange"); false when there is none.
  bool FindProgramParam(Steinberg::Vst::ParamID& id) const;
  bool FindBypass(Steinberg::Vst::ParamID& id) const;
  double PlainToNormalized(Steinberg::Vst::ParamID id, double plain) const;
  double NormalizedToPlain(Steinberg::Vst::ParamID id, double normalized) const;
  double CurrentNormalized(Steinberg::Vst::ParamID id) const;
  std::string DisplayText(Steinberg::Vst::ParamID id, double normalized) const;
  // Sends `normalized` to the controller now and as one queue point (offset 0) with the
  // next processed block. False when the block's queue list is full.
  bool QueueChange(Steinberg::Vst::ParamID id, double normalized);

  // One block of nFrames samples per channel (as many channels as SetChannels chose).
  // The sample type must match the precision given to Start. Returns the process result.
  Steinberg::tresult Process64(double** in, double** out, int nFrames);
  Steinberg::tresult Process32(float** in, float** out, int nFrames);
  // Silence flags the plug-in reported for the output bus in the last block.
  Steinberg::uint64 LastOutputSilenceFlags() const { return mLastSilence; }

  // The program list's names through IUnitInfo (the first list); empty when there is none.
  std::vector<std::string> ProgramNames() const;
  // The latency the processor reports now, in samples.
  int LatencySamples() const;
  // The created audio-effect class's name and subcategories ("Fx|EQ"; empty when the
  // factory gives none).
  const std::string& EffectName() const { return mClassName; }
  const std::string& EffectCategory() const { return mClassCategory; }
  // The class ID of the created audio-effect class.
  const Steinberg::TUID& ClassId() const { return mClassId; }

  // The component's and the controller's state separately. `component` is empty when the
  // component keeps no state of its own (it answers kNotImplemented).
  bool GetStateParts(std::vector<uint8_t>& component, std::vector<uint8_t>& controller, std::string& error);

  // Restores state in the two parts GetStateParts gives (either may be empty): the
  // component's part goes to the component (and to a separate controller through
  // setComponentState), the controller's part to the controller. A component part that
  // the component does not take (kNotImplemented) goes to the controller when there is
  // no controller part. False with `error` when the plug-in rejects a part or takes none.
  bool SetStateParts(const std::vector<uint8_t>& component, const std::vector<uint8_t>& controller,
                     std::string& error);

  // Whole plug-in state: the component's stream, or the controller's when the component
  // keeps none (single-component plug-ins that save through the controller).
  bool GetState(std::vector<uint8_t>& bytes, std::string& error);
  bool SetState(const std::vector<uint8_t>& bytes, std::string& error);

  // An exported symbol of the loaded module, or null.
  void* Symbol(const char* name) const;
  Steinberg::IPluginFactory* Factory() const { return mFactory; }
  Steinberg::Vst::IComponent* Component() const { return mComponent; }
  Steinberg::Vst::IAudioProcessor* Processor() const { return mProcessor; }
  Steinberg::Vst::IEditController* Controller() const { return mController; }
  Steinberg::FUnknown* HostContext() const;
  int Channels() const { return mChannels; }
  double SampleRate() const { return mSampleRate; }

private:
  Steinberg::tresult ProcessBlock(void** in, void** out, int nFrames, bool is64);

  void* mLib = nullptr;
  bool (*mModuleExit)() = nullptr;
  Steinberg::IPluginFactory* mFactory = nullptr;
  Steinberg::Vst::IComponent* mComponent = nullptr;
  Steinberg::Vst::IAudioProcessor* mProcessor = nullptr;
  Steinberg::Vst::IEditController* mController = nullptr;
  bool mSeparateController = false;
  Steinberg::TUID mClassId = {};
  std::string mClassName;
  std::string mClassCategory;
  bool mActive = false;
  bool mProcessing = false;
  int mChannels = 2;
  double mSampleRate = 48000.0;
  Steinberg::int32 mProcessMode = Steinberg::Vst::kOffline;
  Steinberg::int32 mSampleSize = Steinberg::Vst::kSample64;
  Steinberg::uint64 mLastSilence = 0;
  HostParameterChanges mChanges;
  Steinberg::Vst::ProcessContext mContext{};
  class HostApp;
  HostApp* mHostApp = nullptr;
};
