#pragma once
// Rendering files: INPUT OUTPUT, a batch of INPUT... --out-dir DIR, or --bench.

#include "AudioFile.h"
#include "Options.h"
#include "Settings.h"
#include "VstHost.h"

#include <string>
#include <vector>

struct RenderJob
{
  std::string input, output; // no output for --bench
  AudioFileInfo info;
};

// Checks every input (exists, readable, mono or stereo) and output (never an input, one
// input per output, in a batch not an existing file without --force, a format the output
// can hold) before anything is rendered.
bool PlanRenderJobs(const Options& o, std::vector<RenderJob>& jobs, std::string& error);

// Renders every job through a fresh instance with the settings (a mono input feeds both
// channels; the output is stereo), with a progress bar on a terminal, then saves the
// state files of the last instance when asked. --bench prints the speed instead.
bool RenderJobs(VstHost& host, const Options& o, const Settings& s, const std::vector<RenderJob>& jobs,
                std::string& error);
