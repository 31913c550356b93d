#include "raster/Pix_Draw.h"

#include <algorithm>
#include <cmath>

#include "raster/Pix_Combine.h"

using namespace pix;

namespace
{
const double kPi = 3.14159265358979323846;

// Colours pixels of one destination with one colour, weight and combine mode, clipped.
struct Painter
{
  Pix_IBitmap* dest;
  Pix_Pixel color;
  int mode;
  int k;  // full-coverage weight
  int w, h;

  Painter(Pix_IBitmap* d, Pix_Pixel c, float alpha, int m) : dest(d), color(c), mode(m), k(0), w(0), h(0)
  {
    if (!Usable(d)) return;
    k = FillWeight(c, alpha, m);
    w = d->getWidth();
    h = d->getHeight();
  }
  bool Active() const { return k != 0 && w > 0; }

  // One pixel at coverage cov (0 ... 256).
  void Plot(int x, int y, int cov = 256) const
  {
    if (x < 0 || y < 0 || x >= w || y >= h || cov <= 0) return;
    const int kk = cov >= 256 ? k : k * cov / 256;
    if (kk == 0) return;
    Pix_Pixel* p = RowPtr(dest, y) + x;
    *p = FillPixel(*p, color, kk, mode);
  }
  void PlotF(int x, int y, double cov) const
  {
    if (cov > 0) Plot(x, y, int(std::min(cov, 1.0) * 256.0 + 0.5));
  }
  // Pixels x0 ... x1 - 1 of row y at full coverage.
  void Span(int y, int64_t x0, int64_t x1) const
  {
    if (y < 0 || y >= h) return;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, w);
    if (x1 <= x0) return;
    Pix_Pixel* row = RowPtr(dest, y);
    WithFillOp(mode, color, k, [&](const auto& op) { FillRow(row + x0, int(x1 - x0), op); });
  }
};

int Round(double v)
{
  return int(std::floor(v + 0.5));
}

// Coordinates are limited so that integer arithmetic on them cannot overflow.
bool Sane(double v)
{
  return std::fabs(v) < 1e7;
}

// Clips the segment to the rectangle [lo, hi] on both axes (Liang-Barsky); false if it misses.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double xlo, double ylo, double xhi, double yhi)
{
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - xlo, xhi - x1, y1 - ylo, yhi - y1};
  for (int i = 0; i < 4; ++i)
  {
    if (p[i] == 0)
    {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const double ax = x1 + t0 * dx, ay = y1 + t0 * dy, bx = x1 + t1 * dx, by = y1 + t1 * dy;
  x1 = ax, y1 = ay, x2 = bx, y2 = by;
  return true;
}

void BresenhamLine(const Painter& p, int x0, int y0, int x1, int y1)
{
  if (y0 == y1)
  {
    p.Span(y0, std::min(x0, x1), int64_t(std::max(x0, x1)) + 1);
    return;
  }
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;)
  {
    p.Plot(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy)
    {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx)
    {
      err += dx;
      y0 += sy;
    }
  }
}

double Frac(double v)
{
  return v - std::floor(v);
}

