// Prompting for values: menus for parameters with display texts, text fields for the rest.
#include <gtest/gtest.h>

#include "editor/IKnobControl.h"
#include "editor/ISwitchControl.h"
#include "editor/ITextControl.h"
#include "editor/support/EditorTestUtil.h"

using edtest::Rig;

namespace {

IBitmap Strip(int n)
{
  return IBitmap(nullptr, 20, 20 * n, n, false);
}

}  // namespace

TEST(Prompt, EnumAndBoolParametersOpenAMenu)
{
  Rig rig;
  IBitmap three = Strip(3), two = Strip(2);
  auto* mode = new ISwitchPopUpControl(rig.plug, 0, 0, TestPlug::kMode, &three);
  auto* bypass = new ISwitchPopUpControl(rig.plug, 30, 0, TestPlug::kBypass, &two);
  rig.gui->AttachControl(mode);
  rig.gui->AttachControl(bypass);
  rig.Attach();
  rig.plug->TakeEvents();

  IMouseMod m(true, false);
  rig.gui->ScriptMenuChoice(1);
  rig.gui->OnMouseDown(5, 5, &m);
  rig.gui->OnMouseUp(5, 5, &m);
  ASSERT_EQ(rig.gui->Menus().size(), 1u);
  const auto& menu = rig.gui->Menus()[0];
  ASSERT_EQ(menu.mLabels.size(), 3u);
  EXPECT_EQ(menu.mLabels[1], "Mid");
  EXPECT_EQ(menu.mFlags[0], IPopupMenuItem::kChecked);  // the current value
  EXPECT_EQ(menu.mFlags[1], 0);
  EXPECT_TRUE(menu.mRect == *mode->GetRECT());
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kMode)->GetValue(), 1.0);
  EXPECT_EQ(mode->GetValue(), 0.5);
  std::string kinds = rig.plug->TakeEventKinds();
  EXPECT_EQ(kinds.front(), 'B');
  EXPECT_EQ(kinds.back(), 'E');

  // Closed without a choice: nothing changes.
  rig.gui->ScriptMenuChoice(-1);
  rig.gui->OnMouseDown(5, 5, &m);
  rig.gui->OnMouseUp(5, 5, &m);
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kMode)->GetValue(), 1.0);

  rig.gui->ScriptMenuChoice(1);
  rig.gui->OnMouseDown(35, 5, &m);
  ASSERT_EQ(rig.gui->Menus().size(), 3u);
  EXPECT_EQ(rig.gui->Menus()[2].mLabels[1], "on");
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kBypass)->GetValue(), 1.0);
}

