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

TEST(IParam, SignedDisplayAndShortName)
{
  IParam p;
  p.InitDouble("Low Gain", 0.0, -18.0, 18.0, 0.01, "dB");
  p.SetSignedDisplay(true);
  p.SetShortName("LGAINL");
  EXPECT_STREQ(p.GetShortNameForHost(), "LGAINL");
  struct
  {
    double plain;
    const char* text;
  } cases[] = {{2.5, "+2.50"}, {-3.0, "-3.00"}, {0.0, "0.00"}, {-0.001, "0.00"}, {0.004, "0.00"}, {18.0, "+18.00"}};
  for (const auto& c : cases)
  {
    char out[16];
    p.GetDisplayForHost(c.plain, false, out);
    EXPECT_STREQ(out, c.text) << c.plain;
  }
  // Without the sign the text is as before.
  IParam q;
  q.InitDouble("Drive", -40.0, -60.0, -20.0, 0.01, "dB");
  char out[16];
  q.GetDisplayForHost(-40.0, false, out);
  EXPECT_STREQ(out, "-40.00");
  // A buffer too small for the sign still ends in a terminator.
  char tiny[3];
  p.GetDisplayForHost(2.5, false, tiny);
  EXPECT_STREQ(tiny, "+2");
}

TEST(IParam, FromDisplayTextReadsValuesAndRefusesTheRest)
{
  IParam gain;  // -18..18 dB
  gain.InitDouble("Gain", 0.0, -18.0, 18.0, 0.01, "dB");
  IParam freq;  // a frequency list, not in order
  freq.InitInt("Freq", 0, 0, 2);
  freq.SetDisplayText(0, "1 kHz");
  freq.SetDisplayText(1, "3 kHz");
  freq.SetDisplayText(2, "60 Hz");
  IParam link;  // words
  link.InitInt("Link", 0, 0, 1);
  link.SetDisplayText(0, "Linked");
  link.SetDisplayText(1, "Independent");
  IParam toggle;
  toggle.InitInt("Over", 0, 0, 1);
  toggle.SetDisplayText(0, "Off");
  toggle.SetDisplayText(1, "4x");
  IParam order;  // a number without texts
  order.InitInt("Order", 2, 1, 4);

  struct Case
  {
    const IParam* param;
    const char* text;
    bool ok;
    double plain;
  } cases[] = {
      {&gain, "+2.5 dB", true, 2.5},
      {&gain, "2.50", true, 2.5},
      {&gain, " -3 ", true, -3.0},
      {&gain, "-3dB", true, -3.0},
      {&gain, "1e1", true, 10.0},
      {&gain, "40", true, 18.0},  // limited to the range
      {&gain, "-0", true, 0.0},
      {&gain, ".5", true, 0.5},
      {&gain, "", false, 0},
      {&gain, "   ", false, 0},
      {&gain, "abc", false, 0},
      {&gain, "nan", false, 0},
      {&gain, "inf", false, 0},
      {&gain, "1e309", false, 0},
      {&gain, "2.5 Hz", false, 0},
      {&gain, "2.5 dB x", false, 0},
      {&gain, "2..5", false, 0},
      {&gain, "+", false, 0},
      {&gain, "2,5", false, 0},
      {&freq, "3 kHz", true, 1},
      {&freq, "3k", true, 1},
      {&freq, "3000", true, 1},
      {&freq, "3000 Hz", true, 1},
      {&freq, "60", true, 2},
      {&freq, "60 HZ", true, 2},
      {&freq, "1 kHz", true, 0},
      {&freq, "2", false, 0},  // names no frequency of the list
      {&freq, "61 Hz", false, 0},
      {&freq, "60 dB", false, 0},
      {&link, "independent", true, 1},
      {&link, "LINKED", true, 0},
      {&link, "1", true, 1},  // the value itself
      {&link, "2", false, 0},
      {&link, "0.5", false, 0},
      {&link, "Link", false, 0},
      {&toggle, "4x", true, 1},
      {&toggle, "off", true, 0},
      {&toggle, "on", false, 0},
      {&order, "3", true, 3},
      {&order, "9", true, 4},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(std::string(c.param->GetNameForHost()) + " '" + c.text + "'");
    double plain = -123.0;
    EXPECT_EQ(c.param->FromDisplayText(c.text, &plain), c.ok);
    EXPECT_EQ(plain, c.ok ? c.plain : -123.0);
  }
  double plain = 0.0;
  EXPECT_FALSE(gain.FromDisplayText(nullptr, &plain));
  EXPECT_FALSE(gain.FromDisplayText("1", nullptr));

  // Everything the parameter prints reads back as the same value.
  IParam signedGain;
  signedGain.InitDouble("Gain", 0.0, -18.0, 18.0, 0.01, "dB");
  signedGain.SetSignedDisplay(true);
  for (const IParam* p : {&signedGain, &freq, &link, &toggle, &order})
  {
    for (int i = 0; i <= 40; ++i)
    {
      const double v = p->GetNonNormalized(i / 40.0);
      char text[32];
      p->GetDisplayForHost(v, false, text);
      double back = -123.0;
      ASSERT_TRUE(p->FromDisplayText(text, &back)) << text;
      if (p->GetKind() == IParam::kTypeDouble)
        EXPECT_NEAR(back, v, 0.005) << text;
      else
        EXPECT_EQ(back, (double)IParam::TruncToInt(v)) << text;
    }
  }
}