// Antialiased one-pixel line: each step along the major axis weights the two pixels nearest to
// the ideal line by their distance from it; the end pixels are weighted by their overlap.
void WuLine(const Painter& p, double x0, double y0, double x1, double y1)
{
  const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
  if (steep)
  {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  if (x0 > x1)
  {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  auto plot = [&](int a, int b, double c) {
    if (steep)
      p.PlotF(b, a, c);
    else
      p.PlotF(a, b, c);
  };
  const double dx = x1 - x0, dy = y1 - y0;
  const double gradient = dx == 0 ? 1.0 : dy / dx;
  if (dx < 1.0)
  {
    // Shorter than a pixel along the major axis: with its caps it fills one pixel column, split
    // between the two rows nearest to its middle.
    const double xm = (x0 + x1) * 0.5, ym = (y0 + y1) * 0.5;
    const int xi = Round(xm);
    plot(xi, int(std::floor(ym)), 1 - Frac(ym));
    plot(xi, int(std::floor(ym)) + 1, Frac(ym));
    return;
  }
  // The line is capped half a pixel beyond each end point, so that lines from pixel centre to
  // pixel centre draw solid end pixels; an end pixel is weighted by its overlap with the cap.
  // First end point.
  int xend = Round(x0);
  double yend = y0 + gradient * (xend - x0);
  double xgap = std::min(1.0, xend - x0 + 1.0);
  const int xpx1 = xend;
  int ypx = int(std::floor(yend));
  plot(xpx1, ypx, (1 - Frac(yend)) * xgap);
  plot(xpx1, ypx + 1, Frac(yend) * xgap);
  double intery = yend + gradient;
  // Second end point.
  xend = Round(x1);
  yend = y1 + gradient * (xend - x1);
  xgap = std::min(1.0, x1 - xend + 1.0);
  const int xpx2 = xend;
  ypx = int(std::floor(yend));
  plot(xpx2, ypx, (1 - Frac(yend)) * xgap);
  plot(xpx2, ypx + 1, Frac(yend) * xgap);
  for (int x = xpx1 + 1; x < xpx2; ++x, intery += gradient)
  {
    const int y = int(std::floor(intery));
    plot(x, y, 1 - Frac(intery));
    plot(x, y + 1, Frac(intery));
  }
}

// Calls f(dx, dy) once for every point of the integer midpoint circle of radius r (all four
// quadrants, axis points included, no point twice).
template <class F>
void CirclePoints(int r, F f)
{
  if (r <= 0)
  {
    f(0, 0);
    return;
  }
  auto mirror = [&](int a, int b) {
    f(a, b);
    if (a != 0) f(-a, b);
    if (b != 0) f(a, -b);
    if (a != 0 && b != 0) f(-a, -b);
  };
  int x = 0, y = r, d = 1 - r;
  while (x <= y)
  {
    mirror(x, y);
    if (x != y) mirror(y, x);
    ++x;
    if (d < 0)
      d += 2 * x + 1;
    else
    {
      --y;
      d += 2 * (x - y) + 1;
    }
  }
}

// Calls f(x, y, coverage) for every pixel within one pixel of the circle of radius r around
// (cx, cy); coverage = 1 - |distance - r|.
template <class F>
void RingPixels(const Painter& p, double cx, double cy, double r, F f)
{
  const double ro = r + 1.0, ri = r - 1.0;
  const int y0 = std::max(0, int(std::floor(cy - ro))), y1 = std::min(p.h - 1, int(std::ceil(cy + ro)));
  for (int y = y0; y <= y1; ++y)
  {
    const double dy = y - cy;
    if (std::fabs(dy) >= ro) continue;
    const double xo = std::sqrt(ro * ro - dy * dy);
    const double xi = (ri > 0 && std::fabs(dy) < ri) ? std::sqrt(ri * ri - dy * dy) : -1.0;
    auto run = [&](int a, int b) {
      a = std::max(a, 0);
      b = std::min(b, p.w - 1);
      for (int x = a; x <= b; ++x)
      {
        const double dx = x - cx;
        const double c = 1.0 - std::fabs(std::sqrt(dx * dx + dy * dy) - r);
        if (c > 0) f(x, y, c);
      }
    };
    const int left = int(std::ceil(cx - xo)), right = int(std::floor(cx + xo));
    if (xi < 0)
      run(left, right);
    else
    {
      run(left, int(std::floor(cx - xi)));
      run(int(std::ceil(cx + xi)), right);
    }
  }
}

// True when a circle of radius r (plus a pixel) around (cx, cy) misses the bitmap.
bool Outside(const Painter& p, double cx, double cy, double r)
{
  return cx + r + 2 < 0 || cy + r + 2 < 0 || cx - r - 2 > p.w || cy - r - 2 > p.h;
}

// Angle of (dx, dy) from straight up, clockwise, in [0, 2 pi).
double ClockAngle(double dx, double dy)
{
  double a = std::atan2(dx, -dy);
  if (a < 0) a += 2 * kPi;
  return a;
}

// Position of angle a inside the arc starting at start of length span: the angle after start,
// in [0, 2 pi).
double AfterStart(double a, double start)
{
  double t = std::fmod(a - start, 2 * kPi);
  if (t < 0) t += 2 * kPi;
  return t;
}
}  // namespace

void Pix_PutPixel(Pix_IBitmap* dest, int x, int y, Pix_Pixel color, float alpha, int mode)
{
  const Painter p(dest, color, alpha, mode);
  if (p.Active()) p.Plot(x, y);
}

void Pix_Line(Pix_IBitmap* dest, float x1, float y1, float x2, float y2, Pix_Pixel color, float alpha, int mode,
              bool aa)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || !Sane(x1) || !Sane(y1) || !Sane(x2) || !Sane(y2)) return;
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (!aa)
  {
    // Clip to a margin around the bitmap, so far-away end points cost nothing; the pixels inside
    // are those of the whole line.
    const bool inside = std::max(std::fabs(ax), std::fabs(bx)) < 4 * (p.w + 8) &&
                        std::max(std::fabs(ay), std::fabs(by)) < 4 * (p.h + 8);
    if (!inside && !ClipSegment(ax, ay, bx, by, -2, -2, p.w + 1, p.h + 1)) return;
    BresenhamLine(p, Round(ax), Round(ay), Round(bx), Round(by));
    return;
  }
  // Clipped to a margin around the bitmap: end weighting only changes where nothing is drawn.
  if (!ClipSegment(ax, ay, bx, by, -2, -2, p.w + 1, p.h + 1)) return;
  WuLine(p, ax, ay, bx, by);
}

