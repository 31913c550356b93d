#include "gdi/Gdi_Face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstring>

namespace
{
// Rendered images kept per face before the cache starts afresh (bounds memory for texts that
// run through many characters and phases).
const size_t kMaxImages = 8192;
} // namespace

Gdi_Face* Gdi_Face::Open(FT_LibraryRec_* library, const char* file, int index, int size)
{
  if (!library || !file || size <= 0) return nullptr;
  FT_Face ftFace = nullptr;
  if (FT_New_Face(library, file, index, &ftFace) != 0) return nullptr;
  if (FT_Set_Char_Size(ftFace, 0, (FT_F26Dot6)size * 64, 72, 72) != 0)
  {
    // Bitmap-only faces: take the nearest fixed size.
    if (ftFace->num_fixed_sizes <= 0 || FT_Select_Size(ftFace, 0) != 0)
    {
      FT_Done_Face(ftFace);
      return nullptr;
    }
  }
  Gdi_Face* face = new Gdi_Face;
  face->mFace = ftFace;
  face->mSize = size;
  if (FT_IS_SCALABLE(ftFace) && ftFace->units_per_EM > 0)
  {
    face->mScale = (float)size / (float)ftFace->units_per_EM;
    face->mAscent = ftFace->ascender * face->mScale;
    face->mDescent = -ftFace->descender * face->mScale;
    float gap = (ftFace->height - (ftFace->ascender - ftFace->descender)) * face->mScale;
    face->mLeading = gap > 0.f ? gap : 0.f;
  }
  else
  {
    const FT_Size_Metrics& m = ftFace->size->metrics;
    face->mAscent = m.ascender / 64.f;
    face->mDescent = -m.descender / 64.f;
    float gap = (m.height - (m.ascender - m.descender)) / 64.f;
    face->mLeading = gap > 0.f ? gap : 0.f;
  }
  face->mHasKerning = FT_HAS_KERNING(ftFace) != 0;
  for (uint32_t c = 0; c < 128; ++c)
    face->mAsciiGlyphs[c] = (c < 0x20 || c == 0x7F) ? 0 : FT_Get_Char_Index(ftFace, c);
  face->mAdvances.assign(ftFace->num_glyphs > 0 ? (size_t)ftFace->num_glyphs : 0, -1.f);
  return face;
}

Gdi_Face::~Gdi_Face()
{
  if (mFace) FT_Done_Face(mFace);
}

const char* Gdi_Face::GetPostScriptName() const
{
  const char* name = FT_Get_Postscript_Name(mFace);
  return name ? name : "";
}

unsigned Gdi_Face::GlyphIndex(uint32_t c)
{
  if (c < 128) return mAsciiGlyphs[c];
  if (c < 0xA0) return 0; // C1 controls
  return FT_Get_Char_Index(mFace, c);
}

float Gdi_Face::Advance(unsigned glyph)
{
  if (glyph >= mAdvances.size()) return 0.f;
  float& a = mAdvances[glyph];
  if (a < 0.f)
  {
    a = 0.f;
    if (FT_Load_Glyph(mFace, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
      a = FT_IS_SCALABLE(mFace) ? mFace->glyph->linearHoriAdvance / 65536.f : mFace->glyph->advance.x / 64.f;
  }
  return a;
}

float Gdi_Face::Kerning(unsigned left, unsigned right)
{
  if (!mHasKerning || !left || !right) return 0.f;
  FT_Vector k;
  if (FT_Get_Kerning(mFace, left, right, FT_KERNING_UNSCALED, &k) != 0) return 0.f;
  return k.x * mScale;
}

const Gdi_GlyphImage* Gdi_Face::Image(unsigned glyph, int phaseX, int phaseY, bool antialias)
{
  if (glyph >= (1u << 26) || phaseX < 0 || phaseX >= kPhases || phaseY < 0 || phaseY >= kPhases)
    return nullptr;
  uint32_t key = (glyph << 5) | ((uint32_t)phaseX << 3) | ((uint32_t)phaseY << 1) | (antialias ? 0u : 1u);
  auto found = mImages.find(key);
  if (found != mImages.end()) return &found->second;
  if (mImages.size() >= kMaxImages) mImages.clear();

  if (FT_Load_Glyph(mFace, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return nullptr;
  FT_GlyphSlot slot = mFace->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE)
  {
    // Pen phase: right by phaseX, down by phaseY (FreeType's y axis points up).
    FT_Outline_Translate(&slot->outline, phaseX * 64 / kPhases, -phaseY * 64 / kPhases);
  }
  if (FT_Render_Glyph(slot, antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return nullptr;

  Gdi_GlyphImage& img = mImages[key];
  const FT_Bitmap& bm = slot->bitmap;
  img.left = slot->bitmap_left;
  img.top = slot->bitmap_top;
  img.width = (int)bm.width;
  img.height = (int)bm.rows;
  img.coverage.assign((size_t)img.width * (size_t)img.height, 0);
  for (int y = 0; y < img.height; ++y)
  {
    const unsigned char* row = bm.buffer + (ptrdiff_t)y * bm.pitch;
    uint8_t* out = img.coverage.data() + (size_t)y * img.width;
    if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
    {
      for (int x = 0; x < img.width; ++x)
        out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    }
    else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
    {
      int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
      if (levels == 255)
        memcpy(out, row, (size_t)img.width);
      else
        for (int x = 0; x < img.width; ++x) out[x] = (uint8_t)(row[x] * 255 / levels);
    }
  }
  return &img;
}
