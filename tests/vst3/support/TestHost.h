#pragma once

#include "vst3/IEffectVST3.h"  // first: renames the controller's state pair

#include <cstring>
#include <string>
#include <vector>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

// Host-side helpers for driving an IEffectVST3 through its VST 3 interfaces. None of
// them allocates once built, so they can be used inside allocation-counting tests.

// One parameter's queue of up to kMaxPoints points.
class TestParamQueue : public Steinberg::Vst::IParamValueQueue
{
public:
  static const int kMaxPoints = 8;
  Steinberg::Vst::ParamID mId = 0;
  int mCount = 0;
  Steinberg::int32 mOffsets[kMaxPoints] = {};
  Steinberg::Vst::ParamValue mValues[kMaxPoints] = {};

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
  Steinberg::int32 PLUGIN_API getPointCount() override { return mCount; }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                         Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// Up to kMaxQueues queues; a slot can be made to answer null.
class TestParamChanges : public Steinberg::Vst::IParameterChanges
{
public:
  static const int kMaxQueues = 8;
  TestParamQueue mQueues[kMaxQueues];
  bool mNullQueue[kMaxQueues] = {};
  int mCount = 0;

  void Clear() { mCount = 0; }
  // Appends a queue for id with the given points (at offsets 0, 1, 2, ...).
  TestParamQueue* Add(Steinberg::Vst::ParamID id, std::initializer_list<double> values);

  Steinberg::int32 PLUGIN_API getParameterCount() override { return mCount; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// Records the edit calls a plug-in makes.
class TestComponentHandler : public Steinberg::Vst::IComponentHandler
{
public:
  struct Call
  {
    char kind;  // 'b'egin, 'p'erform, 'e'nd
    Steinberg::Vst::ParamID id;
    double value;
  };
  std::vector<Call> mCalls;
  std::vector<Steinberg::int32> mRestarts;

  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue valueNormalized) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// Audio buffers for one block of a stereo-in, stereo-out effect, with a ProcessData
// pointing at them. Inputs are filled with a ramp; outputs with a marker value.
struct TestBlock
{
  static constexpr float kMarker = 1234.5f;

  explicit TestBlock(int nFrames, bool use64 = false, int nChannels = 2);
  // Refills inputs (ramp (s + 1) / 64 * (c + 1)) and outputs (kMarker).
  void Fill();
  double In(int c, int s) const { return mUse64 ? mIn64[c][s] : (double)mIn32[c][s]; }
  double Out(int c, int s) const { return mUse64 ? mOut64[c][s] : (double)mOut32[c][s]; }

  bool mUse64;
  int mFrames, mChannels;
  std::vector<std::vector<float>> mIn32, mOut32;
  std::vector<std::vector<double>> mIn64, mOut64;
  std::vector<float*> mInPtrs32, mOutPtrs32;
  std::vector<double*> mInPtrs64, mOutPtrs64;
  Steinberg::Vst::AudioBusBuffers mInBus, mOutBus;
  Steinberg::Vst::ProcessData mData;
};

// A stream over a fixed byte string that delivers at most mChunk bytes per read (all
// at once when 0); writes append.
class TestStream : public Steinberg::IBStream
{
public:
  std::vector<char> mBytes;
  size_t mPos = 0;
  int mChunk = 0;
  bool mFailWrites = false;

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// A host application context that reports the given name.
class NamedHostApplication : public Steinberg::Vst::HostApplication
{
public:
  explicit NamedHostApplication(const char* name) : mName(name) {}
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  std::string mName;
};

// The usual host start-up: initialize with a host context named hostName, activate
// the buses, set up processing (sample size, block size, rate) and activate.
void StartPlugin(IEffectVST3* plug, Steinberg::FUnknown* host,
                 Steinberg::int32 sampleSize = Steinberg::Vst::kSample32, int maxBlock = 64,
                 double rate = 48000.0);

// UTF-16 to std::string (ASCII) for comparisons.
std::string ToAscii(const Steinberg::Vst::TChar* s);
