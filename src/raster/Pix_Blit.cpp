#include "raster/Pix_Blit.h"

#include <algorithm>
#include <cmath>

#include "raster/Pix_Combine.h"

using namespace pix;

int Pix_AlphaToWeight(float alpha)
{
  return pix::AlphaWeight(alpha);
}

namespace pix
{
int AlphaWeight(float alpha)
{
  if (!(alpha == alpha)) return 0;
  // Beyond +-16 the integer formulas could overflow; no caller means such weights.
  if (alpha > 16.f) alpha = 16.f;
  if (alpha < -16.f) alpha = -16.f;
  return int(alpha * 256.f);
}

int FillWeight(Pix_Pixel color, float alpha, int mode)
{
  if (mode & Pix_ModeSourceAlpha) alpha = alpha * float(color >> 24) / 255.f;
  return AlphaWeight(alpha);
}

Pix_Pixel FillPixel(Pix_Pixel d, Pix_Pixel color, int k, int mode)
{
  WithFillOp(mode, color, k, [&](const auto& op) { d = op(d); });
  return d;
}
}  // namespace pix

namespace
{
// Blits the clipped area: w x h pixels from source (sx, sy) to destination (dx, dy), all inside.
template <class Op>
void BlitArea(Pix_IBitmap* dest, const Pix_IBitmap* src, int dx, int dy, int sx, int sy, int w, int h, const Op& op)
{
  const bool same = dest->getBits() == src->getBits();
  if (!same)
  {
    for (int j = 0; j < h; ++j) CombineRow(RowPtr(dest, dy + j) + dx, RowPtr(src, sy + j) + sx, w, op);
    return;
  }
  // Blitting within one bitmap: walk rows away from the overlap and stage each run of source
  // pixels in a small buffer, so no source pixel is read after it has been overwritten.
  Pix_Pixel tmp[256];
  for (int jj = 0; jj < h; ++jj)
  {
    const int j = dy > sy ? h - 1 - jj : jj;
    Pix_Pixel* d = RowPtr(dest, dy + j) + dx;
    const Pix_Pixel* s = RowPtr(src, sy + j) + sx;
    if (dx > sx && dy == sy)
    {
      // Same row, destination to the right: walk chunks from the right end.
      for (int end = w; end > 0;)
      {
        const int n = std::min(end, 256);
        std::copy(s + end - n, s + end, tmp);
        CombineRow(d + end - n, tmp, n, op);
        end -= n;
      }
    }
    else
    {
      for (int i = 0; i < w; i += 256)
      {
        const int n = std::min(w - i, 256);
        std::copy(s + i, s + i + n, tmp);
        CombineRow(d + i, tmp, n, op);
      }
    }
  }
}

void BlitImpl(Pix_IBitmap* dest, const Pix_IBitmap* src, int64_t dstx, int64_t dsty, int64_t l, int64_t t, int64_t r,
              int64_t b, float alpha, int mode)
{
  if (!Usable(dest) || !Usable(src)) return;
  if (!(alpha != 0.f)) return;
  if (l < 0)
  {
    dstx -= l;
    l = 0;
  }
  if (t < 0)
  {
    dsty -= t;
    t = 0;
  }
  r = std::min<int64_t>(r, src->getWidth());
  b = std::min<int64_t>(b, src->getHeight());
  if (dstx < 0)
  {
    l -= dstx;
    dstx = 0;
  }
  if (dsty < 0)
  {
    t -= dsty;
    dsty = 0;
  }
  const int64_t w = std::min<int64_t>(r - l, dest->getWidth() - dstx);
  const int64_t h = std::min<int64_t>(b - t, dest->getHeight() - dsty);
  if (w <= 0 || h <= 0) return;
  WithBlitOp(mode, alpha, [&](const auto& op) {
    BlitArea(dest, src, int(dstx), int(dsty), int(l), int(t), int(w), int(h), op);
  });
}

template <class Op>
void FillArea(Pix_IBitmap* dest, int x, int y, int w, int h, const Op& op)
{
  for (int j = 0; j < h; ++j) FillRow(RowPtr(dest, y + j) + x, w, op);
}
void FillArea(Pix_IBitmap* dest, int x, int y, int w, int h, const FillSolid& op)
{
  for (int j = 0; j < h; ++j) std::fill_n(RowPtr(dest, y + j) + x, w, op.c);
}

// Clips (x, y, w, h) to the bitmap; false when nothing is left.
bool ClipRect(const Pix_IBitmap* b, int& x, int& y, int& w, int& h)
{
  int64_t l = x, t = y, r = int64_t(x) + w, btm = int64_t(y) + h;
  l = std::max<int64_t>(l, 0);
  t = std::max<int64_t>(t, 0);
  r = std::min<int64_t>(r, b->getWidth());
  btm = std::min<int64_t>(btm, b->getHeight());
  if (r <= l || btm <= t) return false;
  x = int(l);
  y = int(t);
  w = int(r - l);
  h = int(btm - t);
  return true;
}
}  // namespace

void Pix_Blit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, const Pix_Rect* srcrect, float alpha,
              int mode)
{
  if (!src) return;
  if (srcrect)
    BlitImpl(dest, src, dstx, dsty, srcrect->left, srcrect->top, srcrect->right, srcrect->bottom, alpha, mode);
  else
    BlitImpl(dest, src, dstx, dsty, 0, 0, src->getWidth(), src->getHeight(), alpha, mode);
}

void Pix_Blit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw, int srch,
              float alpha, int mode)
{
  BlitImpl(dest, src, dstx, dsty, srcx, srcy, int64_t(srcx) + srcw, int64_t(srcy) + srch, alpha, mode);
}

void Pix_FillRect(Pix_IBitmap* dest, int x, int y, int w, int h, Pix_Pixel color, float alpha, int mode)
{
  if (!Usable(dest)) return;
  const int k = FillWeight(color, alpha, mode);
  if (k == 0 || !ClipRect(dest, x, y, w, h)) return;
  WithFillOp(mode, color, k, [&](const auto& op) { FillArea(dest, x, y, w, h, op); });
}

void Pix_Clear(Pix_IBitmap* dest, Pix_Pixel color)
{
  if (!Usable(dest)) return;
  FillArea(dest, 0, 0, dest->getWidth(), dest->getHeight(), FillSolid{color});
}

void Pix_ClearRect(Pix_IBitmap* dest, int x, int y, int w, int h, Pix_Pixel mask, Pix_Pixel orbits)
{
  if (!Usable(dest) || !ClipRect(dest, x, y, w, h)) return;
  for (int j = 0; j < h; ++j)
  {
    Pix_Pixel* p = RowPtr(dest, y + j) + x;
    for (int i = 0; i < w; ++i) p[i] = (p[i] & mask) | orbits;
  }
}

void Pix_Copy(Pix_IBitmap* dest, const Pix_IBitmap* src)
{
  if (!dest || !src) return;
  dest->resize(src->getWidth(), src->getHeight());
  Pix_Blit(dest, src, 0, 0, nullptr, 1.f, Pix_ModeCopy);
}

Pix_Pixel Pix_GetPixel(const Pix_IBitmap* bmp, int x, int y)
{
  if (!Usable(bmp) || x < 0 || y < 0 || x >= bmp->getWidth() || y >= bmp->getHeight()) return 0;
  return RowPtr(bmp, y)[x];
}
