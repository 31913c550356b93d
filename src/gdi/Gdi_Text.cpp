// Text metrics and text drawing into memory contexts.

#include "gdi/Gdi.h"
#include "gdi/Gdi_Face.h"
#include "gdi/Gdi_Records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
// Copies the text as drawn: carriage returns dropped, "&" prefixes resolved unless DT_NOPREFIX,
// line feeds turned into spaces with DT_SINGLELINE. At most GDI_MAX_TEXT bytes are kept; a cut
// never splits a UTF-8 sequence. Returns the byte count; `multiLine` tells whether a line feed
// remains.
int PrepareText(const char* text, int length, int flags, char* out, bool* multiLine)
{
  *multiLine = false;
  int n = 0;
  bool cut = false;
  for (int i = 0; length < 0 || i < length; ++i)
  {
    char c = text[i];
    if (c == 0) break;
    if (c == '\r') continue;
    if (c == '&' && !(flags & DT_NOPREFIX))
    {
      // The next character is copied as it stands (a doubled "&" gives one).
      ++i;
      if ((length >= 0 && i >= length) || text[i] == 0) break;
      c = text[i];
    }
    else if (c == '\n')
    {
      if (flags & DT_SINGLELINE)
        c = ' ';
      else
        *multiLine = true;
    }
    if (n == GDI_MAX_TEXT)
    {
      cut = true;
      break;
    }
    out[n++] = c;
  }
  if (cut)
  {
    // Drop a sequence that the cut left incomplete.
    int lead = n - 1;
    while (lead > 0 && n - lead < 4 && ((unsigned char)out[lead] & 0xC0) == 0x80) --lead;
    unsigned char b = (unsigned char)out[lead];
    int need = (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 1;
    if (lead + need > n) n = lead;
    *multiLine = memchr(out, '\n', (size_t)n) != nullptr;
  }
  out[n] = 0;
  return n;
}

// Decodes one character: a valid UTF-8 sequence, or any other byte as the character of the
// same value. Advances *p.
uint32_t NextChar(const unsigned char*& p, const unsigned char* end)
{
  unsigned char b = *p++;
  int extra = (b >= 0xC2 && b <= 0xDF) ? 1 : (b >= 0xE0 && b <= 0xEF) ? 2 : (b >= 0xF0 && b <= 0xF4) ? 3 : 0;
  if (extra == 0 || end - p < extra) return b;
  uint32_t c = b & (0x3F >> extra);
  for (int k = 0; k < extra; ++k)
  {
    if ((p[k] & 0xC0) != 0x80) return b;
    c = (c << 6) | (p[k] & 0x3F);
  }
  // Overlong or out-of-range forms are not valid sequences.
  if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) return b;
  p += extra;
  return c;
}

struct PlacedGlyph
{
  unsigned glyph;
  float x; // pen position from the line start, pixels
};

struct Line
{
  size_t first, count; // range in the glyph list
  float width;
};

struct Layout
{
  std::vector<PlacedGlyph> glyphs;
  std::vector<Line> lines;
};

void LayOut(Gdi_Face* face, const char* text, int n, Layout& layout)
{
  layout.glyphs.clear();
  layout.lines.clear();
  const unsigned char* p = (const unsigned char*)text;
  const unsigned char* end = p + n;
  Line line = {0, 0, 0.f};
  float pen = 0.f;
  unsigned previous = 0;
  while (p < end)
  {
    uint32_t c = NextChar(p, end);
    if (c == '\n')
    {
      line.count = layout.glyphs.size() - line.first;
      line.width = pen;
      layout.lines.push_back(line);
      line = {layout.glyphs.size(), 0, 0.f};
      pen = 0.f;
      previous = 0;
      // A final line feed does not open another line.
      if (p == end) return;
      continue;
    }
    unsigned g = face->GlyphIndex(c);
    if (!g) continue;
    pen += face->Kerning(previous, g);
    layout.glyphs.push_back({g, pen});
    pen += face->Advance(g);
    previous = g;
  }
  line.count = layout.glyphs.size() - line.first;
  line.width = pen;
  layout.lines.push_back(line);
}

