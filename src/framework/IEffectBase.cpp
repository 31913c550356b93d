#include "framework/IEffectBase.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "framework/Trace.h"

namespace
{
void CopyName(char* dest, const char* src)
{
  strncpy(dest, src ? src : "", 127);
  dest[127] = 0;
}

void FormatVersion(int version, char* out)
{
  const int major = (int)(((unsigned)version & 0xFFFF0000u) >> 16);
  const int minor = (version >> 8) & 0xFF;
  const int revision = version & 0xFF;
  sprintf(out, "v%d.%d.%d", major, minor, revision);
}

int DecimalVersion(int version)
{
  const int major = (int)(((unsigned)version & 0xFFFF0000u) >> 16);
  const int minor = (version >> 8) & 0xFF;
  const int revision = version & 0xFF;
  return major * 10000 + minor * 100 + revision;
}
}  // namespace

IEffectBase::IEffectBase(int nParams, const char* ioSpec, int nPresets, const char* effectName,
                         const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                         int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                         EAPI plugAPI)
  : mUniqueID(uniqueID),
    mMfrID(mfrID),
    mVersion(vendorVersion),
    mAPI(plugAPI),
    mStateChunks(plugDoesChunks),
    mIsInst(plugIsInst),
    mDoesMIDI(plugDoesMidi),
    mLatency(latency)
{
  Trace(__FUNCTION__, __LINE__, "%s:%s", effectName ? effectName : "", CurrentTime());
  CopyName(mEffectName, effectName);
  CopyName(mProductName, productName);
  CopyName(mMfrName, mfrName);
  try
  {
    Build(nParams, ioSpec, nPresets);
  }
  catch (...)
  {
    FreeAll();
    throw;
  }
}

// Appends a new item to a list; the list's failure to grow counts as running out of
// memory.
template <class T>
static void AddOrThrow(Core_PtrList<T>& list, T* item)
{
  if (!list.Add(item))
  {
    delete item;
    throw std::bad_alloc();
  }
}

void IEffectBase::Build(int nParams, const char* ioSpec, int nPresets)
{
  for (int i = 0; i < nParams; ++i) AddOrThrow(mParams, new IParam);
  for (int i = 0; i < nPresets; ++i) AddOrThrow(mPresets, new IPreset);

  // Tokens separated by single spaces, each "in-out"; a token that does not parse
  // (the empty one between two spaces, too) is the entry 0-0.
  int nInputs = 0, nOutputs = 0;
  for (const char* p = ioSpec; p;)
  {
    const char* space = strchr(p, ' ');
    const size_t len = space ? (size_t)(space - p) : strlen(p);
    char token[64];
    const size_t n = len < sizeof(token) - 1 ? len : sizeof(token) - 1;
    memcpy(token, p, n);
    token[n] = 0;
    int nIn = 0, nOut = 0;
    sscanf(token, "%d-%d", &nIn, &nOut);
    AddOrThrow(mChannelIO, new ChannelIO(nIn, nOut));
    if (nIn > nInputs) nInputs = nIn;
    if (nOut > nOutputs) nOutputs = nOut;
    p = space ? space + 1 : nullptr;
  }

  mInData.Resize(nInputs);
  mOutData.Resize(nOutputs);
  mDryPtrs.Resize(nOutputs);
  if (mInData.GetSize() != nInputs || mOutData.GetSize() != nOutputs || mDryPtrs.GetSize() != nOutputs)
    throw std::bad_alloc();
  for (int i = 0; i < nInputs; ++i)
  {
    mInData.Get()[i] = nullptr;
    InChannel* channel = new InChannel;
    channel->mSrc = mInData.Get() + i;
    AddOrThrow(mInChannels, channel);
  }
  for (int i = 0; i < nOutputs; ++i)
  {
    mOutData.Get()[i] = nullptr;
    mDryPtrs.Get()[i] = nullptr;
    OutChannel* channel = new OutChannel;
    channel->mDest = mOutData.Get() + i;
    AddOrThrow(mOutChannels, channel);
  }
}

IEffectBase::~IEffectBase()
{
  FreeAll();
}

void IEffectBase::FreeAll()
{
  delete mGraphics;
  mGraphics = nullptr;
  mParams.Empty(true);
  mPresets.Empty(true);
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mChannelIO.Empty(true);
  mInputBusLabels.Empty(true);
  mOutputBusLabels.Empty(true);
  delete mDelay;
  mDelay = nullptr;
}

