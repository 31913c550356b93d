#include "effect/Tesk.h"

#include "core/Core_Mutex.h"
#include "effect/TeskFactoryPresets.h"
#include "effect/TeskParamInit.h"

#include <cmath>
#include <new>

namespace {

using TeskParams::kTable;

constexpr int FourCC(char a, char b, char c, char d)
{
  return (static_cast<unsigned char>(a) << 24) | (static_cast<unsigned char>(b) << 16) |
         (static_cast<unsigned char>(c) << 8) | static_cast<unsigned char>(d);
}

// The switches the chain takes as Process arguments have no stored value in the table.
constexpr bool SwitchesAreNotStored()
{
  for (int id : {TeskChain::kBY, TeskChain::kLINK, TeskChain::kMS, TeskChain::kOVER})
    if (kTable[id].storedSlot != TeskParams::kNone)
      return false;
  return true;
}
static_assert(SwitchesAreNotStored(), "the switches reach the sound path as Process arguments");

bool IsStored(int idx)
{
  return idx >= 0 && idx < TeskParams::kNumParams && kTable[idx].storedSlot != TeskParams::kNone;
}

} // namespace

// Measured with a full-scale impulse at 48 kHz over random settings: the output stays
// above -120 dBFS for at most 1.44 s (the 1 Hz low-cut setting with +12 dB output gain).
// Higher rates ring for no longer in seconds.
const double Tesk::kTailSeconds = 1.5;

int Tesk::TailSamples(double sampleRate)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
    return 0;
  const double samples = std::ceil(kTailSeconds * sampleRate);
  return samples < 1e9 ? static_cast<int>(samples) : 1000000000;
}

Tesk::Tesk(IEffectInstanceInfo instanceInfo)
    : TeskAdapter(instanceInfo, kNumParams, "1-1 2-2", TeskFactoryPresets::Count(), "Tesk", "", "Quillfen",
                  0x30000, FourCC('T', 's', 'k', '1'), FourCC('Q', 'f', 'e', 'n'), TeskChain::LatencySamples(0),
                  false, false, false, 0)
{
  InitTeskParams(this);
  // Every stored value starts at its parameter's default, so the sound path is fully
  // defined even before the host's initialisation restores the default preset.
  for (int i = 0; i < kNumParams; ++i)
    if (IsStored(i))
      mChain.SetStoredValue(kTable[i].storedSlot, GetParam(i)->GetValue());
  // OVER moves the latency between the two delays at any time: the pass-through delay
  // line holds the longer one from the start, so the change never allocates.
  if (!ReserveLatency(TeskChain::LatencySamples(1)))
    throw std::bad_alloc();
  SetTailSize(TailSamples(GetSampleRate()));

  AttachEditor();

  TeskFactoryPresets::Make(*this);
}

Tesk::~Tesk() = default;

void Tesk::Reset()
{
  Core_MutexLock lock(GetMutex());
  SetTailSize(TailSamples(GetSampleRate()));
}

void Tesk::OnActivate(bool active)
{
  Core_MutexLock lock(GetMutex());
  if (active)
    ApplyValuesAtOnce();
}

int Tesk::UnserializeState(ByteChunk* chunk, int startPos)
{
  Core_MutexLock lock(GetMutex());
  const int pos = TeskAdapter::UnserializeState(chunk, startPos);
  ApplyChannelLink();
  ApplyValuesAtOnce();
  return pos;
}

void Tesk::ApplyValuesAtOnce()
{
  // A freshly activated or restored instance plays its values from the first sample:
  // no glide or crossfade from whatever the sound path held before.
  mChain.SkipTransitions();
  UpdateLatency(SwitchValue(TeskChain::kOVER));
}

void Tesk::UpdateLatency(int over)
{
  const int latency = TeskChain::LatencySamples(over);
  if (latency != GetLatency())
    SetLatency(latency);
}

void Tesk::OnParamChange(int paramIdx)
{
  Core_MutexLock lock(GetMutex());
  if (IsStored(paramIdx))
    mChain.SetStoredValue(kTable[paramIdx].storedSlot, GetParam(paramIdx)->GetValue());
  else if (paramIdx == TeskChain::kOVER)
    UpdateLatency(SwitchValue(TeskChain::kOVER));
}

int Tesk::SwitchValue(int paramIdx)
{
  return GetParam(paramIdx)->GetInt();
}

void Tesk::ApplyChannelLink()
{
  for (const TeskParams::Param& p : kTable) {
    if (!TeskParams::IsLinkSource(p))
      continue;
    const int first = p.id;
    const int second = p.linkPartner;
    const int link = SwitchValue(TeskChain::kLINK);
    if (link == 0) {
      const double v = mChain.GetStoredValue(first);
      GetParam(second)->SetValue(v);
      mChain.SetStoredValue(second, v);
      if (IEditorHooks* gui = GetGUI())
        gui->SetParameterFromPlug(second, v, false);
    } else if (link == 1) {
      GetParam(second)->SetValue(mChain.GetStoredValue(second));
    }
  }
}

void Tesk::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  ApplyChannelLink();
  mChain.SetSampleRate(GetSampleRate());
  const int over = SwitchValue(TeskChain::kOVER);
  // OVER may also have been set without a change notice (a host's setParamNormalized).
  UpdateLatency(over);
  if (!inputs || !outputs)
    return;
  mChain.Process(inputs[0], inputs[1], outputs[0], outputs[1], nFrames, SwitchValue(TeskChain::kBY),
                 SwitchValue(TeskChain::kMS), over);
}
