#pragma once

// Tesk's program list: "-" (every parameter at its default) followed by the factory
// presets of TeskPresetData::Factory(), in that order.

class IEffectBase;

namespace TeskFactoryPresets {

// The number of presets the effect declares: 1 + the factory presets.
int Count() noexcept;

// Fills the effect's empty preset slots in program-list order. Called once from the
// constructor, after the parameters are initialised and while they hold their defaults.
// A factory preset starts from every parameter's default and takes its settings by
// parameter code; a code the effect does not have is skipped and a value is limited to
// its parameter's range (the tests make sure neither happens). Throws std::bad_alloc
// when memory runs out, like the rest of the effect's construction.
void Make(IEffectBase& plug);

// The id of the parameter whose code (short title, "LGAINL") is `code`, or -1.
int FindParamByCode(const char* code) noexcept;

} // namespace TeskFactoryPresets
