#pragma once

#include "editor/IControl.h"

// Shows the frame of a filmstrip bitmap that matches its value. The rectangle is one frame
// at (x, y).
class IBitmapControl : public IControl
{
public:
  IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
  IBitmapControl(IEffectBase* plug, int x, int y, IBitmap* bitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
    : IBitmapControl(plug, x, y, -1, bitmap, blendMethod) {}

  bool Draw(IGraphics* g) override;
  IBitmap* GetBitmap() { return &mBitmap; }

  // The control rectangle of one frame of bitmap at (x, y).
  static IRECT FrameRECT(int x, int y, const IBitmap* bitmap);

protected:
  bool DrawFrame(IGraphics* g);
  IBitmap mBitmap;
};
