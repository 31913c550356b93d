#include "vst3/IEffectVST3.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "editor/IGraphics.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"
#include "vst3/IEffectParameter.h"
#include "vst3/IEffectVST3ParamMenu.h"
#include "vst3/IEffectVST3View.h"
#include "vst3/VST3Strings.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int SpeakerCount(SpeakerArrangement arr) { return SpeakerArr::getChannelCount(arr); }

// Reads up to size bytes: the number read before the stream ended or failed. Streams
// differ in what they answer at their end (kResultOk with nothing read, or kResultFalse),
// so both end the reading; the caller decides from the count.
int32 ReadUpTo(IBStream* stream, void* data, int32 size)
{
  char* p = static_cast<char*>(data);
  int32 total = 0;
  while (total < size)
  {
    int32 got = 0;
    if (stream->read(p + total, size - total, &got) != kResultOk || got <= 0 || got > size - total) break;
    total += got;
  }
  return total;
}

bool WriteFully(IBStream* stream, const void* data, int32 size)
{
  const char* p = static_cast<const char*>(data);
  while (size > 0)
  {
    int32 put = 0;
    if (stream->write(const_cast<char*>(p), size, &put) != kResultOk || put <= 0 || put > size)
      return false;
    p += put;
    size -= put;
  }
  return true;
}

template <class T>
T** BusChannels(AudioBusBuffers& bus);
template <>
float** BusChannels<float>(AudioBusBuffers& bus)
{
  return bus.channelBuffers32;
}
template <>
double** BusChannels<double>(AudioBusBuffers& bus)
{
  return bus.channelBuffers64;
}

// Channel c of a host bus, or null when the bus does not carry it.
template <class T>
T* BusChannel(AudioBusBuffers& bus, int c)
{
  if (c < 0 || c >= bus.numChannels) return nullptr;
  T** channels = BusChannels<T>(bus);
  return channels ? channels[c] : nullptr;
}

// The host's view of a failure that escaped a host entry point.
tresult FailureCode()
{
  try
  {
    throw;
  }
  catch (const std::bad_alloc&)
  {
    return kOutOfMemory;
  }
  catch (...)
  {
    return kInternalError;
  }
}

// Runs one host entry point: no exception leaves the module.
template <class F>
tresult Guarded(F&& f) noexcept
{
  try
  {
    return f();
  }
  catch (...)
  {
    return FailureCode();
  }
}

// True when text, without its surrounding spaces, is name in any letter case.
bool SameNameIgnoringCaseAndSpaces(const char* text, const char* name)
{
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; };
  while (*text == ' ' || *text == '\t') ++text;
  size_t n = strlen(text);
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (n == 0 || strlen(name) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (lower(text[i]) != lower(name[i])) return false;
  return true;
}

// Adds p to the container, which takes it over. The container is not exception-safe:
// when it runs out of memory it may or may not already have released p. Either way p is
// freed here, and the failure goes on to the caller.
void AddParameterOwned(ParameterContainer& container, Parameter* p)
{
  p->addRef();
  try
  {
    container.addParameter(p);
  }
  catch (...)
  {
    if (p->getRefCount() > 1) p->release();  // the container never took its reference
    p->release();
    throw;
  }
  p->release();
}

double Clamp01(double v)
{
  if (!(v >= 0.0)) return 0.0;  // negative or NaN
  return v > 1.0 ? 1.0 : v;
}

}  // namespace

IEffectVST3::IEffectVST3(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                         int nPresets, const char* effectName, const char* productName,
                         const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
                         int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                         int scChans)
    : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName,
                  vendorVersion, uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks,
                  plugIsInst, kAPIVST3),
      mScChans(scChans < 0 ? 0 : (scChans > NInChannels() ? NInChannels() : scChans))
{
  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);

  if (NInChannels() > 0)
  {
    mDelay = new NChanDelay(NInChannels(), NOutChannels(), latency);
    if (mDelay->GetDelayTime() != (latency > 0 ? latency : 0)) throw std::bad_alloc();
  }

  SetInputBusLabel(0, "Main Input");
  if (mScChans) SetInputBusLabel(1, "Aux Input");
  if (IsInst())
  {
    for (int i = 0; i < NOutChannels() / 2; ++i)
    {
      char label[32];
      snprintf(label, sizeof(label), "Output %i", i + 1);
      SetOutputBusLabel(i, label);
    }
  }
  else
  {
    SetOutputBusLabel(0, "Output");
  }

  memset(&mProcessContext, 0, sizeof(mProcessContext));
  memset(&processSetup, 0, sizeof(processSetup));

  // One slot per channel, parameter and possible queue, so a block never allocates.
  const int nIn = NInChannels() > 0 ? NInChannels() : 1;
  const int nOut = NOutChannels() > 0 ? NOutChannels() : 1;
  const int nParamSlots = NParams() > 0 ? NParams() : 1;
  const int nCursors = NParams() + 16;
  mInPtrs32.Resize(nIn);
  mInPtrs64.Resize(nIn);
  mOutPtrs32.Resize(nOut);
  mOutPtrs64.Resize(nOut);
  mHostKnown.Resize(nParamSlots);
  mOpenGestures.Resize(nParamSlots);
  mCursors.Resize(nCursors);
  if (mInPtrs32.GetSize() != nIn || mInPtrs64.GetSize() != nIn || mOutPtrs32.GetSize() != nOut ||
      mOutPtrs64.GetSize() != nOut || mHostKnown.GetSize() != nParamSlots || mOpenGestures.GetSize() != nParamSlots ||
      mCursors.GetSize() != nCursors)
    throw std::bad_alloc();
  for (int i = 0; i < nParamSlots; ++i)
  {
    mHostKnown.Get()[i] = -1.0;  // unknown until initialize
    mOpenGestures.Get()[i] = 0;
  }

  mBypassParam.InitInt("Bypass", 0, 0, 1);
  if (!mBypassParam.SetDisplayText(0, "Off") || !mBypassParam.SetDisplayText(1, "On"))
    throw std::bad_alloc();
}

