#include <algorithm>
#include <cmath>

#include "raster/Pix_Draw.h"
#include "raster/Pix_Combine.h"

using namespace pix;

namespace
{
// Source sampling region in whole pixels: [x0, x1) x [y0, y1).
struct Region
{
  int x0, y0, x1, y1;
};

// Bilinear sample at source position (u, v) (pixel centres at + 0.5) from the pixels inside the
// region; neighbours outside it get no weight. Colour is weighted by alpha. Returns the coverage
// (sum of valid weights, 0 ... 65536).
uint32_t SampleBilinear(const Pix_IBitmap* src, const Region& r, double u, double v, Pix_Pixel& out)
{
  // Positions on a 1/256 pixel grid, so that turns by multiples of 90 degrees hit pixels exactly.
  const int64_t su = std::llround((u - 0.5) * 256.0), sv = std::llround((v - 0.5) * 256.0);
  const int x0 = int(su >> 8), y0 = int(sv >> 8);
  const uint32_t fx = uint32_t(su & 255), fy = uint32_t(sv & 255);
  const uint32_t wx[2] = {256 - fx, fx}, wy[2] = {256 - fy, fy};
  uint32_t cov = 0, a = 0, c[3] = {0, 0, 0}, plain[3] = {0, 0, 0};
  for (int j = 0; j < 2; ++j)
  {
    const int y = y0 + j;
    if (y < r.y0 || y >= r.y1 || wy[j] == 0) continue;
    const Pix_Pixel* row = RowPtr(src, y);
    for (int i = 0; i < 2; ++i)
    {
      const int x = x0 + i;
      if (x < r.x0 || x >= r.x1 || wx[i] == 0) continue;
      const uint32_t w = wx[i] * wy[j];
      const Pix_Pixel p = row[x];
      const uint32_t wa = w * (p >> 24);
      cov += w;
      a += wa;
      for (int ch = 0; ch < 3; ++ch)
      {
        const uint32_t s = (p >> (ch * 8)) & 0xFF;
        c[ch] += wa * s;
        plain[ch] += w * s;
      }
    }
  }
  if (cov == 0) return 0;
  if (a == 0)
    out = Pack(int(plain[0] / cov), int(plain[1] / cov), int(plain[2] / cov), 0);
  else
    out = Pack(int((c[0] + a / 2) / a), int((c[1] + a / 2) / a), int((c[2] + a / 2) / a), int((a + cov / 2) / cov));
  return cov;
}
}  // namespace

void Pix_RotatedBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                     float srcy, float srcw, float srch, double angle, bool cliptosrcrect, float alpha, int mode,
                     float rotxcent, float rotycent)
{
  if (!Usable(dest) || !Usable(src) || dstw <= 0 || dsth <= 0 || !(alpha != 0.f)) return;
  const double vals[] = {srcx, srcy, srcw, srch, angle, rotxcent, rotycent, double(dstx), double(dsty),
                         double(dstw), double(dsth)};
  for (double v : vals)
    if (!std::isfinite(v) || std::fabs(v) > 1e7) return;
  if (srcw == 0 || srch == 0) return;

  Region reg = {0, 0, src->getWidth(), src->getHeight()};
  if (cliptosrcrect)
  {
    const double l = std::min<double>(srcx, srcx + srcw), r = std::max<double>(srcx, srcx + srcw);
    const double t = std::min<double>(srcy, srcy + srch), b = std::max<double>(srcy, srcy + srch);
    reg.x0 = std::max(reg.x0, int(std::floor(l)));
    reg.y0 = std::max(reg.y0, int(std::floor(t)));
    reg.x1 = std::min(reg.x1, int(std::ceil(r)));
    reg.y1 = std::min(reg.y1, int(std::ceil(b)));
  }
  if (reg.x1 <= reg.x0 || reg.y1 <= reg.y0) return;

  // Destination pixel (x, y) covers [x, x + 1) x [y, y + 1). Turning by angle about c maps the
  // destination point p back to q = c + R(-angle) (p - c), which the rectangle mapping sends to
  // the source.
  const double cx = dstx + dstw * 0.5 + rotxcent, cy = dsty + dsth * 0.5 + rotycent;
  const double cs = std::cos(angle), sn = std::sin(angle);
  const double kx = double(srcw) / dstw, ky = double(srch) / dsth;
  // Source position as an affine function of the destination pixel centre.
  auto mapU = [&](double px, double py) { return srcx + (cx + cs * (px - cx) + sn * (py - cy) - dstx) * kx; };
  auto mapV = [&](double px, double py) { return srcy + (cy - sn * (px - cx) + cs * (py - cy) - dsty) * ky; };

  // Bounding box of the turned destination rectangle, clipped to the destination bitmap.
  double bx0 = 1e30, by0 = 1e30, bx1 = -1e30, by1 = -1e30;
  const double corners[4][2] = {{double(dstx), double(dsty)},
                                {double(dstx) + dstw, double(dsty)},
                                {double(dstx), double(dsty) + dsth},
                                {double(dstx) + dstw, double(dsty) + dsth}};
  for (const auto& c : corners)
  {
    const double px = cx + cs * (c[0] - cx) - sn * (c[1] - cy);
    const double py = cy + sn * (c[0] - cx) + cs * (c[1] - cy);
    bx0 = std::min(bx0, px), bx1 = std::max(bx1, px), by0 = std::min(by0, py), by1 = std::max(by1, py);
  }
  const int x0 = std::max(0, int(std::floor(bx0)) - 1), x1 = std::min(dest->getWidth(), int(std::ceil(bx1)) + 1);
  const int y0 = std::max(0, int(std::floor(by0)) - 1), y1 = std::min(dest->getHeight(), int(std::ceil(by1)) + 1);
  if (x1 <= x0 || y1 <= y0) return;

  const bool filter = (mode & Pix_ModeFilter) != 0;
  const int w = AlphaWeight(alpha);
  const double du = cs * kx, dv = -sn * ky;  // change per destination pixel along x
  WithBlitOp(mode, alpha, [&](const auto& op) {
    for (int y = y0; y < y1; ++y)
    {
      Pix_Pixel* row = RowPtr(dest, y);
      double u = mapU(x0 + 0.5, y + 0.5), v = mapV(x0 + 0.5, y + 0.5);
      for (int x = x0; x < x1; ++x, u += du, v += dv)
      {
        if (u < reg.x0 - 0.5 || u >= reg.x1 + 0.5 || v < reg.y0 - 0.5 || v >= reg.y1 + 0.5) continue;
        if (!filter)
        {
          const int sx = int(std::llround(u * 256.0) >> 8), sy = int(std::llround(v * 256.0) >> 8);
          if (sx < reg.x0 || sx >= reg.x1 || sy < reg.y0 || sy >= reg.y1) continue;
          row[x] = op(row[x], RowPtr(src, sy)[sx]);
          continue;
        }
        // Neighbours outside the region carry no weight, so the edges fade over one pixel.
        Pix_Pixel s;
        const uint32_t cov = SampleBilinear(src, reg, u, v, s);
        if (cov == 0) continue;
        if (cov >= 65536)
          row[x] = op(row[x], s);
        else
        {
          const int we = int(int64_t(w) * cov >> 16);
          WithBlitOpWeight(mode, we, [&](const auto& edgeOp) { row[x] = edgeOp(row[x], s); });
        }
      }
    }
  });
}
