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
  // By exact title or short title, then either ignoring letter case, then numeric id.
  bool FindParam(const std::string& key, Steinberg::Vst::ParamID& id) const;
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
