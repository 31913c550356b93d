#include "effect/TeskPresetData.h"

#include "TeskFactoryPresetText.h" // generated from resources/presets/factory-presets.txt

#include <cmath>
#include <cstdlib>

namespace {

std::string Trim(const std::string& s)
{
  const char* ws = " \t\r";
  const size_t first = s.find_first_not_of(ws);
  if (first == std::string::npos)
    return "";
  return s.substr(first, s.find_last_not_of(ws) - first + 1);
}

bool IsCode(const std::string& s)
{
  if (s.empty())
    return false;
  for (char c : s)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool ParseNumber(const std::string& s, double& value)
{
  if (s.empty())
    return false;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (*end != 0 || !std::isfinite(v))
    return false;
  value = v;
  return true;
}

} // namespace

namespace TeskPresetData {

bool Parse(const char* text, std::vector<TeskPresetSpec>& specs, std::string& error)
{
  specs.clear();
  std::vector<TeskPresetSpec> read;
  int lineNo = 0;
  // Keeps only complete presets: with `lastIsIncomplete` the one the bad line belongs to
  // is dropped.
  auto fail = [&](const std::string& what, bool lastIsIncomplete = true) {
    error = "line " + std::to_string(lineNo) + ": " + what;
    if (lastIsIncomplete && !read.empty())
      read.pop_back();
    specs = read;
    return false;
  };
  auto finishPreset = [&]() { return read.empty() || !read.back().settings.empty(); };

  const std::string all = text ? text : "";
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos)
      end = all.size();
    std::string line = all.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    const size_t hash = line.find('#');
    if (hash != std::string::npos)
      line.resize(hash);
    line = Trim(line);
    if (line.empty())
      continue;

    if (line.front() == '[') {
      if (line.back() != ']')
        return fail("a preset name needs a closing ']'", false);
      if (!finishPreset())
        return fail("preset \"" + read.back().name + "\" sets no parameter");
      const std::string name = Trim(line.substr(1, line.size() - 2));
      if (name.empty() || name.find_first_of("[]") != std::string::npos)
        return fail("bad preset name", false);
      if (name.size() > kMaxNameLength)
        return fail("preset name longer than " + std::to_string(kMaxNameLength) + " characters", false);
      for (const TeskPresetSpec& s : read)
        if (s.name == name)
          return fail("preset \"" + name + "\" is defined twice", false);
      read.push_back(TeskPresetSpec{name, "", {}});
      continue;
    }

    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      return fail("expected [Name] or KEY = value");
    if (read.empty())
      return fail("a setting before the first [Name]");
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    TeskPresetSpec& spec = read.back();
    if (key == "about") {
      spec.about = value;
      continue;
    }
    if (!IsCode(key))
      return fail("bad parameter code \"" + key + "\"");
    double v = 0.0;
    if (!ParseNumber(value, v))
      return fail("the value of " + key + " is not a number: \"" + value + "\"");
    for (const TeskPresetSetting& s : spec.settings)
      if (s.code == key)
        return fail(key + " is set twice in \"" + spec.name + "\"");
    spec.settings.push_back(TeskPresetSetting{key, v});
  }
  ++lineNo;
  if (!finishPreset())
    return fail("preset \"" + read.back().name + "\" sets no parameter");
  specs = std::move(read);
  return true;
}

namespace {

std::vector<TeskPresetSpec> LoadFactory() noexcept
{
  std::vector<TeskPresetSpec> specs;
  try {
    std::string error;
    if (!Parse(kTeskFactoryPresetText, specs, error))
      specs.clear();
  } catch (...) { // out of memory: no factory presets rather than an exception in a host
    specs.clear();
  }
  return specs;
}

} // namespace

const std::vector<TeskPresetSpec>& Factory() noexcept
{
  // A static object, not a heap one: it lives and dies with the module that holds it.
  static const std::vector<TeskPresetSpec> sSpecs = LoadFactory();
  return sSpecs;
}

} // namespace TeskPresetData
