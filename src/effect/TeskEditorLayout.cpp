#include "effect/TeskEditorLayout.h"

#include "dsp/TeskChain.h"
#include "editor/IGraphics.h"
#include "editor/IKnobControl.h"
#include "editor/ISwitchControl.h"
#include "editor/IURLControl.h"
#include "editor/PlatformGraphics.h"
#include "effect/TeskParameterTable.h"
#include "effect/TeskResponseCurve.h"

namespace TeskEditorLayout {
namespace {

enum class Kind { Switch, Knob };

// The filmstrip's frame count comes from the parameter table.
struct ControlSpec
{
  Kind kind;
  int resourceID;
  const char* file;
  int x, y;
  int paramIdx;
};

// In attach order: the order sets drawing (later on top) and mouse hits.
const ControlSpec kControls[] = {
    {Kind::Switch, 102, "resources/img/BY.png", 123, 190, TeskChain::kBY},
    {Kind::Switch, 133, "resources/img/OVER.png", 0, 429, TeskChain::kOVER},
    {Kind::Switch, 113, "resources/img/LINK.png", 215, 196, TeskChain::kLINK},
    {Kind::Switch, 130, "resources/img/MS.png", 306, 196, TeskChain::kMS},
    {Kind::Switch, 107, "resources/img/LCUTL.png", 123, 55, TeskChain::kLCUTL},
    {Kind::Switch, 108, "resources/img/LCUTR.png", 123, 267, TeskChain::kLCUTR},
    {Kind::Switch, 103, "resources/img/HFREQL.png", 862, 124, TeskChain::kHFREQL},
    {Kind::Switch, 104, "resources/img/HFREQR.png", 862, 334, TeskChain::kHFREQR},
    {Kind::Switch, 109, "resources/img/LFREQL.png", 252, 124, TeskChain::kLFREQL},
    {Kind::Switch, 110, "resources/img/LFREQR.png", 254, 334, TeskChain::kLFREQR},
    {Kind::Switch, 114, "resources/img/MFREQ1L.png", 371, 124, TeskChain::kMFREQ1L},
    {Kind::Switch, 115, "resources/img/MFREQ1R.png", 377, 334, TeskChain::kMFREQ1R},
    {Kind::Switch, 116, "resources/img/MFREQ2L.png", 498, 124, TeskChain::kMFREQ2L},
    {Kind::Switch, 117, "resources/img/MFREQ2R.png", 502, 334, TeskChain::kMFREQ2R},
    {Kind::Switch, 118, "resources/img/MFREQ3L.png", 619, 124, TeskChain::kMFREQ3L},
    {Kind::Switch, 119, "resources/img/MFREQ3R.png", 625, 334, TeskChain::kMFREQ3R},
    {Kind::Switch, 120, "resources/img/MFREQ4L.png", 741, 124, TeskChain::kMFREQ4L},
    {Kind::Switch, 121, "resources/img/MFREQ4R.png", 748, 334, TeskChain::kMFREQ4R},
    {Kind::Knob, 105, "resources/img/HGAINL.png", 862, 38, TeskChain::kHGAINL},
    {Kind::Knob, 106, "resources/img/HGAINR.png", 862, 253, TeskChain::kHGAINR},
    {Kind::Knob, 111, "resources/img/LGAINL.png", 244, 38, TeskChain::kLGAINL},
    {Kind::Knob, 112, "resources/img/LGAINR.png", 248, 253, TeskChain::kLGAINR},
    {Kind::Knob, 122, "resources/img/MGAIN1L.png", 371, 38, TeskChain::kMGAIN1L},
    {Kind::Knob, 123, "resources/img/MGAIN1R.png", 373, 253, TeskChain::kMGAIN1R},
    {Kind::Knob, 124, "resources/img/MGAIN2L.png", 496, 38, TeskChain::kMGAIN2L},
    {Kind::Knob, 125, "resources/img/MGAIN2R.png", 496, 253, TeskChain::kMGAIN2R},
    {Kind::Knob, 126, "resources/img/MGAIN3L.png", 621, 32, TeskChain::kMGAIN3L},
    {Kind::Knob, 127, "resources/img/MGAIN3R.png", 619, 253, TeskChain::kMGAIN3R},
    {Kind::Knob, 128, "resources/img/MGAIN4L.png", 741, 38, TeskChain::kMGAIN4L},
    {Kind::Knob, 129, "resources/img/MGAIN4R.png", 739, 253, TeskChain::kMGAIN4R},
    {Kind::Knob, 131, "resources/img/OUTL.png", 981, 38, TeskChain::kOUTL},
    {Kind::Knob, 132, "resources/img/OUTR.png", 981, 253, TeskChain::kOUTR},
    {Kind::Knob, 134, "resources/img/DRV.png", 125, 112, TeskChain::kDRIVE},
};
static_assert(sizeof(kControls) / sizeof(kControls[0]) + 2 == kNumControls,
              "33 controls, the link area and the response curve");

}  // namespace

void Attach(IGraphics* gui, IEffectBase* plug)
{
  if (!gui) return;
  gui->AttachBackground(101, "resources/img/BG.png");
  for (const ControlSpec& c : kControls)
  {
    // Frames are stacked vertically; the record is copied into the control.
    IBitmap bitmap = gui->LoadIBitmap(c.resourceID, c.file, TeskParams::kTable[c.paramIdx].frames, false);
    if (c.kind == Kind::Switch)
      gui->AttachControl(new ISwitchControl(plug, c.x, c.y, c.paramIdx, &bitmap));
    else
      gui->AttachControl(new IKnobMultiControl(plug, c.x, c.y, c.paramIdx, &bitmap));
  }
  // The web-link area reaches below the panel; only its visible part can be clicked.
  gui->AttachControl(new IURLControl(plug, IRECT(1060, 430, 1160, 530), kProductURL));
  gui->AttachControl(
    new TeskResponseCurve(plug, IRECT(kCurvePlotL, kCurvePlotT, kCurvePlotR, kCurvePlotB)));
  // Readouts show values while a control is worked and when the pointer rests on it.
  gui->HandleMouseOver(true);
  gui->EnableValueReadouts(true);
}

}  // namespace TeskEditorLayout

IGraphics* MakeGraphics(IEffectBase* plug, int width, int height, int frameRate)
{
  return MakePlatformGraphics(plug, width, height, frameRate);
}
