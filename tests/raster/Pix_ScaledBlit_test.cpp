// Scaled blits: the unscaled path, nearest, mirrored, bilinear and box filtering, clipping.
#include <gtest/gtest.h>

#include "raster/Pix_Blit.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
Pix_Pixel Grey(int v)
{
  return 0xFF000000u | Pix_Pixel(v) * 0x010101u;
}
}  // namespace

TEST(PixScaledBlit, UnscaledIsAPlainBlit)
{
  Pix_MemBitmap src(6, 6, 4), a(8, 8, 4), b(8, 8, 4);
  FillWith(src, [](int x, int y) { return Grey(x * 10 + y); });
  for (int mode : {0, 0x100, 0x10000})
  {
    Pix_Clear(&a, 0);
    Pix_Clear(&b, 0);
    // Rounded origin; with the filter bit only origins within 0.03 of the grid.
    const float sx = (mode & 0x100) ? 1.02f : 1.4f, sy = (mode & 0x100) ? 0.98f : 0.6f;
    Pix_ScaledBlit(&a, &src, 1, 2, 4, 3, sx, sy, 4.f, 3.f, 1.f, mode);
    Pix_Blit(&b, &src, 1, 2, 1, 1, 4, 3, 1.f, mode);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(At(a, x, y), At(b, x, y)) << mode;
  }
  // With the filter bit a source origin off the pixel grid interpolates instead.
  Pix_Clear(&a, 0);
  Pix_ScaledBlit(&a, &src, 0, 0, 2, 1, 0.5f, 0.f, 2.f, 1.f, 1.f, 0x100);
  EXPECT_EQ(At(a, 0, 0), Grey(5));
  EXPECT_EQ(At(a, 1, 0), Grey(15));
}

TEST(PixScaledBlit, NearestEnlargeAndMirror)
{
  Pix_MemBitmap src(4, 2, 4), dst(8, 4, 4);
  FillWith(src, [](int x, int y) { return Grey(x * 10 + y); });
  Pix_ScaledBlit(&dst, &src, 0, 0, 8, 4, 0.f, 0.f, 4.f, 2.f, 1.f, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(At(dst, x, y), Grey(x / 2 * 10 + y / 2));
  // Negative width and height mirror within the same rectangle.
  Pix_Clear(&dst, 0);
  Pix_ScaledBlit(&dst, &src, 2, 1, -4, -2, 0.f, 0.f, 4.f, 2.f, 1.f, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
    {
      const bool in = x >= 2 && x < 6 && y >= 1 && y < 3;
      ASSERT_EQ(At(dst, x, y), in ? Grey((5 - x) * 10 + (2 - y)) : 0u) << x << "," << y;
    }
  // A flipped source and destination give the same picture on screen.
  FlippedBitmap fsrc(4, 2), fdst(8, 4);
  FillWith(fsrc, [](int x, int y) { return Grey(x * 10 + y); });
  for (int mode : {0, 0x100, 0x10100})
  {
    Pix_Clear(&dst, 0);
    Pix_Clear(&fdst, 0);
    Pix_ScaledBlit(&dst, &src, 0, 0, 7, 3, 0.f, 0.f, 4.f, 2.f, 1.f, mode);
    Pix_ScaledBlit(&fdst, &fsrc, 0, 0, 7, 3, 0.f, 0.f, 4.f, 2.f, 1.f, mode);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(At(dst, x, y), At(fdst, x, y)) << mode;
  }
  // Half weight: word-wide half mix of the nearest pixel.
  Pix_Clear(&dst, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 8, 4, 0.f, 0.f, 4.f, 2.f, 0.5f, 0);
  EXPECT_EQ(At(dst, 7, 3), ((Grey(31) >> 1) & 0x7F7F7F7F));
}

TEST(PixScaledBlit, BilinearEnlarge)
{
  Pix_MemBitmap src(2, 1, 4), dst(4, 1, 4);
  src.getBits()[0] = Grey(0);
  src.getBits()[1] = Grey(200);
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 1, 0.f, 0.f, 2.f, 1.f, 1.f, 0x100);
  EXPECT_EQ(At(dst, 0, 0), Grey(0));
  EXPECT_EQ(At(dst, 1, 0), Grey(100));
  EXPECT_EQ(At(dst, 2, 0), Grey(200));
  EXPECT_EQ(At(dst, 3, 0), Grey(200));  // the edge repeats
  // A transparent neighbour lowers alpha but does not darken the colour.
  src.getBits()[1] = 0x00000000;
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 1, 0.f, 0.f, 2.f, 1.f, 1.f, 0x100);
  src.getBits()[0] = 0xFFC08040;
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 1, 0.f, 0.f, 2.f, 1.f, 1.f, 0x100);
  EXPECT_EQ(At(dst, 1, 0), 0x80C08040u);
}

