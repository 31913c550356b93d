// Drawing contexts, object selection, free lists and process-wide cleanup.

#include "gdi/Gdi.h"
#include "gdi/Gdi_FontEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
HGDIOBJ__* MakeFont(int height, const char* face = "DejaVu Sans", int weight = 400, char italic = 0,
                    char quality = 0)
{
  return CreateFont(height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, quality, 0, face);
}
} // namespace

TEST(GdiContext, MemoryContextIsZeroedAlignedAndSized)
{
  HDC__* dc = Gdi_CreateMemContext(nullptr, 37, 5);
  ASSERT_NE(dc, nullptr);
  auto* px = (uint32_t*)Gdi_GetCtxFrameBuffer(dc);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ((uintptr_t)px % 64, 0u);
  EXPECT_EQ(Gdi_GetCtxWidth(dc), 37);
  EXPECT_EQ(Gdi_GetCtxHeight(dc), 5);
  for (int i = 0; i < 37 * 5; ++i) ASSERT_EQ(px[i], 0u);
  px[37 * 5 - 1] = 0xFFFFFFFF; // the whole buffer is writable
  EXPECT_EQ(GetTextColor(dc), 0);
  Gdi_DeleteGfxContext(dc);
}

TEST(GdiContext, BadSizesAreRejected)
{
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, 0, 10), nullptr);
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, 10, 0), nullptr);
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, -4, 10), nullptr);
  // 65536 x 65536 x 4 bytes overflows 32-bit arithmetic; so does a width whose row does.
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, 65536, 65536), nullptr);
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, 0x7FFFFFFF, 1), nullptr);
  EXPECT_EQ(Gdi_CreateMemContext(nullptr, 0x20000000, 1), nullptr);
}

TEST(GdiContext, NullAndReleasedHandlesAreIgnored)
{
  TEXTMETRIC tm;
  RECT r = {0, 0, 10, 10};
  EXPECT_EQ(Gdi_GetCtxFrameBuffer(nullptr), nullptr);
  EXPECT_EQ(GetTextColor(nullptr), -1);
  EXPECT_EQ(SelectObject(nullptr, GDI_DEFAULT_FONT), nullptr);
  EXPECT_EQ(Gdi_DrawText(nullptr, "x", -1, &r, 0), 0);
  Gdi_DeleteGfxContext(nullptr);
  Gdi_PushClipRegion(nullptr);
  Gdi_SetClipRegion(nullptr, &r);
  Gdi_PopClipRegion(nullptr);
  EXPECT_EQ(DeleteObject(nullptr), 0);

  // Without a context the fixed defaults are filled and the call reports failure.
  EXPECT_EQ(GetTextMetrics(nullptr, &tm), 0);
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 12);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmAveCharWidth, 10);

  HDC__* dc = Gdi_CreateMemContext(nullptr, 8, 8);
  ASSERT_NE(dc, nullptr);
  Gdi_DeleteGfxContext(dc);
  // The released record is marked until it is reused.
  EXPECT_EQ(GetTextColor(dc), -1);
  EXPECT_EQ(Gdi_GetCtxFrameBuffer(dc), nullptr);
  EXPECT_EQ(GetTextMetrics(dc, &tm), 0);
  Gdi_DeleteGfxContext(dc); // a second release does nothing

  HGDIOBJ__* font = MakeFont(12);
  EXPECT_EQ(DeleteObject(font), 1);
  EXPECT_EQ(DeleteObject(font), 0);
  EXPECT_EQ(Gdi_GetFontSize(font), 0);
  // The default tokens are not objects.
  EXPECT_EQ(DeleteObject(GDI_DEFAULT_FONT), 0);
  EXPECT_EQ(DeleteObject(GDI_DEFAULT_PEN), 0);
}

TEST(GdiContext, SelectObjectSwapsSlotsByType)
{
  HDC__* dc = Gdi_CreateMemContext(nullptr, 8, 8);
  HGDIOBJ__* a = MakeFont(12);
  HGDIOBJ__* b = MakeFont(14);
  // An empty slot answers with its type number.
  EXPECT_EQ(SelectObject(dc, a), GDI_DEFAULT_FONT);
  EXPECT_EQ(SelectObject(dc, a), a); // reselecting returns it
  EXPECT_EQ(SelectObject(dc, b), a);
  // The token clears the slot and returns what was there.
  EXPECT_EQ(SelectObject(dc, GDI_DEFAULT_FONT), b);
  EXPECT_EQ(SelectObject(dc, GDI_DEFAULT_FONT), GDI_DEFAULT_FONT);
  EXPECT_EQ(SelectObject(dc, GDI_DEFAULT_PEN), GDI_DEFAULT_PEN);
  EXPECT_EQ(SelectObject(dc, GDI_DEFAULT_BRUSH), GDI_DEFAULT_BRUSH);
  // Anything that is not an object.
  EXPECT_EQ(SelectObject(dc, (HGDIOBJ__*)(intptr_t)7), nullptr);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  DeleteObject(a);
  EXPECT_EQ(SelectObject(dc, a), nullptr); // released
  DeleteObject(b);
  Gdi_DeleteGfxContext(dc);
}

