#include "vst3/IEffectVST3.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "editor/IGraphics.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"
#include "vst3/IEffectParameter.h"
#include "vst3/IEffectVST3View.h"
#include "vst3/VST3Strings.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int SpeakerCount(SpeakerArrangement arr) { return SpeakerArr::getChannelCount(arr); }

// Reads exactly size bytes (IBStream::read may deliver less per call); false when the
// stream ends or fails first.
bool ReadFully(IBStream* stream, void* data, int32 size)
{
  char* p = static_cast<char*>(data);
  while (size > 0)
  {
    int32 got = 0;
    if (stream->read(p, size, &got) != kResultOk || got <= 0 || got > size) return false;
    p += got;
    size -= got;
  }
  return true;
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
    mDelay = new (std::nothrow) NChanDelay(NInChannels(), NOutChannels(), latency);

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

  // One slot per channel, so building a block's buffer lists never allocates.
  mInPtrs32.Resize(NInChannels() > 0 ? NInChannels() : 1);
  mInPtrs64.Resize(NInChannels() > 0 ? NInChannels() : 1);
  mOutPtrs32.Resize(NOutChannels() > 0 ? NOutChannels() : 1);
  mOutPtrs64.Resize(NOutChannels() > 0 ? NOutChannels() : 1);
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

    // Host-only parameters first, then one per framework parameter.
    if (NPresets() > 0)
    {
      parameters.addParameter(new Parameter(STR16("Preset"), kPresetParamID, STR16(""), 0.0,
                                            NPresets(), ParameterInfo::kIsProgramChange,
                                            kRootUnitId, nullptr));
    }
    if (!IsInst())
    {
      auto* bypass = new StringListParameter(
          STR16("Bypass"), kBypassParamID, nullptr,
          ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass,
          kRootUnitId, nullptr);
      bypass->appendString(STR16("off"));
      bypass->appendString(STR16("on"));
      parameters.addParameter(bypass);
    }
    for (int i = 0; i < NParams(); ++i)
    {
      IParam* param = GetParam(i);
      const UnitID unit = UnitForGroup(param->GetParamGroupForHost());
      parameters.addParameter(new IEffectParameter(param, (ParamID)i, unit));
    }
  }

  OnHostIdentified();
  RestorePreset(0);
  return result;
}

tresult PLUGIN_API IEffectVST3::terminate()
{
  return SingleComponentEffect::terminate();
}

//------------------------------------------------------------------------------------------
// IComponent / IAudioProcessor

tresult PLUGIN_API IEffectVST3::setActive(TBool state)
{
  OnActivate(state != 0);
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts)
{
  SetInputChannelConnections(0, NInChannels(), false);
  SetOutputChannelConnections(0, NOutChannels(), false);

  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
    return kResultFalse;

  const int reqIn = numIns > 0 ? SpeakerCount(inputs[0]) : 0;
  const int reqOut = numOuts > 0 ? SpeakerCount(outputs[0]) : 0;
  if (!LegalIO(reqIn, reqOut)) return kResultFalse;

  // A replaced bus keeps the activation the host gave the old one.
  if (!audioInputs.empty())
  {
    auto* bus = FCast<AudioBus>(audioInputs[0].get());
    if (bus && SpeakerCount(bus->getArrangement()) != reqIn)
    {
      const TBool active = bus->isActive();
      audioInputs.clear();
      addAudioInput(STR16("Input"), GetSpeakerArrForChans(reqIn), kMain,
                    BusInfo::kDefaultActive)
          ->setActive(active);
    }
  }
  if (!audioOutputs.empty())
  {
    auto* bus = FCast<AudioBus>(audioOutputs[0].get());
    if (bus && SpeakerCount(bus->getArrangement()) != reqOut)
    {
      const TBool active = bus->isActive();
      audioOutputs.clear();
      addAudioOutput(STR16("Output"), GetSpeakerArrForChans(reqOut), kMain,
                     BusInfo::kDefaultActive)
          ->setActive(active);
    }
  }

  if (numIns == 1 && mScChans == 0) return kResultOk;
  if (numIns != 2 || mScChans == 0) return kResultFalse;

  const int reqSc = SpeakerCount(inputs[1]);
  auto* sc = audioInputs.size() > 1 ? FCast<AudioBus>(audioInputs[1].get()) : nullptr;
  if (!sc || SpeakerCount(sc->getArrangement()) != reqSc)
  {
    const TBool mainActive = audioInputs.empty() ? true : audioInputs[0]->isActive();
    const TBool scActive = sc ? sc->isActive() : false;
    audioInputs.clear();
    addAudioInput(STR16("Input"), GetSpeakerArrForChans(reqIn), kMain, BusInfo::kDefaultActive)
        ->setActive(mainActive);
    addAudioInput(STR16("Sidechain Input"), GetSpeakerArrForChans(reqSc), kAux, 0)
        ->setActive(scActive);
  }
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::setupProcessing(ProcessSetup& setup)
{
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate > 0.0) || !std::isfinite(setup.sampleRate))
    return kResultFalse;

  Core_MutexLock lock(mMutex);
  SetBlockSize(setup.maxSamplesPerBlock);
  if (GetBlockSize() != setup.maxSamplesPerBlock) return kResultFalse;  // out of memory
  SetSampleRate(setup.sampleRate);
  SetBypassed(false);
  Reset();
  processSetup = setup;
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return (symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64) ? kResultTrue
                                                                              : kResultFalse;
}

