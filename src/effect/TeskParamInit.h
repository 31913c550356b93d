#pragma once

class IEffectBase;

// Gives the plug-in base's first TeskParams::kNumParams parameters their kind, title,
// range, default, step, unit, display texts and short name (the code) from the parameter
// table. The sound instance of every edition and the LV2 edition's UI build their
// parameters here, so both sides of every format show the same strings. All or nothing:
// throws std::bad_alloc when a display text cannot be stored.
void InitTeskParams(IEffectBase* plug);