void Pix_VSpans(Pix_IBitmap* dest, int x, int n, const float* y0, const float* y1, Pix_Pixel color, float alpha,
                int mode)
{
  if (!Usable(dest) || !y0 || !y1 || n <= 0) return;
  const int k = FillWeight(color, alpha, mode);
  if (k == 0) return;
  const int w = dest->getWidth(), h = dest->getHeight();
  // Rows are walked with a pointer step: one screen row down may be one memory row up.
  const int64_t step = dest->isFlipped() ? -int64_t(dest->getRowSpan()) : int64_t(dest->getRowSpan());
  const bool copy = (mode & 0xFF) == 0;
  const int cb = Byte(color, 0), cg = Byte(color, 1), cr = Byte(color, 2);
  WithFillOp(mode, color, k, [&](const auto& op) {
    for (int i = 0; i < n; ++i)
    {
      const int cx = x + i;
      if (cx < 0 || cx >= w || !(y1[i] >= y0[i]) || !Sane(y0[i]) || !Sane(y1[i])) continue;
      // Edges of the span in pixel-edge coordinates (row r covers r ... r + 1).
      const double top = double(y0[i]) + 0.5, bottom = double(y1[i]) + 0.5;
      const int first = std::max(int(std::floor(top)), 0);
      const int last = std::min(int(std::ceil(bottom)) - 1, h - 1);
      if (last < first) continue;
      Pix_Pixel* p = RowPtr(dest, first) + cx;
      for (int r = first; r <= last; ++r, p += step)
      {
        const double cover = std::min(bottom, double(r + 1)) - std::max(top, double(r));
        if (cover >= 1.0)
          *p = op(*p);
        else if (cover > 0.0)
        {
          const int kk = int(cover * 256.0 + 0.5) * k / 256;
          // Partly covered: the copy formula at the smaller weight (other modes through the
          // general dispatch).
          if (kk == 0) continue;
          *p = copy ? OpCopy{kk}.Fill(*p, cb, cg, cr, kk) : FillPixel(*p, color, kk, mode);
        }
      }
    }
  });
}

void Pix_VSpan(Pix_IBitmap* dest, int x, float y0, float y1, Pix_Pixel color, float alpha, int mode)
{
  Pix_VSpans(dest, x, 1, &y0, &y1, color, alpha, mode);
}