IEffectVST3::~IEffectVST3()
{
  mParamGroups.Empty(true);
}

SpeakerArrangement IEffectVST3::GetSpeakerArrForChans(int nChans)
{
  switch (nChans)
  {
    case 1: return SpeakerArr::kMono;
    case 2: return SpeakerArr::kStereo;
    case 3: return SpeakerArr::k30Music;
    case 4: return SpeakerArr::k40Music;
    case 5: return SpeakerArr::k50;
    case 6: return SpeakerArr::k51;
    default: return SpeakerArr::kEmpty;
  }
}

UnitID IEffectVST3::UnitForGroup(const char* group)
{
  if (!group || !group[0]) return kRootUnitId;
  for (int i = 0; i < mParamGroups.GetSize(); ++i)
    if (strcmp(mParamGroups.Get(i)->Get(), group) == 0) return i + 1;
  Core_String* name = new (std::nothrow) Core_String(group);
  if (!name) return kRootUnitId;
  if (!mParamGroups.Add(name))
  {
    delete name;
    return kRootUnitId;
  }
  return mParamGroups.GetSize();
}

//------------------------------------------------------------------------------------------
// IPluginBase

tresult PLUGIN_API IEffectVST3::initialize(FUnknown* context)
{
  return Guarded([&]() -> tresult {
    const tresult result = SingleComponentEffect::initialize(context);

    if (context)
    {
      IHostApplication* app = nullptr;
      if (context->queryInterface(IHostApplication::iid, (void**)&app) == kResultOk && app)
      {
        String128 name = {};
        app->getName(name);
        char ascii[129];
        NarrowToASCII(name, ascii, (int)sizeof(ascii));
        SetHost(ascii, 0);
        app->release();
      }
    }

    if (result == kResultOk)
    {
      String128 busName;
      Core_String* label;

      // Audio inputs: the main bus, then the optional side chain.
      const int mainIn = NInChannels() - mScChans;
      const SpeakerArrangement inArr = GetSpeakerArrForChans(mainIn);
      if (inArr != SpeakerArr::kEmpty)
      {
        label = GetInputBusLabel(0);
        WidenToUTF16(label ? label->Get() : "", busName, 128);
        addAudioInput(busName, inArr, kMain, BusInfo::kDefaultActive);
      }

      if (IsInst())
      {
        for (int i = 0; i < NOutChannels() / 2; ++i)
        {
          label = GetOutputBusLabel(i);
          WidenToUTF16(label ? label->Get() : "", busName, 128);
          addAudioOutput(busName, SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
        }
      }
      else
      {
        label = GetOutputBusLabel(0);
        WidenToUTF16(label ? label->Get() : "", busName, 128);
        addAudioOutput(busName, GetSpeakerArrForChans(NOutChannels()), kMain,
                       BusInfo::kDefaultActive);
      }

      if (mScChans)
      {
        const int scChans = mScChans > 2 ? 2 : mScChans;
        label = GetInputBusLabel(1);
        WidenToUTF16(label ? label->Get() : "", busName, 128);
        addAudioInput(busName, GetSpeakerArrForChans(scChans), kAux, 0);
      }

      if (DoesMIDI()) addEventInput(STR16("MIDI Input"), 1, kMain, BusInfo::kDefaultActive);

      // Host-only parameters first, then one per framework parameter. A single preset
      // makes no choice: no "Preset" parameter then (a host restoring it would only
      // reload the defaults over the user's settings).
      if (ExportsPresets())
      {
        AddParameterOwned(parameters, new Parameter(STR16("Preset"), kPresetParamID, STR16(""), 0.0,
                                                    NPresets() - 1,
                                                    ParameterInfo::kIsProgramChange | ParameterInfo::kIsList,
                                                    kRootUnitId, nullptr));
      }
      if (!IsInst())
      {
        // A list of two values whose texts ("Off", "On") the adapter gives itself.
        AddParameterOwned(parameters, new Parameter(STR16("Bypass"), kBypassParamID, nullptr, 0.0, 1,
                                                    ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                                                        ParameterInfo::kIsBypass,
                                                    kRootUnitId, nullptr));
      }
      for (int i = 0; i < NParams(); ++i)
      {
        IParam* param = GetParam(i);
        const UnitID unit = UnitForGroup(param->GetParamGroupForHost());
        AddParameterOwned(parameters, new IEffectParameter(param, (ParamID)i, unit));
      }
    }

    OnHostIdentified();
    RestorePreset(0);
    {
      Core_MutexLock lock(mMutex);
      MarkAllKnown();
    }
    return result;
  });
}

tresult PLUGIN_API IEffectVST3::terminate()
{
  return Guarded([&]() { return SingleComponentEffect::terminate(); });
}

//------------------------------------------------------------------------------------------
// IComponent / IAudioProcessor

tresult PLUGIN_API IEffectVST3::setActive(TBool state)
{
  return Guarded([&]() -> tresult {
    Core_MutexLock lock(mMutex);
    mActive = state != 0;
    // Nothing is playing across an activation: the bypass takes effect without a fade.
    SnapBypass();
    mFreshStart = true;
    OnActivate(state != 0);
    return kResultOk;
  });
}

tresult PLUGIN_API IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts)
{
  if (numIns < 0 || numOuts < 1 || (numIns > 0 && !inputs) || !outputs) return kResultFalse;

  const int reqIn = numIns > 0 ? SpeakerCount(inputs[0]) : 0;
  const int reqOut = SpeakerCount(outputs[0]);
  if (!LegalIO(reqIn, reqOut)) return kResultFalse;
  // Exactly the arrangement this module gives that channel count: a two-channel layout
  // other than plain stereo (surround pairs, for example) is not one it supports.
  if ((numIns > 0 && inputs[0] != GetSpeakerArrForChans(reqIn)) || outputs[0] != GetSpeakerArrForChans(reqOut))
    return kResultFalse;
  // Side chain: exactly one input arrangement without one, two with one.
  if (numIns != (mScChans ? 2 : 1)) return kResultFalse;
  if (mScChans)
  {
    const int reqSc = SpeakerCount(inputs[1]);
    if (reqSc < 1 || reqSc > 2 || inputs[1] != GetSpeakerArrForChans(reqSc)) return kResultFalse;
  }

  SetInputChannelConnections(0, NInChannels(), false);
  SetOutputChannelConnections(0, NOutChannels(), false);
  // The buses keep their names and activation; only their arrangements change.
  for (int32 i = 0; i < numIns && i < (int32)audioInputs.size(); ++i)
    if (auto* bus = FCast<AudioBus>(audioInputs[i].get())) bus->setArrangement(inputs[i]);
  if (!audioOutputs.empty())
    if (auto* bus = FCast<AudioBus>(audioOutputs[0].get())) bus->setArrangement(outputs[0]);
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::setupProcessing(ProcessSetup& setup)
{
  return Guarded([&]() -> tresult {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
    if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate > 0.0) || !std::isfinite(setup.sampleRate))
      return kResultFalse;

    Core_MutexLock lock(mMutex);
    SetBlockSize(setup.maxSamplesPerBlock);
    if (GetBlockSize() != setup.maxSamplesPerBlock) return kOutOfMemory;
    SetSampleRate(setup.sampleRate);
    // The host's bypass stays as the host (or a restored state) set it.
    SnapBypass();
    Reset();
    processSetup = setup;
    mSetUp = true;
    mFreshStart = true;
    return kResultOk;
  });
}

