#include "editor/ISwitchControl.h"

#include "editor/IGraphics.h"

void ISwitchControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  double step = mBitmap.N >= 2 ? 1.0 / static_cast<double>(mBitmap.N - 1) : 1.0;
  mValue += step;
  if (mValue > 1.001) mValue = 0.0;
  SetDirty(true);
}

void ISwitchPopUpControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  PromptUserInput();
  SetDirty(true);
}

void IContactControl::OnMouseUp(int x, int y, IMouseMod* mod)
{
  mValue = 0.0;
  SetDirty(true);
}

bool IBitmapOverlayControl::Draw(IGraphics* g)
{
  if (mValue < 0.5)
  {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return DrawFrame(g);
}

ISwitchFramesControl::ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                           bool imagesAreHorizontal, IChannelBlend::EBlendMethod blendMethod)
  : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMethod)
{
  mDisablePrompt = false;
  int n = mBitmap.N > 0 ? mBitmap.N : 1;
  mRECTs.Resize(n);
  if (mRECTs.GetSize() != n) return;
  IRECT* strips = mRECTs.Get();
  for (int i = 0; i < n; ++i)
  {
    if (imagesAreHorizontal)
    {
      float u = static_cast<float>(mRECT.R - mRECT.L) / static_cast<float>(n);
      int xi = mRECT.L + static_cast<int>(static_cast<float>(i) * u);
      strips[i] = IRECT(xi, mRECT.T, static_cast<int>(static_cast<float>(xi) + u), mRECT.B);
    }
    else
    {
      float u = static_cast<float>(mRECT.B - mRECT.T) / static_cast<float>(n);
      int yi = mRECT.T + static_cast<int>(static_cast<float>(i) * u);
      strips[i] = IRECT(mRECT.L, yi, mRECT.R, static_cast<int>(static_cast<float>(yi) + u));
    }
  }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  int n = mRECTs.GetSize();
  for (int i = 0; i < n; ++i)
  {
    if (mRECTs.Get()[i].Contains(x, y))
    {
      // A single frame has only one value to take.
      mValue = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

void IInvisibleSwitchControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IEffectBase* plug, IRECT rect, int paramIdx, int nButtons,
                                           IBitmap* bitmap, EDirection direction, bool reverse)
  : IControl(plug, rect, paramIdx)
{
  if (bitmap) mBitmap = *bitmap;
  if (nButtons < 1) nButtons = 1;
  mRECTs.Resize(nButtons);
  if (mRECTs.GetSize() != nButtons) return;
  IRECT* buttons = mRECTs.Get();

  int w = mBitmap.W;
  int n = mBitmap.N > 0 ? mBitmap.N : 1;
  int h = static_cast<int>(static_cast<double>(mBitmap.H) / static_cast<double>(n));
  int gaps = nButtons - 1;
  if (direction == kHorizontal)
  {
    int dX = gaps > 0 ? static_cast<int>(static_cast<double>((rect.R - rect.L) - nButtons * w) / gaps) : 0;
    for (int i = 0; i < nButtons; ++i)
    {
      int x = reverse ? (rect.R - w) - i * (w + dX) : rect.L + i * (w + dX);
      buttons[i] = IRECT(x, rect.T, x + w, rect.T + h);
    }
  }
  else
  {
    int dY = gaps > 0 ? static_cast<int>(static_cast<double>((rect.B - rect.T) - nButtons * h) / gaps) : 0;
    for (int i = 0; i < nButtons; ++i)
    {
      int y = reverse ? (rect.B - h) - i * (h + dY) : rect.T + i * (h + dY);
      buttons[i] = IRECT(rect.L, y, rect.L + w, y + h);
    }
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->R)
  {
    PromptUserInput();
    return;
  }
  int n = mRECTs.GetSize();
  for (int i = 0; i < n; ++i)
  {
    if (mRECTs.Get()[i].Contains(x, y))
    {
      // A single button has only one value to take.
      mValue = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* g)
{
  int n = mRECTs.GetSize();
  int active = static_cast<int>(static_cast<double>(n - 1) * mValue + 0.5);
  if (active < 0) active = 0;
  if (active > n - 1) active = n - 1;
  for (int k = 0; k < n; ++k)
    g->DrawBitmap(&mBitmap, mRECTs.Get() + k, k == active ? 2 : 1, &mBlend);
  return true;
}
