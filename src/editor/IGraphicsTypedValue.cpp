// Typed values: the editor's text field over a control, opened by Shift + double click or by
// the host's parameter menu, and the value it applies; "Reset to default" from that menu.

#include <cstdio>

#include "editor/IGraphics.h"
#include "editor/ITypedValue.h"
#include "editor/IValueReadout.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"

namespace {

// The field: one line of text, wide enough for "-18.00 dB", centred on the control and
// kept inside the panel. Panel pixels.
constexpr int kFieldMinWidth = 76, kFieldHeight = 18;
constexpr int kFieldMaxLength = IParam::kTextSize - 1;

const IColor kFieldText(255, 16, 17, 20);
const IColor kFieldBack(255, 250, 250, 246);

IRECT FieldFor(const IRECT& control, int panelW, int panelH)
{
  const int w = control.W() > kFieldMinWidth ? control.W() : kFieldMinWidth;
  int l = (control.L + control.R) / 2 - w / 2, t = (control.T + control.B) / 2 - kFieldHeight / 2;
  if (l + w > panelW) l = panelW - w;
  if (t + kFieldHeight > panelH) t = panelH - kFieldHeight;
  if (l < 0) l = 0;
  if (t < 0) t = 0;
  return IRECT(l, t, l + w, t + kFieldHeight);
}

}  // namespace

bool IGraphics::PromptTypedValue(int controlIdx)
{
  ApplyPendingParamValues();
  IControl* c = mControls.Get(controlIdx);
  IParam* param = c && mPlug && c->ParamIdx() >= 0 ? mPlug->GetParam(c->ParamIdx()) : nullptr;
  if (!param) return false;
  // One field at a time: whatever is open is cancelled.
  ForceEndUserEdit();

  // The value the control shows, as the host shows it, with its unit.
  char display[IParam::kTextSize] = "", text[2 * IParam::kTextSize + 2] = "";
  param->GetDisplayForHost(c->GetValue(), true, display, true);
  const char* label = param->GetLabelForHost();
  // The label follows the current value (a list entry carries none); the shown value is the
  // control's, which is the current one.
  if (label && *label && param->GetNDisplayTexts() == 0)
    snprintf(text, sizeof(text), "%s %s", display, label);
  else
    snprintf(text, sizeof(text), "%s", display);

  IText style(12, &kFieldText, "DejaVu Sans", IText::kStyleNormal, IText::kAlignCenter, 0, IText::kQualityDefault,
              &kFieldBack, &kFieldText);
  IRECT field = FieldFor(*c->GetRECT(), mWidth, mHeight);
  mTypedValueControl = c;
  CreateTextEntry(c, &style, &field, text, param);
  return true;
}

bool IGraphics::PromptTypedValueForParam(int paramIdx)
{
  if (paramIdx < 0) return false;
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx) return PromptTypedValue(i);
  }
  return false;
}

bool IGraphics::ResetParamToDefault(int paramIdx)
{
  IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
  if (!param) return false;
  ApplyPendingParamValues();
  const double value = param->GetNormalized(param->GetDefault());
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx)
    {
      ApplyValueGesture(i, value);
      return true;
    }
  }
  // No control shows it: straight to the plug-in and the host.
  mPlug->BeginInformHostOfParamChange(paramIdx);
  mPlug->SetParameterFromGUI(paramIdx, value);
  mPlug->EndInformHostOfParamChange(paramIdx);
  return true;
}

void IGraphics::ApplyValueGesture(int controlIdx, double normalizedValue)
{
  IControl* c = mControls.Get(controlIdx);
  if (!c || !mPlug || c->ParamIdx() < 0 || c->GetValue() == normalizedValue) return;
  const int p = c->ParamIdx();
  mPlug->BeginInformHostOfParamChange(p);
  c->SetValueFromUserInput(normalizedValue);
  mPlug->EndInformHostOfParamChange(p);
  if (mReadout) mReadout->Pulse(controlIdx);
}

ITextEntryFilter IGraphics::TextEntryFilterFor(IControl* control, IParam* param) const
{
  if (control && control == mTypedValueControl)
  {
    // Units, "k", list words: any character, as long as a parameter text.
    ITextEntryFilter free;
    free.mMaxLength = kFieldMaxLength;
    return free;
  }
  return ITextEntryFilter::ForParam(param, control ? control->GetTextEntryLength() : 0);
}

void IGraphics::TextEntryCommitted(IControl* control, IParam* param, const char* text)
{
  if (control && control == mTypedValueControl)
  {
    mTypedValueControl = nullptr;
    double plain = 0.0;
    if (!param || !ParseTypedValue(param, text ? text : "", &plain)) return;  // not a value: nothing changes
    for (int i = 0, n = mControls.GetSize(); i < n; ++i)
      if (mControls.Get(i) == control)
      {
        ApplyValueGesture(i, param->GetNormalized(plain));
        return;
      }
    return;
  }
  if (param)
    SetFromStringAfterPrompt(control, param, text);
  else if (control)
    control->TextFromTextEntry(text ? text : "");
}

void IGraphics::TextEntryCancelled(IControl* control)
{
  if (control && control == mTypedValueControl) mTypedValueControl = nullptr;
}
