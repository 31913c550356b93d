#include "PresetActions.h"

#include "Files.h"
#include "Settings.h"
#include "VstPresetFile.h"
#include "effect/TeskPresetData.h"

#include <cstdio>
#include <vector>

using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParameterInfo;

namespace {

// The instance's state as a preset file named `name`.
bool WritePresetFile(VstHost& host, const std::string& path, const std::string& name, const std::string& comment,
                     std::string& error)
{
  std::vector<uint8_t> component, controller, file;
  if (!host.GetStateParts(component, controller, error))
    return false;
  // A plug-in that keeps its whole state in the controller: the file carries it as the
  // component state too, so hosts that restore only that part get it.
  if (component.empty())
    component = controller;
  std::string why;
  if (!WriteVstPreset(host.ClassId(), component, controller,
                      PresetMetaInfo(name, host.EffectName(), host.EffectCategory(), comment), file, why) ||
      !WriteBytes(path, file)) {
    error = "cannot write preset file " + path + (why.empty() ? "" : ": " + why);
    return false;
  }
  return true;
}

std::string PresetFileName(const std::string& name)
{
  std::string out;
  for (char c : name)
    out += (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|' || static_cast<unsigned char>(c) < 0x20)
               ? '-'
               : c;
  return out;
}

} // namespace

bool SaveStateFiles(VstHost& host, const Options& o, std::string& error)
{
  if (!o.stateOut.empty()) {
    std::vector<uint8_t> bytes;
    if (!host.GetState(bytes, error))
      return false;
    if (!WriteBytes(o.stateOut, bytes)) {
      error = "cannot write state file " + o.stateOut;
      return false;
    }
  }
  if (!o.presetOut.empty()) {
    const std::string base = BaseName(o.presetOut);
    if (!WritePresetFile(host, o.presetOut, base.substr(0, base.rfind('.')), "", error))
      return false;
  }
  return true;
}

bool ExportPresets(VstHost& host, const std::string& dir, bool quiet, std::string& error)
{
  if (!IsDirectory(dir)) {
    error = "no such folder: " + dir;
    return false;
  }
  host.ReleaseEffect();
  if (!host.CreateEffect(error))
    return false;
  const std::vector<std::string> names = host.ProgramNames();
  ParamID programId = 0;
  ParameterInfo info{};
  if (names.empty() || !host.FindProgramParam(programId) || !host.ParamInfoById(programId, info) ||
      info.stepCount <= 0) {
    error = "the plug-in has no program list";
    return false;
  }
  int written = 0;
  for (int i = 0; i < static_cast<int>(names.size()) && i <= info.stepCount; ++i) {
    if (names[i] == "-" || names[i].empty())
      continue;
    host.ReleaseEffect();
    if (!host.CreateEffect(error) || !host.SetChannels(2, error) || !host.Start(48000.0, 64, 64, error))
      return false;
    host.QueueChange(programId, static_cast<double>(i) / info.stepCount);
    if (!Settle(host, error))
      return false;
    host.Stop();
    std::string about;
    for (const TeskPresetSpec& spec : TeskPresetData::Factory())
      if (spec.name == names[i])
        about = spec.about;
    const std::string path = dir + "/" + PresetFileName(names[i]) + ".vstpreset";
    if (!WritePresetFile(host, path, names[i], about, error))
      return false;
    if (!quiet)
      std::printf("%s\n", path.c_str());
    ++written;
  }
  if (written == 0) {
    error = "the plug-in's program list holds no preset but \"-\"";
    return false;
  }
  return true;
}
