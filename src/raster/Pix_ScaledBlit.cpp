#include <algorithm>
#include <cmath>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Combine.h"

using namespace pix;

namespace
{
// Source positions along one axis, 16.16 fixed point: pos(i) = start + i x step for destination
// pixel i. Samples must stay in [lo, hi) (whole pixels, also in 16.16).
struct Axis
{
  int64_t start, step, lo, hi;
  double stepf;  // source pixels per destination pixel
  int first, end;  // destination pixels [first, end) relative to the destination origin
};

int64_t FloorDiv(int64_t a, int64_t b)  // b > 0
{
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Sets up one axis. dpos/dlen: destination origin and length (negative mirrors), dlimit: the
// destination bitmap size; spos/slen: source start and size (floats), slimit: source bitmap size.
bool MakeAxis(int dpos, int dlen, int dlimit, double spos, double slen, int slimit, Axis& a)
{
  bool mirror = dlen < 0;
  int64_t n = dlen < 0 ? -int64_t(dlen) : dlen;
  if (slen < 0)
  {
    spos += slen;
    slen = -slen;
    mirror = !mirror;
  }
  const double step = slen / double(n);
  a.stepf = step;
  if (!(std::fabs(spos) < 1e9) || !(slen < 1e9)) return false;
  a.step = int64_t(std::floor(step * 65536.0));
  if (mirror)
  {
    // The last destination pixel samples where the unmirrored first one would.
    a.start = int64_t(std::floor((spos + slen) * 65536.0)) - a.step;
    a.step = -a.step;
  }
  else
    a.start = int64_t(std::floor(spos * 65536.0));
  // The source rectangle extended outward to whole pixels, within the source bitmap.
  const int64_t lo = std::max<int64_t>(0, int64_t(std::floor(spos)));
  const int64_t hi = std::min<int64_t>(slimit, int64_t(spos + slen + 0.999999));
  if (hi <= lo) return false;
  a.lo = lo << 16;
  a.hi = hi << 16;
  // Destination pixels inside the destination bitmap ...
  int64_t first = std::max<int64_t>(0, -int64_t(dpos));
  int64_t end = std::min<int64_t>(n, int64_t(dlimit) - dpos);
  // ... whose sample falls inside [lo, hi).
  if (a.step > 0)
  {
    first = std::max(first, a.start >= a.lo ? 0 : -FloorDiv(a.start - a.lo, a.step));
    end = std::min(end, a.start < a.hi ? FloorDiv(a.hi - 1 - a.start, a.step) + 1 : 0);
  }
  else if (a.step < 0)
  {
    const int64_t s = -a.step;
    first = std::max(first, a.start < a.hi ? 0 : -FloorDiv(a.hi - 1 - a.start, s));
    end = std::min(end, a.start >= a.lo ? FloorDiv(a.start - a.lo, s) + 1 : 0);
  }
  else if (a.start < a.lo || a.start >= a.hi)
    return false;
  if (end <= first) return false;
  a.first = int(first);
  a.end = int(end);
  return true;
}

struct NearestSampler
{
  const Pix_IBitmap* src;
  int64_t xlo, xhi, ylo, yhi;  // unused
  void Row(Pix_Pixel* out, int n, int64_t xpos, int64_t xstep, int64_t ypos) const
  {
    const Pix_Pixel* row = RowPtr(src, int(ypos >> 16));
    for (int i = 0; i < n; ++i, xpos += xstep) out[i] = row[xpos >> 16];
  }
};

// Bilinear between the four neighbours by the fractional position (8 bits each way); colour is
// weighted by alpha so that transparent neighbours do not tint the edges. Neighbours beyond the
// sampling limits repeat the last pixel.
struct BilinearSampler
{
  const Pix_IBitmap* src;
  int64_t xlo, xhi, ylo, yhi;
  void Row(Pix_Pixel* out, int n, int64_t xpos, int64_t xstep, int64_t ypos) const
  {
    const int y0 = int(ypos >> 16);
    const int y1 = std::min<int>(y0 + 1, int(yhi >> 16) - 1);
    const uint32_t fy = uint32_t(ypos >> 8) & 0xFF;
    const Pix_Pixel* r0 = RowPtr(src, y0);
    const Pix_Pixel* r1 = RowPtr(src, y1);
    const int xlast = int(xhi >> 16) - 1;
    for (int i = 0; i < n; ++i, xpos += xstep)
    {
      const int x0 = int(xpos >> 16);
      const int x1 = std::min(x0 + 1, xlast);
      const uint32_t fx = uint32_t(xpos >> 8) & 0xFF;
      const uint32_t w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
      const Pix_Pixel p[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
      out[i] = Mix(p, w);
    }
  }
  // Weights sum to 65536. Sums of weight x alpha x channel stay below 2^32.
  static Pix_Pixel Mix(const Pix_Pixel* p, const uint32_t* w)
  {
    if ((p[0] & p[1] & p[2] & p[3]) >> 24 == 255)
    {
      // All opaque: the alpha weighting below reduces to this plain average.
      uint32_t c[3] = {32768, 32768, 32768};
      for (int k = 0; k < 4; ++k)
        for (int ch = 0; ch < 3; ++ch) c[ch] += w[k] * ((p[k] >> (ch * 8)) & 0xFF);
      return Pack(int(c[0] >> 16), int(c[1] >> 16), int(c[2] >> 16), 255);
    }
    uint32_t a = 0, c[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k)
    {
      const uint32_t wa = w[k] * (p[k] >> 24);
      a += wa;
      for (int ch = 0; ch < 3; ++ch) c[ch] += wa * ((p[k] >> (ch * 8)) & 0xFF);
    }
    if (a == 0)
    {
      // Fully transparent: plain average of the colour.
      for (int ch = 0; ch < 3; ++ch)
      {
        uint32_t s = 0;
        for (int k = 0; k < 4; ++k) s += w[k] * ((p[k] >> (ch * 8)) & 0xFF);
        c[ch] = (s + 32768) >> 16;
      }
      return Pack(int(c[0]), int(c[1]), int(c[2]), 0);
    }
    return Pack(int((c[0] + a / 2) / a), int((c[1] + a / 2) / a), int((c[2] + a / 2) / a), int((a + 32768) >> 16));
  }
};

// Average of the Size x Size block centred on the sampled pixel; cells outside the source bitmap
// are left out.
template <int Size>
struct BoxSampler
{
  const Pix_IBitmap* src;
  int64_t xlo, xhi, ylo, yhi;
  void Row(Pix_Pixel* out, int n, int64_t xpos, int64_t xstep, int64_t ypos) const
  {
    const int R = Size / 2;
    const int cy = int(ypos >> 16);
    const int y0 = std::max(cy - R, 0), y1 = std::min(cy + R, src->getHeight() - 1);
    const int sw = src->getWidth();
    const Pix_Pixel* rows[Size];
    for (int y = y0; y <= y1; ++y) rows[y - y0] = RowPtr(src, y);
    const int nrows = y1 - y0 + 1;
    for (int i = 0; i < n; ++i, xpos += xstep)
    {
      const int cx = int(xpos >> 16);
      const int x0 = std::max(cx - R, 0), x1 = std::min(cx + R, sw - 1);
      uint32_t sum[4] = {0, 0, 0, 0};
      for (int r = 0; r < nrows; ++r)
        for (int x = x0; x <= x1; ++x)
        {
          const Pix_Pixel p = rows[r][x];
          sum[0] += p & 0xFF;
          sum[1] += (p >> 8) & 0xFF;
          sum[2] += (p >> 16) & 0xFF;
          sum[3] += p >> 24;
        }
      const uint32_t cells = uint32_t(nrows * (x1 - x0 + 1));
      out[i] = Pack(int(sum[0] / cells), int(sum[1] / cells), int(sum[2] / cells), int(sum[3] / cells));
    }
  }
};

template <class Sampler, class Op>
void ScaledRows(Pix_IBitmap* dest, int dstx, int dsty, const Axis& ax, const Axis& ay, const Sampler& s, const Op& op)
{
  Pix_Pixel tmp[256];
  for (int j = ay.first; j < ay.end; ++j)
  {
    const int64_t ypos = ay.start + j * ay.step;
    Pix_Pixel* d = RowPtr(dest, dsty + j);
    for (int i = ax.first; i < ax.end; i += 256)
    {
      const int n = std::min(ax.end - i, 256);
      s.Row(tmp, n, ax.start + i * ax.step, ax.step, ypos);
      CombineRow(d + (dstx + i), tmp, n, op);
    }
  }
}
}  // namespace

void Pix_ScaledBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                    float srcy, float srcw, float srch, float alpha, int mode)
{
  if (!Usable(dest) || !Usable(src) || dstw == 0 || dsth == 0 || !(alpha != 0.f)) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) || !std::isfinite(srch)) return;
  const bool filter = (mode & Pix_ModeFilter) != 0;
  if (std::fabs(srcw - float(dstw)) < 0.001f && std::fabs(srch - float(dsth)) < 0.001f)
  {
    const bool whole = std::fabs(srcx - std::round(srcx)) < 0.03f && std::fabs(srcy - std::round(srcy)) < 0.03f;
    if ((!filter || whole) && std::fabs(srcx) < 1e9f && std::fabs(srcy) < 1e9f)
    {
      Pix_Blit(dest, src, dstx, dsty, int(srcx + 0.5f), int(srcy + 0.5f), dstw, dsth, alpha, mode);
      return;
    }
  }
  Axis ax, ay;
  if (!MakeAxis(dstx, dstw, dest->getWidth(), srcx, srcw, src->getWidth(), ax)) return;
  if (!MakeAxis(dsty, dsth, dest->getHeight(), srcy, srch, src->getHeight(), ay)) return;
  const int64_t sx = ax.step < 0 ? -ax.step : ax.step, sy = ay.step < 0 ? -ay.step : ay.step;
  const bool shrinking = ax.stepf >= 1.7 && ay.stepf >= 1.7;
  auto draw = [&](const auto& op) {
    if (filter && shrinking)
    {
      if (std::max(sx, sy) <= 0x30000)
        ScaledRows(dest, dstx, dsty, ax, ay, BoxSampler<3>{src, ax.lo, ax.hi, ay.lo, ay.hi}, op);
      else
        ScaledRows(dest, dstx, dsty, ax, ay, BoxSampler<5>{src, ax.lo, ax.hi, ay.lo, ay.hi}, op);
    }
    else if (filter)
      ScaledRows(dest, dstx, dsty, ax, ay, BilinearSampler{src, ax.lo, ax.hi, ay.lo, ay.hi}, op);
    else
      ScaledRows(dest, dstx, dsty, ax, ay, NearestSampler{src, ax.lo, ax.hi, ay.lo, ay.hi}, op);
  };
  // Plain copy at weight 128 mixes half and half word-wide, as at alpha 0.5 exactly.
  if ((mode & 0xF0) != 0xF0 && (mode & 0x100FF) == 0 && AlphaWeight(alpha) == 128)
    draw(OpHalf{});
  else
    WithBlitOp(mode, alpha, draw);
}
