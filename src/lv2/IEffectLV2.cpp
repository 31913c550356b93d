#include "lv2/IEffectLV2.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include "core/Core_Mutex.h"
#include "framework/NChanDelay.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

// A block length option's value, or 0 when the option is not a positive 32-bit integer.
int BlockLengthOption(const LV2_Options_Option& o, LV2_URID intType)
{
  if (o.type != intType || o.size != sizeof(int32_t) || !o.value) return 0;
  int32_t v = 0;
  memcpy(&v, o.value, sizeof(v));
  return v > 0 ? v : 0;
}

}  // namespace

IEffectLV2::IEffectLV2(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
                       const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
                       int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                       bool plugIsInst, int scChans)
    : IEffectLV2Base(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion, uniqueID,
                     mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2)
{
  if (NInChannels() > 0)
  {
    mDelay = new NChanDelay(NInChannels(), NOutChannels(), latency);
    if (mDelay->GetDelayTime() != (latency > 0 ? latency : 0)) throw std::bad_alloc();
  }

  const int nIn = NInChannels() > 0 ? NInChannels() : 1;
  const int nOut = NOutChannels() > 0 ? NOutChannels() : 1;
  const int nParamSlots = NParams() > 0 ? NParams() : 1;
  mAudioIn.Resize(nIn);
  mAudioOut.Resize(nOut);
  mInList.Resize(nIn);
  mOutList.Resize(nOut);
  mParamPorts.Resize(nParamSlots);
  mLastRead.Resize(NParams() + 1);
  if (mAudioIn.GetSize() != nIn || mAudioOut.GetSize() != nOut || mInList.GetSize() != nIn ||
      mOutList.GetSize() != nOut || mParamPorts.GetSize() != nParamSlots || mLastRead.GetSize() != NParams() + 1)
    throw std::bad_alloc();
  for (int i = 0; i < nIn; ++i) mAudioIn.Get()[i] = nullptr;
  for (int i = 0; i < nOut; ++i) mAudioOut.Get()[i] = nullptr;
  for (int i = 0; i < nParamSlots; ++i) mParamPorts.Get()[i] = nullptr;
  // Nothing read yet: the first run applies every connected port.
  for (int i = 0; i <= NParams(); ++i) mLastRead.Get()[i] = std::numeric_limits<float>::quiet_NaN();
  // Until the host connects them, channels read silence and write scratch.
  SetInputChannelConnections(0, NInChannels(), false);
  SetOutputChannelConnections(0, NOutChannels(), false);
}

IEffectLV2::~IEffectLV2() = default;

void IEffectLV2::SetPluginURI(const char* uri)
{
  snprintf(mPluginURI, sizeof(mPluginURI), "%s", uri ? uri : "");
}

void IEffectLV2::TakeFeatures(const LV2_Feature* const* features, int* blockSize)
{
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (!map || !map->map) return;
  mChunkType = map->map(map->handle, LV2_ATOM__Chunk);
  if (mPluginURI[0])
  {
    char key[sizeof(mPluginURI) + 8];
    snprintf(key, sizeof(key), "%s#state", mPluginURI);
    mStateKey = map->map(map->handle, key);
  }

  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!options) return;
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID maxKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalKey = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  int maxLength = 0, nominalLength = 0;
  for (const LV2_Options_Option* o = options; o->key != 0; ++o)
  {
    if (o->context != LV2_OPTIONS_INSTANCE) continue;
    if (o->key == maxKey) maxLength = BlockLengthOption(*o, intType);
    if (o->key == nominalKey) nominalLength = BlockLengthOption(*o, intType);
  }
  const int length = maxLength > 0 ? maxLength : nominalLength;
  if (length > 0) *blockSize = length < kMaxBlockSize ? length : kMaxBlockSize;
}

bool IEffectLV2::Instantiate(double sampleRate, const LV2_Feature* const* features)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
  int blockSize = kDefaultBlockSize;
  TakeFeatures(features, &blockSize);
  Core_MutexLock lock(mMutex);
  SetBlockSize(blockSize);
  if (GetBlockSize() != blockSize) return false;
  SetSampleRate(sampleRate);
  Reset();
  return true;
}

void IEffectLV2::ConnectPort(uint32_t port, void* data)
{
  const LV2Ports ports = Ports();
  if (port < ports.AudioOut(0))
    mAudioIn.Get()[port] = static_cast<float*>(data);
  else if (port < ports.Param(0))
    mAudioOut.Get()[port - ports.AudioOut(0)] = static_cast<float*>(data);
  else if (port < ports.Enabled())
    mParamPorts.Get()[port - ports.Param(0)] = static_cast<const float*>(data);
  else if (port == ports.Enabled())
    mEnabledPort = static_cast<const float*>(data);
  else if (port == ports.Latency())
    mLatencyPort = static_cast<float*>(data);
}

void IEffectLV2::Activate()
{
  Core_MutexLock lock(mMutex);
  mActive = true;
  mFreshStart = true;
  SnapBypass();
  OnActivate(true);
}

