#include "Settings.h"

#include "Files.h"
#include "ParamSettings.h"
#include "ProcessAudio.h"

using Steinberg::Vst::ParamID;

bool ApplySettings(VstHost& host, const Options& o, const Settings& s, std::string& error)
{
  if (!o.stateIn.empty() && !host.SetState(s.state, error)) {
    error += ": " + o.stateIn;
    return false;
  }
  if (s.hasPreset && !host.SetStateParts(s.preset.component, s.preset.controller, error)) {
    error = o.presetIn + ": " + error;
    return false;
  }
  for (const auto& set : o.sets) {
    ResolvedSetting r;
    if (!ResolveSetting(host, set.first, set.second, r, error))
      return false;
    host.QueueChange(r.id, r.normalized);
  }
  if (o.bypass) {
    ParamID id = 0;
    if (!host.FindBypass(id)) {
      error = "the plug-in has no bypass parameter";
      return false;
    }
    host.QueueChange(id, 1.0);
  }
  return true;
}

bool PrepareInstance(VstHost& host, const Options& o, const Settings& s, double rate, int channels, int precision,
                     std::string& error)
{
  host.ReleaseEffect();
  return host.CreateEffect(error) && host.SetChannels(channels, error) &&
         host.Start(rate, o.block, precision, error) && ApplySettings(host, o, s, error);
}

bool Settle(VstHost& host, std::string& error)
{
  const int n = 64;
  Planar silence(static_cast<size_t>(host.Channels()), std::vector<double>(n, 0.0));
  double ns = 0.0;
  return ProcessAudio(host, silence, nullptr, n, 64, ns, nullptr, error);
}

std::string SettingsSummary(const Options& o)
{
  std::string s;
  auto add = [&](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
  if (!o.stateIn.empty())
    add("state " + BaseName(o.stateIn));
  if (!o.presetIn.empty())
    add("preset " + BaseName(o.presetIn));
  for (const auto& set : o.sets)
    add(set.first + "=" + set.second);
  if (o.bypass)
    add("bypass");
  return s.empty() ? "default settings" : s;
}
