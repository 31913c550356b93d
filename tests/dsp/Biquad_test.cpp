#include "dsp/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace {

// Magnitude response of the filter's current coefficients at normalised frequency f.
double Gain(const Biquad& b, double f)
{
  const std::complex<double> z1 = std::polar(1.0, -2 * 3.141592653589793 * f);
  const std::complex<double> z2 = z1 * z1;
  return std::abs((b.a0 + b.a1 * z1 + b.a2 * z2) / (1.0 + b.b1 * z1 + b.b2 * z2));
}

double Db(double g)
{
  return 20 * std::log10(g);
}

TEST(Biquad, DefaultPassesFloatInputUnchanged)
{
  Biquad b;
  EXPECT_EQ(b.type, Biquad::Lowpass);
  EXPECT_EQ(b.Fc, 0.5);
  EXPECT_EQ(b.Q, 0.707);
  for (float x : {0.0f, -0.0f, 1.0f, -3.5f, 1e-30f, 123456.7f})
    EXPECT_EQ(b.process(x), x);
}

TEST(Biquad, ZeroDecibelPeakIsFlat)
{
  const Biquad b(Biquad::Peak, 0.1, 0.667, 0.0);
  EXPECT_NEAR(b.a0, 1.0, 1e-15);
  EXPECT_EQ(b.a1, b.b1);
  EXPECT_NEAR(b.a2, b.b2, 1e-15);
  Biquad run = b;
  for (int i = 0; i < 200; ++i)
  {
    const float x = static_cast<float>(std::sin(i * 0.3));
    EXPECT_NEAR(run.process(x), x, 1e-6);
  }
}

TEST(Biquad, BoostAndCutOfEqualSizeCancel)
{
  for (double fc : {0.001, 0.03, 0.25})
  {
    const Biquad up(Biquad::Peak, fc, 0.667, 9.0);
    const Biquad down(Biquad::Peak, fc, 0.667, -9.0);
    EXPECT_NEAR(Db(Gain(up, fc)), 9.0, 1e-9);
    EXPECT_NEAR(Db(Gain(down, fc)), -9.0, 1e-9);
    for (double f : {0.0005, 0.01, 0.1, 0.3, 0.45})
      EXPECT_NEAR(Db(Gain(up, f) * Gain(down, f)), 0.0, 1e-9) << fc << " " << f;
    // The same holds sample by sample, up to the float conversions.
    Biquad a = up, b = down;
    for (int i = 0; i < 500; ++i)
    {
      const float x = static_cast<float>(0.5 * std::sin(i * 0.05) + 0.25 * std::sin(i * 1.3));
      EXPECT_NEAR(b.process(a.process(x)), x, 1e-5);
    }
  }
}

TEST(Biquad, QuarterRateGivesUnitTangent)
{
  // Fc 0.25: K = tan(pi/4) = 1 (to the last bit or so), as the fixed filters use.
  const Biquad b(Biquad::Peak, 0.25, 3.5, 9.0);
  const double K = std::tan(3.141592653589793 * 0.25);
  EXPECT_NEAR(K, 1.0, 1e-15);
  const double V = std::pow(10.0, 9.0 / 20.0);
  const double norm = 1 / (1 + K / 3.5 + K * K);
  EXPECT_EQ(b.a0, (1 + V / 3.5 * K + K * K) * norm);
  EXPECT_EQ(b.a1, 2 * (K * K - 1) * norm);
  EXPECT_EQ(b.b1, b.a1);
  EXPECT_EQ(b.a2, (1 - V / 3.5 * K + K * K) * norm);
  EXPECT_EQ(b.b2, (1 - K / 3.5 + K * K) * norm);
  EXPECT_NEAR(Db(Gain(b, 0.25)), 9.0, 1e-9);
}

TEST(Biquad, EveryTypeHasItsResponse)
{
  const double fc = 0.05;
  const Biquad lp(Biquad::Lowpass, fc, 0.707, 0);
  EXPECT_NEAR(Gain(lp, 0.0), 1.0, 1e-12);
  EXPECT_LT(Gain(lp, 0.45), 0.01);
  const Biquad hp(Biquad::Highpass, fc, 0.707, 0);
  EXPECT_NEAR(Gain(hp, 0.0), 0.0, 1e-12);
  EXPECT_NEAR(Gain(hp, 0.5), 1.0, 1e-12);
  const Biquad bp(Biquad::Bandpass, fc, 2.0, 0);
  EXPECT_NEAR(Gain(bp, fc), 1.0, 1e-9);
  EXPECT_LT(Gain(bp, 0.4), 0.1);
  const Biquad notch(Biquad::Notch, fc, 2.0, 0);
  EXPECT_NEAR(Gain(notch, fc), 0.0, 1e-9);
  EXPECT_NEAR(Gain(notch, 0.0), 1.0, 1e-12);
  for (double g : {6.0, -6.0})
  {
    const Biquad ls(Biquad::Lowshelf, fc, 0.707, g);
    EXPECT_NEAR(Db(Gain(ls, 0.0)), g, 1e-9);
    EXPECT_NEAR(Db(Gain(ls, 0.5)), 0.0, 1e-9);
    const Biquad hs(Biquad::Highshelf, fc, 0.707, g);
    EXPECT_NEAR(Db(Gain(hs, 0.5)), g, 1e-9);
    EXPECT_NEAR(Db(Gain(hs, 0.0)), 0.0, 1e-9);
  }
}

TEST(Biquad, RetuningKeepsStateAndConstructionClearsIt)
{
  Biquad b(Biquad::Peak, 0.01, 0.667, 6.0);
  for (int i = 0; i < 10; ++i)
    b.process(1.0f);
  const double z1 = b.z1, z2 = b.z2;
  EXPECT_NE(z1, 0.0);
  b.setBiquad(Biquad::Peak, 0.02, 0.667, -3.0);
  EXPECT_EQ(b.z1, z1);
  EXPECT_EQ(b.z2, z2);
  b.setFc(0.03);
  b.setQ(1.0);
  b.setPeakGain(2.0);
  EXPECT_EQ(b.z1, z1);
  EXPECT_EQ(b.Fc, 0.03);
  EXPECT_EQ(b.Q, 1.0);
  EXPECT_EQ(b.peakGain, 2.0);
  const Biquad same(Biquad::Peak, 0.03, 1.0, 2.0);
  EXPECT_EQ(b.a0, same.a0);
  EXPECT_EQ(b.b2, same.b2);
  EXPECT_EQ(same.z1, 0.0);
  EXPECT_EQ(same.z2, 0.0);
  // An unknown type leaves the coefficients alone.
  const double a0 = b.a0;
  b.setType(7);
  EXPECT_EQ(b.a0, a0);
  b.setType(-1);
  EXPECT_EQ(b.a0, a0);
}

TEST(Biquad, ProcessComputesInDoubleAndRoundsTheOutput)
{
  Biquad b(Biquad::Highpass, 0.001, 0.667, 1.0);
  double z1 = 0, z2 = 0;
  for (int i = 0; i < 50; ++i)
  {
    const float in = static_cast<float>(0.3 + 0.01 * i);
    const double x = in;
    const double out = x * b.a0 + z1;
    z1 = x * b.a1 + z2 - b.b1 * out;
    z2 = x * b.a2 - b.b2 * out;
    EXPECT_EQ(b.process(in), static_cast<float>(out));
    EXPECT_EQ(b.z1, z1);
    EXPECT_EQ(b.z2, z2);
  }
}

} // namespace
