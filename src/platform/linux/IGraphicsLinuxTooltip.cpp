// Tooltips: a small overlay window below the pointer once it has rested over a control that
// has a tooltip (the repaint tick counts the rest, IGraphicsLinuxEvents.cpp).

#include <algorithm>

#include "editor/IControl.h"
#include "platform/linux/IGraphicsLinuxImpl.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"
#include "raster/Pix_MemBitmap.h"

namespace
{
// Fills the box from (x0, y0) to (x1, y1), exclusive, with an opaque colour.
void FillBox(Pix_IBitmap* bmp, int x0, int y0, int x1, int y1, Pix_Pixel color)
{
  Pix_FillRect(bmp, x0, y0, x1 - x0, y1 - y0, color, 1.0f, Pix_ModeCopy);
}
}  // namespace

void IGraphicsLinux::ShowTooltip(bool show)
{
  Display* d = mImpl->D();
  mImpl->mTooltip.Destroy();
  if (!show || !d || mImpl->mMenuOpen) return;
  IControl* c = GetControl(mImpl->mTooltipControl);
  if (!c || c->IsHidden() || !c->GetTooltip() || !*c->GetTooltip()) return;

  IText style(GetScale().SizeToSurface(11), &COLOR_BLACK, "DejaVu Sans", IText::kStyleNormal, IText::kAlignNear);
  Pix_IFont* font = CacheFont(&style);
  if (!font) return;
  Pix_MemBitmap measureScratch(1, 1, 4);
  Pix_Rect calc = {0, 0, 0, 0};
  font->DrawText(&measureScratch, c->GetTooltip(), -1, &calc, Pix_TextCalcRect | Pix_TextSingleLine);
  const int w = std::min(calc.right - calc.left + 10, 600), h = std::max(calc.bottom - calc.top, 12) + 6;
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, mImpl->mWindow.GetWindow(), DefaultRootWindow(d), mPrevX + 12, mPrevY + 18, &rootX,
                        &rootY, &child);
  if (!mImpl->mTooltip.Create(d, mImpl->mWindow.GetWindow(), rootX, rootY, w, h, NoEventMask)) return;
  Pix_MemBitmap canvas(w, h, 4);
  FillBox(&canvas, 0, 0, w, h, 0xFF55575C);
  FillBox(&canvas, 1, 1, w - 1, h - 1, 0xFFFFFBE6);
  font->SetTextColor(0xFF1C1D20);
  Pix_Rect tr = {5, 0, w - 5, h};
  font->DrawText(&canvas, c->GetTooltip(), -1, &tr, Pix_TextVCenter | Pix_TextSingleLine);
  mImpl->mTooltip.Show(&canvas);
}

void IGraphicsLinux::UpdateTooltips()
{
  // X11 has no tooltip areas to register: the tick shows the tooltip of the control the
  // pointer rests over. Forget any tooltip that is showing, its control may be gone.
  ShowTooltip(false);
  mImpl->mTooltipControl = -1;
  mImpl->mRestTicks = 0;
}
