#pragma once
// Parameters on the command line: NAME=VALUE resolved the way a host sees the plug-in
// (title, short title or numeric id; plain values with or without the unit, or the text
// the plug-in shows for a list entry), and the parameter table of --list.

#include "VstHost.h"

#include <string>

struct ResolvedSetting
{
  Steinberg::Vst::ParamID id = 0;
  double normalized = 0.0;
};

// Resolves one setting. False with a one-line `error`: an unknown name lists the valid
// names, a value outside the range gives the range, a value that is neither a number nor
// one of a list's entries gives what would be accepted.
bool ResolveSetting(const VstHost& host, const std::string& name, const std::string& value,
                    ResolvedSetting& out, std::string& error);

// Prints every host parameter: id, short title, title, unit, default and current value
// as the plug-in displays them.
void PrintParameterList(const VstHost& host);

// A parameter ID as a number, or as its four characters for IDs such as 'bpas'.
std::string IdText(Steinberg::Vst::ParamID id);
