#pragma once

#include "editor/IControl.h"

// Shows a text in its style. Has no parameter.
class ITextControl : public IControl
{
public:
  ITextControl(IEffectBase* plug, IRECT rect, const IText* text, const char* str = "");

  // Stores the text and marks the control dirty when it differs from the current one.
  void SetTextFromPlug(const char* str);
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  const char* GetTextString() const { return mStr.Get(); }

  bool Draw(IGraphics* g) override;

protected:
  Core_String mStr;
};

// Shows a parameter's display text (and, with showLabel, its unit label). A press or a double
// click prompts for a value when prompting is enabled.
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(IEffectBase* plug, IRECT rect, int paramIdx, const IText* text, bool showLabel = true);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* g) override;

protected:
  bool mShowParamLabel;
};

// Text drawn from a glyph bitmap whose frames are the characters from space upward.
class IBitmapTextControl : public IControl
{
public:
  IBitmapTextControl(IEffectBase* plug, IRECT rect, IBitmap* bitmap, const char* str = "",
                     const IText* text = nullptr, int charWidth = 6, int charHeight = 12, int charOffset = 0,
                     bool multiLine = false, bool vCenter = true);

  void SetTextFromPlug(const char* str);
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  const char* GetTextString() const { return mStr.Get(); }
  bool Draw(IGraphics* g) override;

protected:
  Core_String mStr;
  int mCharWidth, mCharHeight, mCharOffset;
  IBitmap mTextBitmap;
  bool mMultiLine;
  bool mVCentre;
};
