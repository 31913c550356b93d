#include "dsp/Tesk_Harm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The tables' last entries, widened to double.
const double kTopPos = static_cast<double>(0.0959344208f);
const double kTopNeg = static_cast<double>(0.0958447531f);

TEST(TeskTables, EndpointsAndShape)
{
  for (const float* T : {tesk_table, tesk_neg_table})
  {
    EXPECT_EQ(T[0], 0.0f);
    // Local slope (neighbour difference x 1990) stays between 0.935 and 0.963 and bends
    // smoothly: its second difference stays below 1e-4, which a mistyped digit anywhere
    // past the seventh significant place would already break.
    double slope[199];
    for (int k = 0; k < 199; ++k)
    {
      slope[k] = (double(T[k + 1]) - double(T[k])) * 1990.0;
      EXPECT_GT(slope[k], 0.935) << k;
      EXPECT_LT(slope[k], 0.963) << k;
    }
    for (int k = 0; k + 3 < 199; ++k)
    {
      const double bend = (slope[k + 3] - slope[k + 2]) - 2 * (slope[k + 2] - slope[k + 1]) +
                          (slope[k + 1] - slope[k]);
      EXPECT_LT(std::fabs(bend), 1e-4) << k;
    }
  }
  EXPECT_EQ(double(tesk_table[199]), kTopPos);
  EXPECT_EQ(double(tesk_neg_table[199]), kTopNeg);
  EXPECT_NEAR(kTopPos, 0.0959344208240509, 1e-16);
  EXPECT_NEAR(kTopNeg, 0.0958447530865669, 1e-16);
  // Near zero the two tables agree closely; at the top they differ by about 9e-5.
  EXPECT_NEAR(tesk_table[1], tesk_neg_table[1], 1e-8);
  EXPECT_NEAR(tesk_table[199] - tesk_neg_table[199], 9e-5, 1e-6);
}

TEST(TeskHarm, ZeroKeepsItsSignAndPicksTheTableBySign)
{
  EXPECT_EQ(Tesk_Harm(0.0), 0.0);
  EXPECT_FALSE(std::signbit(Tesk_Harm(0.0)));
  EXPECT_TRUE(std::signbit(Tesk_Harm(-0.0)));

  EXPECT_NEAR(Tesk_Harm(0.05), 0.0478451736, 1e-10);
  EXPECT_NEAR(Tesk_Harm(-0.05), -0.0478208065, 1e-10);
  EXPECT_EQ(tesk(-0.05), -tesk(0.05));
  EXPECT_EQ(tesk_negclip(0.05), -Tesk_Harm(-0.05));
  // Small-signal slope.
  EXPECT_NEAR(Tesk_Harm(0.000502513), 0.000470393, 1e-9);
}

TEST(TeskHarm, GridPointsReturnTheTableEntries)
{
  for (int k = 0; k < 200; ++k)
  {
    const double x = k / 1990.0;
    EXPECT_NEAR(Tesk_Harm(x), double(tesk_table[k]), 1e-15) << k;
    EXPECT_NEAR(Tesk_Harm(-x), -double(tesk_neg_table[k]), 1e-15) << k;
  }
}

TEST(TeskHarm, FlatAboveTheTableAndZeroWhereTheIndexOverflows)
{
  const double inf = std::numeric_limits<double>::infinity();
  const double limit = 2147483648.0 / 1990.0; // first input whose index does not fit
  for (double x : {0.1, 0.5, 1.0, 1e3, 1079137.0, std::nextafter(limit, 0.0)})
  {
    EXPECT_EQ(Tesk_Harm(x), kTopPos) << x;
    EXPECT_EQ(Tesk_Harm(-x), -kTopNeg) << x;
    EXPECT_EQ(tesk(-x), -kTopPos) << x;
    EXPECT_EQ(tesk_negclip(x), kTopNeg) << x;
  }
  for (double x : {limit, 1e7, 1e300, inf})
  {
    EXPECT_EQ(Tesk_Harm(x), 0.0) << x;
    EXPECT_FALSE(std::signbit(Tesk_Harm(x))) << x;
    EXPECT_TRUE(std::signbit(Tesk_Harm(-x))) << x;
    EXPECT_EQ(tesk(x), 0.0) << x;
    EXPECT_EQ(tesk_negclip(-x), 0.0) << x;
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Tesk_Harm(nan), 0.0);
  EXPECT_FALSE(std::signbit(Tesk_Harm(nan)));
  EXPECT_EQ(Tesk_Harm(-nan), 0.0);
  EXPECT_TRUE(std::signbit(Tesk_Harm(-nan)));
}

TEST(TeskHarm, InterpolatesLinearlyBetweenEntries)
{
  // A quarter of the way from entry 10 to entry 11 of the negative table.
  const double x = -10.25 / 1990.0;
  const double s = std::fabs(x) * 1990.0;
  const double f = s - 10;
  const double expected = double(tesk_neg_table[10]) * (1 - f) + double(tesk_neg_table[11]) * f;
  EXPECT_EQ(Tesk_Harm(x), -expected);
  // Odd symmetry of the single-table curves.
  for (double v : {1e-4, 0.0123, 0.077, 0.0999})
  {
    EXPECT_EQ(tesk(-v), -tesk(v));
    EXPECT_EQ(tesk_negclip(-v), -tesk_negclip(v));
    EXPECT_EQ(Tesk_Harm(v), tesk(v));
    EXPECT_EQ(Tesk_Harm(-v), tesk_negclip(-v));
  }
}

} // namespace
