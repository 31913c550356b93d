#pragma once

#include <cstdint>

#include "core/Core_TypedBuf.h"
#include "framework/IEffectInstanceInfo.h"
#include "lv2/IEffectLV2Base.h"
#include "lv2/LV2Ports.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

// Presents the plug-in base to an LV2 host as the sound half of the plug-in (the DSP
// library); the editor lives in the UI library (IEffectLV2UI), which reaches the instance
// only through the host's ports. The effect derives from this class.
//
// Ports (LV2Ports): float audio, one control input per parameter, "enabled" (the host's
// bypass) and "latency" (an output). Control ports are the truth for the parameters and
// the bypass: at the start of every run each connected control input is read, and a value
// is applied only when it differs from the last value read from that port (NaN is
// ignored, other values limited to the range and, for whole-number kinds, rounded). A
// state restore sets those "last read" values to what it restored, so a host that sets
// the ports from the same saved session before or after the restore gets the same result.
//
// State (state:interface): one property, key <plug-in URI>#state, of type atom:Chunk
// (POD, portable): the base's state chunk followed by a 32-bit bypass flag in machine
// byte order - the same bytes the VST 3 edition saves. Restore reads it whole before
// anything changes; a value of the parameters only keeps the bypass; anything shorter, or
// of another type, is refused and changes nothing. Without urid:map both answer
// LV2_STATE_ERR_NO_FEATURE.
//
// Processing: any block length from 0 frames on; inputs and outputs may be the same
// buffers. Blocks longer than the block size chosen at instantiation (the host's
// bufsz:maxBlockLength or nominalBlockLength option, else kDefaultBlockSize) are processed
// in slices. The host's bypass passes the input through delayed by the latency, with a
// short crossfade (IEffectBase::SetBypassed). The latency port is written on every run.
//
// Threads: Run holds the base's mutex for the whole block; state save and restore take
// it too. The host calls everything else in LV2's instantiation class, never during Run.
// Nothing here calls the host from Run.
//
// Failures: no exception leaves the descriptor's functions (LV2Descriptor.cpp).
class IEffectLV2 : public IEffectLV2Base
{
public:
  // Slice length when the host gives no block length.
  static constexpr int kDefaultBlockSize = 4096;
  // Upper limit of the slice length taken from the host (longer blocks are sliced).
  static constexpr int kMaxBlockSize = 65536;

  // The arguments of IEffectBase with the LV2 interface as its API. scChans is not used:
  // the port layout has no side chain. Throws std::bad_alloc when out of memory.
  IEffectLV2(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
             const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
             int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
             int scChans);
  ~IEffectLV2() override;

  // The port layout of this instance.
  LV2Ports Ports() const { return {NInChannels(), NOutChannels(), NParams()}; }

  // ---- LV2 descriptor functions (LV2Descriptor.cpp calls these) ----

  // After construction: sample rate and the host's features (urid:map and options are
  // optional). Allocates the scratch buffers. False when out of memory or the rate is not
  // a positive number.
  bool Instantiate(double sampleRate, const LV2_Feature* const* features);
  // Unknown port indices are ignored; null disconnects.
  void ConnectPort(uint32_t port, void* data);
  // Nothing has sounded across an activation: the bypass applies without a fade and the
  // values read at the next run apply at once.
  void Activate();
  void Deactivate();
  // Audio thread. Reads the control ports, processes nFrames frames and writes the
  // latency port. While inactive, or with a disconnected audio output, outputs that are
  // connected are silenced.
  void Run(uint32_t nFrames);

  // state:interface. key and chunk type come from the host's urid:map.
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // The URI state keys are made from (the plug-in's URI); set by the descriptor before
  // Instantiate.
  void SetPluginURI(const char* uri);

  // ---- IEffectBase hooks: an LV2 plug-in cannot write its input ports, so changes it
  // makes itself (the channel link) stay inside the instance; the UI shows them.
  void BeginInformHostOfParamChange(int idx) override {}
  void InformHostOfParamChange(int idx, double normalizedValue) override {}
  void EndInformHostOfParamChange(int idx) override {}

  // The bytes SaveState stores: the state chunk and the bypass flag. False when they
  // cannot be made.
  bool MakeStateBytes(ByteChunk* out);
  // Restores from such bytes (see the class comment). False, nothing changed, when they
  // are too short or unreadable.
  bool ReadStateBytes(const void* data, size_t size);

private:
  // Applies the control ports that changed since they were last read (under the mutex).
  void ReadControlPorts();
  // Sets every "last read" value to the current parameter values and bypass.
  void MarkPortsRead();
  void SetHostBypass(bool bypassed);
  void SilenceOutputs(uint32_t nFrames);
  // Feature lookups at instantiation.
  void TakeFeatures(const LV2_Feature* const* features, int* blockSize);

  bool mActive = false;
  bool mFreshStart = true;  // no frame processed since instantiation or activation
  Core_TypedBuf<float*> mAudioIn, mAudioOut;     // port buffers, null when disconnected
  Core_TypedBuf<const float*> mParamPorts;       // one per parameter
  Core_TypedBuf<float> mLastRead;                // per parameter, then "enabled"; NaN: none yet
  Core_TypedBuf<float*> mInList, mOutList;       // the connected buffers of one block
  const float* mEnabledPort = nullptr;
  float* mLatencyPort = nullptr;
  LV2_URID mChunkType = 0;   // atom:Chunk
  LV2_URID mStateKey = 0;    // <plug-in URI>#state
  char mPluginURI[256] = "";
};
