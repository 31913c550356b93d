#include "vst3/support/TestHost.h"

#include "vst3/VST3Strings.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API TestParamQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
  if (index < 0 || index >= mCount) return kResultFalse;
  sampleOffset = mOffsets[index];
  value = mValues[index];
  return kResultOk;
}

tresult PLUGIN_API TestParamQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
  if (mCount >= kMaxPoints) return kResultFalse;
  mOffsets[mCount] = sampleOffset;
  mValues[mCount] = value;
  index = mCount++;
  return kResultOk;
}

tresult PLUGIN_API TestParamQueue::queryInterface(const TUID, void** obj)
{
  *obj = nullptr;
  return kNoInterface;
}

TestParamQueue* TestParamChanges::Add(ParamID id, std::initializer_list<double> values)
{
  if (mCount >= kMaxQueues) return nullptr;
  TestParamQueue& q = mQueues[mCount];
  mNullQueue[mCount] = false;
  ++mCount;
  q.mId = id;
  q.mCount = 0;
  int32 index = 0;
  int32 offset = 0;
  for (double v : values) q.addPoint(offset++, v, index);
  return &q;
}

IParamValueQueue* PLUGIN_API TestParamChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= mCount || mNullQueue[index]) return nullptr;
  return &mQueues[index];
}

IParamValueQueue* PLUGIN_API TestParamChanges::addParameterData(const ParamID& id, int32& index)
{
  index = mCount;
  return Add(id, {});
}

tresult PLUGIN_API TestParamChanges::queryInterface(const TUID, void** obj)
{
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API TestComponentHandler::beginEdit(ParamID id)
{
  mCalls.push_back({'b', id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API TestComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
  mCalls.push_back({'p', id, valueNormalized});
  return kResultOk;
}

tresult PLUGIN_API TestComponentHandler::endEdit(ParamID id)
{
  mCalls.push_back({'e', id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API TestComponentHandler::restartComponent(int32 flags)
{
  mRestarts.push_back(flags);
  return kResultOk;
}

tresult PLUGIN_API TestComponentHandler::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, IComponentHandler::iid) ||
      FUnknownPrivate::iidEqual(iid, FUnknown::iid))
  {
    *obj = static_cast<IComponentHandler*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

TestBlock::TestBlock(int nFrames, bool use64, int nChannels)
    : mUse64(use64),
      mFrames(nFrames),
      mChannels(nChannels),
      mIn32(nChannels, std::vector<float>(nFrames > 0 ? nFrames : 1)),
      mOut32(nChannels, std::vector<float>(nFrames > 0 ? nFrames : 1)),
      mIn64(nChannels, std::vector<double>(nFrames > 0 ? nFrames : 1)),
      mOut64(nChannels, std::vector<double>(nFrames > 0 ? nFrames : 1))
{
  for (int c = 0; c < nChannels; ++c)
  {
    mInPtrs32.push_back(mIn32[c].data());
    mOutPtrs32.push_back(mOut32[c].data());
    mInPtrs64.push_back(mIn64[c].data());
    mOutPtrs64.push_back(mOut64[c].data());
  }
  mInBus.numChannels = nChannels;
  mOutBus.numChannels = nChannels;
  if (use64)
  {
    mInBus.channelBuffers64 = mInPtrs64.data();
    mOutBus.channelBuffers64 = mOutPtrs64.data();
  }
  else
  {
    mInBus.channelBuffers32 = mInPtrs32.data();
    mOutBus.channelBuffers32 = mOutPtrs32.data();
  }
  mData.processMode = kRealtime;
  mData.symbolicSampleSize = use64 ? kSample64 : kSample32;
  mData.numSamples = nFrames;
  mData.numInputs = 1;
  mData.numOutputs = 1;
  mData.inputs = &mInBus;
  mData.outputs = &mOutBus;
  Fill();
}

void TestBlock::Fill()
{
  for (int c = 0; c < mChannels; ++c)
    for (int s = 0; s < mFrames; ++s)
    {
      const double v = (s + 1) / 64.0 * (c + 1);
      mIn32[c][s] = (float)v;
      mIn64[c][s] = v;
      mOut32[c][s] = kMarker;
      mOut64[c][s] = kMarker;
    }
}

tresult PLUGIN_API TestStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
  if (numBytesRead) *numBytesRead = 0;
  if (numBytes < 0) return kInvalidArgument;
  size_t n = mBytes.size() - mPos;
  if ((size_t)numBytes < n) n = (size_t)numBytes;
  if (mChunk > 0 && n > (size_t)mChunk) n = (size_t)mChunk;
  if (n == 0) return numBytes == 0 ? kResultOk : kResultFalse;
  memcpy(buffer, mBytes.data() + mPos, n);
  mPos += n;
  if (numBytesRead) *numBytesRead = (int32)n;
  return kResultOk;
}

tresult PLUGIN_API TestStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
  if (numBytesWritten) *numBytesWritten = 0;
  if (mFailWrites) return kResultFalse;
  const char* p = static_cast<const char*>(buffer);
  mBytes.insert(mBytes.end(), p, p + numBytes);
  if (numBytesWritten) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API TestStream::seek(int64 pos, int32 mode, int64* result)
{
  return kNotImplemented;
}

tresult PLUGIN_API TestStream::tell(int64* pos)
{
  if (pos) *pos = (int64)mPos;
  return kResultOk;
}

tresult PLUGIN_API TestStream::queryInterface(const TUID iid, void** obj)
{
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API NamedHostApplication::getName(String128 name)
{
  WidenToUTF16(mName.c_str(), name, 128);
  return kResultOk;
}

void StartPlugin(IEffectVST3* plug, FUnknown* host, int32 sampleSize, int maxBlock, double rate)
{
  plug->initialize(host);
  for (int32 i = 0; i < plug->getBusCount(kAudio, kInput); ++i)
    plug->activateBus(kAudio, kInput, i, true);
  for (int32 i = 0; i < plug->getBusCount(kAudio, kOutput); ++i)
    plug->activateBus(kAudio, kOutput, i, true);
  ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
  plug->setupProcessing(setup);
  plug->setActive(true);
  plug->setProcessing(true);
}

std::string ToAscii(const TChar* s)
{
  std::string out;
  for (; s && *s; ++s) out += (char)(*s < 0x80 ? *s : '?');
  return out;
}