tresult PLUGIN_API IEffectVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return (symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64) ? kResultTrue
                                                                              : kResultFalse;
}

uint32 PLUGIN_API IEffectVST3::getLatencySamples()
{
  Core_MutexLock lock(mMutex);
  return (uint32)(GetLatency() > 0 ? GetLatency() : 0);
}

uint32 PLUGIN_API IEffectVST3::getTailSamples()
{
  Core_MutexLock lock(mMutex);
  return (uint32)(GetTailSize() > 0 ? GetTailSize() : 0);
}

void IEffectVST3::SetHostBypass(bool bypassed)
{
  SetBypassed(bypassed);
  if (mFreshStart || !mActive) SnapBypass();
}

void IEffectVST3::ApplyParameterValue(ParamID id, ParamValue value)
{
  if (std::isnan(value)) return;
  value = IEffectParameter::ClampNormalized(value);
  if (id == kBypassParamID)
  {
    SetHostBypass(value > 0.5);
  }
  else if (id == kPresetParamID)
  {
    RestorePreset(PresetForNormalized(value));
  }
  else if ((int32)id >= 0 && (int32)id < NParams())
  {
    const int idx = (int)id;
    IParam* param = GetParam(idx);
    param->SetNormalized(value);
    if (GetGUI()) GetGUI()->SetParameterFromPlug(idx, value, true);
    OnParamChange(idx);
    mHostKnown.Get()[idx] = param->GetNormalized();
  }
}

void IEffectVST3::BeginParameterChanges(IParameterChanges* changes, int nFrames)
{
  mNCursors = 0;
  if (!changes) return;
  const int32 last = nFrames > 0 ? nFrames - 1 : 0;
  const int32 nQueues = changes->getParameterCount();
  for (int32 i = 0; i < nQueues; ++i)
  {
    IParamValueQueue* queue = changes->getParameterData(i);
    if (!queue) continue;
    const int32 nPoints = queue->getPointCount();
    if (nPoints <= 0) continue;
    if (mNCursors >= mCursors.GetSize())
    {
      // No room to follow this queue through the block: its last point applies now.
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(nPoints - 1, offset, value) == kResultOk)
        ApplyParameterValue(queue->getParameterId(), value);
      continue;
    }
    QueueCursor& c = mCursors.Get()[mNCursors];
    c.queue = queue;
    c.id = queue->getParameterId();
    c.count = nPoints;
    c.next = 0;
    // Finds the first point that can be read.
    while (c.next < c.count && queue->getPoint(c.next, c.offset, c.value) != kResultOk) ++c.next;
    if (c.next >= c.count) continue;
    c.offset = c.offset < 0 ? 0 : (c.offset > last ? last : c.offset);
    ++mNCursors;
  }
}

