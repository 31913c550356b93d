// tesk-lv2-ttl OUTDIR DSP_BINARY UI_BINARY
// Writes the LV2 bundle's data files into OUTDIR: manifest.ttl, the plug-in's and the
// UI's files from the parameter table, so the LV2 edition's symbols, ranges, defaults,
// units and value names are those of every other edition, and presets.ttl from the
// factory presets' data file.
// Run by the build; exits non-zero (with a message) when a file cannot be written.

#include <cstdio>
#include <set>
#include <string>

#include "dsp/TeskChain.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskLV2.h"
#include "effect/TeskParameterTable.h"
#include "effect/TeskPresetData.h"
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

// A preset's URI name: its name in lower case, runs of other characters as one '-'
// ("Vocal Presence" -> "vocal-presence"). Names change seldom; the URIs sessions keep then
// still find the preset when presets are added or reordered.
std::string Slug(const std::string& name)
{
  std::string out;
  for (char c : name)
  {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum)
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    else if (!out.empty() && out.back() != '-')
      out += '-';
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

// The factory presets as the effect makes them (TeskFactoryPresets): every parameter at
// its default, then the preset's settings by code, limited to the parameter's range.
// False (with a message) when a preset names a code the table lacks or two presets would
// share a URI.
bool AddPresets(LV2Turtle::Plugin& d)
{
  std::set<std::string> uris;
  for (const TeskPresetSpec& spec : TeskPresetData::Factory())
  {
    LV2Turtle::Preset preset;
    preset.uri = std::string(TeskLV2::kPresetURIPrefix) + Slug(spec.name);
    preset.label = spec.name;
    preset.comment = spec.about;
    for (const TeskParams::Param& p : TeskParams::kTable) preset.values.push_back(p.def);
    for (const TeskPresetSetting& setting : spec.settings)
    {
      int id = -1;
      for (const TeskParams::Param& p : TeskParams::kTable)
        if (setting.code == p.code) id = p.id;
      if (id < 0)
      {
        std::fprintf(stderr, "tesk-lv2-ttl: preset \"%s\" names no parameter %s\n", spec.name.c_str(),
                     setting.code.c_str());
        return false;
      }
      const TeskParams::Param& p = TeskParams::kTable[id];
      preset.values[static_cast<size_t>(id)] = setting.value < p.min ? p.min : setting.value > p.max ? p.max : setting.value;
    }
    if (!uris.insert(preset.uri).second)
    {
      std::fprintf(stderr, "tesk-lv2-ttl: two presets would be %s\n", preset.uri.c_str());
      return false;
    }
    d.presets.push_back(preset);
  }
  if (!d.presets.empty()) d.presetsFile = TeskLV2::kPresetsFile;
  return true;
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
  LV2Turtle::Plugin d = Describe(argv[2], argv[3]);
  if (TeskPresetData::Factory().empty() || !AddPresets(d))
  {
    std::fprintf(stderr, "tesk-lv2-ttl: the factory presets cannot be read\n");
    return 1;
  }
  const struct
  {
    std::string name, text;
  } files[] = {
      {"manifest.ttl", LV2Turtle::Manifest(d)},
      {TeskLV2::kPluginFile, LV2Turtle::PluginData(d)},
      {TeskLV2::kUIFile, LV2Turtle::UIData(d)},
      {TeskLV2::kPresetsFile, LV2Turtle::Presets(d)},
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
