// tesk-render: renders audio files through a VST 3 effect the way a host does, measures
// it, and reads and writes its presets. Errors are one line on stderr and exit status 1;
// usage errors exit with status 2. Settings and inputs are checked before anything is
// written.

#include "AudioFile.h"
#include "DemoSignal.h"
#include "Files.h"
#include "Measure.h"
#include "Options.h"
#include "ParamSettings.h"
#include "Plot.h"
#include "PresetActions.h"
#include "RenderJobs.h"
#include "Settings.h"
#include "VstHost.h"
#include "VstPresetFile.h"
#include "vst3/IEditorSnapshot.h"

#include <strings.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParameterInfo;

namespace {

int Fail(const std::string& message)
{
  std::fprintf(stderr, "tesk-render: %s\n", message.c_str());
  return 1;
}

int UsageError(const std::string& message)
{
  std::fprintf(stderr, "tesk-render: %s\n%s", message.c_str(), kUsage);
  return 2;
}

std::string DefaultPlugin()
{
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    std::string dir(exe);
    for (int up = 0; up < 4; ++up) {
      size_t slash = dir.find_last_of('/');
      if (slash == std::string::npos || slash == 0)
        break;
      dir.resize(slash);
      if (FileExists(dir + "/Tesk.vst3"))
        return dir + "/Tesk.vst3";
    }
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.vst3/Tesk.vst3";
}

int Screenshot(VstHost& host, const Options& o)
{
  Steinberg::tresult r = Steinberg::kResultFalse;
  if (o.screenshotPercent != 100) {
    IEditorSnapshot2* snapshot = nullptr;
    if (host.Controller()->queryInterface(IEditorSnapshot2_iid, reinterpret_cast<void**>(&snapshot)) !=
            Steinberg::kResultOk ||
        !snapshot)
      return Fail("the plug-in cannot draw its editor at another scale");
    r = snapshot->saveEditorSnapshotAtScale(o.screenshot.c_str(), o.screenshotPercent);
    snapshot->release();
  } else {
    IEditorSnapshot* snapshot = nullptr;
    if (host.Controller()->queryInterface(IEditorSnapshot_iid, reinterpret_cast<void**>(&snapshot)) !=
            Steinberg::kResultOk ||
        !snapshot)
      return Fail("the plug-in cannot draw its editor for a screenshot");
    r = snapshot->saveEditorSnapshot(o.screenshot.c_str());
    snapshot->release();
  }
  if (r != Steinberg::kResultOk)
    return Fail("cannot write screenshot " + o.screenshot);
  return 0;
}

// The names of the plug-in's two channels for the plot's legend: the part of the output
// gains' titles after their last space ("Output L/M" gives "L/M"), with what MS makes of
// them.
void ChannelNames(VstHost& host, std::string names[2], bool& midSide)
{
  const char* codes[2] = {"OUTL", "OUTR"};
  const char* fallback[2] = {"L/M", "R/S"};
  for (int c = 0; c < 2; ++c) {
    names[c] = fallback[c];
    ParamID id = 0;
    ParameterInfo info{};
    if (host.FindParam(codes[c], id) && host.ParamInfoById(id, info)) {
      const std::string title = host.Title(info);
      const size_t space = title.find_last_of(' ');
      if (space != std::string::npos && space + 1 < title.size())
        names[c] = title.substr(space + 1);
    }
  }
  ParamID ms = 0;
  midSide = host.FindParam("MS", ms) && host.NormalizedToPlain(ms, host.CurrentNormalized(ms)) < 0.5;
  names[0] += midSide ? " (mid)" : " (left)";
  names[1] += midSide ? " (side)" : " (right)";
}

int Plot(VstHost& host, const Options& o, const Settings& s, bool midSide, const std::string names[2])
{
  std::string error;
  Measurement m;
  auto prepare = [&](VstHost& h, double rate, std::string& e) {
    return PrepareInstance(h, o, s, rate, 2, 64, e);
  };
  if (!MeasurePlugin(host, prepare, o.block, midSide, names, m, error))
    return Fail(error);
  const std::string title = host.EffectName() + ", measured through the plug-in";
  if (!o.plot.empty() && !DrawMeasurementPng(m, title, "Settings: " + SettingsSummary(o), o.plotScale, o.plot, error))
    return Fail(error);
  if (!o.plotData.empty() && !WriteMeasurementData(o.plotData, m, error))
    return Fail(error);
  return 0;
}

int PrintLevels(const Options& o)
{
  std::string error;
  for (const std::string& path : o.levels) {
    AudioData audio;
    if (!ReadAudioFile(path, audio, error))
      return Fail(error);
    std::printf("%s (%d Hz, %ld frames)\n", path.c_str(), audio.sampleRate, audio.Frames());
    for (int c = 0; c < audio.Channels(); ++c) {
      double peak = 0.0;
      double rms = 0.0;
      ChannelLevels(audio.channels[c], peak, rms);
      std::printf("  channel %d: peak %7.2f dBFS, RMS %7.2f dBFS\n", c + 1, 20.0 * std::log10(peak + 1e-30),
                  20.0 * std::log10(rms + 1e-30));
    }
  }
  return 0;
}

int Main(int argc, char** argv)
{
  Options o;
  std::string error;
  switch (ParseOptions(argc, argv, o, error)) {
  case ParseResult::kHelp:
    std::fputs(kUsage, stdout);
    return 0;
  case ParseResult::kError:
    return UsageError(error);
  case ParseResult::kRun:
    break;
  }

  if (!o.makeDemo.empty()) {
    AudioData demo;
    MakeDemoSignal(demo);
    if (!WriteAudioFile(o.makeDemo, demo, o.format, error))
      return Fail(error);
  }
  if (!o.levels.empty() && PrintLevels(o) != 0)
    return 1;
  if (!o.makeDemo.empty() || !o.levels.empty())
    return 0;

  const bool render = !o.files.empty();
  const bool withSettings = o.list || !o.screenshot.empty() || !o.plot.empty() || !o.plotData.empty() ||
                            (!render && (!o.stateOut.empty() || !o.presetOut.empty()));
  if (render) {
    if (!o.outDir.empty() && o.bench)
      return UsageError("--bench renders one INPUT, not --out-dir");
    if (o.outDir.empty() && !o.bench && o.files.size() != 2)
      return UsageError(o.files.size() < 2 ? "expected INPUT and OUTPUT (or INPUT... --out-dir DIR)"
                                           : "more than INPUT and OUTPUT: use --out-dir DIR for several inputs");
    if (o.bench && o.files.size() > 2)
      return UsageError("--bench takes one INPUT");
  } else if (!withSettings && !o.info && o.exportPresets.empty()) {
    return UsageError(o.outDir.empty() ? "expected INPUT and OUTPUT" : "expected INPUT files for --out-dir");
  }

  std::vector<RenderJob> jobs;
  if (render && !PlanRenderJobs(o, jobs, error))
    return Fail(error);

  Settings settings;
  std::string why;
  if (!o.stateIn.empty() && !ReadBytes(o.stateIn, settings.state, why))
    return Fail("cannot read state file " + o.stateIn + ": " + why);
  if (!o.presetIn.empty()) {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(o.presetIn, bytes, why))
      return Fail("cannot read preset file " + o.presetIn + ": " + why);
    if (!ReadVstPreset(bytes, settings.preset, error))
      return Fail(o.presetIn + ": " + error);
    settings.hasPreset = true;
  }

