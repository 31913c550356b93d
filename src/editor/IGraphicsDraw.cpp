// IGraphics: bitmap loading and the drawing operations. Everything here runs on the UI thread
// and targets the draw surface created by PrepDraw; before PrepDraw nothing is drawn.
//
// Every operation takes panel coordinates. At 100 % they are surface pixels and each operation
// is one raster call. At other scales rectangles map by IScale (so neighbours tile exactly),
// points by pixel centres, lengths by the factor; bitmaps come from their large versions where
// the resources have them, pixel for pixel at 200 % and area-averaged at 150 %; text is drawn
// with the font at the scaled size. A line of one panel pixel stays a one-pixel line.

#include <cmath>
#include <cstring>

#include "editor/BitmapStorage.h"
#include "editor/FontStorage.h"
#include "editor/IGraphics.h"
#include "gdi/Gdi.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"
#include "raster/Pix_Draw.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_SysBitmap.h"

namespace {

constexpr int kModeFilter = 0x100;

// Text-drawing flags of the font layer.
constexpr int kDT_CENTER = 0x1;
constexpr int kDT_RIGHT = 0x2;
constexpr int kDT_NOCLIP = 0x100;
constexpr int kDT_CALCRECT = 0x400;
constexpr int kDT_USEFGALPHA = 0x40000000;

bool Drawable(const IBitmap* b)
{
  return b && b->mData && b->W > 0 && b->H > 0;
}

}  // namespace

// ----- Bitmaps -----

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates, bool framesAreHorizontal)
{
  Pix_IBitmap* lb = s_bitmapCache.Find(id);
  if (!lb)
  {
    lb = OSLoadBitmap(id, name);
    if (lb && !s_bitmapCache.Add(lb, id, name))
    {
      delete lb;
      lb = nullptr;
    }
  }
  // A missing or undecodable image gives a record without a bitmap and of size 0, which
  // every drawing operation skips.
  if (!lb) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
  return IBitmap(lb, lb->getWidth(), lb->getHeight(), nStates, framesAreHorizontal);
}

void IGraphics::RetainBitmap(IBitmap* bitmap)
{
  if (bitmap && bitmap->mData) s_bitmapCache.Add(bitmap->mData, BitmapStorage::kNoID);
}

void IGraphics::ReleaseBitmap(IBitmap* bitmap)
{
  if (bitmap && bitmap->mData) s_bitmapCache.Remove(bitmap->mData);
}

IBitmap IGraphics::ScaleBitmap(IBitmap* bitmap, int w, int h)
{
  if (!Drawable(bitmap) || w <= 0 || h <= 0) return IBitmap(nullptr, 0, 0, bitmap ? bitmap->N : 1, false);
  Pix_MemBitmap* dest = new Pix_MemBitmap(w, h, 4);
  if (dest->getWidth() != w || dest->getHeight() != h)
  {
    delete dest;
    return IBitmap(nullptr, 0, 0, bitmap->N, false);
  }
  Pix_ScaledBlit(dest, bitmap->mData, 0, 0, w, h, 0.0f, 0.0f, static_cast<float>(bitmap->W),
                 static_cast<float>(bitmap->H), 1.0f, kModeFilter);
  if (!s_bitmapCache.Add(dest, BitmapStorage::kNoID))
  {
    delete dest;
    return IBitmap(nullptr, 0, 0, bitmap->N, false);
  }
  return IBitmap(dest, w, h, bitmap->N, false);
}

IBitmap IGraphics::CropBitmap(IBitmap* bitmap, IRECT* r)
{
  if (!Drawable(bitmap) || !r || r->W() <= 0 || r->H() <= 0)
    return IBitmap(nullptr, 0, 0, bitmap ? bitmap->N : 1, false);
  int w = r->W(), h = r->H();
  Pix_MemBitmap* dest = new Pix_MemBitmap(w, h, 4);
  if (dest->getWidth() != w || dest->getHeight() != h)
  {
    delete dest;
    return IBitmap(nullptr, 0, 0, bitmap->N, false);
  }
  Pix_Blit(dest, bitmap->mData, 0, 0, r->L, r->T, w, h, 1.0f, 0);
  if (!s_bitmapCache.Add(dest, BitmapStorage::kNoID))
  {
    delete dest;
    return IBitmap(nullptr, 0, 0, bitmap->N, false);
  }
  return IBitmap(dest, w, h, bitmap->N, false);
}

// ----- Bitmap drawing -----

