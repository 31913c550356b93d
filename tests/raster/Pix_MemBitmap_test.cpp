#include <gtest/gtest.h>

#include <cstdint>

#include "raster/Pix_MemBitmap.h"

TEST(PixMemBitmap, RowSpanAlignmentAndReuse)
{
  Pix_MemBitmap b(5, 3, 4);
  EXPECT_EQ(b.getWidth(), 5);
  EXPECT_EQ(b.getHeight(), 3);
  EXPECT_EQ(b.getRowSpan(), 8);
  ASSERT_NE(b.getBits(), nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.getBits()) % 64, 0u);
  Pix_Pixel* bits = b.getBits();
  EXPECT_FALSE(b.resize(5, 3));
  EXPECT_TRUE(b.resize(4, 3));
  EXPECT_EQ(b.getBits(), bits);  // smaller: the buffer stays
  EXPECT_EQ(b.getRowSpan(), 4);

  EXPECT_EQ(Pix_MemBitmap(5, 1, 1).getRowSpan(), 5);
  EXPECT_EQ(Pix_MemBitmap(5, 1, 0).getRowSpan(), 5);
  EXPECT_EQ(Pix_MemBitmap(5, 1, 6).getRowSpan(), 6);    // lowest set bit 2
  EXPECT_EQ(Pix_MemBitmap(17, 1, 64).getRowSpan(), 32);  // capped at 16
}

TEST(PixMemBitmap, GrowsAndEmpties)
{
  Pix_MemBitmap b;
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);
  EXPECT_TRUE(b.resize(100, 100));
  ASSERT_NE(b.getBits(), nullptr);
  b.getBits()[100 * 100 - 1] = 1;
  EXPECT_TRUE(b.resize(110, 100));  // grows with headroom
  Pix_Pixel* bits = b.getBits();
  b.getBits()[110 * 100 - 1] = 1;
  EXPECT_TRUE(b.resize(120, 100));  // inside the extra quarter: no reallocation
  EXPECT_EQ(b.getBits(), bits);
  EXPECT_TRUE(b.resize(0, 10));
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);
  EXPECT_EQ(b.getHeight(), 0);
}

TEST(PixMemBitmap, SizesThatWouldOverflowAreRefused)
{
  Pix_MemBitmap a(0x7FFFFFFF, 1, 4);  // row span would wrap
  EXPECT_EQ(a.getBits(), nullptr);
  EXPECT_EQ(a.getWidth(), 0);
  Pix_MemBitmap b(100000, 100000, 4);  // 40 GB
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getHeight(), 0);
  Pix_MemBitmap c(65536, 65536, 1);  // 2^32 pixels: wraps to 0 in 32 bits
  EXPECT_EQ(c.getBits(), nullptr);
  Pix_MemBitmap d(8, 8);
  EXPECT_TRUE(d.resize(1 << 20, 1 << 12));
  EXPECT_EQ(d.getBits(), nullptr);
  EXPECT_EQ(d.getWidth(), 0);
  EXPECT_TRUE(d.resize(4, 4));
  EXPECT_NE(d.getBits(), nullptr);
}
