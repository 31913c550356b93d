#pragma once

#include "editor/IControl.h"

// A rectangle filled with one colour.
class IPanelControl : public IControl
{
public:
  IPanelControl(IEffectBase* plug, IRECT rect, const IColor* color);
  bool Draw(IGraphics* g) override;
  const IColor* GetColor() const { return &mColor; }

protected:
  IColor mColor;
};
