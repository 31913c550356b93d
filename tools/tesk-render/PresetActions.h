#pragma once
// Saving an instance's state as a state file or a .vstpreset, and writing a plug-in's
// whole program list as .vstpreset files.

#include "Options.h"
#include "VstHost.h"

#include <string>

// --save-state and --save-preset for the host's instance, when given.
bool SaveStateFiles(VstHost& host, const Options& o, std::string& error);

// Writes every program of the plug-in's list except "-" as DIR/NAME.vstpreset (NAME with
// '/' and other awkward characters as '-'), each selected through the program-change
// parameter as a host does, with its description as the comment when the compiled-in
// factory data has one. Prints each path unless quiet.
bool ExportPresets(VstHost& host, const std::string& dir, bool quiet, std::string& error);
