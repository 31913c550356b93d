#pragma once

#include "editor/IColor.h"

class Pix_IFont;

// A text style. The cached font is filled in by the first draw and owned by the font cache.
struct IText
{
  enum EStyle : int { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign : int { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum EQuality : int { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2, kQualityClearType = 3 };

  static constexpr int kFontNameLen = 32;
  static constexpr const char* kDefaultFont = "Monaco";
  static constexpr int kDefaultFontSize = 10;

  char mFont[kFontNameLen];
  int mSize;
  IColor mColor;
  IColor mTextEntryBGColor;
  IColor mTextEntryFGColor;
  EStyle mStyle;
  EAlign mAlign;
  int mOrientation;  // degrees counter-clockwise
  EQuality mQuality;
  Pix_IFont* mCached;

  // A face name longer than 31 characters is cut, never overrun.
  IText(int size = kDefaultFontSize, const IColor* color = nullptr, const char* font = nullptr,
        EStyle style = kStyleNormal, EAlign align = kAlignCenter, int orientation = 0,
        EQuality quality = kQualityDefault, const IColor* teBG = nullptr, const IColor* teFG = nullptr)
    : mSize(size), mColor(color ? *color : DEFAULT_TEXT_COLOR),
      mTextEntryBGColor(teBG ? *teBG : DEFAULT_TEXT_ENTRY_BGCOLOR),
      mTextEntryFGColor(teFG ? *teFG : DEFAULT_TEXT_ENTRY_FGCOLOR), mStyle(style), mAlign(align),
      mOrientation(orientation), mQuality(quality), mCached(nullptr)
  {
    SetFont(font ? font : kDefaultFont);
  }

  explicit IText(const IColor* color) : IText(kDefaultFontSize, color) {}

  void SetFont(const char* font)
  {
    int i = 0;
    if (font)
      for (; i < kFontNameLen - 1 && font[i]; ++i) mFont[i] = font[i];
    for (; i < kFontNameLen; ++i) mFont[i] = '\0';
  }
};
