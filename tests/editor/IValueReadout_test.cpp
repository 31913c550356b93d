// The value readout: when it shows and goes (counted in repaint ticks), what it says, where it
// sits, and that the panel under it is drawn again when it goes.
#include <gtest/gtest.h>

#include <string>

#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/IValueReadout.h"
#include "editor/support/EditorTestUtil.h"
#include "framework/IParam.h"

using edtest::Rig;

namespace {

const IColor kGrey(255, 90, 90, 90);

// A 300 x 200 panel with a grey background and a gain knob (40 x 40) at (130, 80).
struct ReadoutRig
{
  explicit ReadoutRig(IRECT knobAt = IRECT(130, 80, 170, 120)) : rig(300, 200)
  {
    rig.gui->AttachPanelBackground(&kGrey);
    strip = IBitmap(nullptr, knobAt.W(), knobAt.H() * 31, 31, false);
    knob = rig.gui->AttachControl(new IKnobMultiControl(rig.plug, knobAt.L, knobAt.T, TestPlug::kGain, &strip));
    rig.gui->HandleMouseOver(true);
    rig.gui->EnableValueReadouts(true);
    rig.Attach();
    readout = rig.gui->GetValueReadout();
    rig.gui->Tick();
  }
  IControl* Knob() { return rig.gui->GetControl(knob); }
  void Ticks(int n)
  {
    for (int i = 0; i < n; ++i) rig.gui->Tick();
  }
  Rig rig;
  IBitmap strip;
  int knob;
  IValueReadout* readout;
  IMouseMod left{true};
};

}  // namespace

TEST(ValueReadout, ShowsDuringAGestureAndLingersAfterIt)
{
  ReadoutRig r;
  ASSERT_NE(r.readout, nullptr);
  EXPECT_EQ(r.readout->RestTicks(), 13);    // 0.5 s at 25 ticks a second
  EXPECT_EQ(r.readout->LingerTicks(), 15);  // 0.6 s
  EXPECT_FALSE(r.readout->IsVisible());

  r.rig.gui->OnMouseDown(150, 100, &r.left);
  EXPECT_TRUE(r.readout->IsVisible());
  EXPECT_EQ(r.readout->ControlIdx(), r.knob);
  EXPECT_STREQ(r.readout->GetText(), "Gain  0.0 dB");
  // Dragging up 16 pixels raises the gain by 16 / 40 / 4 of the range: +2.4 dB.
  r.rig.gui->OnMouseDrag(150, 84, &r.left);
  EXPECT_STREQ(r.readout->GetText(), "Gain  2.4 dB");
  // Held as long as the button is down, however long.
  r.Ticks(100);
  EXPECT_TRUE(r.readout->IsVisible());
  r.rig.gui->OnMouseUp(150, 84, &r.left);
  r.Ticks(r.readout->LingerTicks() - 1);
  EXPECT_TRUE(r.readout->IsVisible());
  r.Ticks(1);
  EXPECT_FALSE(r.readout->IsVisible());

  // A wheel step shows it and it lingers; host automation meanwhile updates it.
  r.rig.gui->OnMouseWheel(150, 100, &r.left, 5);
  EXPECT_TRUE(r.readout->IsVisible());
  EXPECT_STREQ(r.readout->GetText(), "Gain  3.6 dB");
  r.rig.gui->SetParameterFromPlug(TestPlug::kGain, -6.0, false);
  r.rig.plug->GetParam(TestPlug::kGain)->SetValue(-6.0);
  r.Ticks(1);
  EXPECT_STREQ(r.readout->GetText(), "Gain  -6.0 dB");
  r.Ticks(r.readout->LingerTicks());
  EXPECT_FALSE(r.readout->IsVisible());

  // A double click (back to the default) shows it too; a scale change puts it away.
  r.rig.gui->OnMouseDblClick(150, 100, &r.left);
  EXPECT_TRUE(r.readout->IsVisible());
  EXPECT_STREQ(r.readout->GetText(), "Gain  0.0 dB");
  r.rig.gui->SetScale(200);
  EXPECT_FALSE(r.readout->IsVisible());

  // Nothing for the background, nor for a right click that opens the host's parameter menu.
  ReadoutRig other;
  other.rig.gui->OnMouseDown(20, 20, &other.left);
  other.rig.gui->OnMouseUp(20, 20, &other.left);
  EXPECT_FALSE(other.readout->IsVisible());
  IMouseMod right(false, true);
  other.rig.gui->OnMouseDown(150, 100, &right);
  EXPECT_FALSE(other.readout->IsVisible());
}

