// Combine formulas, checked on single pixels with hand-computed values, and the vectorised row
// loops checked against the per-pixel formulas on random data.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "raster/Pix_Blit.h"
#include "raster/Pix_Combine.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
// Blits one source pixel onto one destination pixel.
Pix_Pixel BlitOne(Pix_Pixel d, Pix_Pixel s, float alpha, int mode)
{
  Pix_MemBitmap db(1, 1), sb(1, 1);
  db.getBits()[0] = d;
  sb.getBits()[0] = s;
  Pix_Blit(&db, &sb, 0, 0, nullptr, alpha, mode);
  return db.getBits()[0];
}
Pix_Pixel Grey(int a, int v)
{
  return Pix_Pixel(a) << 24 | Pix_Pixel(v) << 16 | Pix_Pixel(v) << 8 | Pix_Pixel(v);
}
}  // namespace

TEST(PixCombine, SourceAlphaCopy)
{
  // Full strength: R = 255 + 127 x (0 - 255) / 256 = 129, B = 0 + 127 x 255 / 256 = 126.
  EXPECT_EQ(BlitOne(0xFF0000FF, 0x80FF0000, 1.f, 0x10000), 0xFF81007Eu);
  EXPECT_EQ(BlitOne(0x40102030, 0xFFA0B0C0, 1.f, 0x10000), 0xFFA0B0C0u);
  // 127 x 32 / 256 = 15, 127 x 48 / 256 = 23, 127 x 64 / 256 = 31; dA = 16 + 128
  EXPECT_EQ(BlitOne(0x10203040, 0x80000000, 1.f, 0x10000), 0x900F171Fu);
  for (float a : {1.f, 0.5f, 0.3f, 2.f})
    EXPECT_EQ(BlitOne(0x12345678, 0x00FFFFFF, a, 0x10000), 0x12345678u) << a;
  // Partial: w = 128, w' = 128 x 129 / 256 = 64; R = 255 + (0 - 255) x 192 / 256 = 64,
  // B = 0 + 255 x 192 / 256 = 191, A = min(255, 100 + 64).
  EXPECT_EQ(BlitOne(0x640000FF, 0x80FF0000, 0.5f, 0x10000), 0xA44000BFu);
}

TEST(PixCombine, PlainCopy)
{
  EXPECT_EQ(BlitOne(0x11223344, 0x80FF0000, 1.f, 0), 0x80FF0000u);  // whole word, alpha too
  // alpha 0.5: word-wide half mix, differs from the general formula by rounding
  EXPECT_EQ(BlitOne(0xFF0000FF, 0x00FF0000, 0.5f, 0), 0x7F7F007Fu);
  // w = 64: s + (d - s) x 192 / 256 per channel
  EXPECT_EQ(BlitOne(Grey(255, 200), Grey(0, 100), 0.25f, 0), Grey(191, 175));
  EXPECT_EQ(BlitOne(0x12345678, 0xFFFFFFFF, -0.5f, 0), 0x12345678u);  // negative weight: nothing
  EXPECT_EQ(BlitOne(0x12345678, 0xFFFFFFFF, 0.f, 0), 0x12345678u);
  EXPECT_EQ(BlitOne(0x12345678, 0xFFFFFFFF, 1.f / 512, 0), 0x12345678u);  // weight truncates to 0
}

TEST(PixCombine, OtherFormulas)
{
  // add: clamp(d + s x w / 256)
  EXPECT_EQ(BlitOne(Grey(10, 100), Grey(20, 200), 0.5f, 1), Grey(20, 200));
  EXPECT_EQ(BlitOne(Grey(10, 200), Grey(20, 200), 1.f, 1), Grey(30, 255));
  // dodge: k = s x w / 256, d x 256 / (256 - k), k >= 255 gives clamp(d x 256)
  EXPECT_EQ(BlitOne(Grey(100, 100), Grey(128, 128), 1.f, 2), Grey(200, 200));
  EXPECT_EQ(BlitOne(0x00010203, 0xFFFFFFFF, 1.f, 2), 0x00FFFFFFu);
  // multiply: (s x w + (256 - w) x 256) x d >> 16
  EXPECT_EQ(BlitOne(Grey(200, 200), Grey(128, 128), 1.f, 3), Grey(100, 100));
  EXPECT_EQ(BlitOne(Grey(200, 200), Grey(128, 128), 0.5f, 3), Grey(150, 150));
  // overlay at w = 256: ((32768 - 51200) x 100 / 256 + 51200) x 100 >> 15 = 134
  EXPECT_EQ(BlitOne(Grey(100, 100), Grey(200, 200), 1.f, 4), Grey(134, 134));
  // overlay at w = 0 would be the identity up to truncation; w = 128 of a neutral source
  EXPECT_EQ(BlitOne(Grey(255, 255), Grey(255, 255), 1.f, 4), Grey(255, 255));
  EXPECT_EQ(BlitOne(Grey(0, 0), Grey(255, 255), 1.f, 4), Grey(0, 0));
  // adjust: a neutral source keeps the colour (up to conversion rounding), alpha := sA
  const Pix_Pixel adj = BlitOne(0xFF2080C0, 0x40808080, 1.f, 5);
  EXPECT_EQ(adj >> 24, 0x40u);
  EXPECT_NEAR(int(adj >> 16 & 255), 0x20, 2);
  EXPECT_NEAR(int(adj >> 8 & 255), 0x80, 2);
  EXPECT_NEAR(int(adj & 255), 0xC0, 2);
  // full value boost makes a grey white; zero saturation makes a colour grey
  EXPECT_EQ(BlitOne(Grey(255, 100), 0xFF8080FF, 1.f, 5) & 0xFFFFFF, 0xFFFFFFu);
  const Pix_Pixel desat = BlitOne(0xFFFF0000, 0xFF800080, 1.f, 5);
  EXPECT_EQ(desat & 0xFFFFFF, 0xFFFFFFu & Grey(0, 255));
  // a hue shift of one sector (171 + 85 - 192 = 64) turns red into yellow
  EXPECT_EQ(BlitOne(0xFFFF0000, 0xFFAB8080, 1.f, 5) & 0xFFFFFF, 0xFFFF00u);
  // unknown combine modes draw nothing
  EXPECT_EQ(BlitOne(0x12345678, 0xFFFFFFFF, 1.f, 6), 0x12345678u);
  EXPECT_EQ(BlitOne(0x12345678, 0xFFFFFFFF, 1.f, 0x10006), 0x12345678u);
}

