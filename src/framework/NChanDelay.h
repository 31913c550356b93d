#pragma once

#include "core/Core_TypedBuf.h"

// A delay line of whole frames for several channels, used to pass audio through with
// the latency the plug-in reports. Channel j below both the input and the output count
// is delayed by the delay length; each channel owns a ring of `capacity` frames. Growing
// the capacity allocates (set-up time only); ProcessBlock and ChangeDelayTime allocate
// nothing.
class NChanDelay
{
public:
  // delayFrames: the delay length in frames (negative counts as 0). The buffer starts
  // zeroed, so the output is silent until the line has filled.
  NChanDelay(int nInputChannels, int nOutputChannels, int delayFrames = 0) noexcept;

  // Set-up time: sets the length, grows the capacity to it when needed, zeroes the line
  // and rewinds it.
  void SetDelayTime(int delayFrames) noexcept;
  // Set-up time: makes room for delays up to maxFrames (zeroing the line when it grows),
  // so that ChangeDelayTime can reach them without allocating. False when out of memory.
  bool Reserve(int maxFrames) noexcept;
  // Any thread that owns the line (audio thread included): a new length within the
  // capacity, keeping the line's history, so the output continues with the input of
  // delayFrames frames ago. False, nothing changed, beyond the capacity.
  bool ChangeDelayTime(int delayFrames) noexcept;
  // Zeroes the buffer and rewinds the write position.
  void Reset() noexcept;

  // Delays nFrames frames of every channel j below both counts: outputs[j] receives
  // inputs[j] delayed by the delay length. In place (inputs[j] == outputs[j]) is
  // allowed. Channels of outputs from the delayed count on receive zeros. A length of
  // 0 copies. Null channel pointers are skipped (a null input counts as silence).
  void ProcessBlock(double** inputs, double** outputs, int nFrames) noexcept;

  int GetDelayTime() const noexcept { return mDTSamples; }
  int GetCapacity() const noexcept { return mCapacity; }
  int NInputChannels() const noexcept { return mNInputChans; }
  int NOutputChannels() const noexcept { return mNOutputChans; }

private:
  bool Allocate(int capacity) noexcept;

  Core_TypedBuf<double> mBuffer;
  int mWriteAddress = 0;
  int mNInputChans;
  int mNOutputChans;
  int mDTSamples = 0;
  int mCapacity = 0;
};
