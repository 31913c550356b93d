#pragma once

// Factory preset definitions in their text form (resources/presets/factory-presets.txt,
// compiled into the module and the tools). The format, one item per line:
//   [Name]          starts a preset
//   about = text    its one-line description
//   CODE = value    a parameter by its code and its plain value
// Blank lines and text after '#' are ignored. Free of framework types, so tools and
// build-time generators can read the same definitions the plug-in does.

#include <string>
#include <vector>

struct TeskPresetSetting
{
  std::string code; // the parameter's code, e.g. "HGAINL"
  double value;     // plain value: dB for gains and DRIVE, the list index for selections
};

struct TeskPresetSpec
{
  std::string name;  // at most kMaxNameLength characters
  std::string about; // one line
  std::vector<TeskPresetSetting> settings;
};

namespace TeskPresetData {

constexpr size_t kMaxNameLength = 63;

// Parses `text`. On success `specs` holds every preset in file order and the result is
// true. On the first malformed line the result is false, `specs` holds the presets read
// before it and `error` says "line N: what is wrong". A preset with no settings, a
// duplicate preset name, a code given twice in one preset, a value that is not a finite
// number and a setting before the first [Name] are errors.
bool Parse(const char* text, std::vector<TeskPresetSpec>& specs, std::string& error);

// The factory presets compiled into this program, parsed once (thread-safe). Empty if the
// compiled text does not parse (the tests make sure it does).
const std::vector<TeskPresetSpec>& Factory() noexcept;

} // namespace TeskPresetData
