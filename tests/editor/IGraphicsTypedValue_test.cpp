// Typed values: what the text field reads, and the gesture an applied value makes for the host.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "editor/IKnobControl.h"
#include "editor/ISwitchControl.h"
#include "editor/ITypedValue.h"
#include "editor/support/EditorTestUtil.h"
#include "framework/IParam.h"
#include "raster/Pix_MemBitmap.h"

using edtest::Rig;

namespace {

// Parameters of the kinds the effect has: a signed gain in dB, frequency lists (not sorted),
// a list of words and a toggle.
struct Params
{
  Params()
  {
    gain.InitDouble("Mid 2 Gain L/M", 0.0, -4.5, 4.5, 0.01, "dB");
    gain.SetSignedDisplay(true);
    mid.InitInt("Mid 2 Freq L/M", 0, 0, 2, "");
    mid.SetDisplayText(0, "400 Hz");
    mid.SetDisplayText(1, "800 Hz");
    mid.SetDisplayText(2, "630 Hz");
    high.InitInt("High Freq R/S", 0, 0, 2, "");
    high.SetDisplayText(0, "12 kHz");
    high.SetDisplayText(1, "15 kHz");
    high.SetDisplayText(2, "20 kHz");
    link.InitInt("Channel Link", 0, 0, 1, "");
    link.SetDisplayText(0, "Linked");
    link.SetDisplayText(1, "Independent");
  }
  IParam gain, mid, high, link;
};

}  // namespace

TEST(TypedValue, ReadsWhatTheHostReadsAndClampsBeyondTheRange)
{
  Params p;
  const double kNot = 12345.0;  // not a value: untouched
  const struct
  {
    IParam* param;
    const char* text;
    double plain;
  } cases[] = {
      // Numbers with or without the unit, any case and spacing.
      {&p.gain, "-1.5", -1.5},
      {&p.gain, " +2.5 dB ", 2.5},
      {&p.gain, "-1.50dB", -1.5},
      {&p.gain, "1e0", 1.0},
      // Beyond the range: clamped.
      {&p.gain, "9", 4.5},
      {&p.gain, "-100 dB", -4.5},
      // Not values.
      {&p.gain, "loud", kNot},
      {&p.gain, "3 Hz", kNot},
      {&p.gain, "", kNot},
      {&p.gain, "nan", kNot},
      {&p.gain, "2.5 dB x", kNot},
      // Lists of frequencies: an entry's text or number, "k" for thousands.
      {&p.mid, "630 Hz", 2.0},
      {&p.mid, "0.63k", 2.0},
      {&p.mid, "800", 1.0},
      {&p.high, "15k", 1.0},
      {&p.high, "20 kHz", 2.0},
      // Beyond the lowest or highest entry: that entry (the list is not sorted by value).
      {&p.mid, "5k", 1.0},
      {&p.mid, "100 Hz", 0.0},
      {&p.high, "30 kHz", 2.0},
      {&p.high, "1 Hz", 0.0},
      // Between entries, or in another unit: not a value.
      {&p.mid, "500 Hz", kNot},
      {&p.high, "15 dB", kNot},
      // A list of words: the word, or a number for the value, clamped.
      {&p.link, "independent", 1.0},
      {&p.link, "0", 0.0},
      {&p.link, "7", 1.0},
      {&p.link, "-2", 0.0},
      {&p.link, "0.5", kNot},
      {&p.link, "3 dB", kNot},
      {&p.link, "unlinked", kNot},
  };
  for (const auto& c : cases)
  {
    double plain = kNot;
    const bool read = ParseTypedValue(c.param, c.text, &plain);
    EXPECT_EQ(read, c.plain != kNot) << c.param->GetNameForHost() << " \"" << c.text << "\"";
    EXPECT_EQ(plain, c.plain) << c.param->GetNameForHost() << " \"" << c.text << "\"";
  }
  double plain = 0.0;
  EXPECT_FALSE(ParseTypedValue(nullptr, "1", &plain));
  EXPECT_FALSE(ParseTypedValue(&p.gain, nullptr, &plain));
}

