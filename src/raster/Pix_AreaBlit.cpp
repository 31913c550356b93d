#include <algorithm>
#include <cmath>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Combine.h"

using namespace pix;

namespace
{
constexpr int kMaxTaps = 8;         // source pixels one destination pixel may cover per axis
constexpr int kWeightBits = 12;     // each axis' weights sum to 1 << kWeightBits
constexpr int kChunk = 128;         // destination columns prepared at a time

// The source pixels under one destination pixel along one axis: first, count and weights
// summing to 1 << kWeightBits.
struct Taps
{
  int first = 0, count = 0;
  int w[kMaxTaps] = {};
};

// Source footprint [a, b) limited to the readable pixels [lo, hi). A footprint that lies wholly
// outside takes the nearest readable pixel.
void MakeTaps(double a, double b, int lo, int hi, Taps& t)
{
  a = std::max(a, double(lo));
  b = std::min(b, double(hi));
  if (!(b > a))
  {
    const int p = a >= hi ? hi - 1 : lo;
    t.first = p;
    t.count = 1;
    t.w[0] = 1 << kWeightBits;
    return;
  }
  const int first = std::min(int(std::floor(a)), hi - 1);
  const int last = std::min(int(std::ceil(b)) - 1, hi - 1);
  t.first = first;
  t.count = std::min(last - first + 1, kMaxTaps);
  const double scale = double(1 << kWeightBits) / (b - a);
  int sum = 0, biggest = 0;
  for (int i = 0; i < t.count; ++i)
  {
    const double cellA = std::max(a, double(first + i)), cellB = std::min(b, double(first + i + 1));
    t.w[i] = int(std::floor((cellB - cellA) * scale + 0.5));
    sum += t.w[i];
    if (t.w[i] > t.w[biggest]) biggest = i;
  }
  // Rounding leaves the sum a little off: the biggest weight takes the difference.
  t.w[biggest] += (1 << kWeightBits) - sum;
}

// The weighted average of the taps' pixels. Colour is weighted by alpha, so transparent pixels
// do not tint their neighbours; fully transparent areas keep their plain average colour.
// The weighted sum of an opaque area, nx x ny taps known at compile time; false when a pixel
// is not opaque (the caller then takes the general path).
template <int NX, int NY>
inline bool AverageOpaque(const Pix_Pixel* const* rows, const Taps& tx, const Taps& ty, Pix_Pixel* out)
{
  uint32_t all = 0xFF;
  uint32_t c0 = 1u << 23, c1 = 1u << 23, c2 = 1u << 23;
  for (int j = 0; j < NY; ++j)
  {
    const Pix_Pixel* row = rows[j] + tx.first;
    for (int i = 0; i < NX; ++i)
    {
      const uint32_t w = uint32_t(ty.w[j]) * uint32_t(tx.w[i]);
      const Pix_Pixel p = row[i];
      all &= p >> 24;
      c0 += w * (p & 0xFF);
      c1 += w * ((p >> 8) & 0xFF);
      c2 += w * ((p >> 16) & 0xFF);
    }
  }
  if (all != 0xFF) return false;
  *out = 0xFF000000u | ((c2 >> 24) << 16) | ((c1 >> 24) << 8) | (c0 >> 24);
  return true;
}

// rows: the source rows of ty's taps.
Pix_Pixel Average(const Pix_Pixel* const* rows, const Taps& tx, const Taps& ty)
{
  uint32_t all = 0xFF;
  uint32_t c[3] = {1u << 23, 1u << 23, 1u << 23};  // rounding: half of 1 << 24
  for (int j = 0; j < ty.count; ++j)
  {
    const Pix_Pixel* row = rows[j] + tx.first;
    for (int i = 0; i < tx.count; ++i)
    {
      const uint32_t w = uint32_t(ty.w[j]) * uint32_t(tx.w[i]);
      const Pix_Pixel p = row[i];
      all &= p >> 24;
      c[0] += w * (p & 0xFF);
      c[1] += w * ((p >> 8) & 0xFF);
      c[2] += w * ((p >> 16) & 0xFF);
    }
  }
  if (all == 0xFF) return Pack(int(c[0] >> 24), int(c[1] >> 24), int(c[2] >> 24), 255);

  uint64_t a = 0, ca[3] = {0, 0, 0};
  for (int j = 0; j < ty.count; ++j)
  {
    const Pix_Pixel* row = rows[j] + tx.first;
    for (int i = 0; i < tx.count; ++i)
    {
      const uint64_t wa = uint64_t(ty.w[j]) * uint64_t(tx.w[i]) * (row[i] >> 24);
      a += wa;
      for (int ch = 0; ch < 3; ++ch) ca[ch] += wa * ((row[i] >> (ch * 8)) & 0xFF);
    }
  }
  if (a == 0) return Pack(int(c[0] >> 24), int(c[1] >> 24), int(c[2] >> 24), 0);
  return Pack(int((ca[0] + a / 2) / a), int((ca[1] + a / 2) / a), int((ca[2] + a / 2) / a),
              int((a + (1u << 23)) >> 24));
}
}  // namespace

void Pix_AreaBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, double srcx,
                  double srcy, double stepx, double stepy, const Pix_Rect* srcClip, float alpha, int mode)
{
  if (!Usable(dest) || !Usable(src) || dstw <= 0 || dsth <= 0 || !(alpha != 0.f)) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !(stepx > 0.0) || !(stepy > 0.0)) return;
  if (stepx > kMaxTaps - 1 || stepy > kMaxTaps - 1 || std::fabs(srcx) > 1e9 || std::fabs(srcy) > 1e9) return;

  Pix_Rect clip = {0, 0, src->getWidth(), src->getHeight()};
  if (srcClip)
  {
    clip.left = std::max(clip.left, srcClip->left);
    clip.top = std::max(clip.top, srcClip->top);
    clip.right = std::min(clip.right, srcClip->right);
    clip.bottom = std::min(clip.bottom, srcClip->bottom);
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) return;

  // Destination pixels inside the destination bitmap.
  const int x0 = std::max(dstx, 0), x1 = std::min<int64_t>(int64_t(dstx) + dstw, dest->getWidth());
  const int y0 = std::max(dsty, 0), y1 = std::min<int64_t>(int64_t(dsty) + dsth, dest->getHeight());
  if (x1 <= x0 || y1 <= y0) return;

  auto draw = [&](const auto& op) {
    Taps columns[kChunk];
    Pix_Pixel tmp[kChunk];
    for (int cx = x0; cx < x1; cx += kChunk)
    {
      const int n = std::min(x1 - cx, kChunk);
      for (int i = 0; i < n; ++i)
      {
        const double a = srcx + double(cx + i - dstx) * stepx;
        MakeTaps(a, a + stepx, clip.left, clip.right, columns[i]);
      }
      for (int y = y0; y < y1; ++y)
      {
        Taps row;
        const double a = srcy + double(y - dsty) * stepy;
        MakeTaps(a, a + stepy, clip.top, clip.bottom, row);
        const Pix_Pixel* rows[kMaxTaps];
        for (int j = 0; j < row.count; ++j) rows[j] = RowPtr(src, row.first + j);
        for (int i = 0; i < n; ++i)
        {
          const Taps& col = columns[i];
          // Shrinking by up to two gives two by two taps almost everywhere: unrolled.
          if (col.count == 2 && row.count == 2 && AverageOpaque<2, 2>(rows, col, row, &tmp[i])) continue;
          tmp[i] = Average(rows, col, row);
        }
        CombineRow(RowPtr(dest, y) + cx, tmp, n, op);
      }
    }
  };
  WithBlitOp(mode, alpha, draw);
}
