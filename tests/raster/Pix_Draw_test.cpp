// Drawing primitives: exact pixel sets where the geometry fixes them, no pixel drawn twice,
// antialiased coverage that adds up, clipping, and the rotated blit against plain blits.
#include <gtest/gtest.h>

#include <cmath>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Draw.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
// Add mode with colour 1 counts how often each pixel is drawn (in the blue byte).
const Pix_Pixel kCount = 0x00000001;
const int kAdd = 1;

int Count(const Pix_IBitmap& b, int x, int y)
{
  return int(At(b, x, y) & 0xFF);
}
int Total(const Pix_IBitmap& b)
{
  int n = 0;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x) n += Count(b, x, y);
  return n;
}
int MaxCount(const Pix_IBitmap& b)
{
  int n = 0;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x) n = std::max(n, Count(b, x, y));
  return n;
}
// Sum of the blue byte / 255 (coverage of a white shape on black, copy mode).
double Coverage(const Pix_IBitmap& b)
{
  double s = 0;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x) s += (At(b, x, y) & 0xFF) / 255.0;
  return s;
}
}  // namespace

TEST(PixDraw, PutPixelUsesTheFillCombine)
{
  Pix_MemBitmap b(4, 4, 4);
  Pix_Clear(&b, 0xFF000000);
  Pix_PutPixel(&b, 1, 2, 0xFFFFFFFF, 0.5f, 0);
  EXPECT_EQ(At(b, 1, 2), 0xFE7F7F7Fu);  // same as Pix_FillRect of one pixel
  Pix_PutPixel(&b, 0, 0, 0x80FFFFFF, 1.f, 0x10000);
  EXPECT_EQ(At(b, 0, 0), ((0x80FFFFFFu >> 1) & 0x7F7F7F7F) + ((0xFF000000u >> 1) & 0x7F7F7F7F));
  Pix_PutPixel(&b, 3, 3, 0x00204080, 1.f, 1);
  EXPECT_EQ(At(b, 3, 3), 0xFF204080u);
  for (int c : {-1, 4, 1 << 30})
  {
    Pix_PutPixel(&b, c, 1, 0xFFFFFFFF, 1.f, 0);
    Pix_PutPixel(&b, 1, c, 0xFFFFFFFF, 1.f, 0);
  }
  Pix_PutPixel(nullptr, 0, 0, 0xFFFFFFFF, 1.f, 0);
  EXPECT_EQ(At(b, 1, 1), 0xFF000000u);
}

TEST(PixDraw, PlainLinesDrawEachPixelOnce)
{
  Pix_MemBitmap b(40, 30, 4);
  const int ends[][4] = {{2, 3, 30, 3}, {5, 1, 5, 25}, {1, 1, 25, 25}, {30, 2, 3, 20}, {7, 7, 7, 7}, {3, 28, 38, 5}};
  for (const auto& e : ends)
  {
    Pix_Clear(&b, 0);
    Pix_Line(&b, float(e[0]), float(e[1]), float(e[2]), float(e[3]), kCount, 1.f, kAdd, false);
    EXPECT_EQ(MaxCount(b), 1);
    EXPECT_EQ(Total(b), std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1])) + 1);
    EXPECT_EQ(Count(b, e[0], e[1]), 1);
    EXPECT_EQ(Count(b, e[2], e[3]), 1);
  }
  // Far-away end points: clipped, same pixels inside.
  Pix_Clear(&b, 0);
  Pix_Line(&b, -1e6f, -1e6f, 1e6f, 1e6f, kCount, 1.f, kAdd, false);
  EXPECT_EQ(Total(b), 30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(Count(b, i, i), 1);
  Pix_Clear(&b, 0);
  Pix_Line(&b, -100, -5, 100, -5, kCount, 1.f, kAdd, false);
  Pix_Line(&b, NAN, 0, 10, 10, kCount, 1.f, kAdd, false);
  Pix_Line(&b, 0, 0, 1e30f, 10, kCount, 1.f, kAdd, false);
  EXPECT_EQ(Total(b), 0);
}