TEST(Prompt, TextFieldsFilterByKindAndApplyOnReturn)
{
  Rig rig(200, 100, "", kAPIVST2);
  IText style;
  auto* steps = new ICaptionControl(rig.plug, IRECT(0, 0, 60, 20), TestPlug::kSteps, &style);
  auto* gain = new ICaptionControl(rig.plug, IRECT(0, 30, 60, 50), TestPlug::kGain, &style);
  steps->DisablePrompt(false);
  gain->DisablePrompt(false);
  rig.gui->AttachControl(steps);
  rig.gui->AttachControl(gain);
  rig.Attach();

  IMouseMod m(true, false);
  rig.gui->OnMouseDown(10, 10, &m);
  ASSERT_TRUE(rig.gui->TextEntryOpen());
  EXPECT_STREQ(rig.gui->GetTextEntryText(), "5");
  EXPECT_TRUE(*rig.gui->GetTextEntryRect() == IRECT(10, 2, 50, 18));  // 40 x 16 centred
  EXPECT_EQ(rig.gui->TypeText("12a"), 1);  // refused at the letter
  EXPECT_STREQ(rig.gui->GetTextEntryText(), "12");
  EXPECT_EQ(rig.gui->TypeText(".5"), 1);  // no decimal point for integers
  EXPECT_STREQ(rig.gui->GetTextEntryText(), "125");
  EXPECT_EQ(rig.gui->TypeText("67890"), 1);  // the eighth character
  EXPECT_STREQ(rig.gui->GetTextEntryText(), "1256789");

  // A second field while one is open is dropped.
  rig.gui->OnMouseDown(10, 40, &m);
  EXPECT_EQ(rig.gui->DroppedTextEntries(), 1);
  EXPECT_EQ(rig.gui->GetTextEntryControl(), steps);

  rig.gui->PressReturn();
  EXPECT_FALSE(rig.gui->TextEntryOpen());
  EXPECT_EQ(rig.plug->GetParam(TestPlug::kSteps)->GetValue(), 10.0);  // limited to the range

  rig.gui->ScriptTextEntry("-1.5");
  rig.gui->OnMouseDown(10, 40, &m);
  EXPECT_DOUBLE_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), -1.5);
  rig.gui->ScriptTextEntry("x");  // refused entirely: the initial text stays
  rig.gui->OnMouseDown(10, 40, &m);
  EXPECT_DOUBLE_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), -1.5);

  // The wheel closes an open field without applying it.
  rig.gui->OnMouseDown(10, 40, &m);
  rig.gui->TypeText("9");
  rig.gui->PlatformMouseWheel(10, 40, &m, 0);
  EXPECT_FALSE(rig.gui->TextEntryOpen());
  EXPECT_DOUBLE_EQ(rig.plug->GetParam(TestPlug::kGain)->GetValue(), -1.5);

  // Closing the window closes the field too.
  rig.gui->OnMouseDown(10, 40, &m);
  rig.gui->CloseWindow();
  EXPECT_FALSE(rig.gui->TextEntryOpen());

  // So does a resize, which deletes the control the field belongs to.
  rig.gui->OpenWindow(nullptr);
  rig.gui->OnMouseDown(10, 40, &m);
  ASSERT_TRUE(rig.gui->TextEntryOpen());
  rig.gui->IGraphics::Resize(300, 100);
  EXPECT_FALSE(rig.gui->TextEntryOpen());
  EXPECT_EQ(rig.gui->GetTextEntryControl(), nullptr);
}

TEST(Prompt, StringsMapByKindAndPromptingIsOffByDefault)
{
  Rig rig(200, 100, "", kAPIVST2);
  IBitmap strip = Strip(31);
  auto* knob = new IKnobMultiControl(rig.plug, 0, 0, TestPlug::kMode, &strip);
  rig.gui->AttachControl(knob);
  rig.Attach();
  IParam* mode = rig.plug->GetParam(TestPlug::kMode);

  rig.gui->SetFromStringAfterPrompt(knob, mode, "High");
  EXPECT_EQ(mode->GetValue(), 2.0);
  rig.gui->SetFromStringAfterPrompt(knob, mode, "high");  // case-sensitive: no match gives 0
  EXPECT_EQ(mode->GetValue(), 0.0);
  rig.gui->SetFromStringAfterPrompt(knob, mode, "Mid");
  rig.gui->SetFromStringAfterPrompt(knob, nullptr, "High");  // no parameter: nothing
  rig.gui->SetFromStringAfterPrompt(nullptr, mode, "High");
  EXPECT_EQ(mode->GetValue(), 1.0);
  IParam* gain = rig.plug->GetParam(TestPlug::kGain);
  knob->SetParamIdx(TestPlug::kGain);
  rig.gui->SetFromStringAfterPrompt(knob, gain, "not a number");
  EXPECT_EQ(gain->GetValue(), 0.0);
  rig.gui->SetFromStringAfterPrompt(knob, gain, "99");
  EXPECT_EQ(gain->GetValue(), 12.0);

  // A right click reaches the knob (not under VST 3) but prompting is disabled by default.
  IMouseMod r(false, true);
  rig.gui->OnMouseDown(5, 5, &r);
  EXPECT_FALSE(rig.gui->TextEntryOpen());
  EXPECT_TRUE(rig.gui->Menus().empty());
  knob->DisablePrompt(false);
  rig.gui->OnMouseDown(5, 5, &r);
  EXPECT_TRUE(rig.gui->TextEntryOpen());
  EXPECT_STREQ(rig.gui->GetTextEntryText(), "12.0");

  // Without an open window, menus and fields are not shown.
  rig.gui->CloseWindow();
  knob->SetParamIdx(TestPlug::kMode);
  rig.gui->ScriptMenuChoice(2);
  knob->PromptUserInput();
  EXPECT_EQ(mode->GetValue(), 1.0);
}
