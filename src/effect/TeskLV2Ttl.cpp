// tesk-lv2-ttl OUTDIR DSP_BINARY UI_BINARY
// Writes the LV2 bundle's data files into OUTDIR: manifest.ttl, the plug-in's and the
// UI's files and the factory presets, all from the parameter table, so the LV2 edition's
// symbols, ranges, defaults, units and value names are those of every other edition.
// Run by the build; exits non-zero (with a message) when a file cannot be written.

#include <cstdio>
#include <string>

#include "dsp/TeskChain.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskLV2.h"
#include "effect/TeskParameterTable.h"
#include "lv2/LV2Turtle.h"

namespace {

LV2Turtle::ControlPort PortOf(const TeskParams::Param& p)
{
  LV2Turtle::ControlPort c;
  c.symbol = p.code;
  c.name = p.title;
  c.def = p.def;
  c.min = p.min;
  c.max = p.max;
  if (std::string(p.unit) == "dB") c.unit = "db";
  if (p.kind != TeskParams::Kind::Continuous)
  {
    c.integer = true;
    c.toggled = p.kind == TeskParams::Kind::Toggle;
    c.enumeration = p.kind == TeskParams::Kind::List;
    for (int k = 0; k < p.numStrings; ++k) c.points.push_back({static_cast<double>(k), p.strings[k]});
  }
  return c;
}

LV2Turtle::Plugin Describe(const std::string& dspBinary, const std::string& uiBinary)
{
  LV2Turtle::Plugin d;
  d.uri = TeskLV2::kPluginURI;
  d.name = "Tesk";
  d.classes = "lv2:EQPlugin";
  d.maintainer = "Quillfen";
  d.homepage = TeskEditorLayout::kProductURL;
  d.email = "support@quillfen.example";
  // Version 3.0.0: LV2 versions are minor.micro of one major line.
  d.minorVersion = 0;
  d.microVersion = 0;
  d.dspBinary = dspBinary;
  d.pluginFile = TeskLV2::kPluginFile;
  d.uiURI = TeskLV2::kUIURI;
  d.uiBinary = uiBinary;
  d.uiFile = TeskLV2::kUIFile;
  d.nIn = 2;
  d.nOut = 2;
  for (const TeskParams::Param& p : TeskParams::kTable) d.params.push_back(PortOf(p));
  d.maxLatency = TeskChain::LatencySamples(1);
  return d;
}

bool WriteFile(const std::string& path, const std::string& text)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 4)
  {
    std::fprintf(stderr, "usage: tesk-lv2-ttl OUTDIR DSP_BINARY UI_BINARY\n");
    return 2;
  }
  const std::string dir = argv[1];
  const LV2Turtle::Plugin d = Describe(argv[2], argv[3]);
  const struct
  {
    std::string name, text;
  } files[] = {
      {"manifest.ttl", LV2Turtle::Manifest(d)},
      {TeskLV2::kPluginFile, LV2Turtle::PluginData(d)},
      {TeskLV2::kUIFile, LV2Turtle::UIData(d)},
  };
  for (const auto& f : files)
  {
    if (!WriteFile(dir + "/" + f.name, f.text))
    {
      std::fprintf(stderr, "tesk-lv2-ttl: cannot write %s/%s\n", dir.c_str(), f.name.c_str());
      return 1;
    }
  }
  return 0;
}
