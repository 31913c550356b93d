#include "editor/IBitmapControl.h"

#include "editor/IGraphics.h"

IRECT IBitmapControl::FrameRECT(int x, int y, const IBitmap* bitmap)
{
  if (!bitmap) return IRECT(x, y, x, y);
  return IRECT(x, y, x + bitmap->FrameWidth(), y + bitmap->FrameHeight());
}

IBitmapControl::IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                               IChannelBlend::EBlendMethod blendMethod)
  : IControl(plug, FrameRECT(x, y, bitmap), paramIdx, blendMethod)
{
  if (bitmap) mBitmap = *bitmap;
}

bool IBitmapControl::DrawFrame(IGraphics* g)
{
  return g->DrawBitmap(&mBitmap, &mRECT, FrameFromValue(mBitmap.N), &mBlend);
}

bool IBitmapControl::Draw(IGraphics* g)
{
  return DrawFrame(g);
}
