#pragma once

#include "dsp/TeskChain.h"
#include "framework/IEffectInstanceInfo.h"
#include "vst3/IEffectVST3.h"
#include "vst3/IEffectVST3Factory.h"  // MakePlug, defined with the effect

// The Tesk effect: a two-channel equaliser with table-driven saturation, presented to
// VST 3 hosts through IEffectVST3. It owns the sound path (TeskChain), keeps the chain's
// copies of the parameter values current (OnParamChange) and applies the channel link at
// the start of every block.
//
// Threads: ProcessDoubleReplacing runs on the host's audio thread with the instance
// mutex held by the adapter; OnParamChange and Reset take the same mutex, so the stored
// values never change in the middle of a block.
class IGraphics;

// The platform editor for an instance: width x height pixels at frameRate repaints per
// second (0: the default), with the product's bundle identifier set. Owned by the caller.
IGraphics* MakeGraphics(IEffectVST3* plug, int width, int height, int frameRate);

class Tesk : public IEffectVST3
{
public:
  // Parameter indices are those of the sound path (TeskChain::ParamIdx).
  static constexpr int kNumParams = TeskChain::kNumParams;

  explicit Tesk(IEffectInstanceInfo instanceInfo);
  ~Tesk() override;

  // Called when processing is set up. Filter and oversampler histories carry over.
  void Reset() override;
  // Copies parameter paramIdx's plain value into the sound path's stored values; the
  // switches BY, LINK, MS and OVER are read from the parameters at each block instead.
  void OnParamChange(int paramIdx) override;
  // Two input and two output channels of nFrames samples; input and output may alias.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

  // The stored copy the sound path uses (0 for the switches); for inspection in tests.
  double GetStoredValue(int paramIdx) const { return mChain.GetStoredValue(paramIdx); }
  // A band's frequency in Hz as selected at the last block start (TeskChain::Band).
  double GetSelectedFrequency(int band) const { return mChain.GetSelectedFrequency(band); }

private:
  // With LINK at 0, every second-channel parameter takes its first-channel twin's value.
  void ApplyChannelLink();
  // A switch parameter's value truncated toward zero.
  int SwitchValue(int paramIdx);

  TeskChain mChain;
};