TEST(GdiContext, ColoursAndModesReturnPreviousValues)
{
  HDC__* dc = Gdi_CreateMemContext(nullptr, 4, 4);
  EXPECT_EQ(SetTextColor(dc, 0x123456), 0);
  EXPECT_EQ(GetTextColor(dc), 0x123456);
  EXPECT_EQ(SetTextColor(dc, 0x7F654321), 0x123456);
  EXPECT_EQ(GetTextColor(dc), 0x654321); // only RGB is kept
  SetBkColor(dc, 0xABCDEF);
  EXPECT_EQ(SetBkColor(dc, 0), 0xABCDEF);
  SetBkMode(dc, 1);
  EXPECT_EQ(SetBkMode(dc, 2), 1);
  Gdi_DeleteGfxContext(dc);
}

TEST(GdiContext, FreeListsRecycleUpToTheirLimitsAndCleanupEmptiesThem)
{
  Gdi_Cleanup();
  EXPECT_EQ(Gdi_GetFreeContextCount(), 0);
  EXPECT_EQ(Gdi_GetFreeObjectCount(), 0);

  std::vector<HDC__*> contexts;
  for (int i = 0; i < 130; ++i) contexts.push_back(Gdi_CreateMemContext(nullptr, 4, 4));
  for (HDC__* dc : contexts) Gdi_DeleteGfxContext(dc);
  EXPECT_EQ(Gdi_GetFreeContextCount(), 100);
  // A new context reuses a waiting record, fully reset.
  HDC__* reused = Gdi_CreateMemContext(nullptr, 4, 4);
  EXPECT_EQ(Gdi_GetFreeContextCount(), 99);
  EXPECT_EQ(GetTextColor(reused), 0);
  Gdi_DeleteGfxContext(reused);

  int liveBefore = Gdi_GetLiveFontCount();
  std::vector<HGDIOBJ__*> fonts;
  for (int i = 0; i < 210; ++i) fonts.push_back(MakeFont(10 + i % 5));
  EXPECT_EQ(Gdi_GetLiveFontCount(), liveBefore + 210);
  for (HGDIOBJ__* f : fonts) DeleteObject(f);
  EXPECT_EQ(Gdi_GetFreeObjectCount(), 200);
  EXPECT_EQ(Gdi_GetLiveFontCount(), liveBefore);

  Gdi_Cleanup();
  EXPECT_EQ(Gdi_GetFreeContextCount(), 0);
  EXPECT_EQ(Gdi_GetFreeObjectCount(), 0);

  EXPECT_FALSE(Gdi_FontEngine::IsLoaded());
  EXPECT_EQ(Gdi_FontEngine::GetCacheSize(), 0);

  // The shim starts afresh after cleanup; a font that outlives cleanup keeps the engine.
  HGDIOBJ__* survivor = MakeFont(13, "Monaco", 700);
  EXPECT_TRUE(Gdi_FontEngine::IsCached("Monaco Bold"));
  Gdi_Cleanup();
  EXPECT_TRUE(Gdi_FontEngine::IsLoaded());
  EXPECT_FALSE(Gdi_FontEngine::IsCached("Monaco Bold"));
  HDC__* dc = Gdi_CreateMemContext(nullptr, 64, 32);
  SelectObject(dc, survivor);
  RECT r = {0, 0, 64, 32};
  EXPECT_GT(Gdi_DrawText(dc, "ok", -1, &r, DT_CALCRECT), 0);
  Gdi_DeleteGfxContext(dc);
  DeleteObject(survivor);
  // The default font was used above; released by cleanup, and the last face takes the engine.
  Gdi_Cleanup();
  EXPECT_FALSE(Gdi_FontEngine::IsLoaded());
}

TEST(GdiContext, ClipRegionsNestAndRestore)
{
  const int W = 120, H = 40;
  HDC__* dc = Gdi_CreateMemContext(nullptr, W, H);
  HGDIOBJ__* font = MakeFont(-20);
  SelectObject(dc, font);
  SetTextColor(dc, 0xFFFFFF);
  auto* px = (uint32_t*)Gdi_GetCtxFrameBuffer(dc);
  RECT all = {0, 0, W, H};
  auto inkOutside = [&](const RECT& c) {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if ((px[y * W + x] & 0xFFFFFF) && (x < c.left || x >= c.right || y < c.top || y >= c.bottom)) ++n;
    return n;
  };
  auto clear = [&] {
    for (int i = 0; i < W * H; ++i) px[i] = 0;
  };

  Gdi_PushClipRegion(dc);
  RECT c1 = {10, 5, 60, 30};
  Gdi_SetClipRegion(dc, &c1);
  Gdi_PushClipRegion(dc);
  RECT c2 = {30, 0, 100, 40};
  Gdi_SetClipRegion(dc, &c2); // intersects: 30..60 x 5..30
  Gdi_DrawText(dc, "WWWWWWWW", -1, &all, DT_NOCLIP);
  EXPECT_EQ(inkOutside({30, 5, 60, 30}), 0);
  EXPECT_GT(inkOutside({0, 0, 0, 0}), 0);

  clear();
  Gdi_PopClipRegion(dc);
  Gdi_DrawText(dc, "WWWWWWWW", -1, &all, DT_NOCLIP);
  EXPECT_EQ(inkOutside(c1), 0);
  EXPECT_GT(inkOutside({30, 5, 60, 30}), 0);

  clear();
  Gdi_PopClipRegion(dc);
  Gdi_PopClipRegion(dc); // more pops than pushes are ignored
  Gdi_DrawText(dc, "WWWWWWWW", -1, &all, DT_NOCLIP);
  EXPECT_GT(inkOutside(c1), 0);

  DeleteObject(font);
  Gdi_DeleteGfxContext(dc);
}
