#pragma once
// tesk-render's command line.

#include <string>
#include <utility>
#include <vector>

struct Options
{
  // Plug-in and settings, applied in this order: state, preset, --set, bypass.
  std::string plugin;
  std::string stateIn;
  std::string presetIn;
  std::vector<std::pair<std::string, std::string>> sets; // NAME, VALUE
  bool bypass = false;

  // Rendering.
  std::vector<std::string> files; // INPUT OUTPUT, or INPUT... with outDir
  std::string outDir;
  bool force = false;
  bool quiet = false;
  int block = 512;
  int precision = 64;
  std::string format;
  long bench = 0;

  // What to do with the settings.
  std::string stateOut;
  std::string presetOut;
  bool list = false;
  bool info = false;
  std::string screenshot;
  int screenshotPercent = 100;  // --scale, as a percentage
  std::string plot;
  std::string plotData;
  int plotScale = 1;
  std::string exportPresets;

  // Helpers that need no plug-in.
  std::string makeDemo;
  std::vector<std::string> levels;
};

extern const char* const kUsage;

enum class ParseResult
{
  kRun,
  kHelp,  // --help: print kUsage and exit 0
  kError  // `error` says what is wrong: print it with kUsage and exit 2
};

ParseResult ParseOptions(int argc, char** argv, Options& o, std::string& error);