TEST(PixDraw, AntialiasedLines)
{
  Pix_MemBitmap b(40, 30, 4);
  // On pixel centres a horizontal line is solid; half-way between rows it splits in halves.
  Pix_Clear(&b, 0xFF000000);
  Pix_Line(&b, 3, 5, 20, 5, 0xFFFFFFFF, 1.f, 0, true);
  for (int x = 0; x < 40; ++x)
  {
    EXPECT_EQ(At(b, x, 5), x >= 3 && x <= 20 ? 0xFFFFFFFFu : 0xFF000000u) << x;
    EXPECT_EQ(At(b, x, 4), 0xFF000000u);
    EXPECT_EQ(At(b, x, 6), 0xFF000000u);
  }
  Pix_Clear(&b, 0xFF000000);
  Pix_Line(&b, 3, 10.5f, 20, 10.5f, 0xFFFFFFFF, 1.f, 0, true);
  EXPECT_EQ(At(b, 10, 10), 0xFE7F7F7Fu);  // weight 128: the word-wide half mix
  EXPECT_EQ(At(b, 10, 11), 0xFE7F7F7Fu);
  // Coverage adds up to about the length, whatever the slope.
  for (double a = 0.1; a < 3.1; a += 0.37)
  {
    Pix_Clear(&b, 0xFF000000);
    const float x1 = float(20 + 12 * std::cos(a)), y1 = float(15 + 12 * std::sin(a));
    const float x0 = float(20 - 12 * std::cos(a)), y0 = float(15 - 12 * std::sin(a));
    Pix_Line(&b, x0, y0, x1, y1, 0xFFFFFFFF, 1.f, 0, true);
    const double major = std::max(std::fabs(x1 - x0), std::fabs(y1 - y0));
    EXPECT_NEAR(Coverage(b), major + 1, 1.5) << a;  // one pixel per step along the major axis
  }
}

TEST(PixDraw, Circles)
{
  Pix_MemBitmap b(50, 50, 4);
  for (int r : {0, 1, 5, 12, 20})
  {
    Pix_Clear(&b, 0);
    Pix_Circle(&b, 25, 25, float(r), kCount, 1.f, kAdd, false);
    EXPECT_EQ(MaxCount(b), 1) << r;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x)
      {
        if (Count(b, x, y))
        {
          EXPECT_NEAR(std::hypot(x - 25, y - 25), r, 0.75) << r;
        }
      }
    for (auto p : {std::pair<int, int>{25 + r, 25}, {25 - r, 25}, {25, 25 + r}, {25, 25 - r}})
      EXPECT_EQ(Count(b, p.first, p.second), 1);
  }
  // Filled, plain: exactly the pixel centres inside the circle, each once.
  Pix_Clear(&b, 0);
  Pix_FillCircle(&b, 25, 25, 10.f, kCount, 1.f, kAdd, false);
  int inside = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x)
    {
      const bool in = (x - 25) * (x - 25) + (y - 25) * (y - 25) <= 100;
      inside += in;
      ASSERT_EQ(Count(b, x, y), in ? 1 : 0) << x << "," << y;
    }
  // Antialiased: solid inside, area about pi r^2, edges partly covered.
  Pix_Clear(&b, 0xFF000000);
  Pix_FillCircle(&b, 24.3f, 25.6f, 12.f, 0xFFFFFFFF, 1.f, 0, true);
  EXPECT_NEAR(Coverage(b), 3.14159265 * 144, 3.14159265 * 144 * 0.01);
  EXPECT_EQ(At(b, 24, 25), 0xFFFFFFFFu);
  // Clipped at the corners of the bitmap.
  Pix_Clear(&b, 0);
  Pix_FillCircle(&b, 0, 0, 5.f, kCount, 1.f, kAdd, false);
  Pix_FillCircle(&b, 49, 49, 5.f, kCount, 1.f, kAdd, true);
  Pix_Circle(&b, 49, 0, 5.f, kCount, 1.f, kAdd, true);
  Pix_FillCircle(&b, 1e9f, 0, 5.f, kCount, 1.f, kAdd, true);
  Pix_FillCircle(&b, 10, 10, -5.f, kCount, 1.f, kAdd, true);
  Pix_FillCircle(&b, 10, 10, NAN, kCount, 1.f, kAdd, true);
  EXPECT_GT(Count(b, 0, 0), 0);
  EXPECT_GT(Count(b, 49, 49), 0);
  EXPECT_EQ(Count(b, 10, 10), 0);
}

