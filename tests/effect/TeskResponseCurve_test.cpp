// The editor's response curve against the sound path: the values the curve draws equal the
// equaliser stage's response measured from Tesk's own processing (impulse in, DFT out), and
// the curve follows every kind of change within one editor tick.

#include "effect/TeskResponseCurve.h"

#include "dsp/TeskChain.h"
#include "editor/IGraphics.h"
#include "effect/Tesk.h"
#include "effect/TeskEditorLayout.h"
#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kCurveIdx = TeskEditorLayout::kNumControls;  // the last control of the layout
constexpr int kLength = 1 << 17;  // long enough for the 1 Hz low cut's tail at 48 kHz
constexpr double kImpulse = 1e-3;  // small enough for the saturation's linear first segment

struct Instance
{
  Tesk* t = static_cast<Tesk*>(MakePlug());
  ~Instance() { t->release(); }
  IGraphics* Gui() { return static_cast<IGraphics*>(t->GetGUI()); }
  TeskResponseCurve* Curve() { return dynamic_cast<TeskResponseCurve*>(Gui()->GetControl(kCurveIdx)); }
  // As the adapter applies a value from the host: the parameter, the stored value, the editor.
  void Set(int param, double plain)
  {
    t->GetParam(param)->SetValue(plain);
    t->OnParamChange(param);
    Gui()->SetParameterFromPlug(param, plain, false);
  }
};

// The equaliser stage's impulse response of both processing channels, by linearity: the
// output with a small impulse minus the output without it (which removes the input offset's
// response). In mid/side mode an impulse on the left input reaches mid and side alike, and
// the output matrix is undone.
void ImpulseResponses(Tesk* t, std::vector<double> h[2])
{
  std::vector<double> inL(kLength, 0.0), inR(kLength, 0.0);
  std::vector<double> out[2][2];
  for (int run = 0; run < 2; ++run)
  {
    // A fresh history for each run: both start from the same state.
    Instance fresh;
    for (int p = 0; p < TeskChain::kNumParams; ++p)
    {
      fresh.t->GetParam(p)->SetValue(t->GetParam(p)->GetValue());
      fresh.t->OnParamChange(p);
    }
    fresh.t->SetSampleRate(t->GetSampleRate());
    inL[0] = run == 0 ? kImpulse : 0.0;
    const bool midSide = t->GetParam(TeskChain::kMS)->GetInt() == 0;
    if (!midSide) inR[0] = inL[0];
    out[run][0].assign(kLength, 0.0);
    out[run][1].assign(kLength, 0.0);
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {out[run][0].data(), out[run][1].data()};
    fresh.t->ProcessDoubleReplacing(ins, outs, kLength);
  }
  const bool midSide = t->GetParam(TeskChain::kMS)->GetInt() == 0;
  for (int ch = 0; ch < 2; ++ch) h[ch].assign(kLength, 0.0);
  for (int n = 0; n < kLength; ++n)
  {
    const double l = out[0][0][n] - out[1][0][n], r = out[0][1][n] - out[1][1][n];
    if (midSide)
    {
      // outL = (yM + yS) / sqrt 2, outR = (yM - yS) / sqrt 2 with both fed kImpulse / sqrt 2.
      h[0][n] = (l + r) / kImpulse;
      h[1][n] = (l - r) / kImpulse;
    }
    else
    {
      h[0][n] = l / kImpulse;
      h[1][n] = r / kImpulse;
    }
  }
}

// |DFT| of h at frequency hz (rotating phasor, renormalised now and then).
double Magnitude(const std::vector<double>& h, double hz, double rate)
{
  const std::complex<double> step = std::polar(1.0, -2.0 * M_PI * hz / rate);
  std::complex<double> phasor = 1.0, sum = 0.0;
  for (size_t n = 0; n < h.size(); ++n)
  {
    sum += h[n] * phasor;
    phasor *= step;
    if ((n & 4095) == 4095) phasor /= std::abs(phasor);
  }
  return std::abs(sum);
}

struct Setting
{
  const char* name;
  double rate;
  std::vector<std::pair<int, double>> values;  // plain values, applied in order
};

}  // namespace