int IEffectVST3::ApplyParameterChangesUpTo(int pos, int nFrames)
{
  const int32 last = nFrames > 0 ? nFrames - 1 : 0;
  int next = nFrames;
  for (int i = 0; i < mNCursors; ++i)
  {
    QueueCursor& c = mCursors.Get()[i];
    while (c.next < c.count && c.offset <= pos)
    {
      ApplyParameterValue(c.id, c.value);
      // The next readable point, its offset never before the one just applied.
      const int32 applied = c.offset;
      for (++c.next; c.next < c.count; ++c.next)
      {
        if (c.queue->getPoint(c.next, c.offset, c.value) != kResultOk) continue;
        c.offset = c.offset < applied ? applied : (c.offset > last ? last : c.offset);
        break;
      }
    }
    if (c.next < c.count && c.offset < next) next = c.offset;
  }
  return next;
}

void IEffectVST3::ReportPlugChanges(IParameterChanges* out, int32 offset)
{
  if (!out) return;
  double* known = mHostKnown.Get();
  for (int i = 0, n = NParams(); i < n; ++i)
  {
    const double value = GetParam(i)->GetNormalized();
    if (value == known[i]) continue;
    int32 queueIndex = 0, pointIndex = 0;
    IParamValueQueue* queue = out->addParameterData((ParamID)i, queueIndex);
    if (queue && queue->addPoint(offset, value, pointIndex) == kResultOk) known[i] = value;
  }
}

void IEffectVST3::MarkAllKnown()
{
  for (int i = 0, n = NParams(); i < n && i < mHostKnown.GetSize(); ++i)
    mHostKnown.Get()[i] = GetParam(i)->GetNormalized();
}

void IEffectVST3::ProcessInputEvents(IEventList* events)
{
  const int32 n = events->getEventCount();
  for (int32 i = 0; i < n; ++i)
  {
    Event event = {};
    if (events->getEvent(i, event) != kResultOk) continue;
    IMidiMsg msg;
    if (event.type == Event::kNoteOnEvent)
    {
      msg.MakeNoteOnMsg(event.noteOn.pitch, (int)(event.noteOn.velocity * 127.0f),
                        event.sampleOffset, event.noteOn.channel);
      ProcessMidiMsg(&msg);
    }
    else if (event.type == Event::kNoteOffEvent)
    {
      msg.MakeNoteOffMsg(event.noteOff.pitch, event.sampleOffset, event.noteOff.channel);
      ProcessMidiMsg(&msg);
    }
  }
}

void IEffectVST3::ConnectInput(int i, bool connected)
{
  const bool was = IsInChannelConnected(i);
  SetInputChannelConnections(i, 1, connected);
  if (was && !connected)
  {
    InChannel* ch = mInChannels.Get(i);
    if (ch && ch->mScratchBuf.Get())
      memset(ch->mScratchBuf.Get(), 0, (size_t)ch->mScratchBuf.GetBytes());
  }
}

template <class T>
void IEffectVST3::AttachBlock(ProcessData& data, Core_TypedBuf<T*>& inPtrs,
                              Core_TypedBuf<T*>& outPtrs)
{
  const int nFrames = data.numSamples > 0 ? data.numSamples : 0;
  const int nIn = NInChannels(), nOut = NOutChannels();
  const int nMain = nIn - mScChans;
  const int nInBuses = (data.inputs && data.numInputs > 0) ? data.numInputs : 0;
  const int nOutBuses = (data.outputs && data.numOutputs > 0) ? data.numOutputs : 0;

  // Inputs: main bus channels first, then the side chain's; a channel the host does not
  // supply reads silence.
  const bool scActive = mScChans > 0 && nInBuses > 1 && audioInputs.size() > 1 &&
                        audioInputs[1] && audioInputs[1]->isActive();
  T** list = inPtrs.Get();
  int nList = 0;
  for (int i = 0; i < nIn; ++i)
  {
    T* p = nullptr;
    if (i < nMain)
    {
      if (nInBuses > 0) p = BusChannel<T>(data.inputs[0], i);
    }
    else if (scActive)
    {
      p = BusChannel<T>(data.inputs[1], i - nMain);
    }
    ConnectInput(i, p != nullptr);
    if (p) list[nList++] = p;
  }
  mSideChainIsConnected = scActive;
  if (nIn > 0) AttachInputBuffers(0, nIn, list, nFrames);

  // Outputs: the buses' channels in order; only active buses are written.
  list = outPtrs.Get();
  nList = 0;
  int c = 0;
  for (int b = 0; b < nOutBuses && c < nOut; ++b)
  {
    AudioBusBuffers& bus = data.outputs[b];
    int n = bus.numChannels > 0 ? bus.numChannels : 0;
    if (n > nOut - c) n = nOut - c;
    const bool active =
        b < (int)audioOutputs.size() && audioOutputs[b] && audioOutputs[b]->isActive();
    for (int k = 0; k < n; ++k)
    {
      T* p = active ? BusChannel<T>(bus, k) : nullptr;
      SetOutputChannelConnections(c + k, 1, p != nullptr);
      if (p) list[nList++] = p;
    }
    c += n;
  }
  if (c < nOut) SetOutputChannelConnections(c, nOut - c, false);
  if (nOut > 0) AttachOutputBuffers(0, nOut, list);
}

