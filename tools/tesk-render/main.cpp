// tesk-render: renders audio files through a VST 3 effect the way a host does, measures
// it, and reads and writes its presets. Errors are one line on stderr and exit status 1;
// usage errors exit with status 2. Settings and inputs are checked before anything is
// written.

#include "AudioFile.h"
#include "DemoSignal.h"
#include "Measure.h"
#include "Options.h"
#include "ParamSettings.h"
#include "Plot.h"
#include "ProcessAudio.h"
#include "Progress.h"
#include "VstHost.h"
#include "VstPresetFile.h"
#include "effect/TeskPresetData.h"
#include "vst3/IEditorSnapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
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

bool FileExists(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b)
{
  if (a == b)
    return true;
  struct stat sa;
  struct stat sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string BaseName(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
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

// Reads a whole file; false with the system's reason in `why`.
bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& why)
{
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "not a file";
    return false;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    why = std::strerror(errno);
    return false;
  }
  why = "read error";
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f)
    return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return static_cast<bool>(f);
}

// Writes an audio file beside its destination first and renames it into place, so a
// failed write never leaves a half-written file or destroys an older one.
bool WriteAudioInPlace(const std::string& path, const AudioData& audio, const std::string& subformat,
                       std::string& error)
{
  const std::string temp = DirName(path) + "/.tesk-render-" + std::to_string(getpid()) + "-" + BaseName(path);
  if (!WriteAudioFile(temp, audio, subformat, error)) {
    std::remove(temp.c_str());
    if (error.find(temp) != std::string::npos)
      error.replace(error.find(temp), temp.size(), path);
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = "cannot write audio file " + path;
    return false;
  }
  return true;
}

// The file's bytes after its settings were checked: state, preset and --set values.
struct Settings
{
  std::vector<uint8_t> state;
  bool hasPreset = false;
  VstPresetContents preset;
};

// Applies the user's settings to a started instance: state, preset, then --set and
// --bypass as the first block's parameter changes (so they reach the processor as a
// host's automation would).
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

// A fresh instance with the user's settings, started at `rate` on `channels` buses.
bool PrepareInstance(VstHost& host, const Options& o, const Settings& s, double rate, int channels, int precision,
                     std::string& error)
{
  host.ReleaseEffect();
  return host.CreateEffect(error) && host.SetChannels(channels, error) &&
         host.Start(rate, o.block, precision, error) && ApplySettings(host, o, s, error);
}

// Runs one short block of silence so queued settings, the channel link and a restored
// program reach the processor and the controller.
bool Settle(VstHost& host, std::string& error)
{
  const int n = 64;
  Planar silence(static_cast<size_t>(host.Channels()), std::vector<double>(n, 0.0));
  double ns = 0.0;
  return ProcessAudio(host, silence, nullptr, n, 64, ns, nullptr, error);
}

bool SaveState(VstHost& host, const Options& o, std::string& error)
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
    std::vector<uint8_t> component, controller, file;
    if (!host.GetStateParts(component, controller, error))
      return false;
    // A plug-in that keeps its whole state in the controller: the file carries it as the
    // component state too, so hosts that restore only that part get it.
    if (component.empty())
      component = controller;
    const std::string name = BaseName(o.presetOut).substr(0, BaseName(o.presetOut).rfind('.'));
    if (!WriteVstPreset(host.ClassId(), component, controller,
                        PresetMetaInfo(name, host.EffectName(), host.EffectCategory(), ""), file, error) ||
        !WriteBytes(o.presetOut, file)) {
      error = "cannot write preset file " + o.presetOut + (error.empty() ? "" : ": " + error);
      return false;
    }
  }
  return true;
}

int Screenshot(VstHost& host, const Options& o)
{
  IEditorSnapshot* snapshot = nullptr;
  if (host.Controller()->queryInterface(IEditorSnapshot_iid, reinterpret_cast<void**>(&snapshot)) !=
          Steinberg::kResultOk ||
      !snapshot)
    return Fail("the plug-in cannot draw its editor for a screenshot");
  const Steinberg::tresult r = snapshot->saveEditorSnapshot(o.screenshot.c_str());
  snapshot->release();
  if (r != Steinberg::kResultOk)
    return Fail("cannot write screenshot " + o.screenshot);
  return 0;
}

// A file name for a preset: characters that are awkward in file names become '-'.
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

