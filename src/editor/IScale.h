#pragma once

#include "editor/IRECT.h"

// The editor's display scale. Controls live in panel coordinates (the layout's pixels); the
// draw surface and the window are the panel enlarged by 100 %, 150 % or 200 %.
//
// Panel coordinate v starts at surface pixel floor(v x percent / 100). Surface pixel X belongs to
// the panel coordinate whose span holds the pixel's centre, floor((X + 0.5) x 100 / percent).
// At the supported scales these agree: the surface pixels of a panel rectangle are exactly the
// pixels whose centres lie inside it, so neighbouring rectangles tile the surface without gaps
// or overlaps and a pixel's hit test names the control that drew it. All in integers.
struct IScale
{
  static constexpr int kPercents[] = {100, 150, 200};
  static constexpr int kNumPercents = 3;

  int mPercent = 100;

  IScale() = default;
  // A percentage outside the supported ones becomes the nearest supported one.
  explicit IScale(int percent) : mPercent(NearestPercent(percent / 100.0)) {}

  // The supported percentage nearest to factor (1.0 = 100 %), halfway cases going up; 100 for
  // a factor that is not a positive number.
  static int NearestPercent(double factor)
  {
    if (!(factor > 0.0)) return 100;
    int best = kPercents[0];
    for (int p : kPercents)
    {
      const double d = factor * 100.0 - p, bestD = factor * 100.0 - best;
      if ((d < 0 ? -d : d) <= (bestD < 0 ? -bestD : bestD)) best = p;
    }
    return best;
  }

  bool IsUnit() const { return mPercent == 100; }
  double Factor() const { return mPercent / 100.0; }

  // Panel -> surface.
  int ToSurface(int v) const { return FloorDiv(static_cast<long long>(v) * mPercent, 100); }
  // A point in the raster library's geometry (integer coordinates name pixel centres): the
  // centre of panel pixel v is the centre of its block of surface pixels.
  float PointToSurface(float v) const
  {
    return IsUnit() ? v : (v + 0.5f) * static_cast<float>(mPercent) / 100.0f - 0.5f;
  }
  // A length (radius, distance).
  float LengthToSurface(float v) const { return IsUnit() ? v : v * static_cast<float>(mPercent) / 100.0f; }
  IRECT ToSurface(const IRECT& r) const
  {
    if (r.Empty()) return r;
    return IRECT(ToSurface(r.L), ToSurface(r.T), ToSurface(r.R), ToSurface(r.B));
  }
  // A size in panel pixels (text heights, radii): rounded to whole surface pixels.
  int SizeToSurface(int v) const { return FloorDiv(static_cast<long long>(v) * mPercent + 50, 100); }

  // Surface (window) -> panel, by the pixel's centre.
  int ToPanel(int X) const { return FloorDiv((2LL * X + 1) * 100, 2LL * mPercent); }
  // A length in surface pixels as panel pixels, rounded up (measured text must still fit).
  int LengthToPanel(int v) const { return -FloorDiv(-static_cast<long long>(v) * 100, mPercent); }

  bool operator==(const IScale& o) const { return mPercent == o.mPercent; }
  bool operator!=(const IScale& o) const { return mPercent != o.mPercent; }

private:
  static int FloorDiv(long long a, long long b)  // b > 0
  {
    return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b));
  }
};