void IEffectVST3::SilenceOutputs(ProcessData& data)
{
  const int nFrames = data.numSamples > 0 ? data.numSamples : 0;
  const int nOutBuses = (data.outputs && data.numOutputs > 0) ? data.numOutputs : 0;
  for (int b = 0; b < nOutBuses; ++b)
  {
    AudioBusBuffers& bus = data.outputs[b];
    const int nChannels = bus.numChannels > 0 ? bus.numChannels : 0;
    for (int k = 0; k < nChannels; ++k)
    {
      if (data.symbolicSampleSize == kSample64)
      {
        if (double* p = BusChannel<double>(bus, k)) memset(p, 0, sizeof(double) * nFrames);
      }
      else if (data.symbolicSampleSize == kSample32)
      {
        if (float* p = BusChannel<float>(bus, k)) memset(p, 0, sizeof(float) * nFrames);
      }
    }
    bus.silenceFlags = nChannels >= 64 ? ~(uint64)0 : (((uint64)1 << nChannels) - 1);
  }
}

tresult PLUGIN_API IEffectVST3::process(ProcessData& data)
{
  try
  {
    Core_MutexLock lock(mMutex);

    if (data.processContext) mProcessContext = *data.processContext;
    if (DoesMIDI() && data.inputEvents) ProcessInputEvents(data.inputEvents);
    const int nFrames = data.numSamples > 0 ? data.numSamples : 0;

    const int32 sampleSize = processSetup.symbolicSampleSize;
    const bool listsReady = mInPtrs32.GetSize() >= NInChannels() && mInPtrs64.GetSize() >= NInChannels() &&
                            mOutPtrs32.GetSize() >= NOutChannels() && mOutPtrs64.GetSize() >= NOutChannels();
    // Nothing set up to process with (or buffers of another sample size than the one set
    // up): the changes still count, the host hears silence.
    if (!mSetUp || !mActive || !listsReady || data.symbolicSampleSize != sampleSize ||
        (sampleSize != kSample32 && sampleSize != kSample64))
    {
      BeginParameterChanges(data.inputParameterChanges, 0);
      ApplyParameterChangesUpTo(0, 0);
      SilenceOutputs(data);
      return kResultOk;
    }

    if (sampleSize == kSample64)
      AttachBlock<double>(data, mInPtrs64, mOutPtrs64);
    else
      AttachBlock<float>(data, mInPtrs32, mOutPtrs32);

    // Sample-accurate changes: the block is processed in pieces that end where a point
    // waits, each piece after the points at its start have been applied.
    BeginParameterChanges(data.inputParameterChanges, nFrames);
    int pos = 0;
    do
    {
      const int next = ApplyParameterChangesUpTo(pos, nFrames);
      if (sampleSize == kSample64)
        RunBuffers(0.0, pos, next - pos);
      else
        RunBuffers(0.0f, pos, next - pos);
      ReportPlugChanges(data.outputParameterChanges, pos);
      if (next > pos) mFreshStart = false;
      pos = next;
    } while (pos < nFrames);
    return kResultOk;
  }
  catch (...)
  {
    return FailureCode();
  }
}

//------------------------------------------------------------------------------------------
// State: the component's and the controller's streams are the same.

tresult IEffectVST3::WriteState(IBStream* stream)
{
  if (!stream) return kInvalidArgument;
  ByteChunk chunk;
  {
    Core_MutexLock lock(mMutex);
    if (!SerializeState(&chunk)) return kResultFalse;
    const int32 bypass = GetBypassed() ? 1 : 0;
    const int size = chunk.Size();
    if (chunk.Put(&bypass) != size + (int)sizeof(bypass)) return kOutOfMemory;
  }
  // The host's stream is written without the mutex: a slow stream never stalls audio.
  return WriteFully(stream, chunk.GetBytes(), chunk.Size()) ? kResultOk : kResultFalse;
}

