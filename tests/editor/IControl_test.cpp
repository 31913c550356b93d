// Control values, flags and gestures, through a headless editor attached to a test plug-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor/IBitmapControl.h"
#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/ISwitchControl.h"
#include "editor/ITextControl.h"
#include "editor/IURLControl.h"
#include "editor/support/EditorTestUtil.h"

using edtest::Rig;

namespace {

// A 48-wide filmstrip record of n frames, each frameH high, without pixels (logic only).
IBitmap Strip(int n, int frameH = 60, int w = 48)
{
  return IBitmap(nullptr, w, frameH * n, n, false);
}

IMouseMod Left(bool shift = false, bool ctrl = false)
{
  return IMouseMod(true, false, shift, ctrl, false);
}

}  // namespace

TEST(Switch, StepsThroughFramesAndWraps)
{
  Rig rig;
  IBitmap two = Strip(2), three = Strip(3);
  auto* sw2 = new ISwitchControl(rig.plug, 0, 0, TestPlug::kBypass, &two);
  auto* sw3 = new ISwitchControl(rig.plug, 50, 0, TestPlug::kMode, &three);
  rig.gui->AttachControl(sw2);
  rig.gui->AttachControl(sw3);
  EXPECT_TRUE(*sw2->GetRECT() == IRECT(0, 0, 48, 60));

  IMouseMod m = Left();
  sw2->OnMouseDown(1, 1, &m);
  EXPECT_EQ(sw2->GetValue(), 1.0);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kBypass)->GetValue(), 1.0);
  sw2->OnMouseDown(1, 1, &m);
  EXPECT_EQ(sw2->GetValue(), 0.0);
  sw2->OnMouseDblClick(1, 1, &m);  // a double click is one more step
  EXPECT_EQ(sw2->GetValue(), 1.0);

  double seen[4];
  for (double& v : seen)
  {
    sw3->OnMouseDown(51, 1, &m);
    v = sw3->GetValue();
  }
  EXPECT_EQ(seen[0], 0.5);
  EXPECT_EQ(seen[1], 1.0);
  EXPECT_EQ(seen[2], 0.0);
  EXPECT_EQ(seen[3], 0.5);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kMode)->GetValue(), 1.0);
}

TEST(Knob, DragGearingFineAdjustmentWheelAndLimits)
{
  Rig rig;
  IBitmap strip = Strip(31);
  auto* knob = new IKnobMultiControl(rig.plug, 10, 10, TestPlug::kGain, &strip);
  rig.gui->AttachControl(knob);
  ASSERT_EQ(knob->GetRECT()->H(), 60);
  knob->SetValueFromPlug(0.5);

  IMouseMod plain = Left(), shift = Left(true), ctrl = Left(false, true);
  knob->OnMouseDrag(0, 0, 0, -6, &plain);  // up 6 pixels of 60, gearing 4
  EXPECT_NEAR(knob->GetValue(), 0.525, 1e-12);
  knob->OnMouseDrag(0, 0, 0, -6, &shift);
  EXPECT_NEAR(knob->GetValue(), 0.5275, 1e-12);
  knob->OnMouseDrag(0, 0, 0, 6, &ctrl);
  EXPECT_NEAR(knob->GetValue(), 0.525, 1e-12);

  knob->OnMouseWheel(0, 0, &plain, 2);
  EXPECT_NEAR(knob->GetValue(), 0.545, 1e-12);
  knob->OnMouseWheel(0, 0, &ctrl, 2);
  EXPECT_NEAR(knob->GetValue(), 0.547, 1e-12);

  knob->OnMouseDrag(0, 0, 0, -100000, &plain);
  EXPECT_EQ(knob->GetValue(), 1.0);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), 12.0);
  knob->OnMouseWheel(0, 0, &plain, -1000);
  EXPECT_EQ(knob->GetValue(), 0.0);

  IKnobMultiControl horiz(rig.plug, 0, 0, TestPlug::kGain, &strip, kHorizontal, 1.0);
  horiz.OnMouseDrag(0, 0, 12, -50, &plain);  // 12 of 48 pixels to the right
  EXPECT_NEAR(horiz.GetValue(), 0.25, 1e-12);
}

TEST(Control, ValueFromPlugDirtyAndRedrawRequest)
{
  Rig rig;
  IBitmap strip = Strip(2);
  auto* c = new IBitmapControl(rig.plug, 0, 0, TestPlug::kGain, &strip);
  rig.gui->AttachControl(c);
  EXPECT_TRUE(c->IsDirty());  // new controls draw on the first pass
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());

  c->SetValueFromPlug(0.0);  // first push: becomes the default, equal to the value
  EXPECT_EQ(c->GetDefaultValue(), 0.0);
  EXPECT_FALSE(c->IsDirty());
  EXPECT_FALSE(c->GetRedrawRequested());

  c->SetValueFromPlug(0.25);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_TRUE(c->GetRedrawRequested());
  EXPECT_EQ(c->GetDefaultValue(), 0.0);
  c->SetClean();  // one more pass requested
  EXPECT_TRUE(c->IsDirty());
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());

  c->SetValueFromPlug(0.25);
  EXPECT_FALSE(c->IsDirty());
  EXPECT_TRUE(rig.plug->TakeEvents().empty());  // values from the plug-in are never pushed back

  c->Clamp(0.2, 0.6);
  c->SetValue(0.9);
  c->SetDirty(false);
  EXPECT_EQ(c->GetValue(), 0.6);
  c->SetValue(-1.0);
  c->SetDirty(false);
  EXPECT_EQ(c->GetValue(), 0.2);
}