// ---- Virtual hooks ----

void IEffectBase::Reset()
{
  Core_MutexLock lock(mMutex);
}

void IEffectBase::OnParamChange(int paramIdx)
{
  Core_MutexLock lock(mMutex);
}

void IEffectBase::OnActivate(bool active)
{
  Core_MutexLock lock(mMutex);
}

void IEffectBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  if (!outputs || nFrames <= 0) return;
  const int nIn = NInChannels(), nOut = NOutChannels();
  for (int i = 0; i < nOut; ++i)
  {
    double* out = outputs[i];
    if (!out) continue;
    const double* in = (i < nIn && inputs) ? inputs[i] : nullptr;
    if (i < nIn && in)
    {
      if (in != out) memmove(out, in, sizeof(double) * (size_t)nFrames);
    }
    else
    {
      memset(out, 0, sizeof(double) * (size_t)nFrames);
    }
  }
}

void IEffectBase::ProcessMidiMsg(IMidiMsg* msg)
{
  SendMidiMsg(msg);
}

bool IEffectBase::MidiNoteName(int noteNumber, char* text)
{
  if (text) text[0] = 0;
  return false;
}

bool IEffectBase::SerializeState(ByteChunk* chunk)
{
  return SerializeParams(chunk);
}

int IEffectBase::UnserializeState(ByteChunk* chunk, int startPos)
{
  return UnserializeParams(chunk, startPos);
}

void IEffectBase::SetParameterFromGUI(int idx, double normalizedValue)
{
  Trace(__FUNCTION__, __LINE__, "%d:%f", idx, normalizedValue);
  {
    Core_MutexLock lock(mMutex);
    IParam* param = GetParam(idx);
    if (!param) return;
    param->SetNormalized(normalizedValue);
    OnParamChange(idx);
  }
  // The host may wait for the audio thread inside this call: never under the mutex.
  InformHostOfParamChange(idx, normalizedValue);
}

void IEffectBase::AttachGraphics(IEditorHooks* pGraphics)
{
  if (!pGraphics) return;
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = NParams(); i < n; ++i)
    pGraphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  pGraphics->PrepDraw();
  if (mGraphics != pGraphics) delete mGraphics;
  mGraphics = pGraphics;
}

void IEffectBase::SetLatency(int samples)
{
  if (samples < 0) samples = 0;
  mLatency = samples;
  if (mDelay && !mDelay->ChangeDelayTime(samples)) mDelay->SetDelayTime(samples);
}

bool IEffectBase::ReserveLatency(int maxSamples)
{
  return !mDelay || mDelay->Reserve(maxSamples);
}

int IEffectBase::BypassFadeFrames() const
{
  const double frames = mSampleRate * kBypassFadeSeconds + 0.5;
  if (!(frames >= 1.0)) return 1;
  return frames < 1e6 ? (int)frames : 1000000;
}

void IEffectBase::SnapBypass()
{
  mBypassFadePos = mIsBypassed ? BypassFadeFrames() : 0;
}

bool IEffectBase::IsBypassFading() const
{
  return mBypassFadePos != (mIsBypassed ? BypassFadeFrames() : 0);
}

void IEffectBase::RedrawParamControls()
{
  if (!mGraphics) return;
  for (int i = 0, n = NParams(); i < n; ++i)
    mGraphics->SetParameterFromPlug(i, GetParam(i)->GetValue(), false);
}