tresult IEffectVST3::ReadState(IBStream* stream)
{
  if (!stream) return kInvalidArgument;
  // The state has a fixed size for a given plug-in. The stream is read whole, without
  // the mutex, before anything changes.
  const int stateSize = StateSize();
  if (stateSize <= 0) return kResultFalse;
  const int32 flagSize = (int32)sizeof(int32);
  ByteChunk chunk;
  if (chunk.Resize(stateSize + flagSize) != stateSize + flagSize) return kOutOfMemory;
  const int32 got = ReadUpTo(stream, chunk.GetBytes(), stateSize + flagSize);
  // A stream that fails or ends inside the parameters changes nothing.
  if (got < stateSize) return kResultFalse;
  // Without a whole bypass flag the state is the shorter form: parameters only. Anything
  // after the flag is left for later versions.
  const bool hasFlag = got == stateSize + flagSize;
  int32 bypass = 0;
  if (hasFlag) memcpy(&bypass, chunk.GetBytes() + stateSize, sizeof(bypass));

  {
    Core_MutexLock lock(mMutex);
    if (UnserializeState(&chunk, 0) < 0) return kResultFalse;
    if (hasFlag) SetHostBypass(bypass != 0);
    RedrawParamControls();
    // The host reads the restored values back itself.
    MarkAllKnown();
  }
  FlushHostNotifications();
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getState(IBStream* state)
{
  return Guarded([&]() { return WriteState(state); });
}

tresult PLUGIN_API IEffectVST3::setState(IBStream* state)
{
  return Guarded([&]() { return ReadState(state); });
}

tresult PLUGIN_API IEffectVST3::getEditorState(IBStream* state)
{
  return Guarded([&]() { return WriteState(state); });
}

tresult PLUGIN_API IEffectVST3::setEditorState(IBStream* state)
{
  return Guarded([&]() { return ReadState(state); });
}

//------------------------------------------------------------------------------------------
// IEditController

int IEffectVST3::PresetForNormalized(double value) const
{
  const int n = NPresets();
  if (n <= 1) return 0;
  const int idx = (int)(n * Clamp01(value));
  return idx >= n ? n - 1 : idx;
}

double IEffectVST3::NormalizedForPreset(int idx) const
{
  const int n = NPresets();
  if (n <= 1 || idx <= 0) return 0.0;
  return idx >= n - 1 ? 1.0 : (double)idx / (double)(n - 1);
}

tresult PLUGIN_API IEffectVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
  if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kResultFalse;
  return SingleComponentEffect::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IEffectVST3::setParamNormalized(ParamID tag, ParamValue value)
{
  if (std::isnan(value)) return kResultFalse;
  value = IEffectParameter::ClampNormalized(value);
  if (tag == kBypassParamID && !IsInst())
  {
    {
      Core_MutexLock lock(mMutex);
      SetHostBypass(value > 0.5);
    }
    FlushHostNotifications();
    return kResultOk;
  }
  if ((int32)tag < 0 || (int32)tag >= NParams()) return kResultFalse;
  {
    Core_MutexLock lock(mMutex);
    IParam* param = GetParam((int)tag);
    param->SetNormalized(value);
    mHostKnown.Get()[(int)tag] = param->GetNormalized();
    // The effect hears of it at once, so that what follows from the value on the UI side
    // (a new latency) reaches the host now; hosts that set a value here may send it
    // through process only later, or while the transport is stopped, not at all.
    OnParamChange((int)tag);
  }
  FlushHostNotifications();
  return kResultOk;
}

ParamValue PLUGIN_API IEffectVST3::getParamNormalized(ParamID tag)
{
  Core_MutexLock lock(mMutex);
  if (tag == kBypassParamID) return GetBypassed() ? 1.0 : 0.0;
  if (tag == kPresetParamID) return NormalizedForPreset(GetCurrentPresetIdx());
  if ((int32)tag >= 0 && (int32)tag < NParams()) return GetParam((int)tag)->GetNormalized();
  return 0.0;
}

ParamValue PLUGIN_API IEffectVST3::normalizedParamToPlain(ParamID tag, ParamValue valueNormalized)
{
  const double v = Clamp01(valueNormalized);
  if (tag == kBypassParamID) return v > 0.5 ? 1.0 : 0.0;
  if (tag == kPresetParamID) return PresetForNormalized(v);
  if ((int32)tag >= 0 && (int32)tag < NParams()) return GetParam((int)tag)->GetNonNormalized(v);
  return 0.0;
}

ParamValue PLUGIN_API IEffectVST3::plainParamToNormalized(ParamID tag, ParamValue plainValue)
{
  if (std::isnan(plainValue)) return 0.0;
  if (tag == kBypassParamID) return plainValue >= 0.5 ? 1.0 : 0.0;
  if (tag == kPresetParamID)
  {
    const double idx = plainValue < 0.0 ? 0.0 : std::floor(plainValue + 0.5);
    return NormalizedForPreset(idx < (double)NPresets() ? (int)idx : NPresets());
  }
  if ((int32)tag >= 0 && (int32)tag < NParams()) return GetParam((int)tag)->GetNormalized(plainValue);
  return 0.0;
}

tresult PLUGIN_API IEffectVST3::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                      String128 string)
{
  if (!string) return kInvalidArgument;
  if (std::isnan(valueNormalized)) return kResultFalse;
  if (tag == kBypassParamID && !IsInst())
  {
    char text[IParam::kTextSize];
    mBypassParam.GetDisplayForHost(valueNormalized > 0.5 ? 1.0 : 0.0, false, text);
    WidenToUTF16(text, string, 128);
    return kResultOk;
  }
  if (tag == kPresetParamID && ExportsPresets())
  {
    WidenToUTF16(GetPresetName(PresetForNormalized(valueNormalized)), string, 128);
    return kResultOk;
  }
  if ((int32)tag < 0 || (int32)tag >= NParams()) return kResultFalse;
  IEffectParameter::FormatForHost(GetParam((int)tag), valueNormalized, string);
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getParamValueByString(ParamID tag, TChar* string,
                                                      ParamValue& valueNormalized)
{
  if (!string) return kInvalidArgument;
  // Characters outside ASCII become '?', which no value contains.
  char text[128];
  NarrowToASCII(string, text, (int)sizeof(text));
  double plain = 0.0;
  if (tag == kBypassParamID && !IsInst())
  {
    if (!mBypassParam.FromDisplayText(text, &plain)) return kResultFalse;
    valueNormalized = plain;
    return kResultOk;
  }
  if (tag == kPresetParamID && ExportsPresets())
  {
    // A preset name (any letter case, surrounding spaces ignored) or its index.
    for (int i = 0; i < NPresets(); ++i)
    {
      if (SameNameIgnoringCaseAndSpaces(text, GetPresetName(i)))
      {
        valueNormalized = NormalizedForPreset(i);
        return kResultOk;
      }
    }
    char unit[8];
    if (!IParam::ParseNumber(text, &plain, unit, (int)sizeof(unit)) || unit[0] || plain != std::floor(plain) ||
        plain < 0.0 || plain >= (double)NPresets())
      return kResultFalse;
    valueNormalized = NormalizedForPreset((int)plain);
    return kResultOk;
  }
  if ((int32)tag < 0 || (int32)tag >= NParams()) return kResultFalse;
  IParam* param = GetParam((int)tag);
  if (!param->FromDisplayText(text, &plain)) return kResultFalse;
  valueNormalized = param->GetNormalized(plain);
  return kResultOk;
}

IPlugView* PLUGIN_API IEffectVST3::createView(FIDString name)
{
  try
  {
    if (!name || strcmp(name, ViewType::kEditor) != 0) return nullptr;
    auto* view = new IEffectVST3View(this);
    addDependentView(view);
    if (GetView(NViews() - 1) != view)
    {
      view->release();  // no room in the view list
      return nullptr;
    }
    return view;
  }
  catch (...)
  {
    return nullptr;
  }
}

//------------------------------------------------------------------------------------------
// IUnitInfo

int32 PLUGIN_API IEffectVST3::getUnitCount()
{
  return mParamGroups.GetSize() + 1;
}

tresult PLUGIN_API IEffectVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
  if (unitIndex == 0)
  {
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    WidenToUTF16("Root Unit", info.name, 128);
    info.programListId = ExportsPresets() ? (ProgramListID)kPresetParamID : kNoProgramListId;
    return kResultOk;
  }
  if (unitIndex >= 1 && unitIndex <= mParamGroups.GetSize())
  {
    info.id = unitIndex;
    info.parentUnitId = kRootUnitId;
    WidenToUTF16(mParamGroups.Get(unitIndex - 1)->Get(), info.name, 128);
    info.programListId = kNoProgramListId;
    return kResultOk;
  }
  return kResultFalse;
}

