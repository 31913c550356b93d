// Prints the click figure of every parameter change (see tests/dsp/support/ClickFigure.h):
// for each change the worst step ratio and peak ratio over 16 phases of a 1 kHz sine at
// -12 dBFS, and the phases where they occur. Rows above 1.5 (step) or 1.1 (peak) are marked.
//
//   dsp_clicks [sample rate in Hz, default 48000] [baseline]
// "baseline" holds the chain to its SSE2 code.

#include "../../tests/dsp/support/ClickFigure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
  double rate = 48000.0;
  bool wide = true;
  for (int i = 1; i < argc; ++i)
  {
    if (std::strcmp(argv[i], "baseline") == 0)
      wide = false;
    else if (std::atof(argv[i]) > 0.0)
      rate = std::atof(argv[i]);
    else
    {
      std::fprintf(stderr, "usage: %s [sample rate] [baseline]\n", argv[0]);
      return 2;
    }
  }
  std::printf("%-22s %8s %5s %8s %5s\n", "change", "step", "phase", "peak", "phase");
  double worstStep = 0.0, worstPeak = 0.0;
  for (const click_figure::Change& c : click_figure::AllChanges())
  {
    const click_figure::Figure f = click_figure::Measure(c, rate, wide);
    std::printf("%-22s %8.3f %5d %8.3f %5d%s\n", c.name.c_str(), f.step, f.stepPhase, f.peak,
                f.peakPhase, (f.step > 1.5 || f.peak > 1.1) ? "  <" : "");
    worstStep = std::max(worstStep, f.step);
    worstPeak = std::max(worstPeak, f.peak);
  }
  std::printf("%-22s %8.3f %5s %8.3f\n", "worst", worstStep, "", worstPeak);
  return 0;
}