uint32 PLUGIN_API IEffectVST3::getLatencySamples()
{
  return (uint32)(GetLatency() > 0 ? GetLatency() : 0);
}

uint32 PLUGIN_API IEffectVST3::getTailSamples()
{
  return (uint32)(GetTailSize() > 0 ? GetTailSize() : 0);
}

void IEffectVST3::ApplyParameterChanges(IParameterChanges* changes)
{
  if (!changes) return;
  const int32 nQueues = changes->getParameterCount();
  for (int32 i = 0; i < nQueues; ++i)
  {
    IParamValueQueue* queue = changes->getParameterData(i);
    if (!queue) continue;
    const int32 nPoints = queue->getPointCount();
    if (nPoints <= 0) continue;
    // Only the last point counts: a change applies to the whole block.
    int32 offset = 0;
    ParamValue value = 0.0;
    if (queue->getPoint(nPoints - 1, offset, value) != kResultOk) continue;
    if (std::isnan(value)) continue;
    value = IEffectParameter::ClampNormalized(value);

    const ParamID id = queue->getParameterId();
    if (id == kBypassParamID)
    {
      SetBypassed(value > 0.5);
    }
    else if (id == kPresetParamID)
    {
      RestorePreset((int)(NPresets() * value));
    }
    else if ((int32)id >= 0 && (int32)id < NParams())
    {
      const int idx = (int)id;
      GetParam(idx)->SetNormalized(value);
      if (GetGUI()) GetGUI()->SetParameterFromPlug(idx, value, true);
      OnParamChange(idx);
    }
  }
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
    if (b >= (int)audioOutputs.size() || !audioOutputs[b] || !audioOutputs[b]->isActive())
      continue;
    AudioBusBuffers& bus = data.outputs[b];
    for (int k = 0; k < bus.numChannels; ++k)
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
  }
}

tresult PLUGIN_API IEffectVST3::process(ProcessData& data)
{
  Core_MutexLock lock(mMutex);

  if (data.processContext) mProcessContext = *data.processContext;
  ApplyParameterChanges(data.inputParameterChanges);
  if (DoesMIDI() && data.inputEvents) ProcessInputEvents(data.inputEvents);

  const int32 sampleSize = processSetup.symbolicSampleSize;
  if (sampleSize != kSample32 && sampleSize != kSample64) return kResultOk;
  // Buffers of another sample size than the one set up cannot be processed safely.
  if (data.symbolicSampleSize != sampleSize)
  {
    SilenceOutputs(data);
    return kResultOk;
  }

  // Without room for the block's buffer lists (allocation failed at construction).
  if (mInPtrs32.GetSize() < NInChannels() || mInPtrs64.GetSize() < NInChannels() ||
      mOutPtrs32.GetSize() < NOutChannels() || mOutPtrs64.GetSize() < NOutChannels())
  {
    SilenceOutputs(data);
    return kResultOk;
  }

  const int nFrames = data.numSamples > 0 ? data.numSamples : 0;
  if (sampleSize == kSample64)
  {
    AttachBlock<double>(data, mInPtrs64, mOutPtrs64);
    if (GetBypassed())
      PassThroughBuffers(0.0, nFrames);
    else
      ProcessBuffers(0.0, nFrames);
  }
  else
  {
    AttachBlock<float>(data, mInPtrs32, mOutPtrs32);
    if (GetBypassed())
      PassThroughBuffers(0.0f, nFrames);
    else
      ProcessBuffers(0.0f, nFrames);
  }
  return kResultOk;
}

//------------------------------------------------------------------------------------------
// State

