#pragma once
// Bitmap backed by a drawing context of the GDI shim: the editor's drawing surface, which both
// the raster library (through the pixels) and the shim's native text (through getDC) draw into.

#include "raster/Pix_IBitmap.h"

class Pix_SysBitmap : public Pix_IBitmap
{
public:
  // Allocates a surface only when w > 0 and h > 0. Pixels start cleared (0).
  explicit Pix_SysBitmap(int w = 0, int h = 0);
  ~Pix_SysBitmap() override;

  Pix_SysBitmap(const Pix_SysBitmap&) = delete;
  Pix_SysBitmap& operator=(const Pix_SysBitmap&) = delete;

  Pix_Pixel* getBits() const override { return m_bits; }
  int getWidth() const override { return m_w; }
  int getHeight() const override { return m_h; }
  int getRowSpan() const override { return m_span; }
  // Keeps the surface (and its row span) when it is already large enough, so shrinking and
  // growing back never reallocate. Otherwise the surface is recreated with the row span raised
  // to a multiple of 4 pixels; its contents are then lost (cleared). A width outside
  // 1 ... 2^31 - 4 or a height <= 0 leaves no surface and returns false; a surface that cannot
  // be allocated (too large for 32-bit offsets, or out of memory) leaves a 0 x 0 bitmap.
  bool resize(int w, int h) override;
  HDC__* getDC() const override { return m_dc; }

  // Rows allocated in the current surface (>= height).
  int getAllocatedHeight() const { return m_allocH; }

private:
  void release();

  int m_w = 0;
  int m_h = 0;
  int m_span = 0;
  int m_allocH = 0;
  Pix_Pixel* m_bits = nullptr;
  HDC__* m_dc = nullptr;
};
