#include "ProcessAudio.h"

#include <time.h>

#include <algorithm>

namespace {

// CPU time consumed by the calling thread, in nanoseconds.
double ThreadCpuNanoseconds()
{
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

} // namespace

bool ProcessAudio(VstHost& host, const Planar& in, Planar* out, int block, int precision, double& cpuNanoseconds,
                  const std::function<void(long)>& afterBlock, std::string& error)
{
  const int ch = static_cast<int>(in.size());
  if (ch < 1 || ch > 2 || ch != host.Channels() || block < 1) {
    error = "internal error: the audio does not match the plug-in's buses";
    return false;
  }
  const long frames = static_cast<long>(in[0].size());
  if (out)
    out->assign(static_cast<size_t>(ch), std::vector<double>(static_cast<size_t>(frames)));
  std::vector<std::vector<double>> in64(ch), out64(ch, std::vector<double>(static_cast<size_t>(block)));
  std::vector<std::vector<float>> in32(ch), out32(ch);
  if (precision == 32)
    for (int c = 0; c < ch; ++c) {
      in32[c].resize(static_cast<size_t>(block));
      out32[c].resize(static_cast<size_t>(block));
    }
  double* inPtr64[2] = {nullptr, nullptr};
  double* outPtr64[2] = {nullptr, nullptr};
  float* inPtr32[2] = {nullptr, nullptr};
  float* outPtr32[2] = {nullptr, nullptr};
  // An empty signal still makes one call, as a host would with an empty block.
  for (long pos = 0; pos < frames || (frames == 0 && pos == 0); pos += block) {
    const int n = static_cast<int>(std::min<long>(block, frames - pos));
    Steinberg::tresult r;
    if (precision == 64) {
      for (int c = 0; c < ch; ++c) {
        inPtr64[c] = const_cast<double*>(in[c].data()) + pos;
        outPtr64[c] = out64[c].data();
      }
      const double t0 = ThreadCpuNanoseconds();
      r = host.Process64(inPtr64, outPtr64, n);
      cpuNanoseconds += ThreadCpuNanoseconds() - t0;
    } else {
      for (int c = 0; c < ch; ++c) {
        for (int i = 0; i < n; ++i)
          in32[c][static_cast<size_t>(i)] = static_cast<float>(in[c][static_cast<size_t>(pos + i)]);
        inPtr32[c] = in32[c].data();
        outPtr32[c] = out32[c].data();
      }
      const double t0 = ThreadCpuNanoseconds();
      r = host.Process32(inPtr32, outPtr32, n);
      cpuNanoseconds += ThreadCpuNanoseconds() - t0;
    }
    if (r != Steinberg::kResultOk) {
      error = "the plug-in failed to process a block";
      return false;
    }
    if (out)
      for (int c = 0; c < ch; ++c)
        for (int i = 0; i < n; ++i)
          (*out)[c][static_cast<size_t>(pos + i)] =
              precision == 64 ? out64[c][static_cast<size_t>(i)] : static_cast<double>(out32[c][static_cast<size_t>(i)]);
    if (afterBlock)
      afterBlock(pos + n);
    if (frames == 0)
      break;
  }
  return true;
}
