// A rendered label compared with a stored image. Glyph rasterisation differs slightly between
// FreeType versions, so the comparison allows a stated tolerance: the mean absolute difference
// is at most 2 grey levels, no pixel differs by more than 96, and the ink box matches within a
// pixel.

#include "gdi/Gdi.h"
#include "support/GdiTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
bool ReadPgm(const std::string& path, int* w, int* h, std::vector<uint8_t>* grey)
{
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  int maxval = 0;
  bool ok = fscanf(f, "P5 %d %d %d", w, h, &maxval) == 3 && maxval == 255 && *w > 0 && *h > 0 &&
            fgetc(f) != EOF;
  if (ok)
  {
    grey->resize((size_t)*w * *h);
    ok = fread(grey->data(), 1, grey->size(), f) == grey->size();
  }
  fclose(f);
  return ok;
}
} // namespace

TEST(GdiGolden, LabelMatchesTheStoredImage)
{
  int gw = 0, gh = 0;
  std::vector<uint8_t> golden;
  ASSERT_TRUE(ReadPgm(std::string(TESK_GDI_TEST_DATA) + "/label_dejavu_sans_14.pgm", &gw, &gh, &golden));
  const int W = 200, H = 24;
  ASSERT_EQ(gw, W);
  ASSERT_EQ(gh, H);

  HDC__* dc = Gdi_CreateMemContext(nullptr, W, H);
  HGDIOBJ__* font = CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  SelectObject(dc, font);
  auto* px = (uint32_t*)Gdi_GetCtxFrameBuffer(dc);
  for (int i = 0; i < W * H; ++i) px[i] = 0xFFFFFFFF;
  RECT r = {4, 2, W - 4, H - 2};
  Gdi_DrawText(dc, "Tesk 3.0.0 - Drive 4.5 dB", -1, &r, DT_VCENTER | DT_SINGLELINE);

  long total = 0;
  int worst = 0;
  std::vector<uint32_t> expected(W * H);
  for (int i = 0; i < W * H; ++i)
  {
    uint32_t p = px[i];
    // Black text on white stays grey.
    ASSERT_EQ((p >> 16) & 0xFF, p & 0xFF);
    ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
    int d = std::abs((int)(p & 0xFF) - golden[i]);
    total += d;
    worst = std::max(worst, d);
    expected[i] = 0xFF000000u | golden[i] * 0x010101u;
  }
  EXPECT_LE((double)total / (W * H), 2.0);
  EXPECT_LE(worst, 96);
  InkBox got = FindInk(px, W, H, W, 0xFFFFFFFF), want = FindInk(expected.data(), W, H, W, 0xFFFFFFFF);
  EXPECT_NEAR(got.left, want.left, 1);
  EXPECT_NEAR(got.right, want.right, 1);
  EXPECT_NEAR(got.top, want.top, 1);
  EXPECT_NEAR(got.bottom, want.bottom, 1);

  DeleteObject(font);
  Gdi_DeleteGfxContext(dc);
}
