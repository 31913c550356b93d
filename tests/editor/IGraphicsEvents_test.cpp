// Event routing, hit testing, host notifications and the editor's control list.
#include <gtest/gtest.h>

#include "editor/IBitmapControl.h"
#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/ISwitchControl.h"
#include "editor/support/EditorTestUtil.h"

using edtest::Rig;

namespace {

// Records the calls it receives.
class RecControl : public IControl
{
public:
  RecControl(IEffectBase* plug, IRECT r, int paramIdx = -1) : IControl(plug, r, paramIdx) {}
  bool Draw(IGraphics*) override { ++draws; return true; }
  void OnMouseDown(int x, int y, IMouseMod* mod) override { log += 'D'; lastR = mod && mod->R; }
  void OnMouseUp(int, int, IMouseMod*) override { log += 'U'; }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override { log += 'G'; lastDX = dX; lastDY = dY; }
  void OnMouseDblClick(int, int, IMouseMod*) override { log += 'C'; }
  void OnMouseWheel(int, int, IMouseMod*, int d) override { log += 'W'; lastD = d; }
  bool OnKeyDown(int, int, int key) override { log += 'K'; return key == 5; }
  void OnMouseOver(int, int, IMouseMod*) override { log += 'O'; }
  void OnMouseOut() override { log += 'X'; }

  std::string log;
  int draws = 0, lastDX = 0, lastDY = 0, lastD = 0;
  bool lastR = false;
};

IMouseMod L() { return IMouseMod(true, false); }
IMouseMod R() { return IMouseMod(false, true); }

}  // namespace

TEST(Events, KnobGestureIsBracketedByBeginAndEndEdit)
{
  Rig rig;
  IBitmap strip(nullptr, 48, 60 * 31, 31, false);
  auto* knob = new IKnobMultiControl(rig.plug, 10, 10, TestPlug::kGain, &strip);
  rig.gui->AttachControl(knob);
  rig.Attach();
  rig.plug->TakeEvents();

  IMouseMod m = L();
  rig.gui->OnMouseDown(20, 20, &m);
  EXPECT_EQ(rig.gui->GetMouseCapture(), 0);
  rig.gui->OnMouseDrag(20, 14, &m);
  rig.gui->OnMouseDrag(20, 14, &m);  // same position: nothing
  rig.gui->OnMouseDrag(200, 8, &m);  // outside the knob: still captured
  rig.gui->OnMouseUp(200, 8, &m);
  EXPECT_EQ(rig.gui->GetMouseCapture(), -1);
  EXPECT_EQ(rig.gui->GetMouseX(), -1);

  auto ev = rig.plug->TakeEvents();
  ASSERT_EQ(ev.size(), 4u);
  EXPECT_EQ(ev[0].mKind, 'B');
  EXPECT_EQ(ev[1].mKind, 'P');
  EXPECT_NEAR(ev[1].mValue, 0.525, 1e-12);
  EXPECT_EQ(ev[2].mKind, 'P');
  EXPECT_NEAR(ev[2].mValue, 0.55, 1e-12);
  EXPECT_EQ(ev[3].mKind, 'E');
  for (auto& e : ev) EXPECT_EQ(e.mIdx, TestPlug::kGain);
}

TEST(Events, DoubleClicks)
{
  Rig rig;
  IBitmap two(nullptr, 10, 20, 2, false);
  auto* sw = new ISwitchControl(rig.plug, 0, 0, TestPlug::kBypass, &two);
  auto* single = new RecControl(rig.plug, IRECT(20, 0, 30, 10), TestPlug::kSteps);
  single->SetDblAsSingleClick(true);
  rig.gui->AttachControl(sw);
  rig.gui->AttachControl(single);
  rig.Attach();
  rig.plug->TakeEvents();

  IMouseMod m = L();
  rig.gui->OnMouseDown(1, 1, &m);
  rig.gui->OnMouseUp(1, 1, &m);
  rig.gui->OnMouseDblClick(1, 1, &m);
  rig.gui->OnMouseUp(1, 1, &m);
  EXPECT_EQ(sw->GetValue(), 0.0);  // two steps
  EXPECT_EQ(rig.plug->TakeEventKinds(), "BPEPE");  // the double click sends no begin-edit

  rig.gui->OnMouseDblClick(21, 1, &m);
  EXPECT_EQ(single->log, "D");
  EXPECT_EQ(rig.gui->GetMouseCapture(), 1);
  rig.gui->OnMouseUp(21, 1, &m);
  EXPECT_EQ(rig.plug->TakeEventKinds(), "E");
}

