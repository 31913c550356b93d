#pragma once

#include "editor/EFileAction.h"
#include "editor/IControl.h"

// A value changed by dragging along one axis and by the mouse wheel. Control or shift held
// gives ten times finer steps. Draw is left to subclasses.
class IKnobControl : public IControl
{
public:
  static constexpr double kDefaultGearing = 4.0;

  IKnobControl(IEffectBase* plug, IRECT rect, int paramIdx, EDirection direction = kVertical,
               double gearing = kDefaultGearing)
    : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

  // Vertical: dragging up over the whole height adds 1 / gearing.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;

  EDirection GetDirection() const { return mDirection; }
  double GetGearing() const { return mGearing; }
  void SetGearing(double g) { mGearing = g; }

protected:
  EDirection mDirection;
  double mGearing;
};

// A radial line from the inner to the outer radius; angles in radians, 0 up, clockwise positive.
class IKnobLineControl : public IKnobControl
{
public:
  IKnobLineControl(IEffectBase* plug, IRECT rect, int paramIdx, const IColor* color,
                   double innerRadius = 0.0, double outerRadius = 0.0,
                   double minAngle = -0.75 * 3.141592653589793, double maxAngle = 0.75 * 3.141592653589793,
                   EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool Draw(IGraphics* g) override;

protected:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// A bitmap rotated about the control's centre; angles in radians.
class IKnobRotaterControl : public IKnobControl
{
public:
  IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                      double minAngle = -0.75 * 3.141592653589793, double maxAngle = 0.75 * 3.141592653589793,
                      int yOffsetZeroDeg = 0, EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool Draw(IGraphics* g) override;

protected:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A filmstrip knob: shows the frame that matches the value.
class IKnobMultiControl : public IKnobControl
{
public:
  IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                    EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool Draw(IGraphics* g) override;
  IBitmap* GetBitmap() { return &mBitmap; }

protected:
  IBitmap mBitmap;
};

// A base bitmap whose colour shows through a rotated mask, with a rotated top bitmap;
// angles in degrees.
class IKnobRotatingMaskControl : public IKnobControl
{
public:
  IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* base, IBitmap* mask,
                           IBitmap* top, double minAngle = -151.0, double maxAngle = 151.0,
                           EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool Draw(IGraphics* g) override;

protected:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};

// A bitmap handle moved along a track of the given length.
class IFaderControl : public IControl
{
public:
  IFaderControl(IEffectBase* plug, int x, int y, int length, int paramIdx, IBitmap* handle,
                EDirection direction = kVertical, bool onlyHandle = false);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  bool Draw(IGraphics* g) override;
  bool IsHit(int x, int y) override;
  virtual void SnapToMouse(int x, int y);

  // The handle's rectangle for value v (negative: the current value).
  IRECT GetHandleRECT(double v = -1.0) const;
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }

protected:
  int mLen, mHandleHeadroom;
  IBitmap mHandleBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};