int32 PLUGIN_API IEffectVST3::getProgramListCount()
{
  // The list goes with the "Preset" parameter: both or neither.
  return ExportsPresets() ? 1 : 0;
}

tresult PLUGIN_API IEffectVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
  if (listIndex != 0) return kResultFalse;
  info.id = kPresetParamID;
  WidenToUTF16("Factory Presets", info.name, 128);
  info.programCount = NPresets();
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                               String128 name)
{
  if (!name) return kInvalidArgument;
  if (listId != (ProgramListID)kPresetParamID) return kResultFalse;
  WidenToUTF16(GetPresetName(programIndex), name, 128);
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramInfo(ProgramListID, int32, Steinberg::Vst::CString, String128)
{
  return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::hasProgramPitchNames(ProgramListID, int32)
{
  return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getProgramPitchName(ProgramListID, int32, int16, String128)
{
  return kNotImplemented;
}

UnitID PLUGIN_API IEffectVST3::getSelectedUnit()
{
  return kRootUnitId;
}

tresult PLUGIN_API IEffectVST3::selectUnit(UnitID)
{
  return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&)
{
  return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::setUnitProgramData(int32, int32, IBStream*)
{
  return kNotImplemented;
}

//------------------------------------------------------------------------------------------
// Plug-in base hooks

void IEffectVST3::BeginInformHostOfParamChange(int idx)
{
  if (idx >= 0 && idx < mOpenGestures.GetSize()) ++mOpenGestures.Get()[idx];
  beginEdit((ParamID)idx);
}

void IEffectVST3::InformHostOfParamChange(int idx, double normalizedValue)
{
  {
    Core_MutexLock lock(mMutex);
    if (idx >= 0 && idx < mHostKnown.GetSize()) mHostKnown.Get()[idx] = GetParam(idx)->GetNormalized();
  }
  performEdit((ParamID)idx, normalizedValue);
}

void IEffectVST3::EndInformHostOfParamChange(int idx)
{
  // An end the host never saw begin would close a gesture that is not open.
  if (idx < 0 || idx >= mOpenGestures.GetSize() || mOpenGestures.Get()[idx] <= 0) return;
  --mOpenGestures.Get()[idx];
  endEdit((ParamID)idx);
  FlushHostNotifications();
}

void IEffectVST3::SetParameterFromGUI(int idx, double normalizedValue)
{
  IEffectBase::SetParameterFromGUI(idx, normalizedValue);
  FlushHostNotifications();
}

void IEffectVST3::FlushHostNotifications(bool waitForLock)
{
  if (waitForLock)
    mMutex.Lock();
  else if (!mMutex.TryLock())
    return;
  // Under the mutex (nothing here throws): what is due. The host is told after it is released.
  int32 flags = 0;
  if (mLatencyChanged) flags |= kLatencyChanged;
  mLatencyChanged = false;
  for (int i = 0, n = NParams(); i < n && i < mHostKnown.GetSize(); ++i)
  {
    const double value = GetParam(i)->GetNormalized();
    if (mHostKnown.Get()[i] != value)
    {
      mHostKnown.Get()[i] = value;
      flags |= kParamValuesChanged;
    }
  }
  mMutex.Unlock();
  if (!flags || !componentHandler) return;
  IComponentHandler* handler = nullptr;
  if (componentHandler->queryInterface(IComponentHandler::iid, (void**)&handler) == kResultOk && handler)
  {
    handler->restartComponent(flags);
    handler->release();
  }
}

bool IEffectVST3::IsRenderingOffline()
{
  return processSetup.processMode == kOffline;
}

int IEffectVST3::GetSamplePos()
{
  return (int)mProcessContext.projectTimeSamples;
}

double IEffectVST3::GetTempo()
{
  return mProcessContext.tempo;
}

void IEffectVST3::GetTimeSig(int* pNum, int* pDenom)
{
  if (pNum) *pNum = mProcessContext.timeSigNumerator;
  if (pDenom) *pDenom = mProcessContext.timeSigDenominator;
}

void IEffectVST3::GetTime(ITimeInfo* pTimeInfo)
{
  if (!pTimeInfo) return;
  pTimeInfo->mTempo = mProcessContext.tempo;
  pTimeInfo->mSamplePos = (double)mProcessContext.projectTimeSamples;
  pTimeInfo->mPPQPos = mProcessContext.projectTimeMusic;
  pTimeInfo->mLastBar = mProcessContext.barPositionMusic;
  pTimeInfo->mCycleStart = mProcessContext.cycleStartMusic;
  pTimeInfo->mCycleEnd = mProcessContext.cycleEndMusic;
  pTimeInfo->mNumerator = mProcessContext.timeSigNumerator;
  pTimeInfo->mDenominator = mProcessContext.timeSigDenominator;
  pTimeInfo->mTransportIsRunning = (mProcessContext.state & ProcessContext::kPlaying) != 0;
  pTimeInfo->mTransportLoopEnabled = (mProcessContext.state & ProcessContext::kCycleActive) != 0;
}

void IEffectVST3::ResizeGraphics(int w, int h)
{
  // The host resizes the first view and answers with its onSize, which calls
  // OnWindowResize.
  IEffectVST3View* view = GetView(0);
  if (GetGUI() && view) view->resize(w, h);
}

void IEffectVST3::PopupHostContextMenuForParam(int paramIdx, int x, int y)
{
  // The host's own menu for the parameter (automation and the like) with the plug-in's items added,
  // anchored to the first view; x, y are view coordinates.
  IEffectVST3View* view = GetView(0);
  if (!componentHandler || !view) return;
  IComponentHandler3* handler3 = nullptr;
  if (componentHandler->queryInterface(IComponentHandler3::iid, (void**)&handler3) != kResultOk ||
      !handler3)
    return;
  const ParamID id = (ParamID)paramIdx;
  if (IContextMenu* menu = handler3->createContextMenu(view, &id))
  {
    try
    {
      // Without our items the host's menu is still worth showing.
      IEffectVST3ParamMenu::AddItems(menu, this, paramIdx);
    }
    catch (...)
    {
    }
    menu->popup((UCoord)x, (UCoord)y);
    menu->release();
  }
  handler3->release();
}

void IEffectVST3::OnEditorTick()
{
  // Never waits for the audio thread: a block in progress leaves it to the next tick.
  FlushHostNotifications(false);
}

void IEffectVST3::SetLatency(int samples)
{
  Core_MutexLock lock(mMutex);
  if (samples < 0) samples = 0;
  if (samples == GetLatency()) return;
  IEffectBase::SetLatency(samples);
  mLatencyChanged = true;
}

//------------------------------------------------------------------------------------------
// Editor views and snapshots

tresult PLUGIN_API IEffectVST3::queryInterface(const TUID iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, IEditorSnapshot::iid) || FUnknownPrivate::iidEqual(iid, IEditorSnapshot2::iid))
  {
    addRef();
    *obj = static_cast<IEditorSnapshot2*>(&mSnapshotPort);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(iid, IProcessContextRequirements::iid))
  {
    addRef();
    *obj = static_cast<IProcessContextRequirements*>(&mContextPort);
    return kResultOk;
  }
  return SingleComponentEffect::queryInterface(iid, obj);
}

tresult IEffectVST3::SaveEditorSnapshotAtScale(const char* pngPath, int32 percent)
{
  IEditorHooks* hooks = GetGUI();
  if (!hooks || !pngPath || !pngPath[0]) return kResultFalse;
  // Every editor attached to the plug-in base is an IGraphics.
  IGraphics* graphics = static_cast<IGraphics*>(hooks);
  const int previous = graphics->GetScalePercent();
  graphics->SetScale(percent);
  const tresult result = SaveEditorSnapshot(pngPath);
  graphics->SetScale(previous);
  return result;
}

tresult IEffectVST3::SaveEditorSnapshot(const char* pngPath)
{
  IEditorHooks* hooks = GetGUI();
  if (!hooks || !pngPath || !pngPath[0]) return kResultFalse;
  // Every editor attached to the plug-in base is an IGraphics.
  IGraphics* graphics = static_cast<IGraphics*>(hooks);

  graphics->ApplyPendingParamValues();
  if (!graphics->GetDrawBitmap()) graphics->PrepDraw();
  Pix_SysBitmap* surface = graphics->GetDrawBitmap();
  if (!surface || !surface->getBits() || surface->getWidth() <= 0 || surface->getHeight() <= 0)
    return kResultFalse;

  // The whole editor, whether or not a window shows it (presenting may then fail).
  graphics->SetAllControlsDirty();
  IRECT whole(0, 0, graphics->Width(), graphics->Height());
  graphics->Draw(&whole);
  const bool saved = Pix_SavePNG(surface, pngPath);
  // A closed window still owes a full redraw to its next opening.
  if (!graphics->WindowIsOpen()) graphics->SetAllControlsDirty();
  return saved ? kResultOk : kResultFalse;
}

void IEffectVST3::addDependentView(IEffectVST3View* view)
{
  const int n = mViews.GetSize();
  if (mViews.Resize(n + 1) && mViews.GetSize() == n + 1) mViews.Get()[n] = view;
}

void IEffectVST3::removeDependentView(IEffectVST3View* view)
{
  const int n = mViews.GetSize();
  IEffectVST3View** views = mViews.Get();
  for (int i = 0; i < n; ++i)
  {
    if (views[i] != view) continue;
    for (int j = i + 1; j < n; ++j) views[j - 1] = views[j];
    mViews.Resize(n - 1);
    return;
  }
}
