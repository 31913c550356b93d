#include "effect/TeskLV2UI.h"

#include "core/Core_Mutex.h"
#include "editor/IGraphics.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskLV2.h"
#include "effect/TeskParamInit.h"
#include "lv2/LV2UIDescriptor.h"

namespace {

using TeskParams::kTable;

}  // namespace

TeskLV2UI::TeskLV2UI() : IEffectLV2UI(TeskParams::kNumParams, "1-1 2-2", "Tesk", "", "Quillfen", 0x30000)
{
  InitTeskParams(this);
  IGraphics* gui = MakeGraphics(this, TeskEditorLayout::kWidth, TeskEditorLayout::kHeight,
                                TeskEditorLayout::kFrameRate);
  TeskEditorLayout::Attach(gui, this);
  AttachGraphics(gui);
}

bool TeskLV2UI::Linked()
{
  return GetParam(TeskParamIds::kLINK)->GetInt() == 0;
}

void TeskLV2UI::CopyToPartner(int source)
{
  const int partner = kTable[source].linkPartner;
  GetParam(partner)->SetValue(GetParam(source)->GetValue());
  ShowParam(partner);
}

void TeskLV2UI::OnParamChange(int paramIdx)
{
  Core_MutexLock lock(GetMutex());
  if (paramIdx < 0 || paramIdx >= TeskParams::kNumParams || !Linked()) return;
  if (paramIdx == TeskParamIds::kLINK)
  {
    for (const TeskParams::Param& p : kTable)
      if (TeskParams::IsLinkSource(p)) CopyToPartner(p.id);
  }
  else if (kTable[paramIdx].linkPartner != TeskParams::kNone)
  {
    CopyToPartner(TeskParams::IsLinkSource(kTable[paramIdx]) ? paramIdx : kTable[paramIdx].linkPartner);
  }
}

void TeskLV2UI::BeginInformHostOfParamChange(int idx)
{
  IEffectLV2UI::BeginInformHostOfParamChange(idx);
  if (idx >= 0 && idx < TeskParams::kNumParams && TeskParams::IsLinkSource(kTable[idx]) && Linked() &&
      !mPartnerTouched[idx])
  {
    mPartnerTouched[idx] = true;
    Touch(kTable[idx].linkPartner, true);
  }
}

void TeskLV2UI::InformHostOfParamChange(int idx, double normalizedValue)
{
  IEffectLV2UI::InformHostOfParamChange(idx, normalizedValue);
  if (idx < 0 || idx >= TeskParams::kNumParams || !Linked()) return;
  if (idx == TeskParamIds::kLINK)
  {
    for (const TeskParams::Param& p : kTable)
      if (TeskParams::IsLinkSource(p)) WriteParamPort(p.linkPartner);
  }
  else if (TeskParams::IsLinkSource(kTable[idx]))
  {
    {
      // The twin takes the value as the port carries it.
      Core_MutexLock lock(GetMutex());
      CopyToPartner(idx);
    }
    WriteParamPort(kTable[idx].linkPartner);
  }
}

void TeskLV2UI::EndInformHostOfParamChange(int idx)
{
  IEffectLV2UI::EndInformHostOfParamChange(idx);
  if (idx >= 0 && idx < TeskParams::kNumParams && mPartnerTouched[idx])
  {
    mPartnerTouched[idx] = false;
    Touch(kTable[idx].linkPartner, false);
  }
}

const IEffectLV2UIInfo gLV2UIInfo = {TeskLV2::kUIURI};

IEffectLV2UI* MakeLV2UI()
{
  static Core_Mutex sMutex;
  Core_MutexLock lock(sMutex);
  return new TeskLV2UI();
}
