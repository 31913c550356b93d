#include "dsp/StOversampler4x.h"

#include <gtest/gtest.h>

namespace {

typedef StOversampler4x Os;

TEST(StOversampler4x, ImpulseGivesFourTimesTheFirstTaps)
{
  Os os;
  os.up4(1.0);
  EXPECT_EQ(os.out(27), -0.00992315724060244);
  EXPECT_EQ(os.out(28), -0.018280976704865257);
  EXPECT_EQ(os.out(29), -0.01742142483258714);
  EXPECT_EQ(os.out(30), 0.0);
  EXPECT_EQ(os.in(7), 4.0);
  // Seven more calls of silence walk the impulse through every polyphase tap: the 32
  // outputs are 4 * h[0..30] followed by 0.
  for (int k = 0; k < 7; ++k)
    os.up4(0.0);
  const double h[16] = {Os::kH0, Os::kH1, Os::kH2, 0, Os::kH4,  Os::kH5,  Os::kH6,  0,
                        Os::kH8, Os::kH9, Os::kH10, 0, Os::kH12, Os::kH13, Os::kH14, Os::kH15};
  // out(30) is the 32nd sample (h[31] = 0); out(n) for n < 30 is 4 * h[n + 1].
  EXPECT_EQ(os.out(30), 0.0);
  for (int n = 0; n < 30; ++n)
  {
    const int tap = n + 1;
    const double expected = 4.0 * h[tap <= 15 ? tap : 30 - tap];
    EXPECT_NEAR(os.out(n), expected, 1e-16) << n;
  }
}

TEST(StOversampler4x, HeldConstantComesBackWhole)
{
  Os os;
  const double c = 0.37;
  for (int k = 0; k < 20; ++k)
    os.up4(c);
  EXPECT_NEAR(os.out(27), 0.99894 * c, 1e-5);
  EXPECT_NEAR(os.out(28), 0.99738 * c, 1e-5);
  EXPECT_NEAR(os.out(29), 0.99894 * c, 1e-5);
  EXPECT_NEAR(os.out(30), 1.00474 * c, 1e-5);
  EXPECT_NEAR(os.down4(), c, 2e-6 * c); // the phase gains average to 1 within 1.2e-6
  // Taps sum to one.
  const double sum = 2 * (Os::kH0 + Os::kH1 + Os::kH2 + Os::kH4 + Os::kH5 + Os::kH6 + Os::kH8 +
                          Os::kH9 + Os::kH10 + Os::kH12 + Os::kH13 + Os::kH14) +
                     Os::kH15;
  EXPECT_NEAR(sum, 1.0, 1e-15);
}

TEST(StOversampler4x, HistoriesShiftAndEditsReachTheDecimator)
{
  Os os;
  for (int k = 1; k <= 8; ++k)
    os.up4(k);
  const double before29 = os.out(29), before30 = os.out(30);
  // Two calls with the same value (the equaliser's use) shift by eight and by two.
  os.up4(0.5);
  os.up4(0.5);
  EXPECT_EQ(os.out(21), before29);
  EXPECT_EQ(os.out(22), before30);
  EXPECT_EQ(os.in(5), 32.0);
  EXPECT_EQ(os.in(6), 2.0);
  EXPECT_EQ(os.in(7), 2.0);
  // Rewriting a new sample changes down4 by its tap, and stays until it leaves.
  const double base = os.down4();
  EXPECT_EQ(os.down4(), base); // down4 changes nothing
  os.out(30) += 1.0;
  EXPECT_NEAR(os.down4() - base, Os::kH0, 1e-15);

  Os quiet;
  quiet.out(30) = 1.0;
  EXPECT_EQ(quiet.down4(), Os::kH0);
  for (int k = 0; k < 7; ++k)
    quiet.up4(0.0);
  EXPECT_EQ(quiet.out(2), 1.0);
  EXPECT_EQ(quiet.down4(), Os::kH2);
  quiet.up4(0.0);
  EXPECT_EQ(quiet.down4(), 0.0);
}

} // namespace