Pix_IBitmap* IGraphics::ImageForScale(IBitmap* bitmap, int* imageScale)
{
  if (imageScale) *imageScale = 1;
  if (!bitmap) return nullptr;
  if (mScale.IsUnit() || !bitmap->mData) return bitmap->mData;
  if (!bitmap->mHiResKnown)
  {
    bool known = false;
    Pix_IBitmap* hi = s_bitmapCache.FindHiRes(bitmap->mData, &known);
    char name[512], hiName[600];
    // Only images the cache loaded by name can have a large version.
    if (!known && s_bitmapCache.GetName(bitmap->mData, name, sizeof(name)) &&
        HiResName(name, hiName, sizeof(hiName)))
    {
      hi = OSLoadBitmap(BitmapStorage::kNoID, hiName);
      // A large version must be exactly twice the size, or the frames would not line up.
      if (hi && (hi->getWidth() != 2 * bitmap->mData->getWidth() ||
                 hi->getHeight() != 2 * bitmap->mData->getHeight()))
      {
        delete hi;
        hi = nullptr;
      }
      if (!s_bitmapCache.AddHiRes(bitmap->mData, hi))
      {
        delete hi;
        hi = nullptr;
      }
    }
    bitmap->mHiRes = hi;
    bitmap->mHiResKnown = true;
  }
  if (!bitmap->mHiRes) return bitmap->mData;
  if (imageScale) *imageScale = 2;
  return bitmap->mHiRes;
}

void IGraphics::DrawBitmapScaled(IBitmap* bitmap, const IRECT& dest, const IRECT& r, int srcX, int srcY,
                                 const IChannelBlend* blend)
{
  int k = 1;
  Pix_IBitmap* image = ImageForScale(bitmap, &k);
  const IRECT s = mScale.ToSurface(r);
  if (!image || s.W() <= 0 || s.H() <= 0) return;
  const float weight = IChannelBlend::WeightOf(blend);
  const int mode = IChannelBlend::ModeOf(blend);
  // The image pixel under panel coordinate v is (v - dest.L + srcX) x k.
  if (mScale.mPercent == 100 * k)
  {
    Pix_Blit(mDrawBitmap, image, s.L, s.T, (r.L - dest.L + srcX) * k, (r.T - dest.T + srcY) * k, s.W(), s.H(),
             weight, mode);
    return;
  }
  const double step = 100.0 * k / mScale.mPercent;  // image pixels per surface pixel
  const double sx = (s.L * 100.0 / mScale.mPercent - dest.L + srcX) * k;
  const double sy = (s.T * 100.0 / mScale.mPercent - dest.T + srcY) * k;
  // Never sample beyond the frame: neighbouring frames of a filmstrip would bleed in.
  const Pix_Rect frame = {srcX * k, srcY * k, (srcX + dest.W()) * k, (srcY + dest.H()) * k};
  Pix_AreaBlit(mDrawBitmap, image, s.L, s.T, s.W(), s.H(), sx, sy, step, step, &frame, weight, mode);
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend)
{
  if (!Drawable(bitmap) || !dest || !mDrawBitmap) return true;
  IRECT r = dest->Intersect(&mDrawRECT);
  if (r.Empty() || r.W() <= 0 || r.H() <= 0) return true;
  if (!mScale.IsUnit())
  {
    DrawBitmapScaled(bitmap, *dest, r, srcX, srcY, blend);
    return true;
  }
  Pix_Blit(mDrawBitmap, bitmap->mData, r.L, r.T, srcX + r.L - dest->L, srcY + r.T - dest->T, r.W(), r.H(),
           IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend));
  return true;
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int state, const IChannelBlend* blend)
{
  if (!bitmap) return true;
  int srcX = 0, srcY = 0;
  if (state >= 2 && bitmap->N >= 2)
  {
    if (bitmap->mFramesAreHorizontal)
      srcX = static_cast<int>((static_cast<double>(state - 1) * bitmap->W) / bitmap->N + 0.5);
    else
      srcY = static_cast<int>((static_cast<double>(state - 1) * bitmap->H) / bitmap->N + 0.5);
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle, int yOffsetZeroDeg,
                                  const IChannelBlend* blend)
{
  if (!Drawable(bitmap) || !mDrawBitmap) return true;
  int w = bitmap->W, h = bitmap->H;
  int k = 1;
  Pix_IBitmap* image = ImageForScale(bitmap, &k);
  const int x = destCtrX - w / 2, y = destCtrY - h / 2;
  const int sx = mScale.ToSurface(x), sy = mScale.ToSurface(y);
  Pix_RotatedBlit(mDrawBitmap, image, sx, sy, mScale.ToSurface(x + w) - sx, mScale.ToSurface(y + h) - sy, 0.0f,
                  0.0f, static_cast<float>(w * k), static_cast<float>(h * k), angle, false,
                  IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend) | kModeFilter, 0.0f,
                  mScale.LengthToSurface(static_cast<float>(yOffsetZeroDeg)));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                                const IChannelBlend* blend)
{
  if (!Drawable(base) || !mDrawBitmap) return true;
  if (!mTmpBitmap) mTmpBitmap = new Pix_MemBitmap(0, 0, 4);
  int w = base->W, h = base->H;
  Pix_Copy(mTmpBitmap, base->mData);
  if (mTmpBitmap->getWidth() != w || mTmpBitmap->getHeight() != h) return true;
  Pix_ClearRect(mTmpBitmap, 0, 0, w, h, 0x00FFFFFFu, 0u);

  double rad = static_cast<float>(angle * 3.141592653589793 / 180.0);
  float xOffset = (w % 2) ? -0.5f : 0.0f;
  if (mask && mask->mData)
    Pix_RotatedBlit(mTmpBitmap, mask->mData, 0, 0, w, h, 0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h),
                    rad, true, 1.0f, 0x10101, xOffset, 0.0f);
  if (top && top->mData)
    Pix_RotatedBlit(mTmpBitmap, top->mData, 0, 0, w, h, 0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h),
                    rad, true, 1.0f, 0x10100, xOffset, 0.0f);

  IRECT dest(x, y, x + w, y + h);
  IRECT r = dest.Intersect(&mDrawRECT);
  if (r.Empty() || r.W() <= 0 || r.H() <= 0) return true;
  if (!mScale.IsUnit())
  {
    // Composed at the images' own size, then enlarged onto the surface.
    const IRECT s = mScale.ToSurface(r);
    const double step = 100.0 / mScale.mPercent;
    Pix_AreaBlit(mDrawBitmap, mTmpBitmap, s.L, s.T, s.W(), s.H(), s.L * step - x, s.T * step - y, step, step,
                 nullptr, IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend));
    return true;
  }
  Pix_Blit(mDrawBitmap, mTmpBitmap, r.L, r.T, r.L - x, r.T - y, r.W(), r.H(), IChannelBlend::WeightOf(blend),
           IChannelBlend::ModeOf(blend));
  return true;
}

