// Blit geometry (clipping, negative source origins, flipped bitmaps, overlapping self-blits),
// fills with their shortcuts, clears, copy and pixel reads.
#include <gtest/gtest.h>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Combine.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
// Source pixel value that encodes its position.
Pix_Pixel Tag(int x, int y)
{
  return 0xFF000000u | Pix_Pixel(y) << 8 | Pix_Pixel(x);
}
const Pix_Pixel kBack = 0x11111111;

// Expects dest(x, y) to hold Tag(x - ox, y - oy) inside [l, r) x [t, b) and kBack elsewhere.
void ExpectPlaced(const Pix_IBitmap& d, int l, int t, int r, int b, int ox, int oy)
{
  for (int y = 0; y < d.getHeight(); ++y)
    for (int x = 0; x < d.getWidth(); ++x)
    {
      const bool in = x >= l && x < r && y >= t && y < b;
      ASSERT_EQ(At(d, x, y), in ? Tag(x - ox, y - oy) : kBack) << x << "," << y;
    }
}
}  // namespace

TEST(PixBlit, ClipsAtEveryEdge)
{
  Pix_MemBitmap src(6, 5, 4);
  FillWith(src, Tag);
  Pix_MemBitmap dst(10, 8, 4);
  struct Case
  {
    int dx, dy;
  } cases[] = {{2, 1}, {-2, 1}, {2, -3}, {7, 1}, {2, 6}, {-4, -3}, {8, 6}, {-6, 0}, {10, 0}, {0, 8}};
  for (const Case& c : cases)
  {
    Pix_Clear(&dst, kBack);
    Pix_Blit(&dst, &src, c.dx, c.dy, nullptr, 1.f, 0);
    ExpectPlaced(dst, std::max(c.dx, 0), std::max(c.dy, 0), std::min(c.dx + 6, 10), std::min(c.dy + 5, 8), c.dx,
                 c.dy);
  }
}

TEST(PixBlit, SourceRectangles)
{
  Pix_MemBitmap src(6, 5, 4);
  FillWith(src, Tag);
  Pix_MemBitmap dst(10, 8, 4);
  // A left of -3 draws from source column 0 at dstx + 3.
  Pix_Clear(&dst, kBack);
  Pix_Blit(&dst, &src, 1, 1, -3, 0, 5, 2, 1.f, 0);
  ExpectPlaced(dst, 4, 1, 6, 3, 4, 1);
  // Negative top, right and bottom past the source.
  Pix_Clear(&dst, kBack);
  const Pix_Rect r = {2, -2, 40, 40};
  Pix_Blit(&dst, &src, 0, 0, &r, 1.f, 0);
  ExpectPlaced(dst, 0, 2, 4, 7, -2, 2);
  // Empty and inverted rectangles draw nothing; so do null bitmaps and huge coordinates.
  Pix_Clear(&dst, kBack);
  const Pix_Rect empty = {3, 3, 3, 5}, inverted = {4, 4, 1, 1};
  Pix_Blit(&dst, &src, 0, 0, &empty, 1.f, 0);
  Pix_Blit(&dst, &src, 0, 0, &inverted, 1.f, 0);
  Pix_Blit(&dst, nullptr, 0, 0, nullptr, 1.f, 0);
  Pix_Blit(nullptr, &src, 0, 0, nullptr, 1.f, 0);
  Pix_Blit(&dst, &src, 0x7FFFFFFF, 0x7FFFFFFF, nullptr, 1.f, 0);
  Pix_Blit(&dst, &src, 0, 0, 0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFF0, 1.f, 0);
  Pix_Blit(&dst, &src, 0x7FFFFFF0, 0, -0x7FFFFFF0, 0, 0x7FFFFFFF, 5, 1.f, 0);
  ExpectPlaced(dst, 0, 0, 0, 0, 0, 0);
  Pix_MemBitmap empty_bmp;
  Pix_Blit(&dst, &empty_bmp, 0, 0, nullptr, 1.f, 0);
  Pix_Blit(&empty_bmp, &src, 0, 0, nullptr, 1.f, 0);
  ExpectPlaced(dst, 0, 0, 0, 0, 0, 0);
}