TEST(Events, RightButtonGoesToTheHostUnderVST3Only)
{
  for (EAPI api : {kAPIVST3, kAPIVST2})
  {
    Rig rig(200, 100, "", api);
    IBitmap two(nullptr, 10, 20, 2, false);
    auto* sw = new ISwitchControl(rig.plug, 0, 0, TestPlug::kBypass, &two);
    auto* noParam = new RecControl(rig.plug, IRECT(20, 0, 30, 10));
    rig.gui->AttachControl(sw);
    rig.gui->AttachControl(noParam);
    rig.Attach();
    rig.plug->TakeEvents();

    IMouseMod r = R();
    rig.gui->OnMouseDown(5, 5, &r);
    // The host's menu takes the button release under VST 3; elsewhere it arrives.
    if (api != kAPIVST3) rig.gui->OnMouseUp(5, 5, &r);
    auto ev = rig.plug->TakeEvents();
    if (api == kAPIVST3)
    {
      ASSERT_EQ(ev.size(), 1u);
      EXPECT_EQ(ev[0].mKind, 'M');
      EXPECT_EQ(ev[0].mValue, 5 * 10000.0 + 5);
      EXPECT_EQ(sw->GetValue(), 0.0);  // the control saw nothing
      EXPECT_EQ(rig.gui->GetMouseCapture(), -1);
    }
    else
    {
      EXPECT_EQ(sw->GetValue(), 1.0);  // a right click steps the switch
      ASSERT_EQ(ev.size(), 3u);
      EXPECT_EQ(ev[0].mKind, 'B');
    }
    rig.gui->OnMouseDown(25, 5, &r);  // no parameter: reaches the control
    EXPECT_EQ(noParam->log, "D");
    EXPECT_TRUE(noParam->lastR);
  }
}

TEST(Events, HitTestingSkipsHiddenAndGreyedControls)
{
  Rig rig;
  auto* below = new RecControl(rig.plug, IRECT(0, 0, 50, 50));
  auto* above = new RecControl(rig.plug, IRECT(10, 10, 40, 40));
  rig.gui->AttachControl(below);
  rig.gui->AttachControl(above);
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20), 1);  // the last attached is on top
  EXPECT_EQ(rig.gui->GetMouseControlIdx(60, 60), -1);

  above->Hide(true);
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20), 0);
  above->Hide(false);
  above->GrayOut(true);
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20), 0);
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20, true), 0);
  above->SetMOWhenGrayed(true);
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20, true), 1);

  IMouseMod m = L();
  rig.gui->OnMouseDown(20, 20, &m);
  EXPECT_EQ(above->log, "");
  EXPECT_EQ(below->log, "D");
  EXPECT_EQ(rig.gui->GetMouseControlIdx(20, 20), 0);  // capture answers first
}

TEST(Events, WheelKeysMouseOverAndOut)
{
  Rig rig;
  auto* bg = new RecControl(rig.plug, IRECT(0, 0, 100, 100));
  auto* a = new RecControl(rig.plug, IRECT(0, 0, 10, 10));
  auto* b = new RecControl(rig.plug, IRECT(20, 0, 30, 10));
  rig.gui->AttachControl(bg);
  rig.gui->AttachControl(a);
  rig.gui->AttachControl(b);
  IMouseMod m = L();

  rig.gui->OnMouseWheel(5, 5, &m, -3);
  EXPECT_EQ(a->lastD, -3);

  EXPECT_FALSE(rig.gui->OnKeyDown(50, 50, 5));  // the background, no key catcher
  EXPECT_EQ(bg->log, "");
  EXPECT_TRUE(rig.gui->OnKeyDown(5, 5, 5));
  auto* catcher = new RecControl(rig.plug, IRECT());
  rig.gui->AttachKeyCatcher(catcher);
  EXPECT_TRUE(rig.gui->OnKeyDown(50, 50, 5));
  EXPECT_FALSE(rig.gui->OnKeyDown(50, 50, 6));
  EXPECT_EQ(catcher->log, "KK");

  EXPECT_FALSE(rig.gui->OnMouseOver(5, 5, &m));  // off by default
  EXPECT_EQ(a->log, "WK");
  rig.gui->HandleMouseOver(true);
  EXPECT_TRUE(rig.gui->OnMouseOver(5, 5, &m));
  EXPECT_TRUE(rig.gui->OnMouseOver(6, 5, &m));
  EXPECT_EQ(rig.gui->GetMouseOver(), 1);
  EXPECT_TRUE(rig.gui->OnMouseOver(25, 5, &m));
  EXPECT_EQ(a->log, "WKOOX");
  EXPECT_EQ(rig.gui->GetMouseOver(), 2);
  rig.gui->OnMouseOut();
  EXPECT_EQ(rig.gui->GetMouseOver(), -1);
  EXPECT_EQ(b->log, "OX");
}

