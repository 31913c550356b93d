// Drawing a 20-character label: through the shim directly, and through each path of the
// cached font (native rendering and the glyph cache), into the editor's kind of surface.

#include "gdi/Gdi.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"
#include "raster/Pix_SysBitmap.h"

#include <benchmark/benchmark.h>

namespace
{
const char kLabel[] = "Drive 4.5 dB Low Cut"; // 20 characters
static_assert(sizeof(kLabel) == 21, "the label has 20 characters");

HGDIOBJ__* LabelFont()
{
  return CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
}

void BM_ShimDrawText(benchmark::State& state)
{
  HDC__* dc = Gdi_CreateMemContext(nullptr, 256, 32);
  HGDIOBJ__* font = LabelFont();
  SelectObject(dc, font);
  SetTextColor(dc, 0x202020);
  for (auto _ : state)
  {
    RECT r = {2, 2, 254, 30};
    benchmark::DoNotOptimize(Gdi_DrawText(dc, kLabel, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE));
  }
  DeleteObject(font);
  Gdi_DeleteGfxContext(dc);
}
BENCHMARK(BM_ShimDrawText);

void DrawLabel(benchmark::State& state, int fontFlags, int textFlags, int measure)
{
  Pix_SysBitmap surface(256, 32);
  Pix_Clear(&surface, 0xFFE0E0E0);
  Pix_CachedFont font;
  font.SetFromHFont(LabelFont(), fontFlags | Pix_FontOwnsHandle);
  font.SetTextColor(0xFF202020);
  for (auto _ : state)
  {
    Pix_Rect r = {2, 2, 254, 30};
    benchmark::DoNotOptimize(font.DrawText(&surface, kLabel, -1, &r, textFlags | measure));
  }
}

void BM_CachedFontNative(benchmark::State& state) { DrawLabel(state, Pix_FontPreferNative, Pix_TextCenter | Pix_TextVCenter, 0); }
BENCHMARK(BM_CachedFontNative);

void BM_CachedFontGlyphCache(benchmark::State& state) { DrawLabel(state, 0, Pix_TextCenter | Pix_TextVCenter, 0); }
BENCHMARK(BM_CachedFontGlyphCache);

void BM_CachedFontGlyphCacheLeft(benchmark::State& state) { DrawLabel(state, 0, 0, 0); }
BENCHMARK(BM_CachedFontGlyphCacheLeft);

void BM_CachedFontMeasureNative(benchmark::State& state) { DrawLabel(state, Pix_FontPreferNative, 0, Pix_TextCalcRect); }
BENCHMARK(BM_CachedFontMeasureNative);

void BM_CachedFontMeasureGlyphCache(benchmark::State& state) { DrawLabel(state, 0, 0, Pix_TextCalcRect); }
BENCHMARK(BM_CachedFontMeasureGlyphCache);
} // namespace
