#pragma once
// Heap bitmap for images held in memory (decoded PNGs, scratch surfaces).

#include <cstddef>

#include "raster/Pix_IBitmap.h"

class Pix_MemBitmap : public Pix_IBitmap
{
public:
  // alignment: rows are padded to a multiple of (lowest set bit of alignment) pixels, capped at
  // 16; below 2 means no padding. Allocates only when w > 0 and h > 0; new pixels are not cleared.
  explicit Pix_MemBitmap(int w = 0, int h = 0, int alignment = 1);
  ~Pix_MemBitmap() override;

  Pix_MemBitmap(const Pix_MemBitmap&) = delete;
  Pix_MemBitmap& operator=(const Pix_MemBitmap&) = delete;

  // Buffer address raised to the next multiple of 64 bytes.
  Pix_Pixel* getBits() const override;
  int getWidth() const override { return m_w; }
  int getHeight() const override { return m_h; }
  int getRowSpan() const override { return (m_w + m_rowMask) & ~m_rowMask; }
  // Never shrinks the buffer; grows it to a quarter beyond the need. Sizes that are not positive
  // or whose buffer would exceed Pix_MaxPixels leave an empty bitmap with null bits.
  bool resize(int w, int h) override;

private:
  void release();

  void* m_buf = nullptr;
  int m_w = 0;
  int m_h = 0;
  size_t m_allocated = 0;  // bytes, alignment slack included
  int m_rowMask = 0;
};