void IEffectBase::SetBlockSize(int blockSize)
{
  if (blockSize < 0) blockSize = 0;
  if (blockSize == mBlockSize) return;

  bool ok = true;
  for (int i = 0, n = NInChannels(); i < n; ++i)
  {
    Core_TypedBuf<double>& buf = mInChannels.Get(i)->mScratchBuf;
    buf.Resize(blockSize);
    ok = ok && buf.GetSize() == blockSize;
  }
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    Core_TypedBuf<double>& buf = mOutChannels.Get(i)->mScratchBuf;
    buf.Resize(blockSize);
    ok = ok && buf.GetSize() == blockSize;
  }
  const long long drySize = (long long)NOutChannels() * blockSize;
  if (ok && drySize <= 0x7fffffff / (long long)sizeof(double))
  {
    mDryBuf.Resize((int)drySize);
    ok = mDryBuf.GetSize() == (int)drySize;
  }
  else
  {
    ok = false;
  }
  if (!ok)
  {
    // Out of memory: no scratch at all is safer than buffers of mixed sizes.
    blockSize = 0;
    for (int i = 0, n = NInChannels(); i < n; ++i) mInChannels.Get(i)->mScratchBuf.Resize(0);
    for (int i = 0, n = NOutChannels(); i < n; ++i) mOutChannels.Get(i)->mScratchBuf.Resize(0);
    mDryBuf.Resize(0);
  }
  for (int i = 0, n = mDryPtrs.GetSize(); i < n; ++i)
    mDryPtrs.Get()[i] = blockSize > 0 ? mDryBuf.Get() + (size_t)i * (size_t)blockSize : nullptr;
  mBlockSize = blockSize;
  ZeroScratchBuffers();

  // The scratch storage may have moved: slots that used it follow it.
  for (int i = 0, n = NInChannels(); i < n; ++i)
  {
    InChannel* c = mInChannels.Get(i);
    if (!c->mConnected || !c->mHostSrc) *c->mSrc = c->mScratchBuf.Get();
  }
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    if (!c->mConnected || !c->mHostDest) *c->mDest = c->mScratchBuf.Get();
  }
}

// ---- Identity ----

int IEffectBase::GetEffectVersion(bool decimal) const
{
  return decimal ? DecimalVersion(mVersion) : mVersion;
}

void IEffectBase::GetEffectVersionStr(char* out) const
{
  if (out) FormatVersion(mVersion, out);
}

int IEffectBase::GetHostVersion(bool decimal)
{
  GetHost();
  return decimal ? DecimalVersion(mHostVersion) : mHostVersion;
}

void IEffectBase::GetHostVersionStr(char* out)
{
  GetHost();
  if (out) FormatVersion(mHostVersion, out);
}

const char* IEffectBase::GetAPIString()
{
  switch (GetAPI())
  {
    case kAPIVST2: return "VST2";
    case kAPIVST3: return "VST3";
    case kAPIAU: return "AU";
    case kAPIRTAS: return "RTAS";
    case kAPIAAX: return "AAX";
    case kAPISA: return "Standalone";
    case kAPILV2: return "LV2";
    default: return "";
  }
}

double IEffectBase::GetSamplesPerBeat()
{
  const double tempo = GetTempo();
  return tempo > 0.0 ? GetSampleRate() * 60.0 / tempo : 0.0;
}

void IEffectBase::SetHost(const char* host, int version)
{
  mHost = LookUpHost(host);
  mHostVersion = version;
  char versionText[32];
  FormatVersion(version, versionText);
  Trace(__FUNCTION__, __LINE__, "host_%sknown:%s:%s", mHost == kHostUnknown ? "un" : "", host ? host : "",
        versionText);
}

// ---- Channels ----

bool IEffectBase::LegalIO(int nIn, int nOut)
{
  bool legal = false;
  for (int i = 0, n = mChannelIO.GetSize(); i < n && !legal; ++i)
  {
    const ChannelIO* io = mChannelIO.Get(i);
    legal = (nIn < 0 || nIn == io->mIn) && (nOut < 0 || nOut == io->mOut);
  }
  Trace(__FUNCTION__, __LINE__, "%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
  return legal;
}

void IEffectBase::LimitToStereoIO()
{
  const int nIn = NInChannels(), nOut = NOutChannels();
  if (nIn > 2) SetInputChannelConnections(2, nIn - 2, false);
  if (nOut > 2) SetOutputChannelConnections(2, nOut - 2, true);
}

void IEffectBase::SetInputChannelConnections(int idx, int n, bool connected)
{
  const int end = (long long)idx + n < NInChannels() ? idx + n : NInChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    InChannel* c = mInChannels.Get(i);
    // A channel that goes silent must not replay the last host samples converted
    // into its scratch buffer.
    if (c->mConnected && !connected && c->mScratchBuf.GetSize() > 0)
      memset(c->mScratchBuf.Get(), 0, sizeof(double) * (size_t)c->mScratchBuf.GetSize());
    c->mConnected = connected;
    if (!connected)
    {
      *c->mSrc = c->mScratchBuf.Get();
      c->mHostSrc = nullptr;
      c->mHostFSrc = nullptr;
    }
  }
}

