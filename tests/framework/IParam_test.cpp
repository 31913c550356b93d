#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Display(const IParam& p, double v, bool normalized = false, bool useTexts = true)
{
  char out[64];
  p.GetDisplayForHost(v, normalized, out, useTexts);
  return out;
}

}  // namespace

TEST(IParam, FreshParameterDefaults)
{
  IParam p;
  EXPECT_EQ(p.GetKind(), IParam::kTypeNone);
  EXPECT_EQ(p.GetValue(), 0.0);
  EXPECT_EQ(p.GetMin(), 0.0);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetStep(), 1.0);
  EXPECT_EQ(p.GetShape(), 1.0);
  EXPECT_TRUE(p.GetCanAutomate());
  EXPECT_STREQ(p.GetNameForHost(), "");
  EXPECT_EQ(p.GetNDisplayTexts(), 0);
}

TEST(IParam, BoolHasOffOnTextsAndNoLabelForWords)
{
  IParam p;
  p.InitBool("Link", true, "x", "Main");
  EXPECT_EQ(p.GetKind(), IParam::kTypeBool);
  EXPECT_EQ(p.GetValue(), 1.0);
  EXPECT_EQ(p.GetDefault(), 1.0);
  EXPECT_TRUE(p.GetBool());
  EXPECT_STREQ(p.GetNameForHost(), "Link");
  EXPECT_STREQ(p.GetParamGroupForHost(), "Main");
  EXPECT_EQ(Display(p, 0), "off");
  EXPECT_EQ(Display(p, 1), "on");
  EXPECT_EQ(Display(p, 1, false, false), "1");
  EXPECT_STREQ(p.GetLabelForHost(), "");
  p.SetNormalized(0.49);
  EXPECT_EQ(p.GetValue(), 0.0);
  p.SetNormalized(0.5);
  EXPECT_EQ(p.GetValue(), 1.0);

  // A second InitBool keeps the kind and appends a second pair.
  p.InitBool("Link2", false);
  EXPECT_EQ(p.GetNDisplayTexts(), 4);
  EXPECT_EQ(p.GetValue(), 0.0);
  int v = -1;
  EXPECT_STREQ(p.GetDisplayTextAtIdx(3, &v), "on");
  EXPECT_EQ(v, 1);
}

TEST(IParam, IntRangeSteppingAndTexts)
{
  IParam p;
  p.InitInt("Mode", 0, 0, 0);
  EXPECT_EQ(p.GetMax(), 1.0);  // never an empty range

  IParam q;
  q.InitInt("Sel", 1, 0, 2, "dB");
  q.SetNormalized(0.5);
  EXPECT_EQ(q.GetValue(), 1.0);
  q.SetNormalized(0.24);
  EXPECT_EQ(q.GetValue(), 0.0);
  q.SetNormalized(0.25);  // half a step goes up
  EXPECT_EQ(q.GetValue(), 1.0);
  q.SetNormalized(1.7);  // limited to the maximum only
  EXPECT_EQ(q.GetValue(), 2.0);
  EXPECT_EQ(Display(q, 1), "1");
  EXPECT_STREQ(q.GetLabelForHost(), "dB");

  // An empty display text shows the number, and keeps the label.
  q.SetDisplayText(2, "");
  q.SetDisplayText(0, "low");
  q.SetDisplayText(0, "dup");  // first match wins
  EXPECT_EQ(Display(q, 2), "2");
  EXPECT_EQ(Display(q, 0.9), "low");
  EXPECT_EQ(Display(q, 0.0, true), "low");
  EXPECT_STREQ(q.GetDisplayText(0), "low");
  EXPECT_STREQ(q.GetDisplayText(5), "");
  q.SetValue(2);
  EXPECT_STREQ(q.GetLabelForHost(), "dB");
  q.SetValue(0);
  EXPECT_STREQ(q.GetLabelForHost(), "");
}

