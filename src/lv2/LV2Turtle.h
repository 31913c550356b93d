#pragma once

#include <string>
#include <vector>

// The data files of an LV2 bundle, written from a description of the plug-in: the
// manifest, the plug-in's file (ports in LV2Ports order), the UI's file and the presets
// file. Pure functions of the description: the same description always gives the same
// bytes. Numbers are written locale-independently, as the shortest text that reads back
// to the same double.
namespace LV2Turtle {

struct ScalePoint
{
  double value;
  std::string label;
};

// One parameter's control input.
struct ControlPort
{
  std::string symbol;  // a C identifier, stable forever
  std::string name;
  double def = 0.0, min = 0.0, max = 1.0;
  bool integer = false;      // lv2:integer
  bool toggled = false;      // lv2:toggled (0 off, 1 on)
  bool enumeration = false;  // lv2:enumeration (only the scale points are values)
  std::string unit;          // a units: name ("db"), or "" for none
  std::vector<ScalePoint> points;
};

struct Preset
{
  std::string uri;
  std::string label;
  std::string comment;  // "" for none
  // One value per parameter, in parameter order.
  std::vector<double> values;
};

struct Plugin
{
  std::string uri, name;
  std::string classes;        // extra plug-in classes, e.g. "lv2:EQPlugin"
  std::string maintainer, homepage, email;
  int minorVersion = 0, microVersion = 0;
  std::string dspBinary;      // file names inside the bundle
  std::string pluginFile;
  std::string uiURI, uiBinary, uiFile;
  std::string presetsFile;    // "" when there are no presets
  int nIn = 2, nOut = 2;
  std::vector<ControlPort> params;
  int maxLatency = 0;         // the latency port's maximum
  std::vector<Preset> presets;
};

std::string Manifest(const Plugin& p);
std::string PluginData(const Plugin& p);
std::string UIData(const Plugin& p);
std::string Presets(const Plugin& p);

// Turtle literals: a double as described above; a string quoted and escaped.
std::string Number(double v);
std::string Quoted(const std::string& s);

}  // namespace LV2Turtle
