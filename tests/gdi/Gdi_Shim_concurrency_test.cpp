// Several threads creating and releasing contexts and fonts at once: the free lists, the font
// name cache and the shared default font are process-wide and must stay consistent.

#include "gdi/Gdi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(GdiConcurrency, ThreadsShareFreeListsNameCacheAndDefaultFont)
{
  const char* faces[] = {"DejaVu Sans", "Monaco", "DejaVu Serif", "No Such Face", ""};
  std::atomic<int> failures{0};
  auto work = [&](int seed) {
    for (int i = 0; i < 60; ++i)
    {
      HDC__* dc = Gdi_CreateMemContext(nullptr, 64, 24);
      HGDIOBJ__* font = CreateFont(-(10 + (seed + i) % 7), 0, 0, 0, (i & 1) ? 700 : 400, (char)(i & 2), 0, 0, 0,
                                   0, 0, 0, 0, faces[(seed + i) % 5]);
      if (!dc || !font)
      {
        failures++;
        continue;
      }
      RECT r = {0, 0, 64, 24};
      // Half the time with the shared default font.
      SelectObject(dc, (i & 4) ? font : GDI_DEFAULT_FONT);
      TEXTMETRIC tm;
      if (!GetTextMetrics(dc, &tm) || tm.tmHeight <= 0) failures++;
      if (Gdi_DrawText(dc, "Thread text", -1, &r, DT_SINGLELINE) <= 0) failures++;
      DeleteObject(font);
      Gdi_DeleteGfxContext(dc);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work, t);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_LE(Gdi_GetFreeContextCount(), 100);
  EXPECT_LE(Gdi_GetFreeObjectCount(), 200);
}