// ----- Vector drawing -----

namespace {

// Fills the surface pixels of a panel rectangle (at 100 %: the rectangle itself).
void FillSurfaceRect(Pix_SysBitmap* surface, const IScale& scale, int l, int t, int r, int b, Pix_Pixel color,
                     float alpha, int mode)
{
  const int sl = scale.ToSurface(l), st = scale.ToSurface(t);
  Pix_FillRect(surface, sl, st, scale.ToSurface(r) - sl, scale.ToSurface(b) - st, color, alpha, mode);
}

}  // namespace

bool IGraphics::DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend, bool aa)
{
  if (!color || !mDrawBitmap) return true;
  const int px = static_cast<int>(x + 0.5f), py = static_cast<int>(y + 0.5f);
  if (mScale.IsUnit())
    Pix_PutPixel(mDrawBitmap, px, py, color->ToPixel(), IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend));
  else
    FillSurfaceRect(mDrawBitmap, mScale, px, py, px + 1, py + 1, color->ToPixel(), IChannelBlend::WeightOf(blend),
                    IChannelBlend::ModeOf(blend));
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y)
{
  if (!color || !mDrawBitmap) return true;
  Pix_Pixel* bits = mDrawBitmap->getBits();
  if (!bits) return true;
  // The panel pixel's block of surface pixels (one pixel at 100 %).
  const int x0 = mScale.ToSurface(x), x1 = mScale.ToSurface(x + 1);
  const int y0 = mScale.ToSurface(y), y1 = mScale.ToSurface(y + 1);
  for (int sy = y0; sy < y1; ++sy)
    for (int sx = x0; sx < x1; ++sx)
    {
      if (sx < 0 || sy < 0 || sx >= mDrawBitmap->getWidth() || sy >= mDrawBitmap->getHeight()) continue;
      bits[static_cast<size_t>(sy) * static_cast<size_t>(mDrawBitmap->getRowSpan()) + static_cast<size_t>(sx)] =
        color->ToPixel();
    }
  return true;
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2, const IChannelBlend* blend,
                         bool aa)
{
  if (!color || !mDrawBitmap) return true;
  Pix_Line(mDrawBitmap, mScale.PointToSurface(x1), mScale.PointToSurface(y1), mScale.PointToSurface(x2),
           mScale.PointToSurface(y2), color->ToPixel(), IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend),
           aa);
  return true;
}

