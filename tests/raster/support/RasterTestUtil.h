#pragma once
// Helpers for raster tests: bitmaps filled with known pixels and a flipped bitmap.

#include <vector>

#include "raster/Pix_MemBitmap.h"

// A memory bitmap that reports itself flipped (memory row 0 is the bottom row on screen).
class FlippedBitmap : public Pix_MemBitmap
{
public:
  FlippedBitmap(int w, int h) : Pix_MemBitmap(w, h, 4) {}
  bool isFlipped() const override { return true; }
};

// Fills every pixel with f(x, y) in screen coordinates.
template <class F>
void FillWith(Pix_IBitmap& b, F f)
{
  for (int y = 0; y < b.getHeight(); ++y)
  {
    Pix_Pixel* row = b.getBits() + (b.isFlipped() ? b.getHeight() - 1 - y : y) * b.getRowSpan();
    for (int x = 0; x < b.getWidth(); ++x) row[x] = f(x, y);
  }
}

// Pixel at screen (x, y), read straight from memory.
inline Pix_Pixel At(const Pix_IBitmap& b, int x, int y)
{
  return (b.getBits() + (b.isFlipped() ? b.getHeight() - 1 - y : y) * b.getRowSpan())[x];
}

// Deterministic pseudo-random pixels (xorshift).
struct PixelRng
{
  uint32_t s = 0x9E3779B9u;
  uint32_t operator()()
  {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
};
