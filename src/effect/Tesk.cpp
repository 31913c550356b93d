#include "effect/Tesk.h"

#include "core/Core_Mutex.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskFactoryPresets.h"
#include "framework/IParam.h"
#include "platform/linux/IGraphicsLinux.h"

#include <new>

namespace {

constexpr int FourCC(char a, char b, char c, char d)
{
  return (static_cast<unsigned char>(a) << 24) | (static_cast<unsigned char>(b) << 16) |
         (static_cast<unsigned char>(c) << 8) | static_cast<unsigned char>(d);
}

// One parameter's initialisation. Double parameters have step 0.01, label "%" (the gains
// and DRIVE are in dB; "%" is the unit text hosts have always shown) and a linear shape.
struct ParamInit
{
  int idx;
  const char* name;
  bool isDouble;
  double def, min, max;
};

// In initialisation order: switches and selections first, then gains and DRIVE. OVER comes
// last: it used to be left uninitialised (untitled, no kind), which hosts and conformance
// checks reject; it is now an integer switch like BY and LINK with the same value, range,
// step and role.
const ParamInit kParamInits[] = {
    {TeskChain::kBY, "BY", false, 0, 0, 1},
    {TeskChain::kLINK, "LINK", false, 0, 0, 1},
    {TeskChain::kMS, "MS", false, 1, 0, 1},
    {TeskChain::kLCUTL, "LCUTL", false, 1, 0, 1},
    {TeskChain::kLCUTR, "LCUTR", false, 1, 0, 1},
    {TeskChain::kHFREQL, "HFREQL", false, 0, 0, 2},
    {TeskChain::kHFREQR, "HFREQR", false, 0, 0, 2},
    {TeskChain::kLFREQL, "LFREQL", false, 0, 0, 2},
    {TeskChain::kLFREQR, "LFREQR", false, 0, 0, 2},
    {TeskChain::kMFREQ1L, "MFREQ1L", false, 0, 0, 1},
    {TeskChain::kMFREQ1R, "MFREQ1R", false, 0, 0, 1},
    {TeskChain::kMFREQ2L, "MFREQ2L", false, 0, 0, 2},
    {TeskChain::kMFREQ2R, "MFREQ2R", false, 0, 0, 2},
    {TeskChain::kMFREQ3L, "MFREQ3L", false, 0, 0, 2},
    {TeskChain::kMFREQ3R, "MFREQ3R", false, 0, 0, 2},
    {TeskChain::kMFREQ4L, "MFREQ4L", false, 0, 0, 1},
    {TeskChain::kMFREQ4R, "MFREQ4R", false, 0, 0, 1},
    {TeskChain::kHGAINL, "HGAINL", true, 0, -18, 18},
    {TeskChain::kHGAINR, "HGAINR", true, 0, -18, 18},
    {TeskChain::kLGAINL, "LGAINL", true, 0, -18, 18},
    {TeskChain::kLGAINR, "LGAINR", true, 0, -18, 18},
    {TeskChain::kMGAIN1L, "MGAIN1L", true, 0, -9, 9},
    {TeskChain::kMGAIN1R, "MGAIN1R", true, 0, -9, 9},
    {TeskChain::kMGAIN2L, "MGAIN2L", true, 0, -4.5, 4.5},
    {TeskChain::kMGAIN2R, "MGAIN2R", true, 0, -4.5, 4.5},
    {TeskChain::kMGAIN3L, "MGAIN3L", true, 0, -4.5, 4.5},
    {TeskChain::kMGAIN3R, "MGAIN3R", true, 0, -4.5, 4.5},
    {TeskChain::kMGAIN4L, "MGAIN4L", true, 0, -9, 9},
    {TeskChain::kMGAIN4R, "MGAIN4R", true, 0, -9, 9},
    {TeskChain::kOUTL, "OUTL", true, 0, -12, 12},
    {TeskChain::kOUTR, "OUTR", true, 0, -12, 12},
    {TeskChain::kDRIVE, "DRIVE", true, -40, -60, -20},
    {TeskChain::kOVER, "OVER", false, 0, 0, 1},
};
static_assert(sizeof(kParamInits) / sizeof(kParamInits[0]) == TeskChain::kNumParams,
              "every parameter is initialised once");

// The channel link's pairs (first channel, second channel) in the order they are visited.
const int kLinkPairs[][2] = {
    {TeskChain::kLCUTL, TeskChain::kLCUTR},     {TeskChain::kMFREQ1L, TeskChain::kMFREQ1R},
    {TeskChain::kMFREQ2L, TeskChain::kMFREQ2R}, {TeskChain::kMFREQ3L, TeskChain::kMFREQ3R},
    {TeskChain::kMFREQ4L, TeskChain::kMFREQ4R}, {TeskChain::kLFREQL, TeskChain::kLFREQR},
    {TeskChain::kHFREQL, TeskChain::kHFREQR},   {TeskChain::kLGAINL, TeskChain::kLGAINR},
    {TeskChain::kHGAINL, TeskChain::kHGAINR},   {TeskChain::kMGAIN1L, TeskChain::kMGAIN1R},
    {TeskChain::kMGAIN2L, TeskChain::kMGAIN2R}, {TeskChain::kMGAIN3L, TeskChain::kMGAIN3R},
    {TeskChain::kMGAIN4L, TeskChain::kMGAIN4R}, {TeskChain::kOUTL, TeskChain::kOUTR},
};

bool IsStored(int idx)
{
  return idx >= 0 && idx < TeskChain::kNumParams && idx != TeskChain::kBY && idx != TeskChain::kLINK &&
         idx != TeskChain::kMS && idx != TeskChain::kOVER;
}

} // namespace