  VstHost host;
  if (!host.Load(o.plugin.empty() ? DefaultPlugin() : o.plugin, error))
    return Fail(error);
  if (o.info) {
    std::fputs(host.Describe().c_str(), stdout);
    if (!render && !withSettings && o.exportPresets.empty())
      return 0;
  }
  if (!o.exportPresets.empty()) {
    if (!ExportPresets(host, o.exportPresets, o.quiet, error))
      return Fail(error);
    if (!render && !withSettings)
      return 0;
    host.ReleaseEffect();
  }

  // Check the settings on an instance before rendering anything.
  if (!host.CreateEffect(error))
    return Fail(error);
  if (settings.hasPreset) {
    const std::string ours = PresetClassIdText(host.ClassId());
    if (strcasecmp(settings.preset.classId.c_str(), ours.c_str()) != 0)
      return Fail(o.presetIn + ": a preset of another plug-in (class " + settings.preset.classId + ", not " + ours +
                  ")");
  }
  if (!PrepareInstance(host, o, settings, 48000.0, 2, 64, error) || !Settle(host, error))
    return Fail(error);
  host.Stop();

  if (withSettings) {
    if (o.list)
      PrintParameterList(host);
    if (!render && !SaveStateFiles(host, o, error))
      return Fail(error);
    if (!o.screenshot.empty() && Screenshot(host, o) != 0)
      return 1;
    if (!o.plot.empty() || !o.plotData.empty()) {
      std::string names[2];
      bool midSide = false;
      ChannelNames(host, names, midSide);
      if (Plot(host, o, settings, midSide, names) != 0)
        return 1;
    }
  }
  if (render && !RenderJobs(host, o, settings, jobs, error))
    return Fail(error);
  return 0;
}

} // namespace

int main(int argc, char** argv)
{
  int status = 1;
  try {
    status = Main(argc, argv); // the plug-in is unloaded when Main returns
  } catch (const std::exception& e) {
    status = Fail(e.what());
  } catch (...) {
    status = Fail("unexpected error");
  }
  ReleaseDrawingCaches();
  return status;
}