namespace {

constexpr int kKnob = 1, kSwitch = 2;  // control indices after the background

struct TypedRig
{
  TypedRig()
  {
    strip = edtest::MakeFilmstrip(40, 40, 31);
    steps = edtest::MakeFilmstrip(20, 20, 2);
    knobBitmap = edtest::RecordOf(strip, 31);
    switchBitmap = edtest::RecordOf(steps, 2);
    rig.gui->AttachPanelBackground(&COLOR_GRAY);
    rig.gui->AttachControl(new IKnobMultiControl(rig.plug, 10, 10, TestPlug::kGain, &knobBitmap));
    rig.gui->AttachControl(new ISwitchControl(rig.plug, 100, 10, TestPlug::kBypass, &switchBitmap));
    rig.Attach();
    rig.plug->TakeEvents();
  }
  ~TypedRig()
  {
    delete strip;
    delete steps;
  }
  double Gain() { return rig.plug->GetParam(TestPlug::kGain)->GetValue(); }
  IControl* Knob() { return rig.gui->GetControl(kKnob); }

  Rig rig{200, 100};
  Pix_MemBitmap* strip;
  Pix_MemBitmap* steps;
  IBitmap knobBitmap, switchBitmap;
};

}  // namespace

TEST(TypedValue, ShiftDoubleClickTypesAValueAsOneGesture)
{
  const struct
  {
    const char* typed;
    bool commit;  // Return; otherwise the field is cancelled
    double gain;  // afterwards (the gain starts at -3 dB)
    const char* events;
  } cases[] = {
      {"-1.5", true, -1.5, "BPE"},
      {"4.25 dB", true, 4.25, "BPE"},
      {"40", true, 12.0, "BPE"},    // clamped to the range
      {"-1.5", false, -3.0, ""},    // Escape or a click elsewhere
      {"loud", true, -3.0, ""},     // not a value: nothing changes
      {"-3 dB", true, -3.0, ""},    // the value it has: nothing to tell the host
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.typed);
    TypedRig t;
    t.rig.gui->SetParameterFromPlug(TestPlug::kGain, -3.0, false);
    t.rig.plug->GetParam(TestPlug::kGain)->SetValue(-3.0);
    t.rig.gui->ScriptTextEntry(c.typed, c.commit);
    IMouseMod shift(true, false, true);
    t.rig.gui->OnMouseDblClick(30, 30, &shift);
    EXPECT_EQ(t.rig.gui->DroppedTextEntries(), 0);
    EXPECT_FALSE(t.rig.gui->TextEntryOpen());
    EXPECT_NEAR(t.Gain(), c.gain, 1e-9);
    const auto events = t.rig.plug->TakeEvents();
    std::string kinds;
    for (const auto& e : events)
    {
      kinds.push_back(e.mKind);
      EXPECT_EQ(e.mIdx, TestPlug::kGain);
    }
    EXPECT_EQ(kinds, c.events);
    if (kinds == "BPE")
    {
      EXPECT_DOUBLE_EQ(events[1].mValue, t.rig.plug->GetParam(TestPlug::kGain)->GetNormalized());
      EXPECT_DOUBLE_EQ(t.Knob()->GetValue(), events[1].mValue);  // the knob shows it
    }
  }
}