TEST(Control, DoubleClickRestoresTheFirstPushedValue)
{
  Rig rig;
  IBitmap strip = Strip(31);
  auto* knob = new IKnobMultiControl(rig.plug, 0, 0, TestPlug::kGain, &strip);
  rig.gui->AttachControl(knob);
  IMouseMod m = Left();

  knob->SetValue(0.3);
  knob->OnMouseDblClick(0, 0, &m);  // no default yet
  EXPECT_EQ(knob->GetValue(), 0.3);
  EXPECT_TRUE(rig.plug->TakeEvents().empty());

  rig.Attach();  // pushes 0.5 (0 dB)
  EXPECT_EQ(knob->GetDefaultValue(), 0.5);
  knob->SetValueFromUserInput(0.9);
  knob->OnMouseDblClick(0, 0, &m);
  EXPECT_EQ(knob->GetValue(), 0.5);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), 0.0);
  auto events = rig.plug->TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().mKind, 'P');
  EXPECT_EQ(events.back().mValue, 0.5);
}

TEST(Control, ValueAndNameDisplays)
{
  Rig rig;
  IText style;
  auto* value = new ITextControl(rig.plug, IRECT(0, 0, 50, 10), &style);
  auto* name = new ITextControl(rig.plug, IRECT(0, 10, 50, 20), &style);
  IBitmap strip = Strip(31);
  auto* knob = new IKnobMultiControl(rig.plug, 0, 20, TestPlug::kGain, &strip);
  IBitmap three = Strip(3);
  auto* mode = new ISwitchControl(rig.plug, 60, 20, TestPlug::kMode, &three);
  for (IControl* c : {static_cast<IControl*>(value), static_cast<IControl*>(name), static_cast<IControl*>(knob),
                      static_cast<IControl*>(mode)})
    rig.gui->AttachControl(c);
  knob->SetValDisplayControl(value);
  knob->SetNameDisplayControl(name);
  mode->SetValDisplayControl(value);

  knob->SetValueFromUserInput(0.75);  // 6 dB
  EXPECT_STREQ(value->GetTextString(), "6.0 dB");
  EXPECT_STREQ(name->GetTextString(), "Gain");

  IMouseMod m = Left();
  mode->OnMouseDown(61, 21, &m);  // "Mid": a display text carries no label
  EXPECT_STREQ(value->GetTextString(), "Mid ");

  value->SetClean();
  value->SetTextFromPlug("Mid ");
  EXPECT_FALSE(value->IsDirty());
  value->SetTextFromPlug("other");
  EXPECT_TRUE(value->IsDirty());
}

TEST(Control, HideGreyOutAndAuxParams)
{
  Rig rig;
  auto* c = new IPanelControl(rig.plug, IRECT(0, 0, 10, 10), &COLOR_RED);
  rig.gui->AttachControl(c);
  c->SetClean();
  c->GrayOut(true);
  EXPECT_FLOAT_EQ(c->GetBlend()->mWeight, 0.25f);
  EXPECT_TRUE(c->IsDirty());
  c->GrayOut(false);
  EXPECT_FLOAT_EQ(c->GetBlend()->mWeight, 1.0f);
  c->SetClean();
  c->Hide(true);
  EXPECT_TRUE(c->IsHidden());
  c->SetClean();
  EXPECT_TRUE(c->IsDirty());  // hiding asks for one more pass, so what lies beneath is redrawn

  c->AddAuxParam(TestPlug::kSteps);
  c->AddAuxParam(TestPlug::kLink);
  EXPECT_EQ(c->AuxParamIdx(TestPlug::kLink), 1);
  EXPECT_EQ(c->AuxParamIdx(TestPlug::kGain), -1);
  EXPECT_EQ(c->GetAuxParam(2), nullptr);
  rig.gui->SetParameterFromPlug(TestPlug::kLink, 1.0, true);
  EXPECT_EQ(c->GetAuxParam(1)->mValue, 1.0);
  rig.gui->SetParameterFromPlug(TestPlug::kSteps, 8.0, false);
  EXPECT_DOUBLE_EQ(c->GetAuxParam(0)->mValue, 0.8);
  c->GetAuxParam(0)->mValue = 0.2;
  c->SetAllAuxParamsFromGUI();
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kSteps)->GetValue(), 2.0);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kLink)->GetValue(), 1.0);
}