TEST(ValueReadout, ShowsWhenThePointerRestsAndGoesWhenItLeaves)
{
  ReadoutRig r;
  r.rig.gui->OnMouseOver(150, 100, &r.left);
  r.Ticks(r.readout->RestTicks() - 1);
  EXPECT_FALSE(r.readout->IsVisible());
  r.rig.gui->OnMouseOver(151, 101, &r.left);  // moving within the knob is still resting on it
  r.Ticks(1);
  EXPECT_TRUE(r.readout->IsVisible());
  r.Ticks(200);
  EXPECT_TRUE(r.readout->IsVisible());

  // Over the background: it lingers, then goes.
  r.rig.gui->OnMouseOver(20, 20, &r.left);
  r.Ticks(r.readout->LingerTicks() - 1);
  EXPECT_TRUE(r.readout->IsVisible());
  r.Ticks(1);
  EXPECT_FALSE(r.readout->IsVisible());

  // Out of the editor altogether.
  r.rig.gui->OnMouseOver(150, 100, &r.left);
  r.Ticks(r.readout->RestTicks());
  ASSERT_TRUE(r.readout->IsVisible());
  r.rig.gui->OnMouseOut();
  r.Ticks(r.readout->LingerTicks());
  EXPECT_FALSE(r.readout->IsVisible());

  // Without mouse-over handling the pointer's rest shows nothing.
  r.rig.gui->HandleMouseOver(false);
  r.rig.gui->OnMouseOver(150, 100, &r.left);
  r.Ticks(r.readout->RestTicks() * 2);
  EXPECT_FALSE(r.readout->IsVisible());
}

// Above the control, or below, beside it where the panel has no room; always inside the panel
// and never over the control.
TEST(ValueReadout, NeverCoversTheControl)
{
  const struct
  {
    const char* where;
    IRECT knob;
    char side;  // 'a'bove, 'b'elow, 'l'eft, 'r'ight
  } cases[] = {{"middle", IRECT(130, 80, 170, 120), 'a'},  {"top edge", IRECT(130, 0, 170, 40), 'b'},
               {"bottom edge", IRECT(0, 160, 40, 200), 'a'}, {"top left corner", IRECT(0, 0, 40, 40), 'b'},
               {"full height, left", IRECT(0, 0, 40, 200), 'r'}, {"full height, right", IRECT(260, 0, 300, 200), 'l'}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.where);
    ReadoutRig r(c.knob);
    r.rig.gui->OnMouseDown((c.knob.L + c.knob.R) / 2, (c.knob.T + c.knob.B) / 2, &r.left);
    ASSERT_TRUE(r.readout->IsVisible());
    const IRECT b = *r.readout->GetRECT();
    const IRECT k = c.knob;
    EXPECT_FALSE(b.L < k.R && k.L < b.R && b.T < k.B && k.T < b.B);
    EXPECT_GE(b.L, 0);
    EXPECT_GE(b.T, 0);
    EXPECT_LE(b.R, 300);
    EXPECT_LE(b.B, 200);
    EXPECT_GT(b.W(), 30);
    switch (c.side)
    {
      case 'a': EXPECT_LE(b.B, k.T); break;
      case 'b': EXPECT_GE(b.T, k.B); break;
      case 'l': EXPECT_LE(b.R, k.L); break;
      default: EXPECT_GE(b.L, k.R); break;
    }
  }
}

// Drawn on top of the panel while it shows; when it goes, what lies under it is drawn again.
TEST(ValueReadout, ThePanelUnderItIsRedrawnWhenItGoes)
{
  for (int percent : {100, 150})
  {
    SCOPED_TRACE(percent);
    ReadoutRig r;
    r.rig.gui->SetScale(percent);
    r.rig.gui->Tick();
    const int wx = r.rig.gui->GetScale().ToSurface(150), wy = r.rig.gui->GetScale().ToSurface(100);
    r.rig.gui->OnMouseDown(wx, wy, &r.left);
    ASSERT_TRUE(r.readout->IsVisible());
    r.rig.gui->Tick();
    const IRECT box = r.rig.gui->PanelToWindow(*r.readout->GetRECT());
    int covered = 0;
    for (int y = box.T; y < box.B; ++y)
      for (int x = box.L; x < box.R; ++x) covered += (r.rig.gui->GetScreenPixel(x, y) & 0xFFFFFF) != 0x5A5A5Au;
    EXPECT_GT(covered, box.W() * box.H() / 2);

    r.rig.gui->OnMouseUp(wx, wy, &r.left);
    r.Ticks(r.readout->LingerTicks());
    ASSERT_FALSE(r.readout->IsVisible());
    for (int y = box.T; y < box.B; ++y)
      for (int x = box.L; x < box.R; ++x)
        ASSERT_EQ(r.rig.gui->GetScreenPixel(x, y) & 0xFFFFFF, 0x5A5A5Au) << x << "," << y;
    // Afterwards nothing is drawn while nothing moves.
    const int presented = r.rig.gui->PresentCount();
    r.Ticks(20);
    EXPECT_EQ(r.rig.gui->PresentCount(), presented);
  }
}