TEST(TypedValue, TheFieldShowsTheValueWithItsUnitOverTheControl)
{
  TypedRig t;
  t.rig.gui->SetParameterFromPlug(TestPlug::kGain, -3.0, false);
  IMouseMod shift(true, false, true);
  t.rig.gui->OnMouseDblClick(30, 30, &shift);
  ASSERT_TRUE(t.rig.gui->TextEntryOpen());
  EXPECT_STREQ(t.rig.gui->GetTextEntryText(), "-3.0 dB");
  EXPECT_EQ(t.rig.gui->GetTextEntryControl(), t.Knob());
  // Over the 40 x 40 knob at (10, 10), centred on it but wider than it, so pushed right to
  // stay inside the panel.
  const IRECT* field = t.rig.gui->GetTextEntryRect();
  EXPECT_EQ(field->L, 0);
  EXPECT_GT(field->R, 50);
  EXPECT_EQ((field->T + field->B) / 2, 30);
  // Any character goes in (units, "k"): the typed text replaces the selected value.
  EXPECT_EQ(t.rig.gui->TypeText("1.5k dB"), 0);
  EXPECT_STREQ(t.rig.gui->GetTextEntryText(), "1.5k dB");
  t.rig.gui->ForceEndUserEdit();
  EXPECT_TRUE(t.rig.plug->TakeEvents().empty());

  // A prompt's own field keeps its number filter after a typed value's field was cancelled.
  t.rig.gui->CreateTextEntry(t.Knob(), t.Knob()->GetText(), t.Knob()->GetRECT(), "0", t.Knob()->GetParam());
  EXPECT_EQ(t.rig.gui->TypeText("1k"), 1);
  t.rig.gui->PressReturn();
  EXPECT_DOUBLE_EQ(t.Gain(), 1.0);
}

TEST(TypedValue, OtherGesturesStayAsTheyWere)
{
  TypedRig t;
  t.rig.gui->SetParameterFromPlug(TestPlug::kGain, 5.0, false);
  // A double click without Shift: the knob back to its default, no field.
  IMouseMod plain(true, false);
  t.rig.gui->OnMouseDblClick(30, 30, &plain);
  EXPECT_FALSE(t.rig.gui->TextEntryOpen());
  EXPECT_EQ(t.rig.gui->DroppedTextEntries(), 0);
  EXPECT_DOUBLE_EQ(t.Gain(), 0.0);
  // Shift + drag is still the fine drag, Shift + wheel the fine step.
  IMouseMod shift(true, false, true);
  t.rig.plug->TakeEvents();
  t.rig.gui->OnMouseDown(30, 30, &shift);
  t.rig.gui->OnMouseDrag(30, 20, &shift);
  t.rig.gui->OnMouseUp(30, 20, &shift);
  EXPECT_EQ(t.rig.plug->TakeEventKinds(), "BPE");
  EXPECT_FALSE(t.rig.gui->TextEntryOpen());
  // A right click on the knob is still the host's menu.
  IMouseMod right(false, true);
  t.rig.gui->OnMouseDown(30, 30, &right);
  EXPECT_EQ(t.rig.plug->TakeEventKinds(), "M");
  EXPECT_FALSE(t.rig.gui->TextEntryOpen());
}

// "Reset to default" (the host's menu): one gesture, through the control when there is one.
TEST(TypedValue, ResetToDefaultIsOneGesture)
{
  TypedRig t;
  t.rig.gui->SetParameterFromPlug(TestPlug::kGain, 6.0, false);
  t.rig.plug->GetParam(TestPlug::kGain)->SetValue(6.0);
  EXPECT_TRUE(t.rig.gui->ResetParamToDefault(TestPlug::kGain));
  EXPECT_DOUBLE_EQ(t.Gain(), 0.0);
  EXPECT_DOUBLE_EQ(t.Knob()->GetValue(), 0.5);
  EXPECT_EQ(t.rig.plug->TakeEventKinds(), "BPE");
  EXPECT_TRUE(t.rig.gui->ResetParamToDefault(TestPlug::kGain));  // already there: nothing to tell
  EXPECT_EQ(t.rig.plug->TakeEventKinds(), "");
  // A parameter no control shows; an unknown one.
  t.rig.plug->GetParam(TestPlug::kSteps)->SetValue(9.0);
  EXPECT_TRUE(t.rig.gui->ResetParamToDefault(TestPlug::kSteps));
  EXPECT_DOUBLE_EQ(t.rig.plug->GetParam(TestPlug::kSteps)->GetValue(), 5.0);
  EXPECT_EQ(t.rig.plug->TakeEventKinds(), "BPE");
  EXPECT_FALSE(t.rig.gui->ResetParamToDefault(99));
  EXPECT_FALSE(t.rig.gui->PromptTypedValueForParam(TestPlug::kSteps));
}