TEST(Control, RadioButtonsFramesFaderInvisibleAndContact)
{
  Rig rig;
  IMouseMod m = Left();

  IBitmap button(nullptr, 10, 20, 2, false);  // off/on frames of 10 x 10
  auto* radio = new IRadioButtonsControl(rig.plug, IRECT(0, 0, 50, 10), TestPlug::kMode, 3, &button, kHorizontal);
  rig.gui->AttachControl(radio);
  EXPECT_TRUE(*radio->GetButton(1) == IRECT(20, 0, 30, 10));
  radio->OnMouseDown(25, 5, &m);
  EXPECT_EQ(radio->GetValue(), 0.5);
  rig.plug->TakeEvents();
  radio->OnMouseDown(15, 5, &m);  // between buttons: unchanged, pushed anyway
  EXPECT_EQ(radio->GetValue(), 0.5);
  EXPECT_EQ(rig.plug->TakeEventKinds(), "P");
  IRadioButtonsControl reversed(rig.plug, IRECT(0, 0, 10, 50), TestPlug::kMode, 3, &button, kVertical, true);
  EXPECT_TRUE(*reversed.GetButton(0) == IRECT(0, 40, 10, 50));

  IBitmap frames(nullptr, 30, 30, 3, false);  // three stacked 30 x 10 frames
  auto* picker = new ISwitchFramesControl(rig.plug, 100, 0, TestPlug::kMode, &frames);
  rig.gui->AttachControl(picker);
  EXPECT_EQ(picker->NStrips(), 3);
  picker->OnMouseDown(105, 7, &m);
  EXPECT_EQ(picker->GetValue(), 1.0);
  EXPECT_FALSE(picker->GetPromptDisabled());

  IBitmap handle(nullptr, 10, 20, 1, false);
  auto* fader = new IFaderControl(rig.plug, 0, 100, 120, TestPlug::kGain, &handle);
  rig.gui->AttachControl(fader);
  EXPECT_TRUE(*fader->GetRECT() == IRECT(0, 100, 10, 220));
  fader->SnapToMouse(5, 100 + 10 + 50);  // half of the 100-pixel span
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.5);
  EXPECT_TRUE(fader->GetHandleRECT() == IRECT(0, 150, 10, 170));
  EXPECT_TRUE(fader->GetHandleRECT(1.0) == IRECT(0, 100, 10, 120));
  fader->OnMouseDrag(5, 0, 0, 0, &m);
  EXPECT_EQ(fader->GetValue(), 1.0);

  auto* inv = new IInvisibleSwitchControl(rig.plug, IRECT(0, 300, 10, 310), TestPlug::kLink);
  rig.gui->AttachControl(inv);
  inv->OnMouseDown(1, 301, &m);
  EXPECT_EQ(inv->GetValue(), 1.0);
  inv->OnMouseDown(1, 301, &m);
  EXPECT_EQ(inv->GetValue(), 0.0);

  IBitmap two = Strip(2, 10, 10);
  auto* contact = new IContactControl(rig.plug, 50, 300, TestPlug::kBypass, &two);
  rig.gui->AttachControl(contact);
  contact->OnMouseDown(51, 301, &m);
  EXPECT_EQ(contact->GetValue(), 1.0);
  contact->OnMouseUp(51, 301, &m);
  EXPECT_EQ(contact->GetValue(), 0.0);
}

TEST(URLControl, OpensWithBackupAndCopiesWithinBounds)
{
  Rig rig;
  std::string huge(5000, 'u');
  auto* url = new IURLControl(rig.plug, IRECT(0, 0, 10, 10), huge.c_str(), "https://backup.example", huge.c_str());
  rig.gui->AttachControl(url);
  EXPECT_EQ(strlen(url->GetURL()), 255u);
  EXPECT_EQ(strlen(url->GetErrMsg()), 1023u);

  IMouseMod m = Left();
  rig.gui->SetOpenURLResult(false);
  url->OnMouseDown(1, 1, &m);
  ASSERT_EQ(rig.gui->OpenedURLs().size(), 2u);
  EXPECT_EQ(rig.gui->OpenedURLs()[1], "https://backup.example");

  IURLControl empty(rig.plug, IRECT(0, 0, 10, 10), nullptr);
  empty.SetGUI(rig.gui);
  empty.OnMouseDown(1, 1, &m);
  EXPECT_EQ(rig.gui->OpenedURLs().size(), 2u);
}

TEST(FileSelector, PromptsAndReportsOnce)
{
  Rig rig;
  IBitmap none;
  auto* fs = new IFileSelectorControl(rig.plug, IRECT(0, 0, 10, 10), -1, &none, kFileOpen, "", "wav aif");
  rig.gui->AttachControl(fs);
  fs->SetClean();
  rig.gui->ScriptFileChoice("/tmp/some/file.wav");
  IMouseMod m = Left();
  fs->OnMouseDown(1, 1, &m);
  EXPECT_EQ(fs->GetState(), IFileSelectorControl::kFSDone);
  Core_String chosen;
  fs->GetLastSelectedFileForPlug(&chosen);
  EXPECT_STREQ(chosen.Get(), "/tmp/some/file.wav");
  EXPECT_EQ(fs->GetValue(), 1.0);
  fs->SetClean();
  EXPECT_TRUE(fs->IsDirty());   // once for the finished choice
  EXPECT_FALSE(fs->IsDirty());
}