TEST(TeskResponseCurve, EqualsTheMeasuredResponseOfTheEqualiserStage)
{
  using C = TeskChain;
  const Setting settings[] = {
      {"left/right, every band boosted on one side and cut on the other", 44100.0,
       {{C::kLINK, 1}, {C::kLGAINL, 18}, {C::kMGAIN1L, 9}, {C::kMGAIN2L, 4.5}, {C::kMGAIN3L, 4.5}, {C::kMGAIN4L, 9},
        {C::kHGAINL, 18}, {C::kLGAINR, -18}, {C::kMGAIN1R, -9}, {C::kMGAIN2R, -4.5}, {C::kMGAIN3R, -4.5},
        {C::kMGAIN4R, -9}, {C::kHGAINR, -18}}},
      {"mid/side, other frequencies, 25 Hz low cut on mid", 48000.0,
       {{C::kMS, 0}, {C::kLINK, 1}, {C::kLFREQL, 1}, {C::kMFREQ1L, 1}, {C::kMFREQ2L, 2}, {C::kMFREQ3L, 1},
        {C::kMFREQ4L, 1}, {C::kHFREQL, 2}, {C::kLCUTL, 0}, {C::kLGAINL, -6}, {C::kMGAIN2L, 3}, {C::kMGAIN4L, -7.5},
        {C::kHGAINL, 12}, {C::kLFREQR, 2}, {C::kMFREQ3R, 2}, {C::kHFREQR, 1}, {C::kMGAIN3R, -4.5},
        {C::kHGAINR, -9}}},
      {"linked: the second channel's own settings are overridden by the first's", 44100.0,
       {{C::kLINK, 0}, {C::kMGAIN2L, -3}, {C::kHFREQL, 1}, {C::kHGAINL, -12}, {C::kLCUTL, 0}, {C::kMGAIN2R, 4.5},
        {C::kHGAINR, 18}, {C::kLGAINR, 10}}},
      {"20 kHz high band at 44.1 kHz, where the fold-back is strongest", 44100.0,
       {{C::kLINK, 1}, {C::kHFREQL, 2}, {C::kHGAINL, 18}, {C::kLFREQL, 2}, {C::kLGAINL, -18}, {C::kHFREQR, 2},
        {C::kHGAINR, -18}}},
  };

  for (const Setting& s : settings)
  {
    SCOPED_TRACE(s.name);
    Instance set, flat;
    set.t->SetSampleRate(s.rate);
    flat.t->SetSampleRate(s.rate);
    for (const auto& v : s.values) set.Set(v.first, v.second);
    // The reference: the same path with every band at its default, in the same mode.
    flat.Set(C::kMS, set.t->GetParam(C::kMS)->GetValue());
    ASSERT_NE(set.Curve(), nullptr);

    std::vector<double> h[2], h0[2];
    ImpulseResponses(set.t, h);
    ImpulseResponses(flat.t, h0);
    int checked = 0;
    for (int p = 0; p < TeskResponseCurve::kPoints; p += 3)
    {
      const double hz = TeskResponseCurve::PointHz(p);
      for (int ch = 0; ch < 2; ++ch)
      {
        const double measured = 20.0 * std::log10(Magnitude(h[ch], hz, s.rate) / Magnitude(h0[ch], hz, s.rate));
        const double drawn = set.Curve()->ValueDb(ch, p) - flat.Curve()->ValueDb(ch, p);
        ASSERT_NEAR(drawn, measured, 0.1) << "channel " << ch + 1 << " at " << hz << " Hz";
        ++checked;
      }
    }
    EXPECT_EQ(checked, 2 * ((TeskResponseCurve::kPoints + 2) / 3));
  }
}

TEST(TeskResponseCurve, FollowsEveryChangeWithinOneTick)
{
  Instance in;
  IGraphics* gui = in.Gui();
  TeskResponseCurve* curve = in.Curve();
  ASSERT_NE(curve, nullptr);
  // Mid band 2 sits at 400 Hz; the point nearest to it.
  int p400 = 0;
  for (int p = 0; p < TeskResponseCurve::kPoints; ++p)
    if (std::fabs(std::log(TeskResponseCurve::PointHz(p) / 400.0)) <
        std::fabs(std::log(TeskResponseCurve::PointHz(p400) / 400.0)))
      p400 = p;
  IRECT full(0, 0, gui->Width(), gui->Height());
  gui->Draw(&full);

  // One repaint tick: true when the curve was part of what needs drawing.
  auto tickRedrawsCurve = [&] {
    IRECT r;
    const bool dirty = gui->IsDirty(&r);
    const bool curveIn = dirty && r.Intersects(curve->GetRECT());
    gui->Draw(&r);
    return curveIn;
  };
  ASSERT_FALSE(tickRedrawsCurve());
  EXPECT_NEAR(curve->ValueDb(0, p400), 0.0, 0.05);

  // Host automation, handed over from the audio thread.
  std::thread audio([&] { gui->SetParameterFromPlug(TeskChain::kMGAIN2L, 1.0, true); });
  audio.join();
  EXPECT_TRUE(tickRedrawsCurve());
  EXPECT_NEAR(curve->ValueDb(0, p400), 4.5, 0.3);
  EXPECT_FALSE(tickRedrawsCurve());  // and once is enough

  // The editor's own knob: a drag on MGAIN2R (independent channels).
  in.Set(TeskChain::kLINK, 1);
  EXPECT_TRUE(tickRedrawsCurve());
  int knob = -1;
  for (int i = 0; i < gui->NControls(); ++i)
    if (gui->GetControl(i)->ParamIdx() == TeskChain::kMGAIN2R) knob = i;
  ASSERT_GE(knob, 0);
  const IRECT k = *gui->GetControl(knob)->GetRECT();
  IMouseMod left(true);
  gui->OnMouseDown((k.L + k.R) / 2, k.B - 2, &left);
  gui->OnMouseDrag((k.L + k.R) / 2, k.T + 2, &left);  // upwards: a boost
  gui->OnMouseUp((k.L + k.R) / 2, k.T + 2, &left);
  const double boosted = curve->ValueDb(1, p400);
  EXPECT_TRUE(tickRedrawsCurve());
  EXPECT_GT(boosted, 0.5);
  EXPECT_NEAR(curve->ValueDb(0, p400), 4.5, 0.3);

  // Relinking shows the first channel's settings on the second at once, before any block.
  in.Set(TeskChain::kLINK, 0);
  EXPECT_TRUE(tickRedrawsCurve());
  EXPECT_DOUBLE_EQ(curve->ValueDb(1, p400), curve->ValueDb(0, p400));

  // A state change reaches the editor through RedrawParamControls.
  in.t->GetParam(TeskChain::kMGAIN2L)->SetValue(-4.5);
  in.t->OnParamChange(TeskChain::kMGAIN2L);
  in.t->RedrawParamControls();
  EXPECT_TRUE(tickRedrawsCurve());
  EXPECT_NEAR(curve->ValueDb(0, p400), -4.5, 0.3);

  // A new sample rate moves every band's place on the curve.
  const int before = curve->Recomputations();
  in.t->SetSampleRate(96000.0);
  EXPECT_TRUE(tickRedrawsCurve());
  EXPECT_EQ(curve->Recomputations(), before + 1);
}