void Pix_Circle(Pix_IBitmap* dest, float cx, float cy, float r, Pix_Pixel color, float alpha, int mode, bool aa)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || !Sane(cx) || !Sane(cy) || !(r >= 0) || !Sane(r) || Outside(p, cx, cy, r)) return;
  if (aa)
  {
    RingPixels(p, cx, cy, r, [&](int x, int y, double c) { p.PlotF(x, y, c); });
    return;
  }
  const int icx = Round(cx), icy = Round(cy);
  CirclePoints(Round(r), [&](int dx, int dy) { p.Plot(icx + dx, icy + dy); });
}

void Pix_FillCircle(Pix_IBitmap* dest, float cx, float cy, float r, Pix_Pixel color, float alpha, int mode, bool aa)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || !Sane(cx) || !Sane(cy) || !(r >= 0) || !Sane(r)) return;
  const double R = r;
  const double reach = aa ? R + 0.5 : R;
  const int y0 = std::max(0, int(std::ceil(cy - reach))), y1 = std::min(p.h - 1, int(std::floor(cy + reach)));
  for (int y = y0; y <= y1; ++y)
  {
    const double dy = y - cy;
    if (!aa)
    {
      // Pixels whose centre lies inside the circle.
      const double half = std::sqrt(std::max(0.0, R * R - dy * dy));
      p.Span(y, int64_t(std::ceil(cx - half)), int64_t(std::floor(cx + half)) + 1);
      continue;
    }
    // Coverage clamp(r + 0.5 - distance, 0, 1): full inside r - 0.5, fading over one pixel.
    const double outer = std::sqrt(std::max(0.0, reach * reach - dy * dy));
    const double inner2 = (R - 0.5) * (R - 0.5) - dy * dy;
    const double inner = R >= 0.5 && inner2 > 0 ? std::sqrt(inner2) : -1.0;
    const int64_t a = int64_t(std::ceil(cx - outer)), b = int64_t(std::floor(cx + outer));
    int64_t fa = b + 1, fb = b;  // full-coverage pixels [fa, fb]
    if (inner >= 0)
    {
      fa = int64_t(std::ceil(cx - inner));
      fb = int64_t(std::floor(cx + inner));
    }
    auto edge = [&](int64_t from, int64_t to) {
      from = std::max<int64_t>(from, 0);
      to = std::min<int64_t>(to, p.w - 1);
      for (int64_t x = from; x <= to; ++x)
      {
        const double dx = double(x) - cx;
        p.PlotF(int(x), y, R + 0.5 - std::sqrt(dx * dx + dy * dy));
      }
    };
    if (fa > fb)
      edge(a, b);
    else
    {
      edge(a, fa - 1);
      p.Span(y, fa, fb + 1);
      edge(fb + 1, b);
    }
  }
}

void Pix_Arc(Pix_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle, Pix_Pixel color,
             float alpha, int mode, bool aa)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || !Sane(cx) || !Sane(cy) || !(r >= 0) || !Sane(r) || Outside(p, cx, cy, r)) return;
  if (!std::isfinite(minAngle) || !std::isfinite(maxAngle) || maxAngle < minAngle) return;
  const double span = double(maxAngle) - double(minAngle);
  if (span >= 2 * kPi)
  {
    Pix_Circle(dest, cx, cy, r, color, alpha, mode, aa);
    return;
  }
  if (aa)
  {
    RingPixels(p, cx, cy, r, [&](int x, int y, double c) {
      const double dx = x - cx, dy = y - cy;
      const double t = AfterStart(ClockAngle(dx, dy), minAngle);
      // Ends fade over one pixel of arc length.
      const double dist = std::sqrt(dx * dx + dy * dy);
      double inside = t <= span ? std::min(t, span - t) * dist + 0.5 : 0.5 - std::min(t - span, 2 * kPi - t) * dist;
      inside = std::min(1.0, inside);
      if (inside > 0) p.PlotF(x, y, c * inside);
    });
    return;
  }
  const int icx = Round(cx), icy = Round(cy);
  CirclePoints(Round(r), [&](int dx, int dy) {
    if (AfterStart(ClockAngle(dx, dy), minAngle) <= span) p.Plot(icx + dx, icy + dy);
  });
}

