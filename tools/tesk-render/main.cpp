// tesk-render: renders audio files through a VST 3 effect, the way a host does.
// Errors are one line on stderr and exit status 1; usage errors exit with status 2.

#include "AudioFile.h"
#include "DemoSignal.h"
#include "VstHost.h"
#include "vst3/IEditorSnapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParameterInfo;

namespace {

const char* kUsage =
    "usage: tesk-render [options] INPUT OUTPUT\n"
    "  --plugin PATH          the .vst3 bundle (default: the one built beside the tool,\n"
    "                         else ~/.vst3/Tesk.vst3)\n"
    "  --set NAME=VALUE       parameter by host title or numeric id, in plain units\n"
    "  --bypass               host bypass on\n"
    "  --state FILE           restore the plug-in state from FILE before processing\n"
    "  --save-state FILE      save the plug-in state to FILE after processing\n"
    "  --block N              block size (default 512)\n"
    "  --precision 32|64      sample size (default 64)\n"
    "  --format f64|f32|s24|s16   output format (default: the input's)\n"
    "  --bench K              process the input K times, write nothing, print the speed\n"
    "                         (CPU time of the processing thread, so other load does not count)\n"
    "  --screenshot FILE.png  draw the plug-in's editor (after --state and --set) into a PNG\n"
    "  --list                 print every host parameter\n"
    "  --info                 print factory and class information\n";

struct Options
{
  std::string plugin;
  std::vector<std::pair<std::string, std::string>> sets;
  bool bypass = false;
  std::string stateIn;
  std::string stateOut;
  int block = 512;
  int precision = 64;
  std::string format;
  long bench = 0;
  bool list = false;
  bool info = false;
  std::string screenshot;
  std::string makeDemo; // hidden: writes the demo input and exits
  std::vector<std::string> levels; // hidden: prints peak and RMS per channel of files
  std::vector<std::string> files;
};

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

bool ParseLong(const char* s, long lo, long hi, long& out)
{
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || errno || v < lo || v > hi)
    return false;
  out = v;
  return true;
}

bool FileExists(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0;
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

bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes)
{
  std::ifstream f(path, std::ios::binary);
  if (!f)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f)
    return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

std::string Ascii(const Steinberg::Vst::TChar* s)
{
  std::string out;
  for (int i = 0; i < 128 && s[i]; ++i)
    out += s[i] < 128 ? static_cast<char>(s[i]) : '?';
  return out;
}

// Applies --state, --set and --bypass to a created instance. With `queue` the values go
// into the first block's queues; otherwise only to the controller (for --list).
bool ApplySettings(VstHost& host, const Options& o, bool queue, std::string& error)
{
  if (!o.stateIn.empty()) {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(o.stateIn, bytes)) {
      error = "cannot read state file " + o.stateIn;
      return false;
    }
    if (!host.SetState(bytes, error)) {
      error += ": " + o.stateIn;
      return false;
    }
  }
  for (const auto& s : o.sets) {
    ParamID id = 0;
    if (!host.FindParam(s.first, id)) {
      error = "unknown parameter: " + s.first;
      return false;
    }
    char* end = nullptr;
    double plain = std::strtod(s.second.c_str(), &end);
    if (s.second.empty() || *end || !std::isfinite(plain)) {
      error = "bad value for " + s.first + ": " + s.second;
      return false;
    }
    double normalized = host.PlainToNormalized(id, plain);
    if (queue)
      host.QueueChange(id, normalized);
    else
      host.Controller()->setParamNormalized(id, normalized);
  }
  if (o.bypass) {
    ParamID id = 0;
    if (!host.FindBypass(id)) {
      error = "the plug-in has no bypass parameter";
      return false;
    }
    if (queue)
      host.QueueChange(id, 1.0);
    else
      host.Controller()->setParamNormalized(id, 1.0);
  }
  return true;
}