TEST(PixDraw, ArcsStayInsideTheirAngles)
{
  Pix_MemBitmap b(50, 50, 4), c(50, 50, 4);
  for (bool aa : {false, true})
  {
    // From straight up (0) clockwise to the right (pi / 2): the upper right quarter only.
    Pix_Clear(&b, 0);
    Pix_Arc(&b, 25, 25, 15, 0.f, 1.5707964f, 0xFFFFFFFF, 1.f, 0, aa);
    int n = 0;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x)
        if (Count(b, x, y))
        {
          ++n;
          EXPECT_GE(x, 24) << aa;
          EXPECT_LE(y, 26) << aa;
        }
    EXPECT_GT(n, 15);
    EXPECT_EQ(At(b, 25 + 9, 25 - 12), 0xFFFFFFFFu);  // on the ring, inside the angles
    EXPECT_GT(Count(b, 25, 10), 0);
    EXPECT_GT(Count(b, 40, 25), 0);
    // A full turn or more is the whole circle; an inverted range draws nothing.
    Pix_Clear(&b, 0);
    Pix_Arc(&b, 25, 25, 15, 1.f, 0.5f, 0xFFFFFFFF, 1.f, 0, aa);
    EXPECT_EQ(Total(b), 0);
    Pix_Arc(&b, 25, 25, 15, -4.f, 4.f, 0xFFFFFFFF, 1.f, 0, aa);
    Pix_Clear(&c, 0);
    Pix_Circle(&c, 25, 25, 15, 0xFFFFFFFF, 1.f, 0, aa);
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x) ASSERT_EQ(At(b, x, y), At(c, x, y));
  }
}

TEST(PixDraw, RoundRectOutline)
{
  Pix_MemBitmap b(40, 30, 4);
  for (bool aa : {false, true})
    for (int r : {0, 1, 4, 100})
    {
      Pix_Clear(&b, 0);
      Pix_RoundRect(&b, 5, 4, 20, 15, r, kCount, 1.f, kAdd, aa);
      EXPECT_EQ(MaxCount(b), 1) << r << aa;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
          if (Count(b, x, y))
          {
            EXPECT_TRUE(x >= 5 && x < 25 && y >= 4 && y < 19) << x << "," << y;
          }
      // Middles of the four sides.
      EXPECT_EQ(Count(b, 15, 4), 1);
      EXPECT_EQ(Count(b, 15, 18), 1);
      EXPECT_EQ(Count(b, 5, 11), 1);
      EXPECT_EQ(Count(b, 24, 11), 1);
      if (r == 0)
      {
        EXPECT_EQ(Total(b), 2 * 20 + 2 * 13);
      }
      if (r >= 4)
      {
        EXPECT_EQ(Count(b, 5, 4), 0);  // the corner is cut
      }
    }
}

TEST(PixDraw, TrianglesAndPolygonsTileWithoutOverlap)
{
  Pix_MemBitmap b(40, 30, 4);
  Pix_Clear(&b, 0);
  // Two triangles of a 20 x 12 rectangle, and a fan of four around a centre: every pixel once.
  Pix_FillTriangle(&b, 2, 2, 22, 2, 22, 14, kCount, 1.f, kAdd);
  Pix_FillTriangle(&b, 2, 2, 22, 14, 2, 14, kCount, 1.f, kAdd);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Count(b, x, y), x >= 2 && x < 22 && y >= 2 && y < 14 ? 1 : 0);
  Pix_Clear(&b, 0);
  const int cx = 30, cy = 20;
  const int ring[5][2] = {{25, 15}, {37, 16}, {36, 27}, {24, 26}, {25, 15}};
  for (int i = 0; i < 4; ++i)
    Pix_FillTriangle(&b, cx, cy, ring[i][0], ring[i][1], ring[i + 1][0], ring[i + 1][1], kCount, 1.f, kAdd);
  EXPECT_EQ(MaxCount(b), 1);
  Pix_MemBitmap c(40, 30, 4);
  Pix_Clear(&c, 0);
  const int xs[4] = {25, 37, 36, 24}, ys[4] = {15, 16, 27, 26};
  Pix_FillConvexPolygon(&c, xs, ys, 4, kCount, 1.f, kAdd);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Count(b, x, y), Count(c, x, y)) << x << "," << y;
  // Clipped and degenerate polygons.
  Pix_Clear(&c, 0);
  const int bx[3] = {-100, 300, -100}, by[3] = {-100, -100, 300};
  Pix_FillConvexPolygon(&c, bx, by, 3, kCount, 1.f, kAdd);
  EXPECT_EQ(Total(c), 40 * 30);
  Pix_FillConvexPolygon(&c, bx, by, 2, kCount, 1.f, kAdd);
  Pix_FillConvexPolygon(&c, nullptr, by, 3, kCount, 1.f, kAdd);
  Pix_FillTriangle(&c, 1, 1, 5, 5, 9, 9, kCount, 1.f, kAdd);
  EXPECT_EQ(MaxCount(c), 1);
}

