#pragma once

#include "core/Core_TypedBuf.h"
#include "editor/EFileAction.h"
#include "editor/IBitmapControl.h"

// Steps to the next frame on each click (and on a double click): a two-frame switch
// alternates 0 and 1, a three-frame switch cycles 0, 0.5, 1, 0.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
    : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMethod) {}

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
};

// Prompts for a value (menu or text field) instead of stepping.
class ISwitchPopUpControl : public ISwitchControl
{
public:
  ISwitchPopUpControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                      IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) { mDisablePrompt = false; }

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
};

// On only while pressed: the release sets the value back to 0.
class IContactControl : public ISwitchControl
{
public:
  IContactControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                  IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {}

  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

// A switch whose bitmap is drawn only when on; while off it is hit in a separate target area.
class IBitmapOverlayControl : public ISwitchControl
{
public:
  IBitmapOverlayControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap, IRECT targetArea,
                        IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod), mTargetArea(targetArea) {}

  bool Draw(IGraphics* g) override;

protected:
  IRECT mTargetArea;
};

// Picks the frame under the mouse: the rectangle is divided into one strip per frame.
class ISwitchFramesControl : public IBitmapControl
{
public:
  ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                       bool imagesAreHorizontal = false,
                       IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  int NStrips() const { return mRECTs.GetSize(); }
  const IRECT* GetStrip(int i) { return i >= 0 && i < mRECTs.GetSize() ? mRECTs.Get() + i : nullptr; }

protected:
  Core_TypedBuf<IRECT> mRECTs;
};

// Toggles between 0 and 1 and draws nothing.
class IInvisibleSwitchControl : public IControl
{
public:
  IInvisibleSwitchControl(IEffectBase* plug, IRECT rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend::kBlendClobber) { mDisablePrompt = true; }

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* g) override { return true; }
};

// n buttons of a two-frame (off, on) stacked bitmap; one of them is active.
class IRadioButtonsControl : public IControl
{
public:
  IRadioButtonsControl(IEffectBase* plug, IRECT rect, int paramIdx, int nButtons, IBitmap* bitmap,
                       EDirection direction = kVertical, bool reverse = false);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* g) override;
  int NButtons() const { return mRECTs.GetSize(); }
  const IRECT* GetButton(int i) { return i >= 0 && i < mRECTs.GetSize() ? mRECTs.Get() + i : nullptr; }

protected:
  Core_TypedBuf<IRECT> mRECTs;
  IBitmap mBitmap;
};
