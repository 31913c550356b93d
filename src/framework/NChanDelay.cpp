#include "framework/NChanDelay.h"

#include <string.h>

NChanDelay::NChanDelay(int nInputChannels, int nOutputChannels, int delayFrames) noexcept
  : mNInputChans(nInputChannels > 0 ? nInputChannels : 0),
    mNOutputChans(nOutputChannels > 0 ? nOutputChannels : 0)
{
  SetDelayTime(delayFrames);
}

void NChanDelay::SetDelayTime(int delayFrames) noexcept
{
  if (delayFrames < 0) delayFrames = 0;
  const long long samples = (long long)mNInputChans * delayFrames;
  mDTSamples = delayFrames;
  if (samples > 0x7fffffff / (long long)sizeof(double))
    mBuffer.Resize(0);  // never representable: the line stays empty and copies
  else
    mBuffer.Resize((int)samples);
  if ((long long)mBuffer.GetSize() != samples)
  {
    // Out of memory: keep a consistent, empty line rather than a short buffer.
    mBuffer.Resize(0);
    mDTSamples = 0;
  }
  Reset();
}

void NChanDelay::Reset() noexcept
{
  if (mBuffer.GetSize() > 0) memset(mBuffer.Get(), 0, sizeof(double) * (size_t)mBuffer.GetSize());
  mWriteAddress = 0;
}

void NChanDelay::ProcessBlock(double** inputs, double** outputs, int nFrames) noexcept
{
  if (!inputs || !outputs || nFrames <= 0) return;
  const int nChans = mNInputChans < mNOutputChans ? mNInputChans : mNOutputChans;
  const int d = mDTSamples;
  double* buf = mBuffer.Get();

  for (int j = nChans; j < mNOutputChans; ++j)
    if (outputs[j]) memset(outputs[j], 0, sizeof(double) * (size_t)nFrames);

  if (d == 0 || !buf)
  {
    for (int j = 0; j < nChans; ++j)
      if (inputs[j] && outputs[j] && inputs[j] != outputs[j])
        memmove(outputs[j], inputs[j], sizeof(double) * (size_t)nFrames);
    return;
  }

  int w = mWriteAddress;
  for (int s = 0; s < nFrames; ++s)
  {
    for (int j = 0; j < nChans; ++j)
    {
      double* slot = buf + (size_t)j * (size_t)d + (size_t)w;
      // The input is read before the output is written, so in-place works.
      const double in = inputs[j] ? inputs[j][s] : 0.0;
      if (outputs[j]) outputs[j][s] = *slot;
      *slot = in;
    }
    if (++w == d) w = 0;
  }
  mWriteAddress = w;
}
