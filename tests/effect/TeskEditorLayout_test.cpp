// The effect's editor as built by its constructor: the controls of the layout at their
// places and sizes, what clicks and drags on them do, and the panel it draws.
#include <gtest/gtest.h>

#include "dsp/TeskChain.h"
#include "editor/IControl.h"
#include "editor/IGraphics.h"
#include "editor/IURLControl.h"
#include "effect/Tesk.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskResponseCurve.h"
#include "editor/IValueReadout.h"
#include "framework/IParam.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"

#include <memory>
#include <string>
#include <vector>

namespace {

struct Expected
{
  const char* stem;
  int frames, x, y, param;
};

// Attach order, after the background.
const Expected kLayout[] = {
    {"BY", 2, 123, 190, TeskChain::kBY},           {"OVER", 2, 0, 429, TeskChain::kOVER},
    {"LINK", 2, 215, 196, TeskChain::kLINK},       {"MS", 2, 306, 196, TeskChain::kMS},
    {"LCUTL", 2, 123, 55, TeskChain::kLCUTL},      {"LCUTR", 2, 123, 267, TeskChain::kLCUTR},
    {"HFREQL", 3, 862, 124, TeskChain::kHFREQL},   {"HFREQR", 3, 862, 334, TeskChain::kHFREQR},
    {"LFREQL", 3, 252, 124, TeskChain::kLFREQL},   {"LFREQR", 3, 254, 334, TeskChain::kLFREQR},
    {"MFREQ1L", 2, 371, 124, TeskChain::kMFREQ1L}, {"MFREQ1R", 2, 377, 334, TeskChain::kMFREQ1R},
    {"MFREQ2L", 3, 498, 124, TeskChain::kMFREQ2L}, {"MFREQ2R", 3, 502, 334, TeskChain::kMFREQ2R},
    {"MFREQ3L", 3, 619, 124, TeskChain::kMFREQ3L}, {"MFREQ3R", 3, 625, 334, TeskChain::kMFREQ3R},
    {"MFREQ4L", 2, 741, 124, TeskChain::kMFREQ4L}, {"MFREQ4R", 2, 748, 334, TeskChain::kMFREQ4R},
    {"HGAINL", 31, 862, 38, TeskChain::kHGAINL},   {"HGAINR", 31, 862, 253, TeskChain::kHGAINR},
    {"LGAINL", 31, 244, 38, TeskChain::kLGAINL},   {"LGAINR", 31, 248, 253, TeskChain::kLGAINR},
    {"MGAIN1L", 31, 371, 38, TeskChain::kMGAIN1L}, {"MGAIN1R", 31, 373, 253, TeskChain::kMGAIN1R},
    {"MGAIN2L", 31, 496, 38, TeskChain::kMGAIN2L}, {"MGAIN2R", 31, 496, 253, TeskChain::kMGAIN2R},
    {"MGAIN3L", 31, 621, 32, TeskChain::kMGAIN3L}, {"MGAIN3R", 31, 619, 253, TeskChain::kMGAIN3R},
    {"MGAIN4L", 31, 741, 38, TeskChain::kMGAIN4L}, {"MGAIN4R", 31, 739, 253, TeskChain::kMGAIN4R},
    {"OUTL", 31, 981, 38, TeskChain::kOUTL},       {"OUTR", 31, 981, 253, TeskChain::kOUTR},
    {"DRV", 31, 125, 112, TeskChain::kDRIVE},
};

std::unique_ptr<Pix_IBitmap> LoadImage(const char* stem)
{
  const std::string path = std::string(TESK_IMAGE_DIR) + "/" + stem + ".png";
  return std::unique_ptr<Pix_IBitmap>(Pix_LoadPNG(path.c_str()));
}

class TeskEditorTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    plug = MakePlug();
    ASSERT_NE(plug, nullptr);
    tesk = static_cast<Tesk*>(plug);
    tesk->RestorePreset(0);
    gui = static_cast<IGraphics*>(tesk->GetGUI());
    ASSERT_NE(gui, nullptr);
  }
  void TearDown() override
  {
    if (plug) plug->release();
  }
  IRECT CentreOf(int controlIdx)
  {
    IRECT r = *gui->GetControl(controlIdx)->GetRECT();
    return IRECT((r.L + r.R) / 2, (r.T + r.B) / 2, 0, 0);
  }
  void Click(int controlIdx)
  {
    IRECT c = CentreOf(controlIdx);
    IMouseMod left(true);
    gui->OnMouseDown(c.L, c.T, &left);
    gui->OnMouseUp(c.L, c.T, &left);
  }
  void ProcessBlock()
  {
    double in[2][16] = {}, out[2][16] = {};
    double* ins[2] = {in[0], in[1]};
    double* outs[2] = {out[0], out[1]};
    tesk->ProcessDoubleReplacing(ins, outs, 16);
  }
  double Value(int param) { return tesk->GetParam(param)->GetValue(); }

  IEffectVST3* plug = nullptr;
  Tesk* tesk = nullptr;
  IGraphics* gui = nullptr;
};

}  // namespace

