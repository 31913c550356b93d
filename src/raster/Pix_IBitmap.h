#pragma once
// 32-bit raster bitmaps: pixel format, the bitmap interface and the blit/fill mode word.
//
// A pixel is one 32-bit word 0xAARRGGBB (bytes B, G, R, A in memory), straight (not
// premultiplied) colour, alpha 255 opaque. A bitmap is rows of pixels; the row span (pixels
// from one row to the next) may exceed the width. Row 0 is the top row unless the bitmap
// reports itself flipped, in which case row 0 of the memory is the bottom row on screen.
// Bitmaps are not thread-safe: one thread uses a bitmap at a time (the editor's UI thread).

#include <cstdint>

struct HDC__;  // drawing context of the GDI shim (opaque here)

typedef uint32_t Pix_Pixel;

// Mode word of blits and fills.
//   bits 0-7   combine mode: Pix_ModeCopy ... Pix_ModeAdjust; 0xF0-0xFF channel copy (blits only:
//              destination byte (mode >> 2) & 3 := source byte mode & 3)
//   bits 8-15  filter for scaled and rotated blits: Pix_ModeFilter = bilinear / area, 0 nearest
//   bit 16     Pix_ModeSourceAlpha: blits weight each pixel by its own alpha, fills multiply the
//              alpha argument by the colour's alpha / 255
enum EPixMode
{
  Pix_ModeCopy = 0,
  Pix_ModeAdd = 1,
  Pix_ModeDodge = 2,
  Pix_ModeMultiply = 3,
  Pix_ModeOverlay = 4,
  Pix_ModeAdjust = 5,  // hue (source R), saturation (source G), value (source B)
  Pix_ModeCombineMask = 0xFF,
  Pix_ModeChannelCopy = 0xF0,
  Pix_ModeFilter = 0x100,
  Pix_ModeSourceAlpha = 0x10000
};

// Rectangle in pixels; right and bottom are exclusive.
struct Pix_Rect
{
  int left;
  int top;
  int right;
  int bottom;
};

// Abstract bitmap. The virtual operations keep this order.
class Pix_IBitmap
{
public:
  virtual ~Pix_IBitmap() {}

  // First pixel of memory row 0, or null for an empty bitmap.
  virtual Pix_Pixel* getBits() const = 0;
  virtual int getWidth() const = 0;
  virtual int getHeight() const = 0;
  // Pixels from one memory row to the next (>= width).
  virtual int getRowSpan() const = 0;
  // True when memory row 0 is the bottom row on screen.
  virtual bool isFlipped() const { return false; }
  // Returns true when the size changed (false when it is already w x h). After a failed
  // allocation the bitmap is 0 x 0 with null bits.
  virtual bool resize(int w, int h) = 0;
  // The platform drawing context behind the pixels, or null.
  virtual HDC__* getDC() const { return nullptr; }
  // Extension hook; answers 0 unless an implementation knows the id.
  virtual intptr_t Extended(int id, void* data) { return 0; }
};

// Largest pixel count (row span x height) a bitmap may have: its size in bytes, plus 63 bytes of
// alignment slack, stays below 2^31, so every pixel or byte offset fits 32-bit arithmetic.
constexpr int64_t Pix_MaxPixels = (int64_t(0x7FFFFFFF) - 63) / 4;
