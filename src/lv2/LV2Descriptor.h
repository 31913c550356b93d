#pragma once

#include "lv2/IEffectLV2.h"

// The DSP library's descriptor: one plug-in, the effect.
//
// The effect layer provides two things:
//
//   IEffectLV2* MakeLV2Plug();
//     Builds one new instance of the effect (owned by the caller), or throws
//     std::bad_alloc when memory runs out; the descriptor's instantiate then answers null.
//     Like the VST 3 edition's MakePlug it builds under a module-wide mutex.
//
//   extern const IEffectLV2Info gLV2PluginInfo = { ... };
//     The plug-in's URI, constant for the product (saved sessions name it).
//
// lv2_descriptor(0) answers the descriptor; every other index null. Its functions never
// let an exception reach the host.
struct IEffectLV2Info
{
  const char* mURI;
};

IEffectLV2* MakeLV2Plug();
extern const IEffectLV2Info gLV2PluginInfo;

extern "C" {
__attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index);
}