std::string FormatNumber(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// A parameter ID as a number, or as its four characters for IDs such as 'bpas'.
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

int ListParameters(VstHost& host)
{
  std::printf("%6s  %-10s  %-5s  %8s  %s\n", "id", "title", "units", "default", "display");
  int n = host.ParamCount();
  for (int i = 0; i < n; ++i) {
    ParameterInfo info;
    if (!host.ParamInfoAt(i, info))
      continue;
    double def = host.NormalizedToPlain(info.id, info.defaultNormalizedValue);
    std::string display = host.DisplayText(info.id, host.CurrentNormalized(info.id));
    if (display.empty()) // the plug-in gives no text: show the plain value
      display = FormatNumber(host.NormalizedToPlain(info.id, host.CurrentNormalized(info.id)));
    std::printf("%6s  %-10s  %-5s  %8g  %s\n", IdText(info.id).c_str(), Ascii(info.title).c_str(),
                Ascii(info.units).c_str(), def, display.c_str());
  }
  return 0;
}

// CPU time consumed by the calling thread, in nanoseconds.
double ThreadCpuNanoseconds()
{
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// Runs `audio` through the instance block by block. With `out` non-null the result is
// stored there; adds the CPU nanoseconds spent inside process to `nanoseconds`.
bool RunBlocks(VstHost& host, const AudioData& in, AudioData* out, int block, int precision,
               const std::vector<std::vector<float>>& in32, double& nanoseconds, std::string& error)
{
  const int ch = in.Channels();
  const long frames = in.Frames();
  std::vector<std::vector<double>> out64(ch, std::vector<double>(precision == 64 ? block : 0));
  std::vector<std::vector<float>> out32(ch, std::vector<float>(precision == 32 ? block : 0));
  double* inPtr64[2] = {nullptr, nullptr};
  double* outPtr64[2] = {nullptr, nullptr};
  float* inPtr32[2] = {nullptr, nullptr};
  float* outPtr32[2] = {nullptr, nullptr};
  for (long pos = 0; pos < frames || (frames == 0 && pos == 0); pos += block) {
    int n = static_cast<int>(std::min<long>(block, frames - pos));
    Steinberg::tresult r;
    const double t0 = ThreadCpuNanoseconds();
    if (precision == 64) {
      for (int c = 0; c < ch; ++c) {
        inPtr64[c] = const_cast<double*>(in.channels[c].data()) + pos;
        outPtr64[c] = out64[c].data();
      }
      r = host.Process64(inPtr64, outPtr64, n);
    } else {
      for (int c = 0; c < ch; ++c) {
        inPtr32[c] = const_cast<float*>(in32[c].data()) + pos;
        outPtr32[c] = out32[c].data();
      }
      r = host.Process32(inPtr32, outPtr32, n);
    }
    nanoseconds += ThreadCpuNanoseconds() - t0;
    if (r != Steinberg::kResultOk) {
      error = "the plug-in failed to process a block";
      return false;
    }
    if (out)
      for (int c = 0; c < ch; ++c)
        for (int i = 0; i < n; ++i)
          out->channels[c][pos + i] = precision == 64 ? out64[c][i] : static_cast<double>(out32[c][i]);
    if (frames == 0)
      break;
  }
  return true;
}

// Applies the settings through one processed block of silence (so the editor shows them,
// channel link included) and has the plug-in draw its editor into a PNG file.
int Screenshot(VstHost& host, const Options& o)
{
  std::string error;
  if (!host.SetChannels(2, error) || !host.Start(48000.0, o.block, 64, error))
    return Fail(error);
  if (!ApplySettings(host, o, true, error))
    return Fail(error);
  std::vector<double> silence(static_cast<size_t>(std::min(o.block, 64)), 0.0), out0(silence), out1(silence);
  double* in[2] = {silence.data(), silence.data()};
  double* out[2] = {out0.data(), out1.data()};
  if (host.Process64(in, out, static_cast<int>(silence.size())) != Steinberg::kResultOk)
    return Fail("the plug-in failed to process a block");
  host.Stop();

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

int Main(int argc, char** argv)
{
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc)
        return nullptr;
      (void)what;
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--plugin" || a == "--state" || a == "--save-state" || a == "--format" ||
               a == "--make-demo" || a == "--levels" || a == "--screenshot" || a == "--set" || a == "--block" || a == "--precision" || a == "--bench") {
      const char* v = value(a.c_str());
      if (!v)
        return UsageError(a + " needs a value");
      long n = 0;
      if (a == "--plugin")
        o.plugin = v;
      else if (a == "--state")
        o.stateIn = v;
      else if (a == "--save-state")
        o.stateOut = v;
      else if (a == "--make-demo")
        o.makeDemo = v;
      else if (a == "--screenshot")
        o.screenshot = v;
      else if (a == "--levels")
        o.levels.push_back(v);
      else if (a == "--format") {
        o.format = v;
        if (o.format != "f64" && o.format != "f32" && o.format != "s24" && o.format != "s16")
          return UsageError("unknown output format: " + o.format + " (use f64, f32, s24 or s16)");
      } else if (a == "--set") {
        std::string s = v;
        size_t eq = s.find('=');
        if (eq == std::string::npos || eq == 0)
          return UsageError("--set needs NAME=VALUE, got " + s);
        o.sets.emplace_back(s.substr(0, eq), s.substr(eq + 1));
      } else if (a == "--block") {
        if (!ParseLong(v, 1, 1 << 20, n))
          return UsageError(std::string("bad block size: ") + v);
        o.block = static_cast<int>(n);
      } else if (a == "--precision") {
        if (!ParseLong(v, 32, 64, n) || (n != 32 && n != 64))
          return UsageError(std::string("precision must be 32 or 64, got ") + v);
        o.precision = static_cast<int>(n);
      } else {
        if (!ParseLong(v, 1, 1000000, n))
          return UsageError(std::string("bad --bench count: ") + v);
        o.bench = n;
      }
    } else if (a == "--bypass") {
      o.bypass = true;
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "--info") {
      o.info = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option: " + a);
    } else {
      o.files.push_back(a);
    }
  }

  std::string error;
  if (!o.makeDemo.empty()) {
    AudioData demo;
    MakeDemoSignal(demo);
    if (!WriteAudioFile(o.makeDemo, demo, o.format, error))
      return Fail(error);
    return 0;
  }

  if (!o.levels.empty()) {
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

  const bool render = !o.list && !o.info && o.screenshot.empty();
  if (render) {
    if (o.files.size() != (o.bench ? 1u : 2u) && !(o.bench && o.files.size() == 2))
      return UsageError(o.bench ? "expected INPUT" : "expected INPUT and OUTPUT");
  }

  AudioData input;
  if (render) {
    if (!o.bench && SameFile(o.files[0], o.files[1]))
      return Fail("OUTPUT is the same file as INPUT: " + o.files[1]);
    if (!FileExists(o.files[0]))
      return Fail("no such file: " + o.files[0]);
    if (!ReadAudioFile(o.files[0], input, error))
      return Fail(error);
    if (input.Channels() != 1 && input.Channels() != 2)
      return Fail("unsupported channel count: " + std::to_string(input.Channels()) + " in " + o.files[0] +
                  " (only mono and stereo)");
  }

  VstHost host;
  if (!host.Load(o.plugin.empty() ? DefaultPlugin() : o.plugin, error))
    return Fail(error);
  if (o.info) {
    std::fputs(host.Describe().c_str(), stdout);
    if (!o.list)
      return 0;
  }
  if (!host.CreateEffect(error))
    return Fail(error);
  if (o.list) {
    if (!ApplySettings(host, o, false, error))
      return Fail(error);
    return ListParameters(host);
  }

  if (!o.screenshot.empty())
    return Screenshot(host, o);

  if (!host.SetChannels(input.Channels(), error))
    return Fail(error);
  if (!host.Start(input.sampleRate, o.block, o.precision, error))
    return Fail(error);
  // State is restored after setupProcessing, which would otherwise clear a restored bypass.
  if (!ApplySettings(host, o, true, error))
    return Fail(error);

  std::vector<std::vector<float>> in32;
  if (o.precision == 32)
    for (const auto& c : input.channels)
      in32.emplace_back(c.begin(), c.end());

  double ns = 0.0;
  if (o.bench) {
    for (long k = 0; k < o.bench; ++k)
      if (!RunBlocks(host, input, nullptr, o.block, o.precision, in32, ns, error))
        return Fail(error);
    const double frames = static_cast<double>(input.Frames()) * static_cast<double>(o.bench);
    const double perFrame = frames > 0 ? ns / frames : 0.0;
    const double realTime = ns > 0 ? (frames / input.sampleRate) / (ns * 1e-9) : 0.0;
    std::printf("%.1f ns per frame, %.1fx real time\n", perFrame, realTime);
  } else {
    AudioData output;
    output.sampleRate = input.sampleRate;
    output.format = input.format;
    output.channels.assign(input.Channels(), std::vector<double>(static_cast<size_t>(input.Frames())));
    if (!RunBlocks(host, input, &output, o.block, o.precision, in32, ns, error))
      return Fail(error);
    if (!WriteAudioFile(o.files[1], output, o.format, error))
      return Fail(error);
  }
  host.Stop();

  if (!o.stateOut.empty()) {
    std::vector<uint8_t> bytes;
    if (!host.GetState(bytes, error))
      return Fail(error);
    if (!WriteBytes(o.stateOut, bytes))
      return Fail("cannot write state file " + o.stateOut);
  }
  return 0;
}

} // namespace

int main(int argc, char** argv)
{
  return Main(argc, argv);
}
