#pragma once

// An integer rectangle in editor pixels, origin top left. R and B are exclusive.
// The all-zero rectangle is "empty"; any other rectangle is not, even one with R <= L.
struct IRECT
{
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }

  int W() const { return R - L; }
  int H() const { return B - T; }
  float MW() const { return static_cast<float>(L + R) * 0.5f; }
  float MH() const { return static_cast<float>(T + B) * 0.5f; }

  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }

  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }

  // Rectangles touching along this rectangle's right or bottom edge count as intersecting.
  bool Intersects(const IRECT* o) const
  {
    return !Empty() && !o->Empty() && R >= o->L && L < o->R && B >= o->T && T < o->B;
  }
  bool Intersects(const IRECT& o) const { return Intersects(&o); }

  IRECT Intersect(const IRECT* o) const
  {
    if (!Intersects(o)) return IRECT();
    return IRECT(L > o->L ? L : o->L, T > o->T ? T : o->T, R < o->R ? R : o->R, B < o->B ? B : o->B);
  }
  IRECT Intersect(const IRECT& o) const { return Intersect(&o); }

  IRECT Union(const IRECT* o) const
  {
    if (Empty()) return *o;
    if (o->Empty()) return *this;
    return IRECT(L < o->L ? L : o->L, T < o->T ? T : o->T, R > o->R ? R : o->R, B > o->B ? B : o->B);
  }
  IRECT Union(const IRECT& o) const { return Union(&o); }
};