void IEffectLV2::Deactivate()
{
  Core_MutexLock lock(mMutex);
  mActive = false;
  OnActivate(false);
}

void IEffectLV2::SetHostBypass(bool bypassed)
{
  SetBypassed(bypassed);
  // Nothing has sounded yet: nothing to fade from.
  if (mFreshStart || !mActive) SnapBypass();
}

void IEffectLV2::ReadControlPorts()
{
  float* last = mLastRead.Get();
  for (int i = 0, n = NParams(); i < n; ++i)
  {
    const float* port = mParamPorts.Get()[i];
    if (!port) continue;
    const float v = *port;
    // NaN never equals: it is skipped below and leaves the last value read as it was.
    if (v == last[i]) continue;
    IParam* param = GetParam(i);
    double plain = 0.0;
    if (!LV2PortValueToPlain(*param, v, &plain)) continue;
    last[i] = v;
    param->SetValue(plain);
    OnParamChange(i);
  }
  if (mEnabledPort)
  {
    const float v = *mEnabledPort;
    bool bypassed = false;
    if (v != last[NParams()] && LV2EnabledToBypass(v, &bypassed))
    {
      last[NParams()] = v;
      SetHostBypass(bypassed);
    }
  }
}

void IEffectLV2::MarkPortsRead()
{
  float* last = mLastRead.Get();
  for (int i = 0, n = NParams(); i < n; ++i) last[i] = static_cast<float>(GetParam(i)->GetValue());
  last[NParams()] = GetBypassed() ? 0.0f : 1.0f;
}

void IEffectLV2::SilenceOutputs(uint32_t nFrames)
{
  for (int i = 0, n = NOutChannels(); i < n; ++i)
    if (float* out = mAudioOut.Get()[i]) memset(out, 0, sizeof(float) * nFrames);
}

void IEffectLV2::Run(uint32_t nFrames)
{
  Core_MutexLock lock(mMutex);
  ReadControlPorts();
  const int frames = nFrames > (uint32_t)std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                                          : (int)nFrames;
  if (!mActive)
  {
    SilenceOutputs((uint32_t)frames);
  }
  else
  {
    // Connects the base's channels to this block's buffers; a disconnected input reads
    // silence, a disconnected output writes scratch.
    int nList = 0;
    for (int i = 0, n = NInChannels(); i < n; ++i)
    {
      float* p = mAudioIn.Get()[i];
      SetInputChannelConnections(i, 1, p != nullptr);
      if (p) mInList.Get()[nList++] = p;
    }
    if (NInChannels() > 0) AttachInputBuffers(0, NInChannels(), mInList.Get(), frames);
    nList = 0;
    for (int i = 0, n = NOutChannels(); i < n; ++i)
    {
      float* p = mAudioOut.Get()[i];
      SetOutputChannelConnections(i, 1, p != nullptr);
      if (p) mOutList.Get()[nList++] = p;
    }
    if (NOutChannels() > 0) AttachOutputBuffers(0, NOutChannels(), mOutList.Get());
    RunBuffers(0.0f, 0, frames);
    if (frames > 0) mFreshStart = false;
  }
  if (mLatencyPort) *mLatencyPort = static_cast<float>(GetLatency());
}

// ---- State ----

bool IEffectLV2::MakeStateBytes(ByteChunk* out)
{
  Core_MutexLock lock(mMutex);
  out->Clear();
  if (!SerializeState(out)) return false;
  const int32_t bypass = GetBypassed() ? 1 : 0;
  const int size = out->Size();
  return out->Put(&bypass) == size + (int)sizeof(bypass);
}

bool IEffectLV2::ReadStateBytes(const void* data, size_t size)
{
  const int stateSize = StateSize();
  const size_t flagSize = sizeof(int32_t);
  if (stateSize <= 0 || !data || size < (size_t)stateSize) return false;
  const bool hasFlag = size >= (size_t)stateSize + flagSize;
  ByteChunk chunk;
  if (chunk.PutBytes(data, stateSize) != stateSize) return false;
  int32_t bypass = 0;
  if (hasFlag) memcpy(&bypass, static_cast<const unsigned char*>(data) + stateSize, flagSize);

  Core_MutexLock lock(mMutex);
  if (UnserializeState(&chunk, 0) < 0) return false;
  if (hasFlag) SetHostBypass(bypass != 0);
  MarkPortsRead();
  return true;
}

LV2_State_Status IEffectLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle)
{
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  if (!mStateKey || !mChunkType) return LV2_STATE_ERR_NO_FEATURE;
  ByteChunk bytes;
  if (!MakeStateBytes(&bytes)) return LV2_STATE_ERR_NO_SPACE;
  // The host's store runs without the mutex: a slow host never stalls audio.
  return store(handle, mStateKey, bytes.GetBytes(), (size_t)bytes.Size(), mChunkType,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IEffectLV2::RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  if (!mStateKey || !mChunkType) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* value = retrieve(handle, mStateKey, &size, &type, &flags);
  if (!value) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mChunkType) return LV2_STATE_ERR_BAD_TYPE;
  return ReadStateBytes(value, size) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}