// Writes every program of the plug-in's list except "-" as a .vstpreset file: each is
// selected through the program-change parameter, as a host does, and its state saved.
int ExportPresets(VstHost& host, const Options& o)
{
  std::string error;
  if (!IsDirectory(o.exportPresets))
    return Fail("no such folder: " + o.exportPresets);
  if (!host.CreateEffect(error))
    return Fail(error);
  const std::vector<std::string> names = host.ProgramNames();
  ParamID programId = 0;
  ParameterInfo info{};
  if (names.empty() || !host.FindProgramParam(programId) || !host.ParamInfoById(programId, info) ||
      info.stepCount <= 0)
    return Fail("the plug-in has no program list");
  int written = 0;
  for (int i = 0; i < static_cast<int>(names.size()) && i <= info.stepCount; ++i) {
    if (names[i] == "-" || names[i].empty())
      continue;
    host.ReleaseEffect();
    if (!host.CreateEffect(error) || !host.SetChannels(2, error) || !host.Start(48000.0, 64, 64, error))
      return Fail(error);
    host.QueueChange(programId, static_cast<double>(i) / info.stepCount);
    if (!Settle(host, error))
      return Fail(error);
    host.Stop();
    std::vector<uint8_t> component, controller, file;
    if (!host.GetStateParts(component, controller, error))
      return Fail(error);
    if (component.empty())
      component = controller;
    std::string about;
    for (const TeskPresetSpec& spec : TeskPresetData::Factory())
      if (spec.name == names[i])
        about = spec.about;
    const std::string path = o.exportPresets + "/" + PresetFileName(names[i]) + ".vstpreset";
    if (!WriteVstPreset(host.ClassId(), component, controller,
                        PresetMetaInfo(names[i], host.EffectName(), host.EffectCategory(), about), file, error) ||
        !WriteBytes(path, file))
      return Fail("cannot write preset file " + path);
    if (!o.quiet)
      std::printf("%s\n", path.c_str());
    ++written;
  }
  if (written == 0)
    return Fail("the plug-in's program list holds no preset but \"-\"");
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

struct Job
{
  std::string input, output;
  AudioFileInfo info;
};

// Checks every input and output before anything is rendered.
bool PlanJobs(const Options& o, std::vector<Job>& jobs, std::string& error)
{
  std::vector<std::string> inputs = o.files;
  const bool batch = !o.outDir.empty();
  if (!batch)
    inputs.resize(1); // INPUT OUTPUT, or --bench INPUT

  if (batch && !IsDirectory(o.outDir)) {
    error = "no such folder: " + o.outDir;
    return false;
  }
  for (const std::string& in : inputs) {
    Job job;
    job.input = in;
    if (!FileExists(in)) {
      error = "no such file: " + in;
      return false;
    }
    if (!ProbeAudioFile(in, job.info, error))
      return false;
    if (job.info.channels != 1 && job.info.channels != 2) {
      error = "unsupported channel count: " + std::to_string(job.info.channels) + " in " + in +
              " (only mono and stereo)";
      return false;
    }
    if (o.bench) {
      jobs.push_back(job);
      continue;
    }
    job.output = batch ? o.outDir + "/" + BaseName(in) : o.files[1];
    for (const std::string& other : inputs)
      if (SameFile(job.output, other)) {
        error = "refusing to overwrite the input " + other + (batch ? " (choose another --out-dir)" : "");
        return false;
      }
    for (const Job& earlier : jobs)
      if (earlier.output == job.output) {
        error = "two inputs would both be written to " + job.output;
        return false;
      }
    if (batch && FileExists(job.output) && !o.force) {
      error = job.output + " exists (use --force to replace it)";
      return false;
    }
    int format = 0;
    if (!ResolveOutputFormat(job.output, job.info.format, o.format, 2, job.info.sampleRate, format, error))
      return false;
    jobs.push_back(job);
  }
  return true;
}

// Renders every job through a fresh instance with the settings.
int Render(VstHost& host, const Options& o, const Settings& s, const std::vector<Job>& jobs)
{
  std::string error;
  double totalSeconds = 0.0;
  for (const Job& job : jobs)
    totalSeconds += static_cast<double>(job.info.frames) / job.info.sampleRate;
  Progress progress(stderr, !o.quiet && !o.bench && Progress::StderrIsTerminal(), totalSeconds);
  double doneSeconds = 0.0;
  for (const Job& job : jobs) {
    AudioData input;
    if (!ReadAudioFile(job.input, input, error))
      return Fail(error);
    // A mono input feeds both channels of the stereo buses.
    if (input.Channels() == 1)
      input.channels.push_back(input.channels[0]);
    if (!PrepareInstance(host, o, s, input.sampleRate, 2, o.precision, error))
      return Fail(error);
    double ns = 0.0;
    if (o.bench) {
      for (long k = 0; k < o.bench; ++k)
        if (!ProcessAudio(host, input.channels, nullptr, o.block, o.precision, ns, nullptr, error))
          return Fail(error);
      const double frames = static_cast<double>(input.Frames()) * static_cast<double>(o.bench);
      const double perFrame = frames > 0 ? ns / frames : 0.0;
      const double realTime = ns > 0 ? (frames / input.sampleRate) / (ns * 1e-9) : 0.0;
      std::printf("%.1f ns per frame, %.1fx real time\n", perFrame, realTime);
      continue;
    }
    AudioData output;
    output.sampleRate = input.sampleRate;
    output.format = input.format;
    const double rate = input.sampleRate;
    auto afterBlock = [&](long frames) { progress.Update(doneSeconds + static_cast<double>(frames) / rate); };
    if (!ProcessAudio(host, input.channels, &output.channels, o.block, o.precision, ns, afterBlock, error)) {
      progress.Finish();
      return Fail(error);
    }
    doneSeconds += static_cast<double>(input.Frames()) / rate;
    if (!WriteAudioInPlace(job.output, output, o.format, error)) {
      progress.Finish();
      return Fail(error);
    }
  }
  progress.Finish();
  host.Stop();
  if (!SaveState(host, o, error))
    return Fail(error);
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

  std::vector<Job> jobs;
  if (render && !PlanJobs(o, jobs, error))
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
    const int r = ExportPresets(host, o);
    if (r != 0 || (!render && !withSettings))
      return r;
  }

  // Check the settings on an instance before rendering anything.
  if (!host.CreateEffect(error))
    return Fail(error);
  if (settings.hasPreset) {
    const std::string ours = PresetClassIdText(host.ClassId());
    if (settings.preset.classId != ours)
      return Fail(o.presetIn + ": a preset of another plug-in (class " + settings.preset.classId + ", not " + ours +
                  ")");
  }
  if (!PrepareInstance(host, o, settings, 48000.0, 2, 64, error) || !Settle(host, error))
    return Fail(error);
  host.Stop();

  if (withSettings) {
    if (o.list)
      PrintParameterList(host);
    if (!render && !SaveState(host, o, error))
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
  return render ? Render(host, o, settings, jobs) : 0;
}

} // namespace

int main(int argc, char** argv)
{
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    return Fail(e.what());
  } catch (...) {
    return Fail("unexpected error");
  }
}
