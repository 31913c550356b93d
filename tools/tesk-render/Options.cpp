#include "Options.h"

#include <cerrno>
#include <cstdlib>

const char* const kUsage =
    "usage: tesk-render [settings] [options] INPUT OUTPUT\n"
    "       tesk-render [settings] [options] INPUT... --out-dir DIR\n"
    "       tesk-render [settings] --plot FILE.png | --list | --save-preset FILE | ...\n"
    "\n"
    "Renders audio files through a VST 3 effect loaded as a host loads it, measures it\n"
    "and manages its presets.\n"
    "\n"
    "Settings (applied in this order)\n"
    "  --plugin PATH            the .vst3 bundle (default: the one built beside the tool,\n"
    "                           else ~/.vst3/Tesk.vst3)\n"
    "  --state FILE             restore a state saved with --save-state\n"
    "  --preset FILE.vstpreset  restore a VST 3 preset file\n"
    "  --set NAME=VALUE         a parameter by title, short title or numeric id; VALUE is a\n"
    "                           plain value with or without its unit (-3, -3dB) or a list\n"
    "                           entry's text (\"15 kHz\"); see --list (repeatable)\n"
    "  --bypass                 host bypass on\n"
    "\n"
    "Rendering\n"
    "  INPUT OUTPUT             render one file; OUTPUT is replaced, never an INPUT\n"
    "  INPUT... --out-dir DIR   render each INPUT to DIR with the same file name; refuses\n"
    "                           to write over an input or over an existing file\n"
    "  --force                  with --out-dir: replace existing outputs\n"
    "  --format f64|f32|s24|s16 output sample format (default: the input's); the file type\n"
    "                           follows OUTPUT's extension\n"
    "  --block N                block size in frames (default 512)\n"
    "  --precision 32|64        sample size the plug-in processes (default 64)\n"
    "  --quiet                  no progress bar (it shows on a terminal for renders that\n"
    "                           take more than a second)\n"
    "  --bench K                process INPUT K times, write nothing and print the speed\n"
    "                           (CPU time of the processing thread)\n"
    "  Inputs: any file libsndfile reads (WAV, FLAC, AIFF, Ogg, ...). A mono input feeds\n"
    "  both channels and gives a stereo output; more than two channels is an error.\n"
    "\n"
    "With the settings (no INPUT needed)\n"
    "  --list                   print every parameter: id, short title, title, unit,\n"
    "                           default and current value as the host shows them\n"
    "  --info                   print factory and class information\n"
    "  --save-state FILE        save the plug-in state (after rendering, if any)\n"
    "  --save-preset FILE       save a .vstpreset file (component and controller state)\n"
    "  --screenshot FILE.png    draw the plug-in's editor into a PNG\n"
    "  --scale 1|1.5|2          with --screenshot: the editor's scale (default 1)\n"
    "  --plot FILE.png          measure the plug-in: magnitude response of both channels\n"
    "                           (impulse at -40 dBFS, 48 kHz) and the spectrum of a 1 kHz\n"
    "                           sine at -12 dBFS with its harmonics and THD+N\n"
    "  --plot-scale N           the plot's pixel scale, 1 to 4 (default 1: 1200 x 800)\n"
    "  --plot-data FILE         the plot's numbers as text (also without --plot)\n"
    "  --export-presets DIR     write every program of the plug-in's list except \"-\" as\n"
    "                           DIR/NAME.vstpreset\n"
    "\n"
    "Helpers (no plug-in)\n"
    "  --make-demo FILE         write the 6 s stereo demo input that scripts/run renders\n"
    "  --levels FILE            print peak and RMS level per channel (repeatable)\n"
    "  --help                   this text\n"
    "\n"
    "Errors are one line on standard error with exit status 1 (2 for usage errors); after\n"
    "an error in the settings or the inputs nothing is written.\n";

namespace {

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

} // namespace