TEST(PixRotatedBlit, QuarterTurnsAreExact)
{
  Pix_MemBitmap src(6, 6, 4);
  FillWith(src, [](int x, int y) { return 0xFF000000u | Pix_Pixel(y << 8 | x); });
  for (int mode : {0, 0x100, 0x10100})
  {
    Pix_MemBitmap d(10, 10, 4);
    // No turn: the same as a blit.
    Pix_Clear(&d, 0);
    Pix_RotatedBlit(&d, &src, 2, 3, 6, 6, 0, 0, 6, 6, 0.0, false, 1.f, mode);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
      {
        const bool in = x >= 2 && x < 8 && y >= 3 && y < 9;
        ASSERT_EQ(At(d, x, y), in ? At(src, x - 2, y - 3) : 0u) << mode << " " << x << "," << y;
      }
    // A quarter turn clockwise: source (sx, sy) lands at (5 - sy, sx) of the rectangle.
    Pix_Clear(&d, 0);
    Pix_RotatedBlit(&d, &src, 2, 3, 6, 6, 0, 0, 6, 6, 3.14159265358979 / 2, false, 1.f, mode);
    for (int sy = 0; sy < 6; ++sy)
      for (int sx = 0; sx < 6; ++sx) ASSERT_EQ(At(d, 2 + 5 - sy, 3 + sx), At(src, sx, sy)) << mode;
    EXPECT_EQ(At(d, 1, 3), 0u);
    EXPECT_EQ(At(d, 8, 3), 0u);
  }
}

TEST(PixRotatedBlit, EdgesClipsAndCombines)
{
  Pix_MemBitmap src(20, 20, 4);
  Pix_Clear(&src, 0xFFFFFFFF);
  Pix_MemBitmap d(40, 40, 4);
  // A turned opaque square with bilinear filtering: solid centre, soft edges, nothing far out.
  Pix_Clear(&d, 0xFF000000);
  Pix_RotatedBlit(&d, &src, 10, 10, 20, 20, 0, 0, 20, 20, 0.3, false, 1.f, 0x100);
  EXPECT_EQ(At(d, 20, 20), 0xFFFFFFFFu);
  EXPECT_EQ(At(d, 0, 0), 0xFF000000u);
  EXPECT_NEAR(Coverage(d), 400.0, 400 * 0.02);  // the area is kept
  int partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
    {
      const int v = int(At(d, x, y) & 0xFF);
      partial += v > 0 && v < 255;
    }
  EXPECT_GT(partial, 20);
  // Clipping to a source rectangle samples only inside it.
  Pix_MemBitmap two(8, 4, 4);
  FillWith(two, [](int x, int) { return x < 4 ? 0xFFFF0000u : 0xFF0000FFu; });
  Pix_Clear(&d, 0);
  Pix_RotatedBlit(&d, &two, 0, 0, 4, 4, 0, 0, 4, 4, 0.2, true, 1.f, 0x100);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(At(d, x, y) & 0xFF, 0u) << x << "," << y;
  // Source alpha and add modes combine as blits do.
  Pix_MemBitmap s1(1, 1, 4), d1(1, 1, 4), d2(1, 1, 4);
  s1.getBits()[0] = 0x80FF0000;
  d1.getBits()[0] = d2.getBits()[0] = 0xFF0000FF;
  Pix_RotatedBlit(&d1, &s1, 0, 0, 1, 1, 0, 0, 1, 1, 0.0, true, 1.f, 0x10100);
  Pix_Blit(&d2, &s1, 0, 0, nullptr, 1.f, 0x10000);
  EXPECT_EQ(d1.getBits()[0], d2.getBits()[0]);
  // Degenerate arguments draw nothing.
  Pix_Clear(&d, 0);
  Pix_RotatedBlit(&d, &src, 0, 0, 0, 10, 0, 0, 20, 20, 0.1, false, 1.f, 0);
  Pix_RotatedBlit(&d, &src, 0, 0, 10, 10, 0, 0, 20, 20, NAN, false, 1.f, 0);
  Pix_RotatedBlit(&d, nullptr, 0, 0, 10, 10, 0, 0, 20, 20, 0.1, false, 1.f, 0);
  Pix_RotatedBlit(&d, &src, 0, 0, 10, 10, 0, 0, 0, 20, 0.1, false, 1.f, 0);
  Pix_RotatedBlit(&d, &src, 0, 0, 10, 10, 30, 30, 5, 5, 0.1, true, 1.f, 0);
  EXPECT_EQ(Total(d), 0);
}
