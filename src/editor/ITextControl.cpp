#include "editor/ITextControl.h"

#include <cstdio>
#include <cstring>

#include "editor/IGraphics.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"

ITextControl::ITextControl(IEffectBase* plug, IRECT rect, const IText* text, const char* str)
  : IControl(plug, rect)
{
  if (text) mText = *text;
  mStr.Set(str ? str : "", 0);
}

void ITextControl::SetTextFromPlug(const char* str)
{
  if (!str) str = "";
  if (strcmp(mStr.Get(), str) != 0)
  {
    SetDirty(false);
    mStr.Set(str, 0);
  }
}

bool ITextControl::Draw(IGraphics* g)
{
  const char* s = mStr.Get();
  if (s && *s) return g->DrawIText(&mText, s, &mRECT);
  return true;
}

ICaptionControl::ICaptionControl(IEffectBase* plug, IRECT rect, int paramIdx, const IText* text, bool showLabel)
  : ITextControl(plug, rect, text), mShowParamLabel(showLabel)
{
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && (mod->L || mod->R)) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int x, int y, IMouseMod* mod)
{
  PromptUserInput();
}

bool ICaptionControl::Draw(IGraphics* g)
{
  IParam* param = GetParam();
  if (param)
  {
    char display[32] = "";
    param->GetDisplayForHost(param->GetValue(), false, display, true);
    display[sizeof(display) - 1] = '\0';
    char text[80];
    if (mShowParamLabel)
      snprintf(text, sizeof(text), "%.32s %.32s", display, param->GetLabelForHost());
    else
      snprintf(text, sizeof(text), "%.32s", display);
    mStr.Set(text, 0);
  }
  return ITextControl::Draw(g);
}

IBitmapTextControl::IBitmapTextControl(IEffectBase* plug, IRECT rect, IBitmap* bitmap, const char* str,
                                       const IText* text, int charWidth, int charHeight, int charOffset,
                                       bool multiLine, bool vCenter)
  : IControl(plug, rect), mCharWidth(charWidth), mCharHeight(charHeight), mCharOffset(charOffset),
    mMultiLine(multiLine), mVCentre(vCenter)
{
  if (bitmap) mTextBitmap = *bitmap;
  if (text) mText = *text;
  mStr.Set(str ? str : "", 0);
}

void IBitmapTextControl::SetTextFromPlug(const char* str)
{
  if (!str) str = "";
  if (strcmp(mStr.Get(), str) != 0)
  {
    SetDirty(false);
    mStr.Set(str, 0);
  }
}

bool IBitmapTextControl::Draw(IGraphics* g)
{
  const char* s = mStr.Get();
  int len = static_cast<int>(strlen(s));
  int w = mCharWidth, h = mCharHeight;
  if (len == 0 || w <= 0 || h <= 0) return true;

  int width = mRECT.R - mRECT.L;
  int basicYOffset = mVCentre ? mRECT.T + (mRECT.B - h - mRECT.T) / 2 : mRECT.T;
  int basicXOffset;
  if (mText.mAlign == IText::kAlignNear) basicXOffset = mRECT.L;
  else if (mText.mAlign == IText::kAlignFar) basicXOffset = mRECT.R - w * len;
  else basicXOffset = mRECT.L + (width - w * len) / 2;

  int charsPerLine = width / w;
  if (charsPerLine <= 0) return true;
  int nLines = 1;
  if (mMultiLine && w * len > width) nLines = (w * len) / width + 1;
  else if (len > charsPerLine) len = charsPerLine;  // one line: what fits

  int pos = 0;
  for (int line = 0; line < nLines && pos < len; ++line)
  {
    int x = basicXOffset;
    for (int c = 0; c < charsPerLine && pos < len; ++c, ++pos)
    {
      int frame = static_cast<unsigned char>(s[pos]) - 31;
      IRECT r(x, basicYOffset + h * line, x + w, basicYOffset + h * (line + 1));
      g->DrawBitmap(&mTextBitmap, &r, frame, &mBlend);
      x += w + mCharOffset;
    }
  }
  return true;
}
