// Area-averaging blits (the editor's 150 % drawing) and antialiased column spans (the
// response curve).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Draw.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
Pix_Pixel Grey(int v)
{
  return 0xFF000000u | Pix_Pixel(v) * 0x010101u;
}
int Channel(Pix_Pixel p, int c)
{
  return int((p >> (8 * c)) & 0xFF);
}
}  // namespace

// One row of source pixels resampled by different steps, with the values worked out by hand:
// each destination pixel is the coverage-weighted mean of the source pixels under it.
TEST(PixAreaBlit, AveragesTheSourceAreaUnderEachPixel)
{
  struct Case
  {
    const char* what;
    std::vector<int> src;
    double start, step;
    std::vector<int> expected;
  } cases[] = {
      // 4 -> 3: [0, 4/3) = 3/4 of 0 + 1/4 of 0; [4/3, 8/3) = 1/2 of 0 + 1/2 of 255 = 127.5 -> 128;
      // [8/3, 4) = 1/4 of 255 + 3/4 of 255.
      {"two to one and a half", {0, 0, 255, 255}, 0.0, 4.0 / 3.0, {0, 128, 255}},
      // 4 -> 3 again, 0 60 120 180: 0*3/4+60/4 = 15; 60/2+120/2 = 90; 120/4+180*3/4 = 165.
      {"a ramp", {0, 60, 120, 180}, 0.0, 4.0 / 3.0, {15, 90, 165}},
      // Halving: plain pairs.
      {"halving", {10, 30, 100, 200}, 0.0, 2.0, {20, 150}},
      // Doubling: every source pixel twice, no blur.
      {"doubling", {10, 200, 90}, 0.0, 0.5, {10, 10, 200, 200, 90, 90}},
      // Step 1 off the grid by a quarter: 3/4 of one pixel and 1/4 of the next.
      {"shifted copy", {0, 100, 200}, 0.25, 1.0, {25, 125}},
      // Same size, on the grid: an exact copy.
      {"copy", {7, 70, 170}, 0.0, 1.0, {7, 70, 170}},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    const int n = int(c.src.size()), m = int(c.expected.size());
    Pix_MemBitmap src(n, 2, 4), dst(m, 2, 4);
    FillWith(src, [&](int x, int) { return Grey(c.src[x]); });
    Pix_Clear(&dst, 0);
    Pix_AreaBlit(&dst, &src, 0, 0, m, 2, c.start, 0.0, c.step, 1.0, nullptr, 1.f, 0);
    for (int x = 0; x < m; ++x)
      for (int y = 0; y < 2; ++y) EXPECT_EQ(At(dst, x, y), Grey(c.expected[x])) << x << "," << y;
  }
}

// The editor draws one frame of a filmstrip: nothing of the neighbouring frames may show,
// however the footprint of an edge pixel reaches out; and an area wholly outside takes the
// nearest pixel inside.
TEST(PixAreaBlit, ReadsOnlyInsideTheClip)
{
  Pix_MemBitmap strip(4, 12, 4), dst(3, 3, 4);
  // Frames of 4 rows: red, green, blue.
  const Pix_Pixel frames[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
  FillWith(strip, [&](int, int y) { return frames[y / 4]; });
  const Pix_Rect middle = {0, 4, 4, 8};
  // The middle frame, 4 -> 3, starting a little above it and reaching a little below.
  Pix_AreaBlit(&dst, &strip, 0, 0, 3, 3, -0.5, 3.5, 4.0 / 3.0, 4.0 / 3.0, &middle, 1.f, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) ASSERT_EQ(At(dst, x, y), frames[1]) << x << "," << y;
  // Wholly outside the clip: the clip's edge pixel.
  FillWith(strip, [](int x, int y) { return Grey(x * 20 + y); });
  const Pix_Rect one = {2, 5, 3, 6};
  Pix_AreaBlit(&dst, &strip, 0, 0, 1, 1, 0.0, 0.0, 1.0, 1.0, &one, 1.f, 0);
  EXPECT_EQ(At(dst, 0, 0), Grey(2 * 20 + 5));
}

// Transparent pixels carry no colour into the mean; the alpha is the mean alpha. Steps it
// cannot take draw nothing.
TEST(PixAreaBlit, WeightsColourByAlpha)
{
  Pix_MemBitmap src(2, 1, 4), dst(1, 1, 4);
  FillWith(src, [](int x, int) { return x == 0 ? 0x00FFFFFFu : 0xFFFF0000u; });
  Pix_Clear(&dst, 0);
  Pix_AreaBlit(&dst, &src, 0, 0, 1, 1, 0.0, 0.0, 2.0, 1.0, nullptr, 1.f, 0);
  EXPECT_EQ(At(dst, 0, 0), 0x80FF0000u);  // red, untinted by the clear white
  Pix_Clear(&dst, 0xFF123456u);
  for (double step : {0.0, -1.0, 8.0})
    Pix_AreaBlit(&dst, &src, 0, 0, 1, 1, 0.0, 0.0, step, 1.0, nullptr, 1.f, 0);
  EXPECT_EQ(At(dst, 0, 0), 0xFF123456u);
}

// Column spans: partly covered end pixels are weighted by the part covered, so a span from
// 0.25 to 1.75 (pixel rows are centred on whole numbers) covers a quarter of row 0, all of
// row 1 and a quarter of row 2.
TEST(PixVSpan, CoversRowsByTheirShare)
{
  Pix_MemBitmap b(3, 4, 4);
  Pix_Clear(&b, 0xFF000000u);
  Pix_VSpan(&b, 1, 0.25f, 1.75f, 0xFFFFFFFFu, 1.f, 0);
  for (int c = 0; c < 3; ++c)
  {
    EXPECT_NEAR(Channel(At(b, 1, 0), c), 64, 1);  // white at weight 64 over black
    EXPECT_NEAR(Channel(At(b, 1, 2), c), 64, 1);
  }
  EXPECT_EQ(At(b, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(At(b, 1, 3), 0xFF000000u);
  EXPECT_EQ(At(b, 0, 1), 0xFF000000u);
  EXPECT_EQ(At(b, 2, 1), 0xFF000000u);
  // Several columns at once; reversed or NaN spans and columns outside draw nothing.
  Pix_Clear(&b, 0xFF000000u);
  const float y0[4] = {-0.5f, 2.f, NAN, 0.f}, y1[4] = {0.5f, 1.f, 2.f, 3.f};
  Pix_VSpans(&b, 1, 4, y0, y1, 0xFFFFFFFFu, 1.f, 0);
  EXPECT_EQ(At(b, 1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(At(b, 1, 1), 0xFF000000u);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(At(b, 2, y), 0xFF000000u) << y;
  EXPECT_EQ(At(b, 0, 0), 0xFF000000u);
}
