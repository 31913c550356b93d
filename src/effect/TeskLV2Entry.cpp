// The LV2 DSP library's parts of the effect: no editor in the instance (the UI library
// has it) and the plug-in's identity and creation function for the descriptor.

#include "core/Core_Mutex.h"
#include "effect/Tesk.h"
#include "effect/TeskLV2.h"
#include "lv2/LV2Descriptor.h"

void Tesk::AttachEditor() {}

const IEffectLV2Info gLV2PluginInfo = {TeskLV2::kPluginURI};

// Instances are constructed one at a time, whatever thread the host creates them from.
IEffectLV2* MakeLV2Plug()
{
  static Core_Mutex sMutex;
  Core_MutexLock lock(sMutex);
  return new Tesk(IEffectInstanceInfo());
}
