#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "raster/Pix_PNG.h"

namespace
{
[[noreturn]] void OnPngError(png_structp png, png_const_charp)
{
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

struct Encode
{
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::FILE* file = nullptr;
  png_bytep row = nullptr;
};

bool EncodeRows(Encode& e, const Pix_IBitmap* bmp)
{
  if (setjmp(png_jmpbuf(e.png))) return false;
  png_init_io(e.png, e.file);
  const int w = bmp->getWidth(), h = bmp->getHeight();
  png_set_IHDR(e.png, e.info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(e.png, e.info);
  e.row = static_cast<png_bytep>(std::malloc(size_t(w) * 4));
  if (!e.row) return false;
  const ptrdiff_t span = bmp->getRowSpan();
  for (int y = 0; y < h; ++y)
  {
    const ptrdiff_t memRow = bmp->isFlipped() ? ptrdiff_t(h - 1 - y) : ptrdiff_t(y);
    const Pix_Pixel* src = bmp->getBits() + memRow * span;
    png_bytep p = e.row;
    for (int x = 0; x < w; ++x, p += 4)
    {
      const Pix_Pixel v = src[x];
      p[0] = png_byte(v >> 16);
      p[1] = png_byte(v >> 8);
      p[2] = png_byte(v);
      p[3] = png_byte(v >> 24);
    }
    png_write_row(e.png, e.row);
  }
  png_write_end(e.png, nullptr);
  return true;
}
}  // namespace

bool Pix_SavePNG(const Pix_IBitmap* bmp, const char* path)
{
  if (!bmp || !path || !bmp->getBits() || bmp->getWidth() <= 0 || bmp->getHeight() <= 0 ||
      bmp->getRowSpan() < bmp->getWidth())
    return false;
  Encode e;
  e.file = std::fopen(path, "wb");
  if (!e.file) return false;
  e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (e.png) e.info = png_create_info_struct(e.png);
  bool ok = e.png && e.info && EncodeRows(e, bmp);
  if (e.png) png_destroy_write_struct(&e.png, e.info ? &e.info : nullptr);
  std::free(e.row);
  if (std::fclose(e.file) != 0) ok = false;
  if (!ok) std::remove(path);
  return ok;
}
