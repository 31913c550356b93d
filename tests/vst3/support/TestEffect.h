#pragma once

#include "vst3/IEffectVST3.h"  // first: renames the controller's state pair

#include <atomic>

// A small effect on the adapter, for driving it the way a host does.
//
// Parameters: 0 "Gain" (double, -12..12 dB, step 0.01, label "dB"), 1 "Mode" (enum of 3
// with texts "A", "B", "C"), 2 "Active" (bool), 3 "Freq" (double 20..20000, shape 2,
// group "Filter"), 4 "Order" (int 1..4, group "Filter"), 5 "Mix" (double 0..100, label
// "%", group "Out"). One preset "-" with the defaults.
// Processing: every output channel is its input times the gain (dB), plus kOffset when
// "Active" is on; an output without an input gets 0.
class TestEffect : public IEffectVST3
{
public:
  enum
  {
    kGain = 0,
    kMode,
    kActive,
    kFreq,
    kOrder,
    kMix,
    kNumParams
  };
  static constexpr double kOffset = 0.25;

  explicit TestEffect(IEffectInstanceInfo info = IEffectInstanceInfo(), int latency = 0,
                      int scChans = 0, const char* ioSpec = "1-1 2-2", int nPresets = 1,
                      bool isInst = false, bool doesMidi = false);

  void Reset() override;
  void OnParamChange(int paramIdx) override;
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  // Records incoming MIDI (audio thread, under the mutex).
  void ProcessMidiMsg(IMidiMsg* msg) override;
  int mMidiCount = 0;
  IMidiMsg mLastMidi;

  // Observations, readable from any thread.
  std::atomic<int> mResets{0};
  std::atomic<int> mParamChanges{0};
  std::atomic<int> mBlocks{0};
  std::atomic<int> mLastChangedParam{-1};
  std::atomic<int> mLastFrames{-1};
  // Stored copies written by OnParamChange (under the mutex), read by processing.
  double mGainDB = 0.0;
  bool mActive = false;

  static std::atomic<int> sInstances;
  ~TestEffect() override;
};