void Pix_RoundRect(Pix_IBitmap* dest, int x, int y, int w, int h, int cornerRadius, Pix_Pixel color, float alpha,
                   int mode, bool aa)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || w <= 0 || h <= 0 || !Sane(x) || !Sane(y) || !Sane(w) || !Sane(h)) return;
  const int r = std::max(0, std::min(cornerRadius, std::min(w, h) / 2));
  const int64_t l = x, t = y, rt = int64_t(x) + w - 1, b = int64_t(y) + h - 1;
  // Straight edges, each pixel once.
  p.Span(int(t), l + r, rt - r + 1);
  if (b != t) p.Span(int(b), l + r, rt - r + 1);
  for (int64_t yy = t + std::max(r, 1); yy <= b - std::max(r, 1); ++yy)
  {
    if (yy < 0 || yy >= p.h) continue;
    p.Plot(int(l), int(yy));
    if (rt != l) p.Plot(int(rt), int(yy));
  }
  if (r == 0) return;
  // Corners: quarter circles around the inner corner points, outside the straight edges.
  const int64_t ccx[2] = {l + r, rt - r}, ccy[2] = {t + r, b - r};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
    {
      const int sx = i == 0 ? -1 : 1, sy = j == 0 ? -1 : 1;
      const int64_t cxq = ccx[i], cyq = ccy[j];
      if (aa)
      {
        RingPixels(p, double(cxq), double(cyq), r, [&](int px, int py, double c) {
          if ((px - cxq) * sx > 0 && (py - cyq) * sy > 0) p.PlotF(px, py, c);
        });
      }
      else
      {
        CirclePoints(r, [&](int dx, int dy) {
          if (dx * sx > 0 && dy * sy > 0) p.Plot(int(cxq + dx), int(cyq + dy));
        });
      }
    }
}

namespace
{
// Fills a convex polygon with the pixel-centre rule: rows y with ymin <= y < ymax of an edge,
// pixels left <= x < right.
void FillConvex(const Painter& p, const int* xs, const int* ys, int n)
{
  int64_t ymin = ys[0], ymax = ys[0];
  for (int i = 1; i < n; ++i)
  {
    ymin = std::min<int64_t>(ymin, ys[i]);
    ymax = std::max<int64_t>(ymax, ys[i]);
  }
  ymin = std::max<int64_t>(ymin, 0);
  ymax = std::min<int64_t>(ymax, p.h);
  for (int64_t y = ymin; y < ymax; ++y)
  {
    // x = x0 + (y - y0) (x1 - x0) / (y1 - y0), as the exact fraction num / den (den > 0).
    bool any = false;
    int64_t lo = 0, hi = 0;
    for (int i = 0; i < n; ++i)
    {
      int64_t x0 = xs[i], y0 = ys[i], x1 = xs[(i + 1) % n], y1 = ys[(i + 1) % n];
      if (y0 == y1) continue;
      if (y0 > y1)
      {
        std::swap(x0, x1);
        std::swap(y0, y1);
      }
      if (y < y0 || y >= y1) continue;
      const int64_t den = y1 - y0;
      const int64_t num = x0 * den + (y - y0) * (x1 - x0);
      // first pixel centre at or right of x: ceil(num / den)
      const int64_t c = num >= 0 ? (num + den - 1) / den : -((-num) / den);
      if (!any)
      {
        lo = hi = c;
        any = true;
      }
      else
      {
        lo = std::min(lo, c);
        hi = std::max(hi, c);
      }
    }
    if (any && hi > lo) p.Span(int(y), lo, hi);
  }
}
}  // namespace

void Pix_FillTriangle(Pix_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3, Pix_Pixel color, float alpha,
                      int mode)
{
  const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  Pix_FillConvexPolygon(dest, xs, ys, 3, color, alpha, mode);
}

void Pix_FillConvexPolygon(Pix_IBitmap* dest, const int* x, const int* y, int n, Pix_Pixel color, float alpha,
                           int mode)
{
  const Painter p(dest, color, alpha, mode);
  if (!p.Active() || !x || !y || n < 3) return;
  for (int i = 0; i < n; ++i)
    if (!Sane(x[i]) || !Sane(y[i])) return;
  FillConvex(p, x, y, n);
}
