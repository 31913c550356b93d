#pragma once

#include "dsp/TeskChain.h"
#include "effect/TeskAdapter.h"
#include "effect/TeskParameterTable.h"
#include "framework/IEffectInstanceInfo.h"

// The Tesk effect: a two-channel equaliser with table-driven saturation, presented to
// hosts through the adapter the build chose (TeskAdapter: VST 3, or the LV2 DSP
// library). It owns the sound path (TeskChain), keeps the chain's
// copies of the parameter values current (OnParamChange) and applies the channel link at
// the start of every block. Its parameters are those of TeskParams::kTable.
//
// Latency: the chain's delay, TeskChain::LatencySamples(OVER), 3 or 10 samples, changed
// with OVER (the host is told from its UI thread). Tail: the longest ringing of the
// filters, kTailSeconds, in samples of the current rate.
//
// Threads: ProcessDoubleReplacing runs on the host's audio thread with the instance
// mutex held by the adapter; OnParamChange and Reset take the same mutex, so the stored
// values never change in the middle of a block.
class Tesk : public TeskAdapter
{
public:
  // Parameter indices are TeskParamIds, shared by the table and the sound path.
  static constexpr int kNumParams = TeskParams::kNumParams;
  // How long the output of an impulse stays above -120 dBFS, whatever the settings, in
  // seconds (measured at 48 kHz; the 1 Hz low-cut setting rings longest).
  static const double kTailSeconds;

  // The tail in samples at a sample rate (whole samples, rounded up; 0 for a rate that is
  // not a positive number).
  static int TailSamples(double sampleRate);

  explicit Tesk(IEffectInstanceInfo instanceInfo);
  ~Tesk() override;

  // Called when processing is set up: takes the tail for the new rate. Filter and
  // oversampler histories carry over.
  void Reset() override;
  // Activation applies the restored values at once.
  void OnActivate(bool active) override;
  // Restores the state, then applies the channel link at once, so a host reading the
  // parameters back sees what will be played.
  int UnserializeState(ByteChunk* chunk, int startPos) override;
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
  // Builds the editor and attaches it where the edition's instance shows one (the VST 3
  // module); the LV2 DSP library's instance has none (its editor is in the UI library).
  // Defined with the edition's entry points.
  void AttachEditor();
  // With LINK at 0, every second-channel parameter takes its first-channel twin's value.
  void ApplyChannelLink();
  // After activation and state restore: the values in force now apply from the next
  // sample on, without waiting for a block start (under the mutex).
  void ApplyValuesAtOnce();
  // Reports the chain's delay for the current OVER setting (under the mutex).
  void UpdateLatency(int over);
  // A switch parameter's value truncated toward zero.
  int SwitchValue(int paramIdx);

  TeskChain mChain;
};