TEST_F(TeskEditorTest, ControlsSitAtTheirPlacesWithTheImagesSizes)
{
  EXPECT_EQ(gui->Width(), 1156);
  EXPECT_EQ(gui->Height(), 456);
  EXPECT_EQ(gui->FPS(), 25);
  ASSERT_EQ(gui->NControls(), 1 + TeskEditorLayout::kNumControls);

  // The background covers the panel.
  IRECT bg = *gui->GetControl(0)->GetRECT();
  EXPECT_EQ(bg.W(), 1156);
  EXPECT_EQ(bg.H(), 456);

  std::vector<IRECT> rects;
  for (int i = 0; i < 33; ++i)
  {
    const Expected& e = kLayout[i];
    IControl* c = gui->GetControl(i + 1);
    std::unique_ptr<Pix_IBitmap> image = LoadImage(e.stem);
    ASSERT_TRUE(image) << e.stem;
    const IRECT r = *c->GetRECT();
    EXPECT_EQ(r.L, e.x) << e.stem;
    EXPECT_EQ(r.T, e.y) << e.stem;
    EXPECT_EQ(r.W(), image->getWidth()) << e.stem;
    EXPECT_EQ(r.H(), image->getHeight() / e.frames) << e.stem;
    EXPECT_EQ(image->getHeight() % e.frames, 0) << e.stem;
    EXPECT_EQ(c->ParamIdx(), e.param) << e.stem;
    EXPECT_LE(r.R, 1156) << e.stem;
    EXPECT_LE(r.B, 456) << e.stem;
    rects.push_back(r);
  }
  // No two controls overlap, so every click reaches the control it is aimed at.
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j)
    {
      const IRECT& a = rects[i];
      const IRECT& b = rects[j];
      const bool overlap = a.L < b.R && b.L < a.R && a.T < b.B && b.T < a.B;
      EXPECT_FALSE(overlap) << kLayout[i].stem << " overlaps " << kLayout[j].stem;
    }

  auto* url = dynamic_cast<IURLControl*>(gui->GetControl(34));
  ASSERT_NE(url, nullptr);
  EXPECT_STREQ(url->GetURL(), TeskEditorLayout::kProductURL);
  const IRECT ur = *url->GetRECT();
  EXPECT_EQ(ur.L, 1060);
  EXPECT_EQ(ur.T, 430);
  EXPECT_EQ(ur.R, 1160);
  EXPECT_EQ(ur.B, 530);

  // The response curve fills the strip's plot area, between the rows and clear of every
  // control, and takes no clicks: a click there reaches the background.
  auto* curve = dynamic_cast<TeskResponseCurve*>(gui->GetControl(35));
  ASSERT_NE(curve, nullptr);
  const IRECT cr = *curve->GetRECT();
  EXPECT_EQ(cr, IRECT(TeskEditorLayout::kCurvePlotL, TeskEditorLayout::kCurvePlotT, TeskEditorLayout::kCurvePlotR,
                      TeskEditorLayout::kCurvePlotB));
  const IRECT frame(TeskEditorLayout::kCurveFrameL, TeskEditorLayout::kCurveFrameT, TeskEditorLayout::kCurveFrameR,
                    TeskEditorLayout::kCurveFrameB);
  EXPECT_EQ(cr.Intersect(&frame), cr);
  for (size_t i = 0; i < rects.size(); ++i)
  {
    const IRECT& a = rects[i];
    EXPECT_FALSE(a.L < frame.R && frame.L < a.R && a.T < frame.B && frame.T < a.B) << kLayout[i].stem;
  }
  EXPECT_EQ(gui->GetMouseControlIdx((cr.L + cr.R) / 2, (cr.T + cr.B) / 2), 0);
}

