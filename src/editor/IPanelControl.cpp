#include "editor/IPanelControl.h"

#include "editor/IGraphics.h"

IPanelControl::IPanelControl(IEffectBase* plug, IRECT rect, const IColor* color)
  : IControl(plug, rect), mColor(color ? *color : COLOR_BLACK)
{
}

bool IPanelControl::Draw(IGraphics* g)
{
  g->FillIRect(&mColor, &mRECT, &mBlend);
  return true;
}
