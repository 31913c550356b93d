#include "framework/NChanDelay.h"

#include <string.h>

NChanDelay::NChanDelay(int nInputChannels, int nOutputChannels, int delayFrames) noexcept
  : mNInputChans(nInputChannels > 0 ? nInputChannels : 0),
    mNOutputChans(nOutputChannels > 0 ? nOutputChannels : 0)
{
  SetDelayTime(delayFrames);
}

bool NChanDelay::Allocate(int capacity) noexcept
{
  const long long samples = (long long)mNInputChans * capacity;
  if (samples > 0x7fffffff / (long long)sizeof(double))
    mBuffer.Resize(0);  // never representable
  else
    mBuffer.Resize((int)samples);
  if ((long long)mBuffer.GetSize() != samples)
  {
    // Out of memory: keep a consistent, empty line rather than a short buffer.
    mBuffer.Resize(0);
    mCapacity = 0;
    mDTSamples = 0;
    Reset();
    return false;
  }
  mCapacity = capacity;
  Reset();
  return true;
}

void NChanDelay::SetDelayTime(int delayFrames) noexcept
{
  if (delayFrames < 0) delayFrames = 0;
  if (delayFrames > mCapacity && !Allocate(delayFrames)) return;
  mDTSamples = delayFrames;
  Reset();
}

bool NChanDelay::Reserve(int maxFrames) noexcept
{
  if (maxFrames <= mCapacity) return true;
  return Allocate(maxFrames);
}

bool NChanDelay::ChangeDelayTime(int delayFrames) noexcept
{
  if (delayFrames < 0) delayFrames = 0;
  if (delayFrames > mCapacity) return false;
  mDTSamples = delayFrames;
  return true;
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
  const int cap = mCapacity;
  double* buf = mBuffer.Get();

  for (int j = nChans; j < mNOutputChans; ++j)
    if (outputs[j]) memset(outputs[j], 0, sizeof(double) * (size_t)nFrames);

  if (cap == 0 || !buf)
  {
    for (int j = 0; j < nChans; ++j)
      if (inputs[j] && outputs[j] && inputs[j] != outputs[j])
        memmove(outputs[j], inputs[j], sizeof(double) * (size_t)nFrames);
    return;
  }

  // The ring always records the input, also while the length is 0, so that a longer
  // length set later continues with the real past input.
  int w = mWriteAddress;
  for (int s = 0; s < nFrames; ++s)
  {
    const int r = w - d < 0 ? w - d + cap : w - d;
    for (int j = 0; j < nChans; ++j)
    {
      double* ring = buf + (size_t)j * (size_t)cap;
      // The input is read before the output is written, so in-place works.
      const double in = inputs[j] ? inputs[j][s] : 0.0;
      const double out = d == 0 ? in : ring[r];
      ring[w] = in;
      if (outputs[j]) outputs[j][s] = out;
    }
    if (++w == cap) w = 0;
  }
  mWriteAddress = w;
}
