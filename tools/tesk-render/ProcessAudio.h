#pragma once
// Runs whole signals through a started VstHost instance block by block.

#include "VstHost.h"

#include <functional>
#include <string>
#include <vector>

using Planar = std::vector<std::vector<double>>; // one vector of samples per channel

// Processes `in` (as many channels as the host's buses, equal lengths) in blocks of at
// most `block` frames at the precision given to VstHost::Start (32 or 64). With `out`
// non-null the result is stored there (resized to match). Adds the CPU time the calling
// thread spent inside process to `cpuNanoseconds`; calls `afterBlock(framesDone)` after
// each block when given. False with `error` when the plug-in fails a block.
bool ProcessAudio(VstHost& host, const Planar& in, Planar* out, int block, int precision, double& cpuNanoseconds,
                  const std::function<void(long)>& afterBlock, std::string& error);