Tesk::Tesk(IEffectInstanceInfo instanceInfo)
    : IEffectVST3(instanceInfo, kNumParams, "1-1 2-2", TeskFactoryPresets::Count(), "Tesk", "", "Quillfen", 0x30000,
                  FourCC('T', 's', 'k', '1'), FourCC('Q', 'f', 'e', 'n'), 0, false, false, false, 0)
{
  for (const ParamInit& p : kParamInits) {
    IParam* param = GetParam(p.idx);
    if (p.isDouble) {
      param->InitDouble(p.name, p.def, p.min, p.max, 0.01, "%", "", 1.0);
      param->SetShape(1.0);
    } else {
      param->InitInt(p.name, static_cast<int>(p.def), static_cast<int>(p.min), static_cast<int>(p.max), "", "");
    }
  }
  // Every stored value starts at its parameter's default, so the sound path is fully
  // defined even before the host's initialisation restores the default preset.
  for (int i = 0; i < kNumParams; ++i)
    if (IsStored(i))
      mChain.SetStoredValue(i, GetParam(i)->GetValue());

  // The editor: built once with the instance and owned by the base from AttachGraphics on.
  // Nothing touches the windowing system until a host opens the view.
  IGraphics* gui = MakeGraphics(this, TeskEditorLayout::kWidth, TeskEditorLayout::kHeight,
                                TeskEditorLayout::kFrameRate);
  TeskEditorLayout::Attach(gui, this);
  AttachGraphics(gui);

  TeskFactoryPresets::Make(*this);
}

IGraphics* MakeGraphics(IEffectVST3* plug, int width, int height, int frameRate)
{
  IGraphicsLinux* gui = new IGraphicsLinux(plug, width, height, frameRate);
  gui->SetBundleID(TeskEditorLayout::kBundleID);
  return gui;
}

Tesk::~Tesk() = default;

void Tesk::Reset()
{
  Core_MutexLock lock(GetMutex());
}

void Tesk::OnParamChange(int paramIdx)
{
  Core_MutexLock lock(GetMutex());
  if (IsStored(paramIdx))
    mChain.SetStoredValue(paramIdx, GetParam(paramIdx)->GetValue());
}

int Tesk::SwitchValue(int paramIdx)
{
  return GetParam(paramIdx)->GetInt();
}

void Tesk::ApplyChannelLink()
{
  for (const auto& pair : kLinkPairs) {
    const int first = pair[0];
    const int second = pair[1];
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
  if (!inputs || !outputs)
    return;
  mChain.Process(inputs[0], inputs[1], outputs[0], outputs[1], nFrames, SwitchValue(TeskChain::kBY),
                 SwitchValue(TeskChain::kMS), SwitchValue(TeskChain::kOVER));
}

// The module's identity for hosts. The class ID is the product's and never changes.
const IEffectVST3ClassInfo gEffectClassInfo = {
    "Quillfen",
    TeskEditorLayout::kProductURL,
    "support@quillfen.example",
    "Tesk",
    "Fx|EQ",
    "3.0.0",
    {0x5465736B, 0x51666E31, 0x8A3C47D2, 0x1F60B9E4},
};

// Builds a new Tesk holding one reference (the caller's) under a module-wide mutex, so
// instances are constructed one at a time whatever thread the host creates them from.
// Null when memory runs out: the factory reports that to the host instead of unwinding
// through it.
IEffectVST3* MakePlug()
{
  static Core_Mutex sMutex;
  Core_MutexLock lock(sMutex);
  return new (std::nothrow) Tesk(IEffectInstanceInfo());
}
