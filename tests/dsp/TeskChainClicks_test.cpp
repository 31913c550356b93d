// No change of any parameter clicks: see support/ClickFigure.h for the measure.

#include "support/ClickFigure.h"

#include <gtest/gtest.h>

namespace {

TEST(TeskChainClicks, NoChangeStepsOrOvershoots)
{
  // Around a change, the largest sample-to-sample step stays within 1.5 times the settled
  // one and the peak within 1.1 times the settled peak, at any phase of the sine. (The
  // fewest glide steps per second are at the lowest rate; dsp_clicks prints 48 kHz.)
  for (double rate : {44100.0, 96000.0})
    for (const click_figure::Change& c : click_figure::AllChanges())
    {
      const click_figure::Figure f = click_figure::Measure(c, rate);
      EXPECT_LE(f.step, 1.5) << c.name << " at " << rate << " Hz, phase " << f.stepPhase;
      EXPECT_LE(f.peak, 1.1) << c.name << " at " << rate << " Hz, phase " << f.peakPhase;
    }
}

} // namespace