TEST(PixScaledBlit, BoxFilterWhenShrinking)
{
  Pix_MemBitmap src(20, 20, 4), dst(6, 6, 4);
  FillWith(src, [](int x, int y) { return Pix_Pixel(0xFF000000u | (x + 10 * y)); });
  // Step 3: 3 x 3 blocks centred on (0, 3, 6); the corner block loses its outside cells.
  Pix_ScaledBlit(&dst, &src, 0, 0, 3, 3, 0.f, 0.f, 9.f, 9.f, 1.f, 0x100);
  EXPECT_EQ(At(dst, 1, 1), 0xFF000000u | 33);
  EXPECT_EQ(At(dst, 0, 0), 0xFF000000u | 5);  // (0 + 1) / 2 + 10 x (0 + 1) / 2 = 5.5
  EXPECT_EQ(At(dst, 2, 1), 0xFF000000u | 36);
  // Step 4: 5 x 5 blocks.
  Pix_ScaledBlit(&dst, &src, 0, 0, 5, 5, 0.f, 0.f, 20.f, 20.f, 1.f, 0x100);
  EXPECT_EQ(At(dst, 1, 1), 0xFF000000u | 44);
  EXPECT_EQ(At(dst, 2, 3), 0xFF000000u | (8 + 120));
  // Without the filter bit: the nearest pixel.
  Pix_ScaledBlit(&dst, &src, 0, 0, 5, 5, 0.f, 0.f, 20.f, 20.f, 1.f, 0);
  EXPECT_EQ(At(dst, 1, 1), 0xFF000000u | 44);
  EXPECT_EQ(At(dst, 2, 1), 0xFF000000u | 48);
  EXPECT_EQ(At(dst, 4, 4), 0xFF000000u | 176);
}

TEST(PixScaledBlit, ClipsToBothBitmaps)
{
  Pix_MemBitmap src(4, 4, 4), dst(5, 5, 4);
  FillWith(src, [](int x, int y) { return Grey(x * 10 + y); });
  // Destination partly off the left and top: the source position advances.
  Pix_Clear(&dst, 0);
  Pix_ScaledBlit(&dst, &src, -2, -2, 8, 8, 0.f, 0.f, 4.f, 4.f, 1.f, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(At(dst, x, y), x < 6 && y < 6 ? Grey((x + 2) / 2 * 10 + (y + 2) / 2) : 0u);
  // A source rectangle reaching outside the source: only in-range samples are drawn.
  Pix_Clear(&dst, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 4, -2.f, 0.f, 8.f, 8.f, 1.f, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
    {
      const bool in = x >= 1 && x < 3 && y < 2;
      ASSERT_EQ(At(dst, x, y), in ? Grey((x * 2 - 2) * 10 + y * 2) : 0u) << x << "," << y;
    }
  // Degenerate input draws nothing.
  Pix_Clear(&dst, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 0, 4, 0.f, 0.f, 4.f, 4.f, 1.f, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 4, 0.f, 0.f, 4.f, 4.f, 0.f, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 4, 1e30f, 0.f, 4.f, 4.f, 1.f, 0);
  Pix_ScaledBlit(&dst, &src, 0, 0, 4, 4, 0.f, 0.f, 1.f / 0.f, 4.f, 1.f, 0);
  Pix_ScaledBlit(&dst, nullptr, 0, 0, 4, 4, 0.f, 0.f, 4.f, 4.f, 1.f, 0);
  Pix_ScaledBlit(&dst, &src, 0x7FFFFFFF, 0, 0x7FFFFFFF, 4, 0.f, 0.f, 4.f, 4.f, 1.f, 0x100);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(At(dst, x, y), 0u);
}

TEST(PixScaledBlit, BilinearOpaqueShortcutMatchesAlphaWeighting)
{
  // Opaque neighbourhoods take a shortcut; alpha 254 forces the general weighting, whose colour
  // must come out the same for equal alphas.
  PixelRng rng;
  Pix_MemBitmap a(9, 7, 4), b(9, 7, 4), da(23, 19, 4), db(23, 19, 4);
  FillWith(a, [&](int, int) { return rng() | 0xFF000000u; });
  FillWith(b, [&](int x, int y) { return (At(a, x, y) & 0xFFFFFF) | 0xFE000000u; });
  Pix_ScaledBlit(&da, &a, 0, 0, 23, 19, 0.3f, 0.2f, 8.f, 6.f, 1.f, 0x100);
  Pix_ScaledBlit(&db, &b, 0, 0, 23, 19, 0.3f, 0.2f, 8.f, 6.f, 1.f, 0x100);
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 23; ++x)
    {
      ASSERT_EQ(At(da, x, y) & 0xFFFFFF, At(db, x, y) & 0xFFFFFF) << x << "," << y;
      ASSERT_EQ(At(da, x, y) >> 24, 255u);
    }
}
