#pragma once
// Helpers shared by the shim and font tests: pixel inspection of 32-bit 0xAARRGGBB buffers.

#include <cstdint>

struct InkBox
{
  int left = 0, top = 0, right = 0, bottom = 0; // exclusive right/bottom; empty when right <= left
  int count = 0;                                  // pixels that differ from the background
  bool Empty() const { return count == 0; }
};

// Bounding box of every pixel that differs from `background` in its RGB channels.
inline InkBox FindInk(const uint32_t* pixels, int width, int height, int span, uint32_t background)
{
  InkBox box;
  box.left = width;
  box.top = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (((pixels[y * span + x] ^ background) & 0xFFFFFF) != 0)
      {
        if (x < box.left) box.left = x;
        if (y < box.top) box.top = y;
        if (x + 1 > box.right) box.right = x + 1;
        if (y + 1 > box.bottom) box.bottom = y + 1;
        box.count++;
      }
  if (!box.count) box.left = box.top = box.right = box.bottom = 0;
  return box;
}
