#include "ParamSettings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParameterInfo;

namespace {

// Lower case without spaces: "15 kHz" and "15khz" compare equal.
std::string Folded(const std::string& s)
{
  std::string out;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Number(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// The name the user should type: the short title when there is one, else the title.
std::string PreferredName(const VstHost& host, const ParameterInfo& info)
{
  const std::string shortTitle = host.ShortTitle(info);
  return shortTitle.empty() ? host.Title(info) : shortTitle;
}

// The displayed value with its unit, as a host shows it; the plain value when the
// plug-in gives no text.
std::string Shown(const VstHost& host, const ParameterInfo& info, double normalized)
{
  std::string text = host.DisplayText(info.id, normalized);
  if (text.empty())
    text = Number(host.NormalizedToPlain(info.id, normalized));
  const std::string units = host.Units(info);
  return units.empty() ? text : text + " " + units;
}

// A number at the start of `text`, optionally followed by the parameter's unit.
bool ParseNumber(const std::string& text, const std::string& units, double& value)
{
  const char* s = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*s)))
    ++s;
  if (!*s)
    return false;
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (end == s || !std::isfinite(v))
    return false;
  const std::string rest = Folded(end);
  if (!rest.empty() && rest != Folded(units))
    return false;
  value = v;
  return true;
}

} // namespace

std::string IdText(ParamID id)
{
  char buf[16];
  const char c[4] = {static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                     static_cast<char>(id)};
  bool printable = id > 0xFFFFFF;
  for (char ch : c)
    printable = printable && ch >= 0x20 && ch < 0x7F;
  if (printable)
    std::snprintf(buf, sizeof buf, "'%c%c%c%c'", c[0], c[1], c[2], c[3]);
  else
    std::snprintf(buf, sizeof buf, "%u", id);
  return buf;
}

bool ResolveSetting(const VstHost& host, const std::string& name, const std::string& value, ResolvedSetting& out,
                    std::string& error)
{
  ParamID id = 0;
  ParameterInfo info{};
  if (!host.FindParam(name, id) || !host.ParamInfoById(id, info)) {
    std::string valid;
    const int n = host.ParamCount();
    for (int i = 0; i < n; ++i) {
      ParameterInfo p{};
      if (host.ParamInfoAt(i, p))
        valid += (valid.empty() ? "" : ", ") + PreferredName(host, p);
    }
    error = "unknown parameter: " + name + " (valid: " + valid + ", or a numeric id)";
    return false;
  }
  const std::string shownName = PreferredName(host, info);
  const std::string units = host.Units(info);
  const double lo = host.NormalizedToPlain(id, 0.0);
  const double hi = host.NormalizedToPlain(id, 1.0);
  const std::string range = Number(std::min(lo, hi)) + " .. " + Number(std::max(lo, hi)) + (units.empty() ? "" : " " + units);

  double plain = 0.0;
  if (ParseNumber(value, units, plain)) {
    if (plain < std::min(lo, hi) || plain > std::max(lo, hi)) {
      error = "value " + value + " for " + shownName + " is out of range: " + range;
      return false;
    }
    out.id = id;
    out.normalized = std::clamp(host.PlainToNormalized(id, plain), 0.0, 1.0);
    return true;
  }

  // A list parameter also takes the text of one of its entries, with or without the unit.
  std::string entries;
  if (info.stepCount > 0 && info.stepCount <= 1000) {
    const std::string wanted = Folded(value);
    for (int k = 0; k <= info.stepCount; ++k) {
      const double normalized = static_cast<double>(k) / info.stepCount;
      const std::string text = host.DisplayText(id, normalized);
      if (text.empty())
        continue;
      if (!wanted.empty() && (Folded(text) == wanted || Folded(text + units) == wanted)) {
        out.id = id;
        out.normalized = normalized;
        return true;
      }
      entries += (entries.empty() ? "" : ", ") + text;
    }
  }
  error = "bad value for " + shownName + ": \"" + value + "\" (a number in " + range +
          (entries.empty() ? "" : ", or one of: " + entries) + ")";
  return false;
}

void PrintParameterList(const VstHost& host)
{
  struct Row
  {
    std::string id, shortTitle, title, units, def, value;
  };
  std::vector<Row> rows{{"id", "short title", "title", "unit", "default", "value"}};
  const int n = host.ParamCount();
  for (int i = 0; i < n; ++i) {
    ParameterInfo info{};
    if (!host.ParamInfoAt(i, info))
      continue;
    rows.push_back(Row{IdText(info.id), host.ShortTitle(info), host.Title(info), host.Units(info),
                       Shown(host, info, info.defaultNormalizedValue),
                       Shown(host, info, host.CurrentNormalized(info.id))});
  }
  size_t w[5] = {};
  for (const Row& r : rows) {
    const std::string* cols[5] = {&r.id, &r.shortTitle, &r.title, &r.units, &r.def};
    for (int c = 0; c < 5; ++c)
      w[c] = std::max(w[c], cols[c]->size());
  }
  for (const Row& r : rows)
    std::printf("%*s  %-*s  %-*s  %-*s  %-*s  %s\n", static_cast<int>(w[0]), r.id.c_str(), static_cast<int>(w[1]),
                r.shortTitle.c_str(), static_cast<int>(w[2]), r.title.c_str(), static_cast<int>(w[3]),
                r.units.c_str(), static_cast<int>(w[4]), r.def.c_str(), r.value.c_str());
}