inline uint32_t BlendCoverage(uint32_t d, uint32_t rgb, unsigned cov)
{
  if (cov >= 255) return 0xFF000000u | rgb;
  unsigned inv = 255 - cov;
  unsigned r = (((rgb >> 16) & 0xFF) * cov + ((d >> 16) & 0xFF) * inv + 127) / 255;
  unsigned g = (((rgb >> 8) & 0xFF) * cov + ((d >> 8) & 0xFF) * inv + 127) / 255;
  unsigned b = ((rgb & 0xFF) * cov + (d & 0xFF) * inv + 127) / 255;
  unsigned a = (255 * cov + (d >> 24) * inv + 127) / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

void FillBox(HDC__* dc, const RECT& clip, int x, int y, int w, int h, uint32_t colour)
{
  int x0 = std::max(x, clip.left), y0 = std::max(y, clip.top);
  int x1 = (int)std::min<int64_t>((int64_t)x + w, clip.right);
  int y1 = (int)std::min<int64_t>((int64_t)y + h, clip.bottom);
  for (int yy = y0; yy < y1; ++yy)
    std::fill(dc->pixels + (size_t)yy * dc->width + x0, dc->pixels + (size_t)yy * dc->width + std::max(x0, x1), colour);
}

void DrawGlyphs(HDC__* dc, Gdi_Face* face, const Layout& layout, const Line& line, float originX,
                float baseline, const RECT& clip, bool antialias)
{
  const uint32_t rgb = (uint32_t)dc->textColor & 0xFFFFFF;
  const int P = Gdi_Face::kPhases;
  float fy = std::floor(baseline);
  int by = (int)fy;
  int phaseY = (int)std::lround((baseline - fy) * P);
  if (phaseY == P)
  {
    phaseY = 0;
    ++by;
  }
  for (size_t k = line.first; k < line.first + line.count; ++k)
  {
    const PlacedGlyph& pg = layout.glyphs[k];
    float px = originX + pg.x;
    float fx = std::floor(px);
    int bx = (int)fx;
    int phaseX = (int)std::lround((px - fx) * P);
    if (phaseX == P)
    {
      phaseX = 0;
      ++bx;
    }
    const Gdi_GlyphImage* img = face->Image(pg.glyph, phaseX, phaseY, antialias);
    if (!img || img->width == 0 || img->height == 0) continue;
    int gx = bx + img->left, gy = by - img->top;
    int x0 = std::max(gx, clip.left), x1 = std::min(gx + img->width, clip.right);
    int y0 = std::max(gy, clip.top), y1 = std::min(gy + img->height, clip.bottom);
    for (int yy = y0; yy < y1; ++yy)
    {
      const uint8_t* cov = img->coverage.data() + (size_t)(yy - gy) * img->width - gx;
      uint32_t* row = dc->pixels + (size_t)yy * dc->width;
      for (int xx = x0; xx < x1; ++xx)
        if (unsigned c = cov[xx]) row[xx] = BlendCoverage(row[xx], rgb, c);
    }
  }
}
} // namespace

int GetTextMetrics(HDC__* dc, TEXTMETRIC* tm)
{
  if (!tm) return 0;
  tm->tmHeight = 16;
  tm->tmAscent = 12;
  tm->tmDescent = 4;
  tm->tmInternalLeading = 3;
  tm->tmAveCharWidth = 10;
  dc = Gdi_LiveContext(dc);
  if (!dc) return 0;
  HGDIOBJ__* font = Gdi_ContextFont(dc);
  if (!font) return 1;
  Gdi_Face* face = font->face;
  int leading = (int)face->GetLeading();
  int ascent = (int)face->GetAscent();
  int descent = (int)face->GetDescent();
  int sum = descent + leading + ascent;
  tm->tmInternalLeading = leading;
  tm->tmAscent = ascent;
  tm->tmDescent = descent;
  tm->tmAveCharWidth = sum * 2 / 3;
  tm->tmHeight = sum ? sum + 1 : 0;
  return 1;
}

int Gdi_DrawText(HDC__* dc, const char* text, int length, RECT* r, int flags)
{
  dc = Gdi_LiveContext(dc);
  if (!dc || !text || !r || length < -1) return 0;
  char buffer[GDI_MAX_TEXT + 1];
  bool multiLine = false;
  int n = PrepareText(text, length, flags, buffer, &multiLine);
  if (n == 0) return 0;
  HGDIOBJ__* font = Gdi_ContextFont(dc);
  if (!font) return 0;
  Gdi_Face* face = font->face;

  static thread_local Layout layout;
  LayOut(face, buffer, n, layout);

  const double lineSum = (double)face->GetAscent() + face->GetDescent() + face->GetLeading();
  const int lineHeight = (int)std::floor(lineSum + 1.5);
  int w = 0, h = 0;
  for (const Line& line : layout.lines)
  {
    w = std::max(w, (int)std::floor(line.width + 0.5f));
    h += lineHeight;
  }
  if (h != 0) h += 1;

  if (flags & DT_CALCRECT)
  {
    r->right = r->left + w;
    r->bottom = r->top + h;
    return h;
  }

  int x = r->left, y = r->top;
  if (flags & DT_RIGHT)
    x += r->right - r->left - w;
  else if (flags & DT_CENTER)
    x += (r->right - r->left) / 2 - w / 2;
  if (flags & DT_BOTTOM)
    y += r->bottom - h - r->top;
  else if (flags & DT_VCENTER)
    y += (r->bottom - r->top) / 2 - h / 2;

  RECT clip = dc->clip;
  if (!(flags & DT_NOCLIP))
  {
    clip.left = std::max(clip.left, r->left);
    clip.top = std::max(clip.top, r->top);
    clip.right = std::min(clip.right, r->right);
    clip.bottom = std::min(clip.bottom, r->bottom);
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) return h;

  bool antialias = font->antialias == GDI_QUALITY_NONANTIALIASED ? false
                 : font->antialias == GDI_QUALITY_ANTIALIASED    ? true
                                                                 : dc->antialias;
  const uint32_t background = 0xFF000000u | ((uint32_t)dc->bkColor & 0xFFFFFF);
  const bool opaque = dc->bkMode == GDI_BKMODE_OPAQUE;
  if (opaque && !multiLine) FillBox(dc, clip, x, y, w, h, background);
  int top = y;
  for (const Line& line : layout.lines)
  {
    if (opaque && multiLine)
      FillBox(dc, clip, x, top, (int)std::floor(line.width + 0.5f), lineHeight, background);
    DrawGlyphs(dc, face, layout, line, (float)x, top + face->GetAscent(), clip, antialias);
    top += lineHeight;
  }
  return h;
}