TEST_F(TeskEditorTest, SelectorsStepThroughTheirListAndOverToggles)
{
  // HFREQL: 12000, 15000, 20000 Hz, then back to the first.
  const int hfreqL = 7;
  ProcessBlock();
  EXPECT_EQ(Value(TeskChain::kHFREQL), 0);
  EXPECT_EQ(tesk->GetSelectedFrequency(TeskChain::kHighL), 12000.0);
  const double expected[] = {15000.0, 20000.0, 12000.0};
  for (int step = 0; step < 3; ++step)
  {
    Click(hfreqL);
    EXPECT_EQ(Value(TeskChain::kHFREQL), (step + 1) % 3);
    EXPECT_EQ(tesk->GetStoredValue(TeskChain::kHFREQL), (step + 1) % 3);
    ProcessBlock();  // the band takes the new frequency at the next block start
    EXPECT_EQ(tesk->GetSelectedFrequency(TeskChain::kHighL), expected[step]);
  }

  // OVER, in the bottom-left corner, toggles parameter 32.
  IMouseMod left(true);
  gui->OnMouseDown(10, 445, &left);
  gui->OnMouseUp(10, 445, &left);
  EXPECT_EQ(Value(TeskChain::kOVER), 1);
  gui->OnMouseDown(10, 445, &left);
  gui->OnMouseUp(10, 445, &left);
  EXPECT_EQ(Value(TeskChain::kOVER), 0);
}

TEST_F(TeskEditorTest, LinkedSecondChannelKnobFollowsAtTheNextBlock)
{
  const int mgain2L = 25, mgain2R = 26;
  ASSERT_EQ(gui->GetControl(mgain2L)->ParamIdx(), TeskChain::kMGAIN2L);
  IRECT c = CentreOf(mgain2L);
  IMouseMod left(true);
  gui->OnMouseDown(c.L, c.T, &left);
  gui->OnMouseDrag(c.L, c.T - 40, &left);
  gui->OnMouseUp(c.L, c.T - 40, &left);
  const double moved = Value(TeskChain::kMGAIN2L);
  EXPECT_GT(moved, 0.0);
  EXPECT_EQ(Value(TeskChain::kMGAIN2R), 0.0);

  ProcessBlock();  // LINK is 0: the block start copies the first channel to the second
  gui->ApplyPendingParamValues();
  EXPECT_EQ(Value(TeskChain::kMGAIN2R), moved);
  EXPECT_DOUBLE_EQ(gui->GetControl(mgain2R)->GetValue(), tesk->GetParam(TeskChain::kMGAIN2R)->GetNormalized());
}

