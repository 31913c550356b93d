#include "editor/IKnobControl.h"

#include <cmath>

#include "editor/IBitmapControl.h"
#include "editor/IGraphics.h"

namespace {

IRECT BitmapRECT(int x, int y, const IBitmap* b)
{
  return b ? IRECT(x, y, x + b->W, y + b->H) : IRECT(x, y, x, y);
}

}  // namespace

void IKnobControl::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod)
{
  double gearing = mGearing;
  if (mod && (mod->C || mod->S)) gearing *= 10.0;
  if (mDirection == kVertical)
  {
    int span = mRECT.T - mRECT.B;
    if (span != 0) mValue += static_cast<double>(dY) / static_cast<double>(span) / gearing;
  }
  else
  {
    int span = mRECT.R - mRECT.L;
    if (span != 0) mValue += static_cast<double>(dX) / static_cast<double>(span) / gearing;
  }
  SetDirty(true);
}

void IKnobControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d)
{
  if (mod && (mod->C || mod->S)) mValue += 0.001 * d;
  else mValue += 0.01 * d;
  SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IEffectBase* plug, IRECT rect, int paramIdx, const IColor* color,
                                   double innerRadius, double outerRadius, double minAngle, double maxAngle,
                                   EDirection direction, double gearing)
  : IKnobControl(plug, rect, paramIdx, direction, gearing), mColor(color ? *color : COLOR_BLACK),
    mMinAngle(static_cast<float>(minAngle)), mMaxAngle(static_cast<float>(maxAngle)),
    mInnerRadius(static_cast<float>(innerRadius)), mOuterRadius(static_cast<float>(outerRadius))
{
  if (mOuterRadius == 0.0f) mOuterRadius = 0.5f * static_cast<float>(rect.W());
  mBlend = IChannelBlend(IChannelBlend::kBlendClobber);
}

bool IKnobLineControl::Draw(IGraphics* g)
{
  double a = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  float cx = mRECT.MW(), cy = mRECT.MH();
  float s = static_cast<float>(std::sin(a)), c = static_cast<float>(std::cos(a));
  return g->DrawLine(&mColor, cx + s * mInnerRadius, cy - c * mInnerRadius, cx + s * mOuterRadius,
                     cy - c * mOuterRadius, &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                         double minAngle, double maxAngle, int yOffsetZeroDeg,
                                         EDirection direction, double gearing)
  : IKnobControl(plug, BitmapRECT(x, y, bitmap), paramIdx, direction, gearing), mMinAngle(minAngle),
    mMaxAngle(maxAngle), mYOffset(yOffsetZeroDeg)
{
  if (bitmap) mBitmap = *bitmap;
}

bool IKnobRotaterControl::Draw(IGraphics* g)
{
  double angle = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  return g->DrawRotatedBitmap(&mBitmap, (mRECT.L + mRECT.R) / 2, (mRECT.T + mRECT.B) / 2, angle, mYOffset,
                              &mBlend);
}

IKnobMultiControl::IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                     EDirection direction, double gearing)
  : IKnobControl(plug, IBitmapControl::FrameRECT(x, y, bitmap), paramIdx, direction, gearing)
{
  if (bitmap) mBitmap = *bitmap;
}

bool IKnobMultiControl::Draw(IGraphics* g)
{
  return g->DrawBitmap(&mBitmap, &mRECT, FrameFromValue(mBitmap.N), &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* base,
                                                   IBitmap* mask, IBitmap* top, double minAngle, double maxAngle,
                                                   EDirection direction, double gearing)
  : IKnobControl(plug, BitmapRECT(x, y, base), paramIdx, direction, gearing), mMinAngle(minAngle),
    mMaxAngle(maxAngle)
{
  if (base) mBase = *base;
  if (mask) mMask = *mask;
  if (top) mTop = *top;
}

bool IKnobRotatingMaskControl::Draw(IGraphics* g)
{
  double angle = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  return g->DrawRotatedMask(&mBase, &mMask, &mTop, mRECT.L, mRECT.T, angle, &mBlend);
}

IFaderControl::IFaderControl(IEffectBase* plug, int x, int y, int length, int paramIdx, IBitmap* handle,
                             EDirection direction, bool onlyHandle)
  : IControl(plug, IRECT(), paramIdx), mLen(length), mHandleHeadroom(0), mDirection(direction),
    mOnlyHandle(onlyHandle)
{
  if (handle) mHandleBitmap = *handle;
  if (direction == kVertical)
  {
    mHandleHeadroom = mHandleBitmap.H;
    mRECT = mTargetRECT = IRECT(x, y, x + mHandleBitmap.W, y + length);
  }
  else
  {
    mHandleHeadroom = mHandleBitmap.W;
    mRECT = mTargetRECT = IRECT(x, y, x + length, y + mHandleBitmap.H);
  }
}

IRECT IFaderControl::GetHandleRECT(double v) const
{
  if (v < 0.0) v = mValue;
  int span = mLen - mHandleHeadroom;
  if (mDirection == kVertical)
  {
    int offset = static_cast<int>(span * (1.0 - v));
    return IRECT(mRECT.L, mRECT.T + offset, mRECT.L + mHandleBitmap.W, mRECT.T + offset + mHandleBitmap.H);
  }
  int offset = static_cast<int>(v * span);
  return IRECT(mRECT.L + offset, mRECT.T, mRECT.L + offset + mHandleBitmap.W, mRECT.T + mHandleBitmap.H);
}

void IFaderControl::SnapToMouse(int x, int y)
{
  int span = mLen - mHandleHeadroom;
  if (span != 0)
  {
    if (mDirection == kVertical)
      mValue = 1.0 - static_cast<double>(y - mRECT.T - mHandleHeadroom / 2) / static_cast<double>(span);
    else
      mValue = static_cast<double>(x - mRECT.L - mHandleHeadroom / 2) / static_cast<double>(span);
  }
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->R)
  {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod)
{
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d)
{
  if (mod && (mod->C || mod->S)) mValue += 0.001 * d;
  else mValue += 0.01 * d;
  SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* g)
{
  IRECT r = GetHandleRECT();
  return g->DrawBitmap(&mHandleBitmap, &r, 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y)
{
  if (mOnlyHandle) return GetHandleRECT().Contains(x, y);
  return mTargetRECT.Contains(x, y);
}
