#include "editor/IValueReadout.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/Core_Mutex.h"
#include "editor/IControl.h"
#include "editor/IGraphics.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"

namespace {

const IColor kText(255, 236, 238, 242);
const IColor kBack(232, 18, 19, 22);
const IColor kFrame(255, 96, 100, 108);
constexpr int kPadX = 6, kPadY = 2, kRadius = 3, kFontSize = 11;

int TicksFor(double seconds, int fps)
{
  return static_cast<int>(std::ceil(seconds * (fps > 0 ? fps : IGraphics::kDefaultFPS)));
}

}  // namespace

IValueReadout::IValueReadout(IGraphics* graphics)
  : mGraphics(graphics), mStyle(kFontSize, &kText, "DejaVu Sans"), mBack(kBack), mFrame(kFrame),
    mRestTicks(TicksFor(kRestSeconds, graphics ? graphics->FPS() : 0)),
    mLingerTicks(TicksFor(kLingerSeconds, graphics ? graphics->FPS() : 0))
{
}

void IValueReadout::GestureBegin(int controlIdx)
{
  Show(controlIdx);
  mHeld = mVisible;
}

void IValueReadout::GestureChanged()
{
  if (mVisible && mHeld) Format();
}

void IValueReadout::GestureEnd()
{
  if (!mHeld) return;
  mHeld = false;
  mLinger = mLingerTicks;
}

void IValueReadout::Pulse(int controlIdx)
{
  if (mHeld) return;
  Show(controlIdx);
  if (mVisible) mLinger = mLingerTicks;
}

void IValueReadout::PointerOver(int controlIdx)
{
  if (controlIdx == mHover) return;
  mHover = controlIdx;
  mHoverTicks = 0;
}

void IValueReadout::PointerLeft()
{
  mHover = -1;
  mHoverTicks = 0;
}

void IValueReadout::Reset()
{
  Hide();
  mHeld = false;
  mHover = -1;
  mHoverTicks = 0;
}

void IValueReadout::Tick(IRECT* invalid)
{
  if (mHover >= 0 && mHoverTicks < mRestTicks) ++mHoverTicks;
  const bool resting = mHover >= 0 && mHoverTicks >= mRestTicks;

  if (!mHeld)
  {
    if (resting && (!mVisible || mControl != mHover))
    {
      Show(mHover);
      mLinger = 0;
    }
    else if (mVisible && resting && mControl == mHover)
      mLinger = 0;  // resting on the control keeps it
    else if (mVisible)
    {
      if (mLinger <= 0) mLinger = mLingerTicks;  // the rest that showed it has ended
      if (--mLinger <= 0) Hide();
    }
  }

  // Host automation, the channel link or a state change may move the value while it shows.
  if (mVisible)
  {
    IControl* c = mGraphics->GetControl(mControl);
    if (!c)
      Hide();
    else if (c->GetValue() != mShownValue)
      Format();
  }
  if (invalid) *invalid = mInvalid;
}

void IValueReadout::Show(int controlIdx)
{
  const bool wasVisible = mVisible;
  const int previous = mControl;
  mControl = controlIdx;
  if (Format())
  {
    mVisible = true;
    return;
  }
  // No parameter: nothing to show; whatever showed before stays.
  mControl = previous;
  mVisible = wasVisible;
}

void IValueReadout::Hide()
{
  if (mVisible) Invalidate(mRect);
  mVisible = false;
  mControl = -1;
  mLinger = 0;
}

bool IValueReadout::Format()
{
  IControl* c = mGraphics->GetControl(mControl);
  IEffectBase* plug = mGraphics->GetPlug();
  if (!c || !plug || c->ParamIdx() < 0) return false;
  IParam* param = plug->GetParam(c->ParamIdx());
  if (!param) return false;

  char display[64] = "", text[sizeof(mText)];
  {
    // The audio thread writes parameter values under the plug-in's lock.
    Core_MutexLock lock(plug->GetMutex());
    param->GetDisplayForHost(param->GetValue(), false, display, true);
    const char* label = param->GetLabelForHost();
    if (label && *label)
      snprintf(text, sizeof(text), "%.40s  %.40s %.40s", param->GetNameForHost(), display, label);
    else
      snprintf(text, sizeof(text), "%.40s  %.40s", param->GetNameForHost(), display);
  }
  mShownValue = c->GetValue();
  if (!mVisible || strcmp(text, mText) != 0 || mControl != mShownControlForPlace)
  {
    memcpy(mText, text, sizeof(mText));
    Place();
  }
  return true;
}

void IValueReadout::Place()
{
  IControl* c = mGraphics->GetControl(mControl);
  if (!c) return;
  IRECT measured(0, 0, 0, 0);
  mGraphics->MeasureIText(&mStyle, mText, &measured);
  const int w = measured.W() + 2 * kPadX, h = measured.H() + 2 * kPadY;
  const IRECT target = *c->GetRECT();
  const int panelW = mGraphics->Width(), panelH = mGraphics->Height();

  // Above the control, else below, else beside it; centred on it and kept inside the panel.
  IRECT box;
  auto clampX = [&](int x) { return x < 0 ? 0 : (x + w > panelW ? panelW - w : x); };
  auto clampY = [&](int y) { return y < 0 ? 0 : (y + h > panelH ? panelH - h : y); };
  const int cx = (target.L + target.R) / 2 - w / 2, cy = (target.T + target.B) / 2 - h / 2;
  if (target.T - kGap - h >= 0)
    box = IRECT(clampX(cx), target.T - kGap - h, 0, 0);
  else if (target.B + kGap + h <= panelH)
    box = IRECT(clampX(cx), target.B + kGap, 0, 0);
  else if (target.R + kGap + w <= panelW)
    box = IRECT(target.R + kGap, clampY(cy), 0, 0);
  else
    box = IRECT(target.L - kGap - w, clampY(cy), 0, 0);
  box.R = box.L + w;
  box.B = box.T + h;

  if (mVisible) Invalidate(mRect);
  mRect = box;
  mShownControlForPlace = mControl;
  Invalidate(mRect);
}

void IValueReadout::Draw(IGraphics* g)
{
  if (!mVisible || !g) return;
  IRECT box = mRect;
  g->FillRoundRect(&mBack, &box, nullptr, kRadius, true);
  g->RoundRect(&mFrame, &box, nullptr, kRadius, true);
  IRECT textRect(box.L + kPadX, box.T + kPadY, box.R - kPadX, box.B - kPadY);
  g->DrawIText(&mStyle, mText, &textRect);
}
