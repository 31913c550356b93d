#pragma once

#include "framework/IEffectBase.h"
#include "framework/ITimeInfo.h"

// The host answers both halves of an LV2 plug-in (IEffectLV2, IEffectLV2UI) give alike:
// LV2 passes Tesk no transport, no program changes and no MIDI, so the transport reads
// stopped at position 0 in 4/4, program changes and MIDI go nowhere, and the editor
// never resizes.
class IEffectLV2Base : public IEffectBase
{
public:
  using IEffectBase::IEffectBase;

  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 0.0; }
  void GetTimeSig(int* pNum, int* pDenom) override
  {
    if (pNum) *pNum = 4;
    if (pDenom) *pDenom = 4;
  }
  void GetTime(ITimeInfo* pTimeInfo) override
  {
    if (pTimeInfo) *pTimeInfo = ITimeInfo();
  }
  void ResizeGraphics(int w, int h) override {}
  bool SendMidiMsg(IMidiMsg* pMsg) override { return false; }
};