TEST(PixBlit, FlippedBitmapsUseScreenRows)
{
  for (int mode : {0, 0x10000, 1})
  {
    FlippedBitmap src(6, 5);
    FillWith(src, Tag);
    Pix_MemBitmap dst(10, 8, 4);
    Pix_Clear(&dst, kBack);
    Pix_Blit(&dst, &src, 3, 2, 1, 1, 3, 3, 1.f, mode & ~1);
    ExpectPlaced(dst, 3, 2, 6, 5, 2, 1);
    EXPECT_EQ(Pix_GetPixel(&src, 4, 0), Tag(4, 0));
    EXPECT_EQ(src.getBits()[4], Tag(4, 4));  // memory row 0 is the bottom row

    FlippedBitmap dst2(10, 8);
    Pix_Clear(&dst2, kBack);
    Pix_Blit(&dst2, &src, -1, 4, nullptr, 1.f, mode & ~1);
    ExpectPlaced(dst2, 0, 4, 5, 8, -1, 4);
  }
}

TEST(PixBlit, OverlappingBlitWithinOneBitmap)
{
  for (int dx : {-3, 0, 2})
    for (int dy : {-2, 0, 1})
    {
      Pix_MemBitmap b(300, 6, 4), ref(300, 6, 4), copy(300, 6, 4);
      FillWith(b, Tag);
      FillWith(ref, Tag);
      Pix_Copy(&copy, &b);
      Pix_Blit(&b, &b, dx + 4, dy + 2, 4, 2, 290, 3, 1.f, 0);
      Pix_Blit(&ref, &copy, dx + 4, dy + 2, 4, 2, 290, 3, 1.f, 0);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 300; ++x) ASSERT_EQ(At(b, x, y), At(ref, x, y)) << dx << "," << dy;
    }
}

TEST(PixFill, CopyShortcutsAndGeneralFormula)
{
  Pix_MemBitmap b(3, 1);
  auto fillOne = [&](Pix_Pixel d, Pix_Pixel c, float alpha, int mode) {
    b.getBits()[0] = d;
    Pix_FillRect(&b, 0, 0, 1, 1, c, alpha, mode);
    return b.getBits()[0];
  };
  EXPECT_EQ(fillOne(0x00000000, 0xFFFFFFFF, 0.5f, 0), 0x7F7F7F7Fu);
  EXPECT_EQ(fillOne(0xFF000000, 0xFFFFFFFF, 0.5f, 0), 0xFE7F7F7Fu);
  EXPECT_EQ(fillOne(0x80808080, 0x12345678, 1.f, 0), 0x12345678u);
  // k = 64: c/4 + d/4 + d/2; k = 192: c/2 + c/4 + d/4 (per byte, truncated)
  EXPECT_EQ(fillOne(0x00000000, 0xFFFFFFFF, 0.25f, 0), 0x3F3F3F3Fu);
  EXPECT_EQ(fillOne(0xFFFFFFFF, 0x00000000, 0.25f, 0), 0xBEBEBEBEu);
  EXPECT_EQ(fillOne(0x00000000, 0xFFFFFFFF, 0.75f, 0), 0xBEBEBEBEu);
  // General: k = 100, c + (d - c) x 156 / 256, alpha channel source k
  EXPECT_EQ(fillOne(0xFF000000, 0x00FF00FF, 100.f / 256, 0), Pix_Pixel((100 + 155 * 156 / 256) << 24 | (255 - 255 * 156 / 256) << 16 | (255 - 255 * 156 / 256)));
  // Source alpha multiplies alpha by the colour's alpha: 1.0 x 128 / 255 -> k = 128 (shortcut)
  EXPECT_EQ(fillOne(0x00000000, 0x80FFFFFF, 1.f, 0x10000), 0x407F7F7Fu);
  EXPECT_EQ(fillOne(0x12345678, 0x00FFFFFF, 1.f, 0x10000), 0x12345678u);
  EXPECT_EQ(fillOne(0x12345678, 0xFFFFFFFF, 0.f, 0), 0x12345678u);
  EXPECT_EQ(fillOne(0x12345678, 0xFFFFFFFF, -1.f, 0), 0x12345678u);
  EXPECT_EQ(fillOne(0x12345678, 0xFFFFFFFF, 1.f, 6), 0x12345678u);
  // Add: fourth channel source is k (here 256: dA + 256, clamped)
  EXPECT_EQ(fillOne(0x10101010, 0x00204080, 1.f, 1), 0xFF305090u);
  // Multiply at k = 128 on white by black: (0 + 128 x 256) x 255 >> 16 = 127; alpha source 128:
  // (128 x 128 + 128 x 256) x 255 >> 16 = 191
  EXPECT_EQ(fillOne(0xFFFFFFFF, 0x00000000, 0.5f, 3), 0xBF7F7F7Fu);
}

