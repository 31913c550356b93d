// Full editor-surface (1156 x 456) blits and fills in the modes the editor uses.
#include <benchmark/benchmark.h>

#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"

namespace
{
const int kW = 1156, kH = 456;

// Source pixels with a realistic alpha mix: a third opaque, a third clear, a third in between.
void FillSource(Pix_MemBitmap& b)
{
  uint32_t s = 12345;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
    {
      s = s * 1664525u + 1013904223u;
      Pix_Pixel p = s >> 8;
      const int band = (x / 64 + y / 32) % 3;
      const Pix_Pixel a = band == 0 ? 255 : band == 1 ? 0 : (s >> 24);
      b.getBits()[y * b.getRowSpan() + x] = p | a << 24;
    }
}

void BlitMode(benchmark::State& state, int mode, bool randomAlpha)
{
  Pix_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  FillSource(src);
  if (!randomAlpha)
    for (int i = 0; i < src.getRowSpan() * kH; ++i) src.getBits()[i] |= 0xFF000000;
  Pix_Clear(&dst, 0xFF204060);
  for (auto _ : state)
  {
    Pix_Blit(&dst, &src, 0, 0, nullptr, 1.f, mode);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_BlitCopy(benchmark::State& s) { BlitMode(s, 0, true); }
void BM_BlitSourceAlphaCopy(benchmark::State& s) { BlitMode(s, 0x10000, true); }
void BM_BlitSourceAlphaCopyHalf(benchmark::State& state)
{
  Pix_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  FillSource(src);
  for (auto _ : state)
  {
    Pix_Blit(&dst, &src, 0, 0, nullptr, 0.6f, 0x10000);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
void BM_BlitCopyPartial(benchmark::State& state)
{
  Pix_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  FillSource(src);
  for (auto _ : state)
  {
    Pix_Blit(&dst, &src, 0, 0, nullptr, 0.6f, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
void BM_BlitAdd(benchmark::State& s) { BlitMode(s, 1, true); }
void BM_BlitSourceAlphaAdd(benchmark::State& s) { BlitMode(s, 0x10001, true); }
void BM_BlitDodge(benchmark::State& s) { BlitMode(s, 2, true); }
void BM_BlitSourceAlphaDodge(benchmark::State& s) { BlitMode(s, 0x10002, true); }

void BM_FillRect(benchmark::State& state)
{
  Pix_MemBitmap dst(kW, kH, 4);
  const float alpha = float(state.range(0)) / 256.f;
  for (auto _ : state)
  {
    Pix_FillRect(&dst, 0, 0, kW, kH, 0xFF336699, alpha, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_ScaledBlitBilinear(benchmark::State& state)
{
  Pix_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  FillSource(src);
  for (auto _ : state)
  {
    Pix_ScaledBlit(&dst, &src, 0, 0, kW, kH, 0.f, 0.f, kW * 0.75f, kH * 0.75f, 1.f, 0x100);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
}  // namespace

BENCHMARK(BM_BlitCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitSourceAlphaCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitSourceAlphaCopyHalf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitCopyPartial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitSourceAlphaAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitDodge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitSourceAlphaDodge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillRect)->Arg(256)->Arg(128)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScaledBlitBilinear)->Unit(benchmark::kMicrosecond);

namespace
{
// The editor at 150 %: a twice-as-large opaque image area-averaged onto the 1.5 x surface.
void BM_AreaBlitTwoToOneAndAHalf(benchmark::State& state)
{
  Pix_MemBitmap src(2 * kW, 2 * kH, 4), dst(kW * 3 / 2, kH * 3 / 2, 4);
  uint32_t s = 777;
  for (int y = 0; y < src.getHeight(); ++y)
    for (int x = 0; x < src.getWidth(); ++x)
    {
      s = s * 1664525u + 1013904223u;
      src.getBits()[y * src.getRowSpan() + x] = 0xFF000000u | (s >> 8);
    }
  for (auto _ : state)
  {
    Pix_AreaBlit(&dst, &src, 0, 0, dst.getWidth(), dst.getHeight(), 0.0, 0.0, 4.0 / 3.0, 4.0 / 3.0, nullptr, 1.f, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * dst.getWidth() * dst.getHeight());
}
BENCHMARK(BM_AreaBlitTwoToOneAndAHalf)->Unit(benchmark::kMillisecond);
}  // namespace