void IEffectBase::SetOutputChannelConnections(int idx, int n, bool connected)
{
  const int end = (long long)idx + n < NOutChannels() ? idx + n : NOutChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    c->mConnected = connected;
    if (!connected)
    {
      *c->mDest = c->mScratchBuf.Get();
      c->mHostDest = nullptr;
      c->mFDest = nullptr;
    }
  }
}

bool IEffectBase::IsInChannelConnected(int chIdx) const
{
  const InChannel* c = mInChannels.Get(chIdx);
  return c && c->mConnected;
}

bool IEffectBase::IsOutChannelConnected(int chIdx) const
{
  const OutChannel* c = mOutChannels.Get(chIdx);
  return c && c->mConnected;
}

void IEffectBase::SetInputLabel(int idx, const char* label)
{
  if (InChannel* c = mInChannels.Get(idx)) c->mLabel.Set(label);
}

void IEffectBase::SetOutputLabel(int idx, const char* label)
{
  if (OutChannel* c = mOutChannels.Get(idx)) c->mLabel.Set(label);
}

const char* IEffectBase::GetInputLabel(int idx) const
{
  const InChannel* c = mInChannels.Get(idx);
  return c ? c->mLabel.Get() : "";
}

const char* IEffectBase::GetOutputLabel(int idx) const
{
  const OutChannel* c = mOutChannels.Get(idx);
  return c ? c->mLabel.Get() : "";
}

namespace
{
void SetBusLabel(Core_PtrList<Core_String>& labels, int idx, const char* label)
{
  labels.Delete(idx, true);
  Core_String* text = new Core_String(label);
  if (!labels.Insert(idx, text)) delete text;
}
}  // namespace

void IEffectBase::SetInputBusLabel(int idx, const char* label)
{
  if (idx == 0 || idx == 1) SetBusLabel(mInputBusLabels, idx, label);
}

void IEffectBase::SetOutputBusLabel(int idx, const char* label)
{
  if (idx >= 0) SetBusLabel(mOutputBusLabels, idx, label);
}

// ---- Buffers ----

void IEffectBase::AttachInputBuffers(int idx, int n, double** ppData, int nFrames)
{
  if (!ppData) return;
  const int end = (long long)idx + n < NInChannels() ? idx + n : NInChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    InChannel* c = mInChannels.Get(i);
    if (!c->mConnected) continue;
    double* data = *(ppData++);
    c->mHostSrc = data;
    c->mHostFSrc = nullptr;
    *c->mSrc = data ? data : c->mScratchBuf.Get();
  }
}

void IEffectBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames)
{
  if (!ppData) return;
  const int end = (long long)idx + n < NInChannels() ? idx + n : NInChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    InChannel* c = mInChannels.Get(i);
    if (!c->mConnected) continue;
    const float* data = *(ppData++);
    c->mHostFSrc = data;
    c->mHostSrc = nullptr;
    double* scratch = c->mScratchBuf.Get();
    // The first block-size slice now; later slices when they are processed.
    const int count = nFrames < c->mScratchBuf.GetSize() ? nFrames : c->mScratchBuf.GetSize();
    if (data && scratch)
      for (int s = 0; s < count; ++s) scratch[s] = (double)data[s];
    *c->mSrc = scratch;
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, double** ppData)
{
  if (!ppData) return;
  const int end = (long long)idx + n < NOutChannels() ? idx + n : NOutChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    if (!c->mConnected) continue;
    double* data = *(ppData++);
    c->mHostDest = data;
    c->mFDest = nullptr;
    *c->mDest = data ? data : c->mScratchBuf.Get();
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, float** ppData)
{
  if (!ppData) return;
  const int end = (long long)idx + n < NOutChannels() ? idx + n : NOutChannels();
  for (int i = idx < 0 ? 0 : idx; i < end; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    if (!c->mConnected) continue;
    c->mFDest = *(ppData++);
    c->mHostDest = nullptr;
    *c->mDest = c->mScratchBuf.Get();
  }
}

void IEffectBase::ProcessBuffers(double sampleType, int nFrames)
{
  RunBlock(SampleKind::Double, Route::Process, 0, nFrames);
}