TEST_F(TeskEditorTest, PanelShowsTheFrameOfEachValue)
{
  IRECT full(0, 0, 1156, 456);
  gui->SetAllControlsDirty();
  gui->Draw(&full);
  Pix_SysBitmap* surface = gui->GetDrawBitmap();
  ASSERT_NE(surface, nullptr);

  // DRIVE at its default -40 dB is the middle frame (15 of 31); MS at 1 is frame 1.
  struct Probe
  {
    const char* stem;
    int frames, frame, x, y;
  } probes[] = {{"DRV", 31, 15, 125, 112}, {"MS", 2, 1, 306, 196}, {"HGAINL", 31, 15, 862, 38}};
  for (const Probe& p : probes)
  {
    std::unique_ptr<Pix_IBitmap> image = LoadImage(p.stem);
    ASSERT_TRUE(image);
    const int h = image->getHeight() / p.frames;
    int mismatches = 0;
    for (int y = 0; y < h; y += 3)
      for (int x = 0; x < image->getWidth(); x += 3)
        if ((Pix_GetPixel(image.get(), x, p.frame * h + y) & 0xFFFFFF) !=
            (Pix_GetPixel(surface, p.x + x, p.y + y) & 0xFFFFFF))
          ++mismatches;
    EXPECT_EQ(mismatches, 0) << p.stem;
  }
}

namespace {

// Tesk's editor on the headless platform, with the committed images, open and drawn.
struct HeadlessTesk
{
  explicit HeadlessTesk(int percent)
  {
    tesk = static_cast<Tesk*>(MakePlug());
    gui = new IGraphicsHeadless(tesk, TeskEditorLayout::kWidth, TeskEditorLayout::kHeight, 0, TESK_IMAGE_DIR);
    TeskEditorLayout::Attach(gui, tesk);
    tesk->AttachGraphics(gui);  // replaces the platform editor the constructor made
    gui->SetScale(percent);
    gui->OpenWindow(nullptr);
    gui->Tick();
  }
  ~HeadlessTesk() { tesk->release(); }
  int IndexOf(int param)
  {
    for (int i = 0; i < gui->NControls(); ++i)
      if (gui->GetControl(i)->ParamIdx() == param) return i;
    return -1;
  }
  Tesk* tesk;
  IGraphicsHeadless* gui;
};

}  // namespace

// At 200 % the knobs are the committed large images pixel for pixel: sharp, not enlarged.
TEST(TeskEditorScale, TwoHundredPercentShowsTheLargeImages)
{
  // HGAINL at its default (0 dB) shows frame 15 of 31.
  std::unique_ptr<Pix_IBitmap> knob = LoadImage("2x/HGAINL@2x");
  ASSERT_TRUE(knob);
  const int w = knob->getWidth(), h = knob->getHeight() / 31;
  HeadlessTesk e(200);
  ASSERT_EQ(e.gui->GetScreen()->getWidth(), 2312);
  ASSERT_EQ(e.gui->GetScreen()->getHeight(), 912);
  int mismatches = 0;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      mismatches += (e.gui->GetScreenPixel(2 * 862 + i, 2 * 38 + j) & 0xFFFFFF) !=
                    (Pix_GetPixel(knob.get(), i, 15 * h + j) & 0xFFFFFF);
  EXPECT_EQ(mismatches, 0);
}

TEST(TeskEditorScale, ADragMovesAKnobExactlyAsAt100Percent)
{
  // The same hand movement over the panel: 1 window pixel at a time at each scale.
  double results[3];
  const int percents[3] = {100, 150, 200};
  for (int s = 0; s < 3; ++s)
  {
    HeadlessTesk e(percents[s]);
    const IRECT k = *e.gui->GetControl(e.IndexOf(TeskChain::kMGAIN1L))->GetRECT();
    const IScale& scale = e.gui->GetScale();
    const int wx = scale.ToSurface((k.L + k.R) / 2), wy = scale.ToSurface((k.T + k.B) / 2);
    IMouseMod left(true);
    e.gui->OnMouseDown(wx, wy, &left);
    // Up 25 panel pixels, down 7, up 3.
    int y = wy;
    for (int target : {wy - scale.ToSurface(25), wy - scale.ToSurface(18), wy - scale.ToSurface(21)})
      while (y != target)
      {
        y += target < y ? -1 : 1;
        e.gui->OnMouseDrag(wx, y, &left);
      }
    e.gui->OnMouseUp(wx, y, &left);
    results[s] = e.tesk->GetParam(TeskChain::kMGAIN1L)->GetValue();
  }
  EXPECT_GT(results[0], 0.0);
  EXPECT_EQ(results[1], results[0]);
  EXPECT_EQ(results[2], results[0]);
}