TEST(Events, EmptyEditorAndAfterResizeEventsAreIgnored)
{
  Rig rig;
  IMouseMod m = L();
  // Nothing attached: every event is a no-op.
  rig.gui->OnMouseDown(1, 1, &m);
  rig.gui->OnMouseDrag(5, 5, &m);
  rig.gui->OnMouseWheel(1, 1, &m, 1);
  rig.gui->OnMouseUp(1, 1, &m);
  rig.gui->OnMouseDblClick(1, 1, &m);
  EXPECT_FALSE(rig.gui->OnKeyDown(1, 1, 5));

  auto* c = new RecControl(rig.plug, IRECT(0, 0, 50, 50), TestPlug::kGain);
  rig.gui->AttachControl(c);
  rig.Attach();
  rig.gui->HandleMouseOver(true);
  rig.gui->OnMouseOver(1, 1, &m);
  rig.gui->OnMouseDown(1, 1, &m);  // captured, then the list is emptied
  rig.gui->Resize(300, 120);
  EXPECT_EQ(rig.plug->mResizedW, 300);
  EXPECT_EQ(rig.gui->NControls(), 0);
  EXPECT_EQ(rig.gui->GetMouseCapture(), -1);
  EXPECT_EQ(rig.gui->GetMouseOver(), -1);
  rig.gui->OnMouseDrag(9, 9, &m);
  rig.gui->OnMouseWheel(1, 1, &m, 1);
  EXPECT_FALSE(rig.gui->OnKeyDown(1, 1, 5));
  rig.gui->OnMouseUp(9, 9, &m);
  rig.gui->OnMouseOut();
  IRECT r;
  EXPECT_FALSE(rig.gui->IsDirty(&r));
  EXPECT_TRUE(rig.gui->Draw(&r));
}

TEST(Editor, AttachOrderParameterFanOutAndTooltips)
{
  Rig rig;
  auto* first = new RecControl(rig.plug, IRECT(0, 0, 10, 10), TestPlug::kGain);
  auto* second = new RecControl(rig.plug, IRECT(0, 0, 10, 10), TestPlug::kGain);
  EXPECT_EQ(rig.gui->AttachControl(first), 0);
  EXPECT_EQ(rig.gui->AttachControl(second), 1);
  rig.gui->AttachPanelBackground(&COLOR_GRAY);
  EXPECT_EQ(rig.gui->NControls(), 3);
  EXPECT_EQ(rig.gui->GetControl(1), first);
  rig.gui->AttachBackground(90001, "resources/img/DoesNotExist.png");
  EXPECT_EQ(rig.gui->GetControl(2), first);
  EXPECT_EQ(rig.gui->GetControl(0)->ParamIdx(), -1);

  rig.gui->SetParameterFromPlug(TestPlug::kGain, 6.0, false);
  EXPECT_DOUBLE_EQ(first->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(second->GetValue(), 0.75);
  rig.gui->SetParameterFromPlug(999, 6.0, false);  // no such parameter: ignored
  rig.gui->SetControlFromPlug(99, 0.1);            // no such control: ignored
  rig.gui->SetControlFromPlug(3, 0.1);
  EXPECT_DOUBLE_EQ(second->GetValue(), 0.1);

  rig.gui->SetParameterFromGUI(TestPlug::kGain, 1.0);
  EXPECT_EQ(first->GetValue(), 1.0);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), 12.0);

  rig.gui->ClampControl(TestPlug::kGain, -6.0, 6.0, false);
  EXPECT_DOUBLE_EQ(first->GetClampLow(), 0.25);
  EXPECT_DOUBLE_EQ(second->GetClampHigh(), 0.75);

  rig.gui->HideControl(TestPlug::kGain, true);
  EXPECT_TRUE(first->IsHidden() && second->IsHidden());
  rig.gui->GrayOutControl(TestPlug::kGain, true);
  EXPECT_TRUE(first->IsGrayed());

  rig.gui->AssignParamNameToolTips();
  EXPECT_STREQ(first->GetTooltip(), "Gain");
  EXPECT_STREQ(rig.gui->GetControl(0)->GetTooltip(), "");
  rig.gui->EnableTooltips(true);
  rig.gui->HideControl(TestPlug::kGain, false);
  rig.gui->UpdateTooltips();
  EXPECT_EQ(rig.gui->TooltipAreas(), 3);  // the failed background has an empty target
}

