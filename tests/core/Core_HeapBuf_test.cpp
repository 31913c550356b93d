#include "core/Core_HeapBuf.h"
#include "core/Core_TypedBuf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(Core_HeapBuf, PageGranularityFillsWholePagesWithHeader)
{
  Core_HeapBuf buf(4096);
  EXPECT_NE(buf.Resize(1), nullptr);
  EXPECT_EQ(buf.GetSize(), 1);
  EXPECT_EQ(buf.GetAlloc(), 4000);
  // 4001 bytes: max(2000, 4096) -> 4096; 4096 + 4001 + 96 = 8193 -> 8192 - 96.
  buf.Resize(4001);
  EXPECT_EQ(buf.GetAlloc(), 8096);
  // Large sizes grow by half, truncated to pages and limited to 4 MiB.
  EXPECT_EQ(Core_HeapBuf::GrowthAllocation(100000, 4096), (49152 + 100000 + 96) / 4096 * 4096 - 96);
  EXPECT_EQ(Core_HeapBuf::GrowthAllocation(20000000, 4096),
            (4194304LL + 20000000 + 96) / 4096 * 4096 - 96);
  for (int n : {1, 95, 4000, 4001, 12345, 1 << 20})
    EXPECT_EQ((Core_HeapBuf::GrowthAllocation(n, 4096) + 96) % 4096, 0) << n;
}

TEST(Core_HeapBuf, SmallGranularityGrowsByHalfOrGranularity)
{
  Core_HeapBuf buf(128);
  buf.Resize(10);
  EXPECT_EQ(buf.GetAlloc(), 138);
  buf.Resize(100);  // fits: no reallocation
  EXPECT_EQ(buf.GetAlloc(), 138);
  buf.Resize(300);
  EXPECT_EQ(buf.GetAlloc(), 450);
}

TEST(Core_HeapBuf, ContentSurvivesGrowth)
{
  Core_HeapBuf buf(16);
  char* p = (char*)buf.Resize(10);
  memcpy(p, "0123456789", 10);
  p = (char*)buf.Resize(5000);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(memcmp(p, "0123456789", 10), 0);
}

TEST(Core_HeapBuf, ShrinkPolicy)
{
  Core_HeapBuf buf(128);
  buf.Resize(1000);
  const int alloc = buf.GetAlloc();  // 1500
  ASSERT_EQ(alloc, 1500);

  // resizeDown false never reallocates, even to 0.
  buf.Resize(1, false);
  EXPECT_EQ(buf.GetAlloc(), alloc);
  EXPECT_EQ(buf.Resize(0, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
  EXPECT_EQ(buf.Get(), nullptr);
  EXPECT_EQ(buf.GetAlloc(), alloc);

  // resizeDown: threshold max(1, min(A/2, A - 4g)) = min(750, 988) = 750.
  buf.Resize(1000);
  buf.Resize(750, true);
  EXPECT_EQ(buf.GetAlloc(), alloc);
  buf.Resize(749, true);
  EXPECT_EQ(buf.GetAlloc(), 749 + 374);

  // Growing never shrinks, and resizeDown to 0 frees.
  EXPECT_EQ(buf.Resize(0, true), nullptr);
  EXPECT_EQ(buf.GetAlloc(), 0);
  EXPECT_EQ(buf.GetSize(), 0);
}

TEST(Core_HeapBuf, ShrinkThresholdUsesGranularityForSmallAllocations)
{
  // A = 4000, g = 4096: A - 4g is negative, so the threshold is 1 and any shrink to
  // a non-zero size that fits keeps the storage.
  Core_HeapBuf buf(4096);
  buf.Resize(3000);
  buf.Resize(1, true);
  EXPECT_EQ(buf.GetAlloc(), 4000);
}

TEST(Core_HeapBuf, NegativeAndHugeSizes)
{
  Core_HeapBuf buf(128);
  buf.Resize(50);
  EXPECT_EQ(buf.Resize(-5), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);

  // A size whose allocation cannot be represented fails and changes nothing.
  void* p = buf.Resize(20);
  EXPECT_EQ(buf.Resize(INT_MAX), p);
  EXPECT_EQ(buf.GetSize(), 20);
  EXPECT_EQ(Core_HeapBuf::GrowthAllocation(INT_MAX - 10, 4096), -1);
}

TEST(Core_HeapBuf, CopiesAreDeep)
{
  Core_HeapBuf a(64);
  memcpy(a.Resize(4), "abcd", 4);
  Core_HeapBuf b(a);
  ((char*)b.Get())[0] = 'X';
  EXPECT_EQ(((char*)a.Get())[0], 'a');
  Core_HeapBuf c;
  c = b;
  EXPECT_EQ(memcmp(c.Get(), "Xbcd", 4), 0);
  Core_HeapBuf d(std::move(c));
  EXPECT_EQ(c.GetSize(), 0);
  EXPECT_EQ(memcmp(d.Get(), "Xbcd", 4), 0);
}

TEST(Core_TypedBuf, CountsElementsAndGivesMemoryBack)
{
  Core_TypedBuf<double> buf;
  EXPECT_EQ(buf.Get(), nullptr);
  double* p = buf.Resize(3);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(buf.GetSize(), 3);
  EXPECT_EQ(buf.GetBytes(), 24);
  p[2] = 1.5;
  EXPECT_EQ(buf.Resize(10000)[2], 1.5);
  buf.Get()[0] = 2.5;
  buf.Resize(1);  // a large shrink reallocates but keeps the first elements
  EXPECT_EQ(buf.Get()[0], 2.5);
  EXPECT_EQ(buf.GetSize(), 1);
  // Element counts whose byte size overflows fail without change.
  buf.Resize(INT_MAX / 4);
  EXPECT_EQ(buf.GetSize(), 1);
}