bool IGraphics::DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
                        const IChannelBlend* blend, bool aa)
{
  if (!color || !mDrawBitmap) return true;
  Pix_Arc(mDrawBitmap, mScale.PointToSurface(cx), mScale.PointToSurface(cy), mScale.LengthToSurface(r), minAngle,
          maxAngle, color->ToPixel(), IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend), aa);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r, const IChannelBlend* blend, bool aa)
{
  if (!color || !mDrawBitmap) return true;
  Pix_Circle(mDrawBitmap, mScale.PointToSurface(cx), mScale.PointToSurface(cy), mScale.LengthToSurface(r),
             color->ToPixel(), IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend), aa);
  return true;
}

bool IGraphics::RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius, bool aa)
{
  if (!color || !r || !mDrawBitmap) return true;
  const IRECT s = mScale.ToSurface(*r);
  Pix_RoundRect(mDrawBitmap, s.L, s.T, s.W(), s.H(), mScale.SizeToSurface(cornerRadius), color->ToPixel(),
                IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend), aa);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cr, bool aa)
{
  if (!color || !r || !mDrawBitmap) return true;
  Pix_Pixel c = color->ToPixel();
  float a = IChannelBlend::WeightOf(blend);
  int mode = IChannelBlend::ModeOf(blend);
  const IRECT s = mScale.ToSurface(*r);
  cr = mScale.SizeToSurface(cr);
  int h = s.H();
  Pix_FillRect(mDrawBitmap, s.L + cr, s.T, s.W() - 2 * cr, h, c, a, mode);
  Pix_FillRect(mDrawBitmap, s.L, s.T + cr, cr, h - 2 * cr, c, a, mode);
  Pix_FillRect(mDrawBitmap, s.R - cr, s.T + cr, cr, h - 2 * cr, c, a, mode);
  float rad = static_cast<float>(cr);
  Pix_FillCircle(mDrawBitmap, static_cast<float>(s.L + cr), static_cast<float>(s.T + cr), rad, c, a, mode, aa);
  Pix_FillCircle(mDrawBitmap, static_cast<float>(s.R - cr - 1), static_cast<float>(s.B - cr - 1), rad, c, a, mode,
                 aa);
  Pix_FillCircle(mDrawBitmap, static_cast<float>(s.R - cr - 1), static_cast<float>(s.T + cr), rad, c, a, mode, aa);
  Pix_FillCircle(mDrawBitmap, static_cast<float>(s.L + cr), static_cast<float>(s.B - cr - 1), rad, c, a, mode, aa);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend)
{
  if (!color || !r || !mDrawBitmap) return true;
  if (mScale.IsUnit())
    Pix_FillRect(mDrawBitmap, r->L, r->T, r->W(), r->H(), color->ToPixel(), IChannelBlend::WeightOf(blend),
                 IChannelBlend::ModeOf(blend));
  else
    FillSurfaceRect(mDrawBitmap, mScale, r->L, r->T, r->R, r->B, color->ToPixel(), IChannelBlend::WeightOf(blend),
                    IChannelBlend::ModeOf(blend));
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend, bool aa)
{
  if (!color || !mDrawBitmap) return true;
  Pix_FillCircle(mDrawBitmap, mScale.PointToSurface(static_cast<float>(cx)),
                 mScale.PointToSurface(static_cast<float>(cy)), mScale.LengthToSurface(r), color->ToPixel(),
                 IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend), aa);
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             IChannelBlend* blend)
{
  if (!color || !mDrawBitmap) return true;
  Pix_FillTriangle(mDrawBitmap, mScale.ToSurface(x1), mScale.ToSurface(y1), mScale.ToSurface(x2),
                   mScale.ToSurface(y2), mScale.ToSurface(x3), mScale.ToSurface(y3), color->ToPixel(),
                   IChannelBlend::WeightOf(blend), IChannelBlend::ModeOf(blend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints, const IChannelBlend* blend)
{
  if (!color || !mDrawBitmap) return true;
  if (mScale.IsUnit() || !x || !y || npoints < 3)
  {
    Pix_FillConvexPolygon(mDrawBitmap, x, y, npoints, color->ToPixel(), IChannelBlend::WeightOf(blend),
                          IChannelBlend::ModeOf(blend));
    return true;
  }
  // Mapped in place and restored: drawing allocates nothing.
  for (int i = 0; i < npoints; ++i)
  {
    x[i] = mScale.ToSurface(x[i]);
    y[i] = mScale.ToSurface(y[i]);
  }
  Pix_FillConvexPolygon(mDrawBitmap, x, y, npoints, color->ToPixel(), IChannelBlend::WeightOf(blend),
                        IChannelBlend::ModeOf(blend));
  for (int i = 0; i < npoints; ++i)
  {
    x[i] = mScale.ToPanel(x[i]);
    y[i] = mScale.ToPanel(y[i]);
  }
  return true;
}

IColor IGraphics::GetPoint(int x, int y)
{
  if (!mDrawBitmap) return COLOR_TRANSPARENT;
  const int sx = mScale.ToSurface(x), sy = mScale.ToSurface(y);
  if (x < 0 || y < 0 || sx >= mDrawBitmap->getWidth() || sy >= mDrawBitmap->getHeight()) return COLOR_TRANSPARENT;
  return IColor::FromPixel(Pix_GetPixel(mDrawBitmap, sx, sy));
}

bool IGraphics::DrawVerticalLine(const IColor* color, int xi, int yLo, int yHi)
{
  if (!color || !mDrawBitmap) return true;
  if (mScale.IsUnit())
    Pix_Line(mDrawBitmap, static_cast<float>(xi), static_cast<float>(yLo), static_cast<float>(xi),
             static_cast<float>(yHi), color->ToPixel(), 1.0f, 0, false);
  else
    FillSurfaceRect(mDrawBitmap, mScale, xi, yLo < yHi ? yLo : yHi, xi + 1, (yLo < yHi ? yHi : yLo) + 1,
                    color->ToPixel(), 1.0f, 0);
  return true;
}

bool IGraphics::DrawHorizontalLine(const IColor* color, int yi, int xLo, int xHi)
{
  if (!color || !mDrawBitmap) return true;
  if (mScale.IsUnit())
    Pix_Line(mDrawBitmap, static_cast<float>(xLo), static_cast<float>(yi), static_cast<float>(xHi),
             static_cast<float>(yi), color->ToPixel(), 1.0f, 0, false);
  else
    FillSurfaceRect(mDrawBitmap, mScale, xLo < xHi ? xLo : xHi, yi, (xLo < xHi ? xHi : xLo) + 1, yi + 1,
                    color->ToPixel(), 1.0f, 0);
  return true;
}

bool IGraphics::DrawVerticalLine(const IColor* color, IRECT* r, float x)
{
  if (!r) return true;
  x = x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
  int xi = r->L + static_cast<int>(static_cast<float>(r->W()) * x);
  return DrawVerticalLine(color, xi, r->T, r->B);
}

bool IGraphics::DrawHorizontalLine(const IColor* color, IRECT* r, float y)
{
  if (!r) return true;
  y = y < 0.0f ? 0.0f : (y > 1.0f ? 1.0f : y);
  int yi = r->B - static_cast<int>(static_cast<float>(r->H()) * y);
  return DrawHorizontalLine(color, yi, r->L, r->R);
}

bool IGraphics::DrawRect(const IColor* color, IRECT* r)
{
  if (!color || !r || !mDrawBitmap) return true;
  if (!mScale.IsUnit())
  {
    DrawHorizontalLine(color, r->T, r->L, r->R);
    DrawHorizontalLine(color, r->B, r->L, r->R);
    DrawVerticalLine(color, r->L, r->T, r->B);
    DrawVerticalLine(color, r->R, r->T, r->B);
    return true;
  }
  Pix_Pixel c = color->ToPixel();
  float l = static_cast<float>(r->L), t = static_cast<float>(r->T);
  float rr = static_cast<float>(r->R), b = static_cast<float>(r->B);
  Pix_Line(mDrawBitmap, l, t, rr, t, c, 1.0f, 0, false);
  Pix_Line(mDrawBitmap, l, b, rr, b, c, 1.0f, 0, false);
  Pix_Line(mDrawBitmap, l, t, l, b, c, 1.0f, 0, false);
  Pix_Line(mDrawBitmap, rr, t, rr, b, c, 1.0f, 0, false);
  return true;
}

bool IGraphics::DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                               const IChannelBlend* blend, bool aa)
{
  float s = std::sin(angle), c = std::cos(angle);
  return DrawLine(color, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, blend, aa);
}

void* IGraphics::GetBits()
{
  return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}

// ----- Text -----

bool IGraphics::MeasureIText(IText* text, char* str, IRECT* destRect)
{
  return DrawIText(text, str, destRect, true);
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* r, bool measure)
{
  if (!str || !*str) return true;
  if (!text || !r) return true;
  Pix_IFont* font;
  if (mScale.IsUnit())
    font = text->mCached ? text->mCached : CacheFont(text);
  else
  {
    // The font at the scaled size, from the font cache; the style keeps its own 1x font.
    IText scaled = *text;
    scaled.mSize = mScale.SizeToSurface(text->mSize);
    scaled.mCached = nullptr;
    font = CacheFont(&scaled);
  }
  if (!font) return false;
  font->SetTextColor(text->mColor.ToPixel());

  int flags = kDT_NOCLIP;
  if (text->mAlign == IText::kAlignNear) flags |= 0;
  else if (text->mAlign == IText::kAlignCenter) flags |= kDT_CENTER;
  else flags |= kDT_RIGHT;
  if (text->mColor.A < 255) flags |= kDT_USEFGALPHA;

  if (measure)
  {
    Pix_Rect calc = {0, 0, 0, 0};
    font->DrawText(mDrawBitmap, str, -1, &calc, flags | kDT_CALCRECT);
    int w = mScale.LengthToPanel(calc.right), h = mScale.LengthToPanel(calc.bottom);
    if (text->mAlign == IText::kAlignNear)
      r->R = r->L + w;
    else if (text->mAlign == IText::kAlignCenter)
    {
      r->L = static_cast<int>(static_cast<float>(r->L + r->R) * 0.5f) - w / 2;
      r->R = r->L + w;
    }
    else
      r->L = r->R - w;
    r->B = r->T + h;
    return true;
  }

  if (!mDrawBitmap) return true;
  const IRECT s = mScale.ToSurface(*r);
  Pix_Rect dest = {s.L, s.T, s.R, s.B};
  font->DrawText(mDrawBitmap, str, -1, &dest, flags);
  return true;
}

namespace {

HGDIOBJ__* CreateStyleFont(const IText* text, int size)
{
  int height = size > 2 ? size : 2;
  int quality;
  switch (text->mQuality)
  {
    case IText::kQualityDefault: quality = 0; break;
    case IText::kQualityNonAntiAliased: quality = 3; break;
    case IText::kQualityAntiAliased: quality = 4; break;
    case IText::kQualityClearType: quality = 4; break;
    default: quality = 3; break;
  }
  return CreateFont(height, 0, text->mOrientation * 10, text->mOrientation * 10,
                    text->mStyle == IText::kStyleBold ? 700 : 400, text->mStyle == IText::kStyleItalic, 0, 0, 0,
                    0, 0, static_cast<char>(quality), 0, text->mFont);
}

}  // namespace

Pix_IFont* IGraphics::CacheFont(IText* text)
{
  if (!text) return nullptr;
  Pix_IFont* cached = s_fontCache.Find(text->mSize, text->mOrientation, text->mStyle, text->mFont);
  if (cached)
  {
    text->mCached = cached;
    return cached;
  }

  constexpr int kOwnsAndPrefersNative = 0x600;
  HGDIOBJ__* hfont = CreateStyleFont(text, text->mSize);
  if (!hfont) return nullptr;
  Pix_CachedFont* font = new Pix_CachedFont();
  font->SetFromHFont(hfont, kOwnsAndPrefersNative);

  // Fit the line height to the size asked for: scale the request once by the ratio.
  int height = text->mSize > 2 ? text->mSize : 2;
  int lineHeight = font->GetLineHeight();
  if (lineHeight > 0 && lineHeight != height)
  {
    int corrected = static_cast<int>(static_cast<double>(height) * height / lineHeight + 0.5);
    HGDIOBJ__* second = CreateStyleFont(text, corrected);
    if (!second)
    {
      delete font;
      return nullptr;
    }
    font->SetFromHFont(second, kOwnsAndPrefersNative);
  }

  if (!s_fontCache.Add(font, text->mSize, text->mOrientation, text->mStyle, text->mFont))
  {
    delete font;
    return nullptr;
  }
  text->mCached = font;
  return font;
}
