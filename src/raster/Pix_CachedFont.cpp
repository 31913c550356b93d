#include "raster/Pix_CachedFont.h"

#include "gdi/Gdi.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_Combine.h"
#include "raster/Pix_SysBitmap.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace
{
// Scratch surfaces shared by every font of the module: one for rendering glyphs, one for
// native text into bitmaps without a drawing context. They live while a font does.
Pix_SysBitmap* s_glyphScratch = nullptr;
Pix_SysBitmap* s_nativeScratch = nullptr;
int s_liveFonts = 0;

const int kStoreStep = 65536;
const int kEffectFlags = Pix_FontShadow | Pix_FontOutline;

// The glyph scratch, at least side x side, with white text over an opaque black background.
Pix_SysBitmap* GlyphScratch(int side)
{
  if (!s_glyphScratch) s_glyphScratch = new Pix_SysBitmap;
  Pix_SysBitmap* s = s_glyphScratch;
  if (s->getWidth() < side || s->getHeight() < side)
    s->resize(std::max(s->getWidth(), side), std::max(s->getHeight(), side));
  HDC__* dc = s->getDC();
  if (!dc) return nullptr;
  SetTextColor(dc, 0xFFFFFF);
  SetBkMode(dc, GDI_BKMODE_OPAQUE);
  SetBkColor(dc, 0);
  return s;
}

Pix_SysBitmap* NativeScratch(int w, int h)
{
  if (!s_nativeScratch) s_nativeScratch = new Pix_SysBitmap;
  Pix_SysBitmap* s = s_nativeScratch;
  if (s->getWidth() < w || s->getHeight() < h)
    s->resize(std::max(s->getWidth(), w), std::max(s->getHeight(), h));
  return s->getDC() ? s : nullptr;
}

// One character of UTF-8 text: a lead byte 0xC2 ... 0xDF takes one continuation byte,
// 0xE0 ... 0xEF two, 0xF0 ... 0xF4 three (such characters come back as a space); any byte
// that does not start a valid sequence stands for the character of the same value.
int NextChar(const unsigned char*& p, const unsigned char* end)
{
  const unsigned char b = *p++;
  const int need = (b >= 0xC2 && b <= 0xDF) ? 1 : (b >= 0xE0 && b <= 0xEF) ? 2 : (b >= 0xF0 && b <= 0xF4) ? 3 : 0;
  if (need == 0 || end - p < need) return b;
  int c = b & (0x3F >> need);
  for (int k = 0; k < need; ++k)
  {
    if (p[k] < 0x80 || p[k] > 0xBF) return b;
    c = (c << 6) | (p[k] & 0x3F);
  }
  p += need;
  return need == 3 ? ' ' : c;
}

int EncodeUtf8(int c, char* out)
{
  if (c < 0x80)
  {
    out[0] = (char)c;
    return 1;
  }
  if (c < 0x800)
  {
    out[0] = (char)(0xC0 | (c >> 6));
    out[1] = (char)(0x80 | (c & 0x3F));
    return 2;
  }
  out[0] = (char)(0xE0 | ((c >> 12) & 0x0F));
  out[1] = (char)(0x80 | ((c >> 6) & 0x3F));
  out[2] = (char)(0x80 | (c & 0x3F));
  return 3;
}

Pix_Rect Intersect(const Pix_Rect& a, const Pix_Rect& b)
{
  Pix_Rect r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
  return r;
}

bool IsEmpty(const Pix_Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// A glyph pixel at weight wt: the colour's RGB, and the destination alpha moved toward 255.
template <class F>
struct GlyphPixel
{
  static Pix_Pixel Px(Pix_Pixel d, int b, int g, int r, int wt) { return pix::ChannelOp<F>{wt}.Fill(d, b, g, r, 255); }
};
struct GlyphAdjustPixel
{
  static Pix_Pixel Px(Pix_Pixel d, int b, int g, int r, int wt) { return pix::AdjustHSV(d, b, g, r, 255, wt); }
};

enum MaskKind { kCoverage, kMono, kEffect };

// Combines the mask rectangle [x0, x1) x [y0, y1) (bitmap coordinates) whose mask origin is
// (gx, gy) into the bitmap.
template <class P>
void CombineMask(Pix_IBitmap* bm, const uint8_t* mask, int maskW, int gx, int gy, int x0, int y0, int x1, int y1,
                 MaskKind kind, int w, Pix_Pixel text, Pix_Pixel effect)
{
  const int tb = pix::Byte(text, 0), tg = pix::Byte(text, 1), tr = pix::Byte(text, 2);
  const int eb = pix::Byte(effect, 0), eg = pix::Byte(effect, 1), er = pix::Byte(effect, 2);
  for (int y = y0; y < y1; ++y)
  {
    const uint8_t* m = mask + (size_t)(y - gy) * maskW - gx;
    Pix_Pixel* row = pix::RowPtr(bm, y);
    for (int x = x0; x < x1; ++x)
    {
      const int v = m[x];
      if (v == 0) continue;
      switch (kind)
      {
        case kCoverage: row[x] = P::Px(row[x], tb, tg, tr, std::min(256, w * v / 256)); break;
        case kMono: row[x] = P::Px(row[x], tb, tg, tr, w); break;
        case kEffect:
          if (v == 255)
            row[x] = P::Px(row[x], tb, tg, tr, w);
          else if (v == 128)
            row[x] = P::Px(row[x], eb, eg, er, w);
          break;
      }
    }
  }
}
} // namespace

Pix_CachedFont::Pix_CachedFont()
{
  memset(m_low, 0, sizeof(m_low));
  ++s_liveFonts;
}

Pix_CachedFont::~Pix_CachedFont()
{
  if ((m_flags & Pix_FontOwnsHandle) && m_font) DeleteObject(m_font);
  if (--s_liveFonts == 0)
  {
    delete s_glyphScratch;
    delete s_nativeScratch;
    s_glyphScratch = s_nativeScratch = nullptr;
  }
}

int Pix_CachedFont::GetLiveFontCount() { return s_liveFonts; }

void Pix_CachedFont::ClearCache()
{
  memset(m_low, 0, sizeof(m_low));
  for (int i = 0; i < 128; ++i) m_low[i].codePoint = i;
  m_extra.clear();
  m_store.clear();
}

void Pix_CachedFont::SetFromHFont(HGDIOBJ__* font, int flags)
{
  if ((m_flags & Pix_FontOwnsHandle) && m_font && m_font != font) DeleteObject(m_font);
  m_flags = flags;
  m_font = font;
  m_lineHeight = 0;
  ClearCache();
  if (!font) return;
  if (Pix_SysBitmap* s = GlyphScratch(256))
  {
    HDC__* dc = s->getDC();
    HGDIOBJ__* previous = SelectObject(dc, font);
    TEXTMETRIC tm;
    if (GetTextMetrics(dc, &tm)) m_lineHeight = tm.tmHeight;
    SelectObject(dc, previous);
  }
  if (m_flags & Pix_FontAsciiOnly)
    for (int c = 0; c < 128; ++c) RenderGlyph(c);
}

Pix_Pixel Pix_CachedFont::SetTextColor(Pix_Pixel color)
{
  Pix_Pixel previous = m_textColor;
  m_textColor = color;
  return previous;
}

Pix_Pixel Pix_CachedFont::SetBkColor(Pix_Pixel color)
{
  Pix_Pixel previous = m_bkColor;
  m_bkColor = color;
  return previous;
}

Pix_Pixel Pix_CachedFont::SetEffectColor(Pix_Pixel color)
{
  Pix_Pixel previous = m_effectColor;
  m_effectColor = color;
  return previous;
}

int Pix_CachedFont::SetBkMode(int mode)
{
  int previous = m_bkMode;
  m_bkMode = mode;
  return previous;
}

void Pix_CachedFont::SetCombineMode(int mode, float alpha)
{
  m_combineMode = mode;
  m_alpha = alpha;
}

bool Pix_CachedFont::UsesNativeRendering(int textFlags) const
{
  if (!m_font) return false;
  if (m_lineHeight > 255) return true;
  const int cacheOnly = Pix_FontVertical | Pix_FontBottomUp | Pix_FontAsciiOnly | Pix_FontBlur | Pix_FontInvert |
                        Pix_FontMono | Pix_FontShadow | Pix_FontOutline;
  return (m_flags & Pix_FontPreferNative) && !(m_flags & cacheOnly) && (unsigned)textFlags < 0x40000000u &&
         (m_lineSpacingAdjust == 0 || (textFlags & Pix_TextSingleLine));
}

int Pix_CachedFont::DrawText(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags)
{
  if (!text || !rect || length < -1 || !m_font) return 0;
  // A byte count never reads past a terminating zero.
  const int n = length < 0 ? (int)strnlen(text, INT_MAX) : (int)strnlen(text, (size_t)length);
  if (n == 0) return 0;
  if (UsesNativeRendering(flags)) return DrawNative(bitmap, text, n, rect, flags);
  return DrawCached(bitmap, text, n, rect, flags);
}

int Pix_CachedFont::DrawNative(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags)
{
  const bool measure = (flags & Pix_TextCalcRect) != 0;
  HDC__* dc = bitmap ? bitmap->getDC() : nullptr;
  Pix_IBitmap* target = bitmap;
  Pix_Rect area = {0, 0, 0, 0};
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  if (!dc && measure)
  {
    Pix_SysBitmap* s = GlyphScratch(256);
    dc = s ? s->getDC() : nullptr;
  }
  else if (!dc)
  {
    // No drawing context: copy the target area into the native scratch, draw there, blit back.
    if (!pix::Usable(bitmap)) return 0;
    const Pix_Rect whole = {0, 0, bitmap->getWidth(), bitmap->getHeight()};
    area = (flags & Pix_TextNoClip) ? whole : Intersect(*rect, whole);
    if (IsEmpty(area)) return 0;
    target = NativeScratch(area.right - area.left, area.bottom - area.top);
    if (!target) return 0;
    dc = target->getDC();
    Pix_Blit(target, bitmap, 0, 0, &area, 1.f, Pix_ModeCopy);
    r.left -= area.left;
    r.right -= area.left;
    r.top -= area.top;
    r.bottom -= area.top;
  }
  if (!dc) return 0;

  HGDIOBJ__* previous = SelectObject(dc, m_font);
  ::SetTextColor(dc, (int)(m_textColor & 0xFFFFFF));
  ::SetBkMode(dc, m_bkMode);
  if (m_bkMode == GDI_BKMODE_OPAQUE) ::SetBkColor(dc, (int)(m_bkColor & 0xFFFFFF));
  const int h = Gdi_DrawText(dc, text, length, &r, flags | DT_NOPREFIX);
  SelectObject(dc, previous);

  if (measure)
  {
    rect->right = r.right;
    rect->bottom = r.bottom;
  }
  else if (target != bitmap)
  {
    const Pix_Rect back = {0, 0, area.right - area.left, area.bottom - area.top};
    Pix_Blit(bitmap, target, area.left, area.top, &back, m_alpha, Pix_ModeCopy);
  }
  return h;
}

Pix_CachedFont::Extent Pix_CachedFont::Walk(Pix_IBitmap* bitmap, const unsigned char* text, int length, int flags,
                                            int x, int y, const Pix_Rect* clip, float alpha)
{
  const bool vertical = (m_flags & Pix_FontVertical) != 0;
  const bool bottomUp = vertical && (m_flags & Pix_FontBottomUp);
  const bool singleLine = (flags & Pix_TextSingleLine) != 0;
  const int64_t step = (int64_t)m_lineHeight + m_lineSpacingAdjust;
  Extent e;
  int64_t pen = 0, across = 0;
  const unsigned char* p = text;
  const unsigned char* end = text + length;
  bool any = false;
  while (p < end)
  {
    int c = NextChar(p, end);
    if (c == '\r') continue;
    any = true;
    if (c == '\n')
    {
      if (!singleLine)
      {
        e.along = (int)std::max<int64_t>(e.along, std::min<int64_t>(pen, INT_MAX));
        pen = 0;
        // A final line feed opens no further line.
        if (p < end)
        {
          across += step;
          e.lines++;
        }
        continue;
      }
      c = ' ';
    }
    const Glyph* g = RenderGlyph(c);
    if (!g) continue;
    if (bitmap)
    {
      const int64_t gx = vertical ? x + across : x + pen;
      const int64_t gy = vertical ? (bottomUp ? y - pen : y + pen) : y + across;
      if (gx > INT_MIN / 2 && gx < INT_MAX / 2 && gy > INT_MIN / 2 && gy < INT_MAX / 2)
        DrawGlyphAt(bitmap, g, (int)gx, (int)gy, *clip, alpha);
    }
    pen += g->advance;
  }
  if (!any) return Extent();
  e.lines++;
  e.along = (int)std::max<int64_t>(e.along, std::min<int64_t>(pen, INT_MAX));
  return e;
}

int Pix_CachedFont::DrawCached(Pix_IBitmap* bitmap, const char* text, int length, Pix_Rect* rect, int flags)
{
  const auto* bytes = (const unsigned char*)text;
  const bool vertical = (m_flags & Pix_FontVertical) != 0;
  const bool bottomUp = vertical && (m_flags & Pix_FontBottomUp);
  auto across = [&](const Extent& e) {
    int64_t v = e.lines ? (int64_t)e.lines * m_lineHeight + (int64_t)(e.lines - 1) * m_lineSpacingAdjust : 0;
    return (int)std::max<int64_t>(0, std::min<int64_t>(v, INT_MAX));
  };

  if (flags & Pix_TextCalcRect)
  {
    Extent e = Walk(nullptr, bytes, length, flags, 0, 0, nullptr, 0.f);
    if (e.lines == 0) return 0;
    const int w = vertical ? across(e) : e.along, h = vertical ? e.along : across(e);
    rect->right = (int)std::min<int64_t>((int64_t)rect->left + w, INT_MAX);
    rect->bottom = (int)std::min<int64_t>((int64_t)rect->top + h, INT_MAX);
    return vertical ? w : h;
  }

  float alpha = m_alpha;
  if (flags & Pix_TextUseColorAlpha) alpha = alpha * (float)(m_textColor >> 24) / 255.f;
  if (!(alpha > 0.f) || !pix::Usable(bitmap)) return 0;

  int x = rect->left, y = rect->top;
  int textW = 0, textH = 0;
  const bool aligned = (flags & (Pix_TextCenter | Pix_TextRight | Pix_TextVCenter | Pix_TextBottom)) || bottomUp;
  if (aligned)
  {
    Extent e = Walk(nullptr, bytes, length, flags, 0, 0, nullptr, 0.f);
    textW = vertical ? across(e) : e.along;
    textH = vertical ? e.along : across(e);
    const int64_t rw = (int64_t)rect->right - rect->left, rh = (int64_t)rect->bottom - rect->top;
    // Right and bottom alignment win over centring when both are asked for.
    if (flags & Pix_TextCenter) x = (int)(x + (rw - textW) / 2);
    if (flags & Pix_TextRight) x = (int)((int64_t)rect->right - textW);
    if (flags & Pix_TextVCenter) y = (int)(y + (rh - textH) / 2);
    if (flags & Pix_TextBottom) y = (int)((int64_t)rect->bottom - textH);
    if (bottomUp) y = (int)std::min<int64_t>((int64_t)y + textH, INT_MAX);
  }

  const Pix_Rect whole = {0, 0, bitmap->getWidth(), bitmap->getHeight()};
  const Pix_Rect clip = (flags & Pix_TextNoClip) ? whole : Intersect(*rect, whole);
  if (IsEmpty(clip)) return 0;
  Extent e = Walk(bitmap, bytes, length, flags, x, y, &clip, alpha);
  return across(e);
}

const Pix_CachedFont::Glyph* Pix_CachedFont::GetGlyph(int codePoint)
{
  return RenderGlyph(codePoint);
}

const uint8_t* Pix_CachedFont::GetMask(const Glyph* g) const
{
  if (!g || g->offset <= 0 || (size_t)g->offset - 1 + (size_t)g->width * g->height > m_store.size()) return nullptr;
  return m_store.data() + g->offset - 1;
}

Pix_CachedFont::Glyph* Pix_CachedFont::RenderGlyph(int codePoint)
{
  if (!m_font || m_lineHeight > 1023 || codePoint < 0 || codePoint > 0xFFFF) return nullptr;
  Glyph* g;
  if (codePoint < 128)
    g = &m_low[codePoint];
  else
  {
    auto it = std::lower_bound(m_extra.begin(), m_extra.end(), codePoint,
                               [](const Glyph& e, int c) { return e.codePoint < c; });
    if (it != m_extra.end() && it->codePoint == codePoint)
      g = &*it;
    else
    {
      if (m_flags & Pix_FontAsciiOnly) return nullptr;
      // Inserting at the sorted position keeps the list ordered by code point.
      g = &*m_extra.insert(it, Glyph{0, 0, 0, 0, codePoint, 0});
    }
  }
  if (g->offset != 0) return g;

  // Until it is captured, the glyph draws nothing.
  g->offset = -1;
  g->width = g->height = 0;
  const int lineHeight = std::max(1, m_lineHeight);
  Pix_SysBitmap* s = GlyphScratch(lineHeight * 2 + 8);
  if (!s) return g;
  HDC__* dc = s->getDC();
  HGDIOBJ__* previous = SelectObject(dc, m_font);
  char utf8[4];
  const int n = EncodeUtf8(codePoint, utf8);
  RECT measured = {0, 0, 0, 0};
  Gdi_DrawText(dc, utf8, n, &measured, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  const int mw = measured.right - measured.left, mh = measured.bottom - measured.top;
  const int margin = m_lineHeight < 16 ? 2 : m_lineHeight / 16 + 2;
  if (mw < 1 || mh < 1)
  {
    SelectObject(dc, previous);
    return g;
  }
  const int aw = std::min(mw + 2 * margin, s->getWidth()), ah = std::min(mh, s->getHeight());
  Pix_FillRect(s, 0, 0, aw, ah, 0xFF000000u, 1.f, Pix_ModeCopy);
  RECT at = {margin, 0, margin + mw, mh};
  Gdi_DrawText(dc, utf8, n, &at, DT_NOCLIP | DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(dc, previous);
  g->advance = mw;

  // Coverage from one channel of the white-on-black rendering.
  std::vector<uint8_t> cell((size_t)aw * ah);
  for (int y = 0; y < ah; ++y)
  {
    const Pix_Pixel* row = pix::RowPtr(s, y);
    for (int x = 0; x < aw; ++x) cell[(size_t)y * aw + x] = (uint8_t)pix::Byte(row[x], 1);
  }
  if (m_flags & Pix_FontBlur)
  {
    // 3 x 3 box average; cells outside the area are left out.
    std::vector<uint8_t> blurred(cell.size());
    for (int y = 0; y < ah; ++y)
      for (int x = 0; x < aw; ++x)
      {
        int sum = 0, count = 0;
        for (int yy = std::max(0, y - 1); yy <= std::min(ah - 1, y + 1); ++yy)
          for (int xx = std::max(0, x - 1); xx <= std::min(aw - 1, x + 1); ++xx, ++count) sum += cell[(size_t)yy * aw + xx];
        blurred[(size_t)y * aw + x] = (uint8_t)(sum / count);
      }
    cell.swap(blurred);
  }
  if (m_flags & Pix_FontInvert)
    for (uint8_t& v : cell) v = (uint8_t)(255 - v);

  // Keep only the columns with coverage.
  int left = aw, right = -1;
  for (int y = 0; y < ah; ++y)
    for (int x = 0; x < aw; ++x)
      if (cell[(size_t)y * aw + x])
      {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  int mW = right >= left ? right - left + 1 : 0, mH = right >= left ? ah : 0;
  int extent = mW ? margin - left : 0;
  std::vector<uint8_t> mask((size_t)mW * mH);
  for (int y = 0; y < mH; ++y) memcpy(&mask[(size_t)y * mW], &cell[(size_t)y * aw + left], (size_t)mW);

  if ((m_flags & Pix_FontVertical) && mW)
  {
    // A quarter turn: clockwise for top-down text, anticlockwise for bottom-up text.
    std::vector<uint8_t> turned(mask.size());
    const bool up = (m_flags & Pix_FontBottomUp) != 0;
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x)
      {
        const int ny = up ? mW - 1 - x : x, nx = up ? y : mH - 1 - y;
        turned[(size_t)ny * mH + nx] = mask[(size_t)y * mW + x];
      }
    mask.swap(turned);
    std::swap(mW, mH);
  }

  if ((m_flags & kEffectFlags) && mW)
  {
    // Thresholded glyph plus half-strength effect pixels; the mask grows so that the effect is
    // not cut at the glyph's edges (one pixel right and down for the shadow, all round for the
    // outline).
    const bool outline = (m_flags & Pix_FontOutline) != 0, shadow = (m_flags & Pix_FontShadow) != 0;
    const int padL = outline ? 1 : 0, padT = outline ? 1 : 0, padR = 1, padB = 1;
    const int nW = mW + padL + padR, nH = mH + padT + padB;
    std::vector<uint8_t> full((size_t)nW * nH, 0);
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x)
        full[(size_t)(y + padT) * nW + x + padL] = mask[(size_t)y * mW + x] > 130 ? 255 : 0;
    std::vector<uint8_t> out(full);
    auto on = [&](int x, int y) { return x >= 0 && y >= 0 && x < nW && y < nH && full[(size_t)y * nW + x] == 255; };
    for (int y = 0; y < nH; ++y)
      for (int x = 0; x < nW; ++x)
      {
        if (full[(size_t)y * nW + x]) continue;
        const bool s = shadow && (on(x - 1, y) || on(x, y - 1) || on(x - 1, y - 1));
        const bool o = outline && (on(x - 1, y) || on(x + 1, y) || on(x, y - 1) || on(x, y + 1));
        if (s || o) out[(size_t)y * nW + x] = 128;
      }
    mask.swap(out);
    const bool bottomUp = (m_flags & Pix_FontVertical) && (m_flags & Pix_FontBottomUp);
    extent += (m_flags & Pix_FontVertical) ? (bottomUp ? padB : padT) : padL;
    mW = nW;
    mH = nH;
  }
  else if ((m_flags & Pix_FontMono) && mW)
  {
    for (uint8_t& v : mask) v = v > 130 ? 255 : 0;
  }

  const size_t bytes = mask.size();
  if (m_store.size() + bytes >= (size_t)INT_MAX) return g; // the store's offsets are 32-bit
  if (m_store.capacity() < m_store.size() + bytes)
    m_store.reserve((m_store.size() + bytes + kStoreStep - 1) / kStoreStep * kStoreStep);
  g->offset = (int)m_store.size() + 1;
  m_store.insert(m_store.end(), mask.begin(), mask.end());
  g->width = mW;
  g->height = mH;
  g->leftExtent = extent;
  return g;
}

bool Pix_CachedFont::DrawGlyph(Pix_IBitmap* bitmap, int character, int x, int y, const Pix_Rect* clipRect)
{
  if (!pix::Usable(bitmap)) return false;
  const Glyph* g = RenderGlyph(character);
  if (!g) return false;
  const Pix_Rect whole = {0, 0, bitmap->getWidth(), bitmap->getHeight()};
  return DrawGlyphAt(bitmap, g, x, y, clipRect ? Intersect(*clipRect, whole) : whole, m_alpha);
}

bool Pix_CachedFont::DrawGlyphAt(Pix_IBitmap* bm, const Glyph* g, int x, int y, const Pix_Rect& clipIn, float alpha)
{
  if (g->offset <= 0 || g->width <= 0 || g->height <= 0) return false;
  const bool vertical = (m_flags & Pix_FontVertical) != 0;
  int64_t gx = x, gy = y;
  if (!vertical)
    gx -= g->leftExtent;
  else if (m_flags & Pix_FontBottomUp)
    gy = gy + g->leftExtent - g->height;
  else
    gy -= g->leftExtent;
  const Pix_Rect whole = {0, 0, bm->getWidth(), bm->getHeight()};
  const Pix_Rect clip = Intersect(clipIn, whole);
  const int x0 = (int)std::max<int64_t>(gx, clip.left), y0 = (int)std::max<int64_t>(gy, clip.top);
  const int x1 = (int)std::min<int64_t>(gx + g->width, clip.right), y1 = (int)std::min<int64_t>(gy + g->height, clip.bottom);
  if (x1 <= x0 || y1 <= y0) return false;

  // The cell background uses the font's own alpha, not the text colour's.
  if (m_bkMode == GDI_BKMODE_OPAQUE)
    Pix_FillRect(bm, x0, y0, x1 - x0, y1 - y0, m_bkColor, m_alpha, m_combineMode & ~Pix_ModeSourceAlpha);

  const int w = std::min(256, Pix_AlphaToWeight(alpha));
  if (w <= 0) return true;
  const uint8_t* mask = m_store.data() + g->offset - 1;
  const MaskKind kind = (m_flags & kEffectFlags) ? kEffect : (m_flags & Pix_FontMono) ? kMono : kCoverage;
  const int ox = (int)gx, oy = (int)gy;
  switch (m_combineMode & Pix_ModeCombineMask)
  {
    case Pix_ModeCopy:
      CombineMask<GlyphPixel<pix::FCopy>>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    case Pix_ModeAdd:
      CombineMask<GlyphPixel<pix::FAdd>>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    case Pix_ModeDodge:
      CombineMask<GlyphPixel<pix::FDodge>>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    case Pix_ModeMultiply:
      CombineMask<GlyphPixel<pix::FMultiply>>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    case Pix_ModeOverlay:
      CombineMask<GlyphPixel<pix::FOverlay>>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    case Pix_ModeAdjust:
      CombineMask<GlyphAdjustPixel>(bm, mask, g->width, ox, oy, x0, y0, x1, y1, kind, w, m_textColor, m_effectColor);
      break;
    default: return false;
  }
  return true;
}