// The readout says what the host says: the parameter's own name, display text and unit.
TEST(TeskEditorScale, ReadoutShowsTheHostsStrings)
{
  HeadlessTesk e(100);
  IValueReadout* readout = e.gui->GetValueReadout();
  ASSERT_NE(readout, nullptr);
  const IRECT k = *e.gui->GetControl(e.IndexOf(TeskChain::kMGAIN2L))->GetRECT();
  IMouseMod left(true);
  e.gui->OnMouseDown((k.L + k.R) / 2, k.T + 60, &left);
  e.gui->OnMouseDrag((k.L + k.R) / 2, k.T + 20, &left);
  ASSERT_TRUE(readout->IsVisible());
  IParam* param = e.tesk->GetParam(TeskChain::kMGAIN2L);
  char display[64];
  param->GetDisplayForHost(param->GetValue(), false, display, true);
  std::string expected = std::string(param->GetNameForHost()) + "  " + display;
  if (*param->GetLabelForHost()) expected += std::string(" ") + param->GetLabelForHost();
  EXPECT_EQ(readout->GetText(), expected);
  const IRECT box = *readout->GetRECT();
  EXPECT_FALSE(box.L < k.R && k.L < box.R && box.T < k.B && k.T < box.B);
}

// The readout of a control the pointer rests on reads as the host shows the parameter (its
// title, then getParamStringByValue's text and the unit), and goes once the pointer leaves.
TEST(TeskEditorScale, ReadoutsSayWhatTheHostShowsAndGoWhenThePointerLeaves)
{
  const struct
  {
    int param;
    double plain;
    const char* text;
  } cases[] = {
      {TeskChain::kMGAIN2L, -1.5, "Mid 2 Gain L/M  -1.50 dB"},
      {TeskChain::kHFREQR, 1.0, "High Freq R/S  15 kHz"},
      {TeskChain::kOUTR, 12.0, "Output R/S  +12.00 dB"},
      {TeskChain::kDRIVE, -40.0, "Drive  -40.00 dB"},
      {TeskChain::kLINK, 1.0, "Channel Link  Independent"},
      {TeskChain::kOVER, 1.0, "Oversampled Saturation  4x"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text);
    HeadlessTesk e(150);
    IParam* param = e.tesk->GetParam(c.param);
    param->SetValue(c.plain);
    e.gui->SetParameterFromPlug(c.param, c.plain, false);
    const IRECT k = *e.gui->GetControl(e.IndexOf(c.param))->GetRECT();
    const IScale& s = e.gui->GetScale();
    IMouseMod none;
    e.gui->OnMouseOver(s.ToSurface((k.L + k.R) / 2), s.ToSurface((k.T + k.B) / 2), &none);
    IValueReadout* readout = e.gui->GetValueReadout();
    for (int tick = 0; tick < readout->RestTicks() + 1; ++tick) e.gui->Tick();
    ASSERT_TRUE(readout->IsVisible());
    EXPECT_EQ(std::string(readout->GetText()), c.text);

    // The same words through the host interface.
    Steinberg::Vst::String128 shown;
    ASSERT_EQ(e.tesk->getParamStringByValue(c.param, param->GetNormalized(), shown), Steinberg::kResultOk);
    std::string host = std::string(param->GetNameForHost()) + "  ";
    for (const Steinberg::Vst::TChar* ch = shown; *ch; ++ch) host += static_cast<char>(*ch);
    if (*param->GetLabelForHost()) host += std::string(" ") + param->GetLabelForHost();
    EXPECT_EQ(host, c.text);

    e.gui->OnMouseOut();
    for (int tick = 0; tick < readout->LingerTicks() + 1; ++tick) e.gui->Tick();
    EXPECT_FALSE(readout->IsVisible());
  }
}