ParseResult ParseOptions(int argc, char** argv, Options& o, std::string& error)
{
  auto fail = [&](const std::string& what) {
    error = what;
    return ParseResult::kError;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h")
      return ParseResult::kHelp;
    if (a == "--bypass") {
      o.bypass = true;
      continue;
    }
    if (a == "--list") {
      o.list = true;
      continue;
    }
    if (a == "--info") {
      o.info = true;
      continue;
    }
    if (a == "--force") {
      o.force = true;
      continue;
    }
    if (a == "--quiet" || a == "-q") {
      o.quiet = true;
      continue;
    }
    if (a == "--") {
      for (++i; i < argc; ++i)
        o.files.push_back(argv[i]);
      break;
    }
    if (a.size() < 2 || a[0] != '-') {
      o.files.push_back(a);
      continue;
    }

    // Options with a value.
    std::string* text = nullptr;
    if (a == "--plugin")
      text = &o.plugin;
    else if (a == "--state")
      text = &o.stateIn;
    else if (a == "--preset")
      text = &o.presetIn;
    else if (a == "--save-state")
      text = &o.stateOut;
    else if (a == "--save-preset")
      text = &o.presetOut;
    else if (a == "--out-dir")
      text = &o.outDir;
    else if (a == "--screenshot")
      text = &o.screenshot;
    else if (a == "--plot")
      text = &o.plot;
    else if (a == "--plot-data")
      text = &o.plotData;
    else if (a == "--export-presets")
      text = &o.exportPresets;
    else if (a == "--make-demo")
      text = &o.makeDemo;
    else if (a != "--format" && a != "--set" && a != "--block" && a != "--precision" && a != "--bench" &&
             a != "--plot-scale" && a != "--scale" && a != "--levels")
      return fail("unknown option: " + a);
    if (i + 1 >= argc)
      return fail(a + " needs a value");
    const char* v = argv[++i];
    if (text) {
      if (!*v)
        return fail(a + " needs a value");
      *text = v;
      continue;
    }
    long n = 0;
    if (a == "--format") {
      o.format = v;
      if (o.format != "f64" && o.format != "f32" && o.format != "s24" && o.format != "s16")
        return fail("unknown output format: " + o.format + " (use f64, f32, s24 or s16)");
    } else if (a == "--set") {
      const std::string s = v;
      const size_t eq = s.find('=');
      if (eq == std::string::npos || eq == 0)
        return fail("--set needs NAME=VALUE, got " + s);
      o.sets.emplace_back(s.substr(0, eq), s.substr(eq + 1));
    } else if (a == "--block") {
      if (!ParseLong(v, 1, 1 << 20, n))
        return fail(std::string("bad block size: ") + v + " (1 to 1048576)");
      o.block = static_cast<int>(n);
    } else if (a == "--precision") {
      if (!ParseLong(v, 32, 64, n) || (n != 32 && n != 64))
        return fail(std::string("precision must be 32 or 64, got ") + v);
      o.precision = static_cast<int>(n);
    } else if (a == "--bench") {
      if (!ParseLong(v, 1, 1000000, n))
        return fail(std::string("bad --bench count: ") + v);
      o.bench = n;
    } else if (a == "--plot-scale") {
      if (!ParseLong(v, 1, 4, n))
        return fail(std::string("--plot-scale must be 1 to 4, got ") + v);
      o.plotScale = static_cast<int>(n);
    } else if (a == "--scale") {
      const std::string s = v;
      if (s == "1" || s == "1.0")
        o.screenshotPercent = 100;
      else if (s == "1.5")
        o.screenshotPercent = 150;
      else if (s == "2" || s == "2.0")
        o.screenshotPercent = 200;
      else
        return fail("--scale must be 1, 1.5 or 2, got " + s);
    } else { // --levels
      o.levels.push_back(v);
    }
  }
  if (o.screenshotPercent != 100 && o.screenshot.empty())
    return fail("--scale goes with --screenshot");
  return ParseResult::kRun;
}
