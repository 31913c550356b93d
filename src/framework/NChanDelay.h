#pragma once

#include "core/Core_TypedBuf.h"

// A delay line of whole frames for several channels, used to pass audio through with
// the latency the plug-in reports. Channel j below both the input and the output
// count is delayed by the delay length; channel j owns the stretch of the buffer that
// starts at j * delay length. Setting the length allocates (set-up time only);
// ProcessBlock allocates nothing.
class NChanDelay
{
public:
  // delayFrames: the delay length in frames (negative counts as 0). The buffer starts
  // zeroed, so the output is silent until the line has filled.
  NChanDelay(int nInputChannels, int nOutputChannels, int delayFrames = 0) noexcept;

  // Sets the length, resizes the buffer to input count * length samples, zeroes it
  // and rewinds the write position.
  void SetDelayTime(int delayFrames) noexcept;
  // Zeroes the buffer and rewinds the write position.
  void Reset() noexcept;

  // Delays nFrames frames of every channel j below both counts: outputs[j] receives
  // inputs[j] delayed by the delay length. In place (inputs[j] == outputs[j]) is
  // allowed. Channels of outputs from the delayed count on receive zeros. A length of
  // 0 copies. Null channel pointers are skipped.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) noexcept;

  int GetDelayTime() const noexcept { return mDTSamples; }
  int NInputChannels() const noexcept { return mNInputChans; }
  int NOutputChannels() const noexcept { return mNOutputChans; }

private:
  Core_TypedBuf<double> mBuffer;
  int mWriteAddress = 0;
  int mNInputChans;
  int mNOutputChans;
  int mDTSamples = 0;
};
