#pragma once
// The user's settings applied to instances: a state file, a preset file, --set values and
// the host bypass, in that order.

#include "Options.h"
#include "VstHost.h"
#include "VstPresetFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The contents of the state and preset files, read and checked once.
struct Settings
{
  std::vector<uint8_t> state;
  bool hasPreset = false;
  VstPresetContents preset;
};

// Applies the settings to a started instance: state, preset, then --set and --bypass as
// the first block's parameter changes (so they reach the processor as a host's
// automation would).
bool ApplySettings(VstHost& host, const Options& o, const Settings& s, std::string& error);

// Replaces the host's instance with a fresh one that has the settings, started at `rate`
// on `channels` buses with `precision`-bit samples.
bool PrepareInstance(VstHost& host, const Options& o, const Settings& s, double rate, int channels, int precision,
                     std::string& error);

// Runs one short block of silence so queued settings, the channel link and a selected
// program reach the processor and the controller.
bool Settle(VstHost& host, std::string& error);

// The settings in a few words, for the plot: "state a.state, HGAINL=3, bypass".
std::string SettingsSummary(const Options& o);