void IEffectBase::ProcessBuffers(float sampleType, int nFrames)
{
  RunBlock(SampleKind::Float, Route::Process, 0, nFrames);
}

void IEffectBase::ProcessBuffersAccumulating(float sampleType, int nFrames)
{
  RunBlock(SampleKind::FloatAccumulate, Route::Process, 0, nFrames);
}

void IEffectBase::PassThroughBuffers(double sampleType, int nFrames)
{
  RunBlock(SampleKind::Double, Route::PassThrough, 0, nFrames);
}

void IEffectBase::PassThroughBuffers(float sampleType, int nFrames)
{
  RunBlock(SampleKind::Float, Route::PassThrough, 0, nFrames);
}

void IEffectBase::RunBuffers(double sampleType, int offset, int nFrames)
{
  RunBlock(SampleKind::Double, Route::HostBypass, offset, nFrames);
}

void IEffectBase::RunBuffers(float sampleType, int offset, int nFrames)
{
  RunBlock(SampleKind::Float, Route::HostBypass, offset, nFrames);
}

void IEffectBase::ZeroScratchBuffers()
{
  for (int i = 0, n = NInChannels(); i < n; ++i)
  {
    Core_TypedBuf<double>& buf = mInChannels.Get(i)->mScratchBuf;
    if (buf.GetSize() > 0) memset(buf.Get(), 0, sizeof(double) * (size_t)buf.GetSize());
  }
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    Core_TypedBuf<double>& buf = mOutChannels.Get(i)->mScratchBuf;
    if (buf.GetSize() > 0) memset(buf.Get(), 0, sizeof(double) * (size_t)buf.GetSize());
  }
}

// True when some channel of the block would read or write a scratch buffer.
bool IEffectBase::NeedsScratch() const
{
  for (int i = 0, n = NInChannels(); i < n; ++i)
  {
    const InChannel* c = mInChannels.Get(i);
    if (!c->mConnected || !c->mHostSrc) return true;
  }
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    const OutChannel* c = mOutChannels.Get(i);
    if (!c->mConnected || !c->mHostDest) return true;
  }
  return false;
}

void IEffectBase::RunBlock(SampleKind kind, Route route, int offset, int nFrames)
{
  if (nFrames < 0) nFrames = 0;
  if (offset < 0) offset = 0;
  const int blockSize = mBlockSize;
  if (blockSize <= 0)
  {
    // No scratch buffers yet: only a block that lives wholly in the host's double
    // buffers can be processed.
    if (nFrames > 0 && NeedsScratch())
      WriteSilence(kind, offset, nFrames);
    else
      RunSlice(kind, route, offset, nFrames);
    return;
  }
  if (nFrames <= blockSize)
  {
    RunSlice(kind, route, offset, nFrames);
    return;
  }
  for (int pos = 0; pos < nFrames; pos += blockSize)
  {
    const int count = nFrames - pos < blockSize ? nFrames - pos : blockSize;
    RunSlice(kind, route, offset + pos, count);
  }
}

void IEffectBase::RunSlice(SampleKind kind, Route route, int offset, int nFrames)
{
  for (int i = 0, n = NInChannels(); i < n; ++i)
  {
    InChannel* c = mInChannels.Get(i);
    double* scratch = c->mScratchBuf.Get();
    double* data = scratch;
    if (c->mConnected && c->mHostFSrc)
    {
      const int count = nFrames < c->mScratchBuf.GetSize() ? nFrames : c->mScratchBuf.GetSize();
      if (scratch)
        for (int s = 0; s < count; ++s) scratch[s] = (double)c->mHostFSrc[offset + s];
    }
    else if (c->mConnected && c->mHostSrc)
    {
      data = const_cast<double*>(c->mHostSrc) + offset;
    }
    *c->mSrc = data;
  }
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    *c->mDest = (c->mConnected && c->mHostDest) ? c->mHostDest + offset : c->mScratchBuf.Get();
  }

  double** inputs = mInData.Get();
  double** outputs = mOutData.Get();
  switch (route)
  {
    case Route::Process: ProcessDoubleReplacing(inputs, outputs, nFrames); break;
    case Route::PassThrough: PassThroughSlice(inputs, outputs, nFrames); break;
    case Route::HostBypass: BypassSlice(inputs, outputs, nFrames); break;
  }

  if (kind == SampleKind::Double) return;
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    const double* src = *c->mDest;
    if (!c->mConnected || !c->mFDest || !src) continue;
    float* dest = c->mFDest + offset;
    if (kind == SampleKind::Float)
      for (int s = 0; s < nFrames; ++s) dest[s] = (float)src[s];
    else
      for (int s = 0; s < nFrames; ++s) dest[s] += (float)src[s];
  }
}

