#pragma once

// The plug-in format adapter the effect is built on, chosen by the build: the LV2 DSP
// library compiles the effect with TESK_ADAPTER_LV2 defined, every other target with the
// VST 3 adapter. Both adapters take the same constructor arguments and present the same
// plug-in base, so the effect's code is one. A program links one of the two builds only.
#if defined(TESK_ADAPTER_LV2)
#include "lv2/IEffectLV2.h"
using TeskAdapter = IEffectLV2;
#else
#include "vst3/IEffectVST3.h"
#include "vst3/IEffectVST3Factory.h"  // MakePlug, defined with the effect
using TeskAdapter = IEffectVST3;
#endif