TEST(IParam, EnumAndTextMapping)
{
  IParam p;
  p.InitEnum("Freq", 2, 1);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetValue(), 2.0);  // the default is taken as given

  IParam e;
  e.InitEnum("Freq", 1, 4);
  EXPECT_EQ(e.GetKind(), IParam::kTypeEnum);
  EXPECT_EQ(e.GetMax(), 3.0);
  e.SetDisplayText(0, "on");
  e.SetDisplayText(3, "3k");
  int v = -7;
  EXPECT_FALSE(e.MapDisplayText("On", &v));
  EXPECT_EQ(v, -7);
  EXPECT_FALSE(e.MapDisplayText("3", &v));
  EXPECT_FALSE(e.MapDisplayText(nullptr, &v));
  EXPECT_TRUE(e.MapDisplayText("3k", &v));
  EXPECT_EQ(v, 3);
  EXPECT_STREQ(e.GetDisplayTextAtIdx(2, &v), "");
  EXPECT_STREQ(e.GetDisplayTextAtIdx(-1), "");
  e.SetNormalized(2.0 / 3.0);
  EXPECT_EQ(e.GetValue(), 2.0);
}

TEST(IParam, DoubleIsNotSteppedAndShowsPrecision)
{
  IParam p;
  p.InitDouble("Gain", 0.0, -18.0, 18.0, 0.01, "dB");
  EXPECT_EQ(p.GetKind(), IParam::kTypeDouble);
  EXPECT_EQ(p.GetPrecision(), 2);
  p.SetNormalized(0.5);
  EXPECT_EQ(p.GetValue(), 0.0);
  p.SetNormalized(0.123456);
  EXPECT_DOUBLE_EQ(p.GetValue(), -18.0 + 36.0 * 0.123456);
  EXPECT_EQ(Display(p, 0.5, true), "0.00");
  EXPECT_EQ(Display(p, -3.14159), "-3.14");
  EXPECT_STREQ(p.GetLabelForHost(), "dB");

  // maximum is at least minimum + step
  IParam q;
  q.InitDouble("x", 5.0, 5.0, 4.0, 0.5);
  EXPECT_EQ(q.GetMax(), 5.5);
}

TEST(IParam, PrecisionFollowsStep)
{
  EXPECT_EQ(IParam::PrecisionForStep(1.0), 0);
  EXPECT_EQ(IParam::PrecisionForStep(0.5), 1);
  EXPECT_EQ(IParam::PrecisionForStep(0.01), 2);
  EXPECT_EQ(IParam::PrecisionForStep(0.001), 3);
  EXPECT_EQ(IParam::PrecisionForStep(1e-7), 6);
}

TEST(IParam, PrecisionZeroTruncatesTowardZero)
{
  IParam p;
  p.InitDouble("Q", 0.0, -10.0, 10.0, 1.0);
  EXPECT_EQ(Display(p, 1.9), "1");
  EXPECT_EQ(Display(p, -0.7), "0");
  EXPECT_EQ(Display(p, 1e300), "2147483647");  // saturates instead of overflowing
  EXPECT_EQ(Display(p, kNaN), "0");
}

TEST(IParam, ShapedNormalisationRoundTrips)
{
  IParam p;
  p.InitDouble("Freq", 20.0, 20.0, 20000.0, 0.001, "Hz", "", 3.0);
  EXPECT_EQ(p.GetShape(), 3.0);
  for (double n : {0.0, 0.1, 0.25, 0.5, 0.77, 1.0})
  {
    const double plain = p.GetNonNormalized(n);
    EXPECT_NEAR(p.GetNormalized(plain), n, 1e-12) << n;
    p.SetNormalized(n);
    EXPECT_NEAR(p.GetNormalized(), n, 1e-12) << n;
  }
  // Shape above 1 gives resolution near the bottom: the middle is well below half.
  EXPECT_LT(p.GetNonNormalized(0.5), 20.0 + 19980.0 * 0.25);
  EXPECT_DOUBLE_EQ(p.GetNonNormalized(0.5), 20.0 + 19980.0 * 0.125);

  EXPECT_EQ(p.GetNormalized(-100.0), 0.0);
  EXPECT_EQ(p.GetNormalized(1e9), 1.0);
  EXPECT_GT(p.GetNonNormalized(1.5), p.GetMax());
  EXPECT_NEAR(p.GetDefaultNormalized(), 0.0, 1e-15);

  p.SetShape(0.0);
  EXPECT_EQ(p.GetShape(), 3.0);
  IParam q;
  q.InitDouble("x", 0.0, 0.0, 1.0, 0.1, "", "", 0.0);
  EXPECT_EQ(q.GetShape(), 1.0);
}

