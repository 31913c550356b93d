#pragma once

#include "core/Core_TypedBuf.h"
#include "effect/TeskParameterTable.h"
#include "lv2/IEffectLV2UI.h"

// Tesk's editor in the LV2 UI library: the parameters and the editor of the other
// editions, connected to the instance through the host's ports (IEffectLV2UI).
//
// The channel link: an LV2 plug-in cannot write its own input ports, so while LINK is
// "Linked" the UI keeps the host's values true itself. A gesture on a first-channel
// control writes both channels' ports (touching both), and switching LINK to "Linked"
// writes every second-channel port with its twin's value. The editor shows what the DSP
// plays: while linked, second-channel controls show their twins' values, whatever the
// host sends for them (the DSP library applies the link the same way).
class TeskLV2UI : public IEffectLV2UI
{
public:
  TeskLV2UI();

  // Under the mutex, for gestures and port events: keeps the second channel linked.
  void OnParamChange(int paramIdx) override;
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;

private:
  bool Linked();
  // Gives the second-channel twin of a first-channel parameter its value and shows it.
  void CopyToPartner(int source);

  // Per parameter: its partner's port was grabbed with it (ui:touch).
  bool mPartnerTouched[TeskParams::kNumParams] = {};
};