tresult PLUGIN_API IEffectVST3::getEditorState(IBStream* state)
{
  if (!state) return kInvalidArgument;
  Core_MutexLock lock(mMutex);
  ByteChunk chunk;
  if (!SerializeState(&chunk)) return kResultFalse;
  const int32 bypass = GetBypassed() ? 1 : 0;
  if (chunk.Size() > 0 && !WriteFully(state, chunk.GetBytes(), chunk.Size())) return kResultFalse;
  if (!WriteFully(state, &bypass, (int32)sizeof(bypass))) return kResultFalse;
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::setEditorState(IBStream* state)
{
  if (!state) return kInvalidArgument;
  Core_MutexLock lock(mMutex);

  // The state has a fixed size for a given plug-in: the current state's size.
  ByteChunk chunk;
  SerializeState(&chunk);
  const int size = chunk.Size();
  if (size <= 0) return kResultFalse;
  // A stream shorter than the state changes nothing.
  if (!ReadFully(state, chunk.GetBytes(), size)) return kResultFalse;
  UnserializeState(&chunk, 0);

  int32 bypass = 0;
  if (!ReadFully(state, &bypass, (int32)sizeof(bypass))) return kResultFalse;
  SetBypassed(bypass != 0);
  RedrawParamControls();
  return kResultOk;
}

//------------------------------------------------------------------------------------------
// IEditController

tresult PLUGIN_API IEffectVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
  if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kResultFalse;
  return SingleComponentEffect::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IEffectVST3::setParamNormalized(ParamID tag, ParamValue value)
{
  if ((int32)tag < 0 || (int32)tag >= NParams() || std::isnan(value)) return kResultFalse;
  Core_MutexLock lock(mMutex);
  GetParam((int)tag)->SetNormalized(IEffectParameter::ClampNormalized(value));
  return kResultOk;
}

ParamValue PLUGIN_API IEffectVST3::getParamNormalized(ParamID tag)
{
  Core_MutexLock lock(mMutex);
  if (tag == kBypassParamID) return GetBypassed() ? 1.0 : 0.0;
  if ((int32)tag >= 0 && (int32)tag < NParams()) return GetParam((int)tag)->GetNormalized();
  return 0.0;
}

ParamValue PLUGIN_API IEffectVST3::plainParamToNormalized(ParamID tag, ParamValue plainValue)
{
  if ((int32)tag >= 0 && (int32)tag < NParams()) return GetParam((int)tag)->GetNormalized(plainValue);
  return plainValue;
}

tresult PLUGIN_API IEffectVST3::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                      String128 string)
{
  if (!string) return kInvalidArgument;
  if ((int32)tag < 0 || (int32)tag >= NParams() || std::isnan(valueNormalized)) return kResultFalse;
  IEffectParameter::FormatForHost(GetParam((int)tag), valueNormalized, string);
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getParamValueByString(ParamID tag, TChar* string,
                                                      ParamValue& valueNormalized)
{
  if (!string) return kInvalidArgument;
  return SingleComponentEffect::getParamValueByString(tag, string, valueNormalized);
}

IPlugView* PLUGIN_API IEffectVST3::createView(FIDString name)
{
  if (!name || strcmp(name, ViewType::kEditor) != 0) return nullptr;
  auto* view = new (std::nothrow) IEffectVST3View(this);
  if (!view) return nullptr;
  addDependentView(view);
  return view;
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
    info.programListId = kNoProgramListId;
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
  // Presets reach the host through the "Preset" parameter only.
  return 0;
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
  beginEdit((ParamID)idx);
}

void IEffectVST3::InformHostOfParamChange(int idx, double normalizedValue)
{
  performEdit((ParamID)idx, normalizedValue);
}

void IEffectVST3::EndInformHostOfParamChange(int idx)
{
  endEdit((ParamID)idx);
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
  // The host's own menu for the parameter (automation and the like), anchored to the first
  // view; x, y are view coordinates.
  IEffectVST3View* view = GetView(0);
  if (!componentHandler || !view) return;
  IComponentHandler3* handler3 = nullptr;
  if (componentHandler->queryInterface(IComponentHandler3::iid, (void**)&handler3) != kResultOk ||
      !handler3)
    return;
  const ParamID id = (ParamID)paramIdx;
  if (IContextMenu* menu = handler3->createContextMenu(view, &id))
  {
    menu->popup((UCoord)x, (UCoord)y);
    menu->release();
  }
  handler3->release();
}

void IEffectVST3::SetLatency(int samples)
{
  {
    Core_MutexLock lock(mMutex);
    IEffectBase::SetLatency(samples);
  }
  if (componentHandler)
  {
    IComponentHandler* handler = nullptr;
    if (componentHandler->queryInterface(IComponentHandler::iid, (void**)&handler) == kResultOk &&
        handler)
    {
      handler->restartComponent(kLatencyChanged);
      handler->release();
    }
  }
}

//------------------------------------------------------------------------------------------
// Editor views and snapshots

tresult PLUGIN_API IEffectVST3::queryInterface(const TUID iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, IEditorSnapshot::iid))
  {
    addRef();
    *obj = static_cast<IEditorSnapshot*>(&mSnapshotPort);
    return kResultOk;
  }
  return SingleComponentEffect::queryInterface(iid, obj);
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

void IEffectVST3::removeDependentView(IEffectVST3View* /*view*/)
{
  mViews.Resize(0);
}