TEST(IParam, SetValueClampsToRange)
{
  IParam p;
  p.InitDouble("Out", -40.0, -60.0, -20.0, 0.1);
  p.SetValue(0.0);
  EXPECT_EQ(p.GetValue(), -20.0);
  p.SetValue(-100.0);
  EXPECT_EQ(p.GetValue(), -60.0);
  double lo = 0, hi = 0;
  p.GetBounds(&lo, &hi);
  EXPECT_EQ(lo, -60.0);
  EXPECT_EQ(hi, -20.0);
}

TEST(IParam, NaNNeverBecomesTheValue)
{
  IParam p;
  p.InitDouble("Gain", 3.0, -18.0, 18.0, 0.01);
  p.SetNormalized(kNaN);
  EXPECT_EQ(p.GetValue(), 3.0);
  p.SetValue(kNaN);
  EXPECT_EQ(p.GetValue(), 3.0);

  // A negative input under a fractional shape has no real power.
  p.SetShape(1.5);
  p.SetNormalized(-0.5);
  EXPECT_EQ(p.GetValue(), 3.0);

  IParam i;
  i.InitInt("Sel", 1, 0, 4);
  i.SetNormalized(kNaN);
  EXPECT_EQ(i.GetValue(), 1.0);
  EXPECT_EQ(i.GetInt(), 1);
}

TEST(IParam, LongTextsAreCutToTheField)
{
  const char* longText = "A name that is much longer than thirty-one characters";
  IParam p;
  p.InitInt(longText, 0, 0, 3, longText, longText);
  EXPECT_EQ(strlen(p.GetNameForHost()), 31u);
  EXPECT_EQ(std::string(p.GetNameForHost()), std::string(longText, 31));
  EXPECT_EQ(strlen(p.GetParamGroupForHost()), 31u);
  EXPECT_EQ(strlen(p.GetLabelForHost()), 31u);
  EXPECT_TRUE(p.SetDisplayText(1, longText));
  EXPECT_EQ(std::string(p.GetDisplayText(1)), std::string(longText, 31));
  EXPECT_TRUE(p.MapDisplayText(std::string(longText, 31).c_str(), nullptr));

  IParam n;
  n.InitBool(nullptr, false, nullptr, nullptr);
  EXPECT_STREQ(n.GetNameForHost(), "");
}

TEST(IParam, DisplayNeverWritesPastTheBuffer)
{
  IParam p;
  p.InitDouble("Big", 0.0, -1e9, 1e9, 0.000001);
  char out[8];
  memset(out, 'x', sizeof(out));
  p.GetDisplayForHost(-123456789.5, false, out, true, 5);
  EXPECT_STREQ(out, "-123");
  EXPECT_EQ(out[5], 'x');

  p.SetDisplayText(7, "seventeen");
  p.GetDisplayForHost(7.0, false, out, true, 4);
  EXPECT_STREQ(out, "sev");
  p.GetDisplayForHost(7.0, false, out, true, 1);
  EXPECT_STREQ(out, "");
  out[0] = 'q';
  p.GetDisplayForHost(7.0, false, out, true, 0);  // no room: nothing written
  EXPECT_EQ(out[0], 'q');
  p.GetDisplayForHost(7.0, false, nullptr, true, 10);

  char current[32];
  p.SetValue(7.0);
  p.GetDisplayForHost(current);
  EXPECT_STREQ(current, "seventeen");
}

TEST(IParam, DBToAmp)
{
  IParam p;
  p.InitDouble("Gain", 0.0, -60.0, 12.0, 0.1);
  EXPECT_EQ(p.DBToAmp(), 1.0);
  p.SetValue(-6.0);
  EXPECT_NEAR(p.DBToAmp(), 0.501187, 1e-6);
  p.SetValue(6.0);
  EXPECT_NEAR(p.DBToAmp(), std::pow(10.0, 6.0 / 20.0), 1e-12);
}