void IEffectBase::WriteSilence(SampleKind kind, int offset, int nFrames)
{
  for (int i = 0, n = NOutChannels(); i < n; ++i)
  {
    OutChannel* c = mOutChannels.Get(i);
    if (!c->mConnected) continue;
    if (kind == SampleKind::Double && c->mHostDest)
      memset(c->mHostDest + offset, 0, sizeof(double) * (size_t)nFrames);
    else if (kind == SampleKind::Float && c->mFDest)
      memset(c->mFDest + offset, 0, sizeof(float) * (size_t)nFrames);
  }
}

void IEffectBase::PassThroughSlice(double** inputs, double** outputs, int nFrames)
{
  // The delay line must not index past the channel arrays it is handed. It runs even at
  // a latency of 0 (copying), so that its history is current when the latency grows.
  if (mDelay && mDelay->NInputChannels() <= NInChannels() && mDelay->NOutputChannels() <= NOutChannels())
    mDelay->ProcessBlock(inputs, outputs, nFrames);
  else
    IEffectBase::ProcessDoubleReplacing(inputs, outputs, nFrames);
}

void IEffectBase::BypassSlice(double** inputs, double** outputs, int nFrames)
{
  const int fade = BypassFadeFrames();
  if (mBypassFadePos > fade) mBypassFadePos = fade;
  const int target = mIsBypassed ? fade : 0;
  if (mBypassFadePos == target && mIsBypassed)
  {
    PassThroughSlice(inputs, outputs, nFrames);
    return;
  }
  // The delayed input first: the effect may process in place over its input. The delay
  // line runs on every frame, so it is current whenever the bypass engages.
  double** dry = mDryPtrs.Get();
  const bool haveDry = dry && nFrames <= mBlockSize && mDryPtrs.GetSize() == NOutChannels();
  if (haveDry) PassThroughSlice(inputs, dry, nFrames);

  ProcessDoubleReplacing(inputs, outputs, nFrames);
  if (mBypassFadePos == target) return;  // steady processing: the effect's output as it is
  if (!haveDry)
  {
    // No room for the crossfade (no block size yet): switch at once.
    mBypassFadePos = target;
    if (mIsBypassed) PassThroughSlice(inputs, outputs, nFrames);
    return;
  }

  const int step = target > mBypassFadePos ? 1 : -1;
  const double scale = 1.0 / fade;
  for (int s = 0; s < nFrames; ++s)
  {
    if (mBypassFadePos != target) mBypassFadePos += step;
    const double g = mBypassFadePos * scale;  // weight of the passed-through sound
    for (int j = 0, n = NOutChannels(); j < n; ++j)
      if (outputs[j] && dry[j]) outputs[j][s] = (1.0 - g) * outputs[j][s] + g * dry[j][s];
  }
}

// ---- Parameters toward host and editor ----

void IEffectBase::DirtyParameters()
{
  Core_TypedBuf<double> values;
  {
    Core_MutexLock lock(mMutex);
    values.Resize(NParams());
    if (values.GetSize() != NParams()) return;
    for (int i = 0, n = NParams(); i < n; ++i) values.Get()[i] = GetParam(i)->GetNormalized();
  }
  for (int i = 0, n = values.GetSize(); i < n; ++i) InformHostOfParamChange(i, values.Get()[i]);
}

void IEffectBase::OnParamReset()
{
  for (int i = 0, n = NParams(); i < n; ++i) OnParamChange(i);
}

bool IEffectBase::SendMidiMsgs(Core_TypedBuf<IMidiMsg>* pMsgs)
{
  if (!pMsgs) return true;
  bool ok = true;
  IMidiMsg* msgs = pMsgs->Get();
  for (int i = 0, n = pMsgs->GetSize(); i < n; ++i) ok = SendMidiMsg(&msgs[i]) && ok;
  return ok;
}