TEST(PixFill, ClipsAndClears)
{
  Pix_MemBitmap b(5, 4, 4);
  Pix_Clear(&b, kBack);
  Pix_FillRect(&b, -2, 2, 4, 10, 0xFFABCDEF, 1.f, 0);
  Pix_FillRect(&b, 0x7FFFFFFF, 0, 0x7FFFFFFF, 4, 0xFF000000, 1.f, 0);
  Pix_FillRect(&b, 1, 1, 0, 2, 0xFF000000, 1.f, 0);
  Pix_FillRect(nullptr, 0, 0, 4, 4, 0xFF000000, 1.f, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(b, x, y), (x < 2 && y >= 2) ? 0xFFABCDEFu : kBack);
  Pix_ClearRect(&b, 3, -1, 5, 2, 0x00FFFFFF, 0x80000000);
  EXPECT_EQ(At(b, 3, 0), 0x80111111u);
  EXPECT_EQ(At(b, 4, 0), 0x80111111u);
  EXPECT_EQ(At(b, 3, 1), kBack);
  EXPECT_EQ(Pix_GetPixel(&b, 5, 0), 0u);
  EXPECT_EQ(Pix_GetPixel(&b, -1, 0), 0u);
  EXPECT_EQ(Pix_GetPixel(&b, 0, 4), 0u);
  EXPECT_EQ(Pix_GetPixel(nullptr, 0, 0), 0u);
  // Row padding beyond the width is never written.
  b.getBits()[5] = 0xDEADBEEF;
  Pix_Clear(&b, 0);
  EXPECT_EQ(b.getBits()[5], 0xDEADBEEFu);
}

TEST(PixCopy, ResizesAndCopiesEverything)
{
  Pix_MemBitmap src(7, 3, 4), dst(2, 2, 4);
  FillWith(src, [](int x, int y) { return Pix_Pixel(x * 0x01020304 + y * 0x10000000); });
  Pix_Copy(&dst, &src);
  ASSERT_EQ(dst.getWidth(), 7);
  ASSERT_EQ(dst.getHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(At(dst, x, y), At(src, x, y));
}

TEST(PixFill, ShortcutsStayCloseToTheGeneralFormula)
{
  // The word-wide shortcuts truncate each term; their colour channels stay within 2 of the
  // general copy formula at the same weight.
  PixelRng rng;
  Pix_MemBitmap b(1, 1);
  for (int k : {64, 128, 192})
    for (int i = 0; i < 2000; ++i)
    {
      const Pix_Pixel d = rng(), c = rng();
      b.getBits()[0] = d;
      Pix_FillRect(&b, 0, 0, 1, 1, c, float(k) / 256.f, 0);
      const Pix_Pixel general = pix::FillOp<pix::OpCopy>{pix::OpCopy{k}, int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255), k}(d);
      for (int ch = 0; ch < 3; ++ch)
        ASSERT_NEAR(int(b.getBits()[0] >> (ch * 8) & 255), int(general >> (ch * 8) & 255), 2) << k;
    }
}

TEST(PixFill, FlippedBitmapsUseScreenRows)
{
  FlippedBitmap b(3, 4);
  Pix_Clear(&b, 0);
  Pix_FillRect(&b, 1, 0, 2, 1, 0xFFFFFFFF, 1.f, 0);
  EXPECT_EQ(b.getBits()[3 * b.getRowSpan() + 1], 0xFFFFFFFFu);  // screen row 0 = last memory row
  EXPECT_EQ(b.getBits()[1], 0u);
  Pix_ClearRect(&b, 0, 3, 1, 1, 0, 0x12345678);
  EXPECT_EQ(b.getBits()[0], 0x12345678u);
}