TEST(PixCombine, SourceAlphaVariants)
{
  // add: w' = 256 x (127 + 1) / 256 = 128 -> d + s / 2 (alpha channel too)
  EXPECT_EQ(BlitOne(Grey(10, 100), Grey(127, 200), 1.f, 0x10001), Grey(10 + 63, 200));
  EXPECT_EQ(BlitOne(Grey(10, 100), Grey(0, 200), 1.f, 0x10001), Grey(10, 100));  // sA = 0 skips
  // multiply: sA = 0 skips, sA = 255 is the plain formula
  EXPECT_EQ(BlitOne(Grey(200, 200), Grey(0, 0), 1.f, 0x10003), Grey(200, 200));
  EXPECT_EQ(BlitOne(Grey(200, 200), Grey(255, 128), 1.f, 0x10003), Grey(199, 100));
  // dodge and overlay do not skip: w' = 1 for sA = 0 at full strength
  EXPECT_EQ(BlitOne(Grey(255, 100), Grey(0, 255), 1.f, 0x10002), Grey(255, 100));
  // adjust: alpha becomes sA
  EXPECT_EQ(BlitOne(0xFF102030, 0x00808080, 1.f, 0x10005) >> 24, 0u);
}

TEST(PixCombine, ChannelCopy)
{
  // mode 0xF0 | (dst << 2) | src: destination red (2) := source blue (0)
  EXPECT_EQ(BlitOne(0x11223344, 0xAABBCCDD, 1.f, 0xF0 | (2 << 2) | 0), 0x11DD3344u);
  // destination alpha := source green
  EXPECT_EQ(BlitOne(0x11223344, 0xAABBCCDD, 0.3f, 0xF0 | (3 << 2) | 1), 0xCC223344u);
}

TEST(PixCombine, DodgeTableMatchesFormula)
{
  for (int k = 0; k < 256; ++k)
    for (int d = 0; d < 256; ++d)
    {
      const int want = k < 255 ? std::min(255, d * 256 / (256 - k)) : std::min(255, d * 256);
      ASSERT_EQ(pix::kDodgeTable[k][d], want) << k << "," << d;
    }
  // The vector loop at full weight (k = s) over every pair of source and destination bytes.
  std::vector<Pix_Pixel> s(65536 / 4), d(65536 / 4);
  for (int i = 0; i < 65536; ++i)
  {
    reinterpret_cast<uint8_t*>(s.data())[i] = uint8_t(i >> 8);
    reinterpret_cast<uint8_t*>(d.data())[i] = uint8_t(i);
  }
  pix::CombineRow(d.data(), s.data(), int(d.size()), pix::OpDodge{256});
  for (int i = 0; i < 65536; ++i)
    ASSERT_EQ(reinterpret_cast<uint8_t*>(d.data())[i], pix::kDodgeTable[i >> 8][i & 255]) << i;
}

TEST(PixCombine, VectorRowsMatchPerPixelFormulas)
{
  PixelRng rng;
  const int n = 1003;
  std::vector<Pix_Pixel> s(n), d(n), want(n);
  for (int trial = 0; trial < 40; ++trial)
  {
    for (int i = 0; i < n; ++i)
    {
      s[i] = rng();
      d[i] = rng();
      // Runs of fully opaque and fully clear source pixels exercise the quick paths.
      if ((i / 8) % 5 == 1) s[i] |= 0xFF000000;
      if ((i / 8) % 5 == 2) s[i] &= 0x00FFFFFF;
    }
    const int w = trial == 0 ? 256 : int(rng() % 256) + 1;
    auto check = [&](const auto& op, const char* name) {
      std::vector<Pix_Pixel> got = d;
      for (int i = 0; i < n; ++i) want[i] = op(d[i], s[i]);
      pix::CombineRow(got.data(), s.data(), n, op);
      for (int i = 0; i < n; ++i) ASSERT_EQ(got[i], want[i]) << name << " w=" << w << " i=" << i;
    };
    check(pix::OpCopySAFull{}, "copy full");
    if (w < 256) check(pix::OpCopySA{w}, "copy sa");
    check(pix::OpAddSA{w}, "add sa");
    check(pix::OpAdd{w}, "add");
    check(pix::OpDodge{w}, "dodge");
    check(pix::OpDodgeSA{w}, "dodge sa");
    check(pix::OpCopy{w}, "copy");
    // The general copy fill: colour with fourth channel k.
    if (w < 256)
    {
      const Pix_Pixel c = s[0];
      const pix::FillOp<pix::OpCopy> fill{pix::OpCopy{w}, int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255), w};
      std::vector<Pix_Pixel> got = d;
      pix::FillRow(got.data(), n, fill);
      for (int i = 0; i < n; ++i) ASSERT_EQ(got[i], fill(d[i])) << "fill w=" << w << " i=" << i;
    }
  }
}
