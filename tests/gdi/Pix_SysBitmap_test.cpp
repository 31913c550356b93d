// The system bitmap: a surface behind a shim memory context, and its resize rules.

#include "gdi/Gdi.h"
#include "raster/Pix_SysBitmap.h"

#include <gtest/gtest.h>

TEST(PixSysBitmap, SurfaceComesFromAMemoryContext)
{
  Pix_SysBitmap b(10, 3);
  ASSERT_NE(b.getBits(), nullptr);
  ASSERT_NE(b.getDC(), nullptr);
  EXPECT_EQ(Gdi_GetCtxFrameBuffer(b.getDC()), (void*)b.getBits());
  EXPECT_EQ((uintptr_t)b.getBits() % 64, 0u);
  EXPECT_EQ(b.getWidth(), 10);
  EXPECT_EQ(b.getHeight(), 3);
  EXPECT_EQ(b.getRowSpan(), 12); // raised to a multiple of 4
  EXPECT_EQ(Gdi_GetCtxWidth(b.getDC()), 12);
  EXPECT_FALSE(b.isFlipped());
  EXPECT_EQ(b.getBits()[0], 0u);

  Pix_SysBitmap empty;
  EXPECT_EQ(empty.getBits(), nullptr);
  EXPECT_EQ(empty.getDC(), nullptr);
  EXPECT_EQ(empty.getWidth(), 0);
}

TEST(PixSysBitmap, ShrinkingKeepsTheSurfaceAndGrowingReplacesIt)
{
  Pix_SysBitmap b(100, 100);
  Pix_Pixel* bits = b.getBits();
  HDC__* dc = b.getDC();
  EXPECT_FALSE(b.resize(100, 100));
  EXPECT_TRUE(b.resize(50, 50));
  EXPECT_EQ(b.getBits(), bits);
  EXPECT_EQ(b.getDC(), dc);
  EXPECT_EQ(b.getRowSpan(), 100);
  EXPECT_EQ(b.getAllocatedHeight(), 100);
  EXPECT_EQ(b.getWidth(), 50);
  EXPECT_TRUE(b.resize(100, 100)); // back within the surface
  EXPECT_EQ(b.getBits(), bits);
  EXPECT_TRUE(b.resize(101, 40));
  EXPECT_EQ(b.getRowSpan(), 104);
  EXPECT_EQ(b.getAllocatedHeight(), 40);
  EXPECT_NE(b.getDC(), nullptr);
  EXPECT_EQ(Gdi_GetCtxHeight(b.getDC()), 40);
}

TEST(PixSysBitmap, BadSizesLeaveNoSurface)
{
  Pix_SysBitmap b(8, 8);
  EXPECT_FALSE(b.resize(0, 8));
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getDC(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);

  EXPECT_FALSE(b.resize(-3, 8));
  EXPECT_FALSE(b.resize(8, -1));
  EXPECT_FALSE(b.resize(0x7FFFFFFF, 1)); // the row span would overflow
  EXPECT_EQ(b.getBits(), nullptr);

  // Too large for 32-bit pixel offsets: the call succeeds in changing size, to an empty bitmap.
  EXPECT_TRUE(b.resize(70000, 70000));
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);
  EXPECT_EQ(b.getHeight(), 0);
  EXPECT_EQ(b.getRowSpan(), 0);

  EXPECT_TRUE(b.resize(4, 4));
  EXPECT_NE(b.getBits(), nullptr);
}

TEST(PixSysBitmap, ContextIsReleasedWithTheBitmap)
{
  Gdi_Cleanup();
  {
    Pix_SysBitmap b(16, 16);
    EXPECT_EQ(Gdi_GetFreeContextCount(), 0);
    HDC__* old = b.getDC();
    b.resize(32, 32); // recreated: the old record is recycled for the new context
    EXPECT_EQ(Gdi_GetFreeContextCount(), 0);
    EXPECT_EQ(b.getDC(), old);
    EXPECT_EQ(Gdi_GetCtxWidth(b.getDC()), 32);
  }
  EXPECT_EQ(Gdi_GetFreeContextCount(), 1);
}