TEST(Editor, PlugInHooksDriveTheControls)
{
  Rig rig;
  IBitmap strip(nullptr, 20, 20 * 31, 31, false);
  auto* gain = new IKnobMultiControl(rig.plug, 0, 0, TestPlug::kGain, &strip);
  auto* steps = new IKnobMultiControl(rig.plug, 30, 0, TestPlug::kSteps, &strip);
  rig.gui->AttachControl(gain);
  rig.gui->AttachControl(steps);
  rig.plug->GetParam(TestPlug::kSteps)->SetValue(2.0);
  EXPECT_EQ(rig.gui->GetDrawBitmap(), nullptr);
  rig.Attach();  // pushes every value, then prepares the surface
  EXPECT_EQ(rig.plug->GetGUI(), rig.gui);
  EXPECT_NE(rig.gui->GetDrawBitmap(), nullptr);
  EXPECT_DOUBLE_EQ(steps->GetValue(), 0.2);
  EXPECT_DOUBLE_EQ(steps->GetDefaultValue(), 0.2);
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.5);

  rig.plug->GetParam(TestPlug::kGain)->SetValue(-12.0);
  rig.plug->GetParam(TestPlug::kSteps)->SetValue(7.0);
  rig.plug->RedrawParamControls();
  EXPECT_EQ(gain->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(steps->GetValue(), 0.7);
  EXPECT_TRUE(rig.plug->TakeEvents().empty());

  int changes = rig.plug->mParamChanges;
  gain->SetValueFromUserInput(0.25);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), -6.0);
  EXPECT_EQ(rig.plug->mParamChanges, changes + 1);
  EXPECT_EQ(rig.plug->TakeEventKinds(), "P");
}

// A control that follows a parameter as an auxiliary parameter sees the editor's own changes
// of it as it sees the plug-in's (the response curve relies on this).
TEST(Events, ValuesPushedFromTheEditorReachAuxiliaryFollowers)
{
  Rig rig;
  IBitmap strip(nullptr, 48, 60 * 31, 31, false);
  auto* knob = new IKnobMultiControl(rig.plug, 10, 10, TestPlug::kGain, &strip);
  auto* follower = new RecControl(rig.plug, IRECT(100, 10, 120, 20));
  follower->AddAuxParam(TestPlug::kSteps);
  follower->AddAuxParam(TestPlug::kGain);
  rig.gui->AttachControl(knob);
  rig.gui->AttachControl(follower);
  rig.Attach();
  rig.gui->Tick();
  rig.gui->Tick();  // the values pushed on attaching ask for a second drawing
  ASSERT_FALSE(follower->IsDirty());

  IMouseMod m = L();
  rig.gui->OnMouseDown(20, 40, &m);
  rig.gui->OnMouseDrag(20, 28, &m);
  rig.gui->OnMouseUp(20, 28, &m);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.55);
  EXPECT_DOUBLE_EQ(follower->GetAuxParam(1)->mValue, 0.55);
  EXPECT_DOUBLE_EQ(follower->GetAuxParam(0)->mValue, 0.5);  // Steps: untouched since the attach
  EXPECT_TRUE(follower->IsDirty());
}
