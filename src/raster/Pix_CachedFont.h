#pragma once
// Text drawing into raster bitmaps: the font interface and the glyph-caching font.
//
// Pix_CachedFont wraps a font object of the GDI shim. It either lets the shim draw the text
// straight into the bitmap's drawing context (native rendering) or renders each character once
// into a coverage mask, keeps the masks in a glyph cache and combines them with the text colour
// (the glyph cache: translucent text, effects, bitmaps without a drawing context).
//
// Thread: fonts and the scratch bitmaps they share are used from the UI thread only.

#include "raster/Pix_IBitmap.h"

#include <cstdint>
#include <vector>

struct HGDIOBJ__;

// Font flags (SetFromHFont).
enum EPixFontFlags
{
  Pix_FontVertical = 0x1,      // masks turned a quarter, the pen moves down
  Pix_FontBottomUp = 0x2,      // with Pix_FontVertical: the pen moves up
  Pix_FontAsciiOnly = 0x4,     // render 0 ... 127 at once; other characters are skipped
  Pix_FontBlur = 0x10,         // blur each glyph before capture
  Pix_FontInvert = 0x20,       // coverage 255 - value
  Pix_FontMono = 0x40,         // coverage above 130 becomes 255, else 0
  Pix_FontShadow = 0x80,       // monochrome plus a half-strength shadow to the lower right
  Pix_FontOutline = 0x100,     // monochrome plus a half-strength outline around the glyph
  Pix_FontOwnsHandle = 0x200,  // delete the shim font when replaced or destroyed
  Pix_FontPreferNative = 0x400 // draw through the shim when nothing else is asked for
};

// Text flags (DrawText): the shim's values plus one of the font's own.
enum EPixTextFlags
{
  Pix_TextCenter = 0x1,
  Pix_TextRight = 0x2,
  Pix_TextVCenter = 0x4,
  Pix_TextBottom = 0x8,
  Pix_TextSingleLine = 0x20,      // a line feed counts as a space
  Pix_TextNoClip = 0x100,         // the whole bitmap is the clip area
  Pix_TextCalcRect = 0x400,       // measure only
  Pix_TextUseColorAlpha = 0x40000000 // alpha x text colour alpha / 255
};

// Font interface. The virtual operations keep this order.
class Pix_IFont
{
public:
  virtual ~Pix_IFont() {}
  virtual void SetFromHFont(HGDIOBJ__* font, int flags) = 0;
  // Setters return the previous value.
  virtual Pix_Pixel SetTextColor(Pix_Pixel color) = 0;
  virtual Pix_Pixel SetBkColor(Pix_Pixel color) = 0;
  virtual Pix_Pixel SetEffectColor(Pix_Pixel color) = 0;
  virtual int SetBkMode(int mode) = 0;
  virtual void SetCombineMode(int mode, float alpha) = 0;
  // UTF-8 text, length in bytes or -1 up to the terminating zero. Returns the height of the text
  // drawn or measured (for vertical fonts its width), 0 when nothing was drawn.
  virtual int DrawText(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags) = 0;
  virtual Pix_Pixel GetTextColor() const = 0;
  virtual HGDIOBJ__* GetHFont() const = 0;
  virtual int GetLineHeight() const = 0;
  // Draws one glyph with its pen position at (x, y), clipped to clipRect (null: the bitmap);
  // returns whether anything was drawn.
  virtual bool DrawGlyph(Pix_IBitmap* bitmap, int character, int x, int y, const Pix_Rect* clipRect) = 0;
};

class Pix_SysBitmap;

class Pix_CachedFont : public Pix_IFont
{
public:
  Pix_CachedFont();
  ~Pix_CachedFont() override;
  Pix_CachedFont(const Pix_CachedFont&) = delete;
  Pix_CachedFont& operator=(const Pix_CachedFont&) = delete;

  void SetFromHFont(HGDIOBJ__* font, int flags) override;
  Pix_Pixel SetTextColor(Pix_Pixel color) override;
  Pix_Pixel SetBkColor(Pix_Pixel color) override;
  Pix_Pixel SetEffectColor(Pix_Pixel color) override;
  int SetBkMode(int mode) override; // 1 = opaque glyph cells, else transparent
  // mode: the mode word used for glyph pixels (combine mode in the low byte); alpha: opacity.
  void SetCombineMode(int mode, float alpha) override;
  int DrawText(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags) override;
  Pix_Pixel GetTextColor() const override { return m_textColor; }
  HGDIOBJ__* GetHFont() const override { return m_font; }
  int GetLineHeight() const override { return m_lineHeight; }
  bool DrawGlyph(Pix_IBitmap* bitmap, int character, int x, int y, const Pix_Rect* clipRect) override;

  // Pixels added to the line height at each line feed (may be negative).
  void SetLineSpacingAdjust(int pixels) { m_lineSpacingAdjust = pixels; }
  int GetLineSpacingAdjust() const { return m_lineSpacingAdjust; }
  int GetFlags() const { return m_flags; }

  // One cached character.
  struct Glyph
  {
    int offset;     // 1-based position of the mask in the store; 0 not rendered; -1 draws nothing
    int width;      // mask width
    int height;     // mask height
    int advance;    // pen movement in pixels
    int codePoint;  // sort key of the extra list
    int leftExtent; // pen position minus the mask's first column (rows for vertical fonts)
  };

  // The cached glyph of a character, rendered on first use; null when the character is skipped
  // (ASCII-only fonts) or the font cannot render.
  const Glyph* GetGlyph(int codePoint);
  // Coverage mask of a rendered glyph (width x height bytes), or null.
  const uint8_t* GetMask(const Glyph* glyph) const;
  // True when DrawText with these text flags goes through the shim.
  bool UsesNativeRendering(int textFlags) const;

  // Live fonts of the module; the shared scratch bitmaps exist while it is above zero.
  static int GetLiveFontCount();

private:
  struct Extent
  {
    int along = 0;  // longest line, in the pen's direction
    int lines = 0;  // lines with at least one character
  };

  int DrawNative(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags);
  int DrawCached(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags);
  // Walks the text; draws each glyph when bitmap is not null. Returns the extent.
  Extent Walk(Pix_IBitmap* bitmap, const unsigned char* text, int length, int flags, int x, int y,
              const Pix_Rect* clip, float alpha);
  Glyph* RenderGlyph(int codePoint);
  bool DrawGlyphAt(Pix_IBitmap* bitmap, const Glyph* g, int x, int y, const Pix_Rect& clip, float alpha);
  void ClearCache();

  Pix_Pixel m_textColor = 0x00000000;
  Pix_Pixel m_bkColor = 0xFFFFFFFF;
  Pix_Pixel m_effectColor = 0xFFFFFFFF;
  int m_bkMode = 0;
  int m_combineMode = 0;
  float m_alpha = 1.f;
  int m_flags = 0;
  int m_lineHeight = 0;
  int m_lineSpacingAdjust = 0;
  Glyph m_low[128];
  std::vector<Glyph> m_extra;  // code points >= 128, sorted
  std::vector<uint8_t> m_store; // coverage masks, one byte per pixel
  HGDIOBJ__* m_font = nullptr;
};
