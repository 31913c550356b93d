#pragma once
// Opens the built Tesk.vst3 through its entry points (path from TESK_BUNDLE_PATH) and
// renders test signals through it.

#include "VstHost.h"

#include <memory>
#include <vector>

namespace tesk_test {

using Planar = std::vector<std::vector<double>>;

// Loaded, initialised, buses set, processing started. Null (with a test failure) on error.
std::unique_ptr<VstHost> OpenTesk(int channels = 2, double sampleRate = 48000.0, int maxBlock = 512,
                                  int precision = 64);

// Deterministic test programme: a few sines plus noise and a click, different per channel,
// peaking below full scale. `level` scales it.
Planar TestSignal(int channels, long frames, double sampleRate = 48000.0, double level = 0.5);

// Runs `in` through the host in blocks of `block` frames (64-bit or 32-bit, as the host was
// started). 32-bit: the input is rounded to float and the output widened back.
Planar Render(VstHost& host, const Planar& in, int block, int precision = 64);

// Sends one parameter change (plain value, converted by the plug-in) with the next block.
void SetPlain(VstHost& host, unsigned id, double plain);

} // namespace tesk_test
