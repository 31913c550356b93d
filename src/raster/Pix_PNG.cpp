#include "raster/Pix_PNG.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

#include "raster/Pix_ImageLoader.h"
#include "raster/Pix_MemBitmap.h"

namespace
{
// Errors return through the jump buffer to the decoder's cleanup; warnings are dropped (a
// plug-in has no console to print them to).
[[noreturn]] void OnPngError(png_structp png, png_const_charp)
{
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

struct MemoryInput
{
  const png_byte* data;
  size_t length;
  size_t pos;
};

// A read past the end of the buffer is an error: truncated data must not decode as zeros.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t n)
{
  MemoryInput* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (!in || n > in->length - in->pos) png_error(png, "truncated PNG data");
  std::memcpy(out, in->data + in->pos, n);
  in->pos += n;
}

// Everything the decoder must release, kept outside the function that calls setjmp.
struct Decode
{
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::FILE* file = nullptr;
  MemoryInput mem = {nullptr, 0, 0};
  Pix_IBitmap* given = nullptr;
  Pix_IBitmap* created = nullptr;
  png_bytep* rows = nullptr;
};

// Decodes into d.given or a new bitmap; true on success. Must not create C++ objects with
// destructors: libpng errors leave through longjmp.
bool DecodeRows(Decode& d)
{
  if (setjmp(png_jmpbuf(d.png))) return false;
  if (d.file)
    png_init_io(d.png, d.file);
  else
    png_set_read_fn(d.png, &d.mem, ReadFromMemory);

  // Bound what a hostile file can make the decoder allocate.
  png_set_user_limits(d.png, 65535, 65535);
  png_set_chunk_cache_max(d.png, 1000);
  png_set_chunk_malloc_max(d.png, 8u << 20);

  png_read_info(d.png, d.info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, ctype = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(d.png, d.info, &width, &height, &depth, &ctype, &interlace, &compression, &filter);
  if (width == 0 || height == 0 || int64_t(width) * height > Pix_MaxImagePixels) return false;

  if (ctype == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
  if (ctype == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
  bool alpha = (ctype & PNG_COLOR_MASK_ALPHA) != 0;
  if (png_get_valid(d.png, d.info, PNG_INFO_tRNS))
  {
    png_set_tRNS_to_alpha(d.png);
    alpha = true;
  }
  if (depth == 16) png_set_strip_16(d.png);
  if (depth < 8) png_set_packing(d.png);
  if (ctype == PNG_COLOR_TYPE_GRAY || ctype == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(d.png);
  if (alpha)
    png_set_swap_alpha(d.png);  // rows come out as A, R, G, B
  else
    png_set_filler(d.png, 255, PNG_FILLER_BEFORE);  // 255, R, G, B
  png_set_interlace_handling(d.png);
  png_read_update_info(d.png, d.info);
  // The transformations above always give four bytes per pixel; anything else would overrun the
  // rows below.
  if (png_get_rowbytes(d.png, d.info) != png_size_t(width) * 4) return false;

  Pix_IBitmap* bmp = d.given;
  if (!bmp) bmp = d.created = new (std::nothrow) Pix_MemBitmap(0, 0, 4);
  if (!bmp) return false;
  bmp->resize(int(width), int(height));
  if (bmp->getWidth() != int(width) || bmp->getHeight() != int(height) || !bmp->getBits()) return false;

  d.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!d.rows) return false;
  const bool flipped = bmp->isFlipped();
  const ptrdiff_t span = bmp->getRowSpan();
  for (png_uint_32 i = 0; i < height; ++i)
  {
    const ptrdiff_t row = flipped ? ptrdiff_t(height - 1 - i) : ptrdiff_t(i);
    d.rows[i] = reinterpret_cast<png_bytep>(bmp->getBits() + row * span);
  }
  png_read_image(d.png, d.rows);
  png_read_end(d.png, nullptr);

  // A, R, G, B bytes -> 0xAARRGGBB words.
  for (png_uint_32 i = 0; i < height; ++i)
  {
    png_bytep p = d.rows[i];
    Pix_Pixel* out = reinterpret_cast<Pix_Pixel*>(p);
    for (png_uint_32 x = 0; x < width; ++x, p += 4)
      out[x] = Pix_Pixel(p[0]) << 24 | Pix_Pixel(p[1]) << 16 | Pix_Pixel(p[2]) << 8 | Pix_Pixel(p[3]);
  }
  return true;
}

Pix_IBitmap* RunDecode(Decode& d)
{
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (d.png) d.info = png_create_info_struct(d.png);
  bool ok = d.png && d.info && DecodeRows(d);
  if (d.png) png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
  if (d.file) std::fclose(d.file);
  std::free(d.rows);
  if (!ok)
  {
    delete d.created;
    return nullptr;
  }
  return d.created ? d.created : d.given;
}

Pix_IBitmap* LoadWithCheck(const char* path, int checkFileName, Pix_IBitmap* bmp)
{
  if (!path) return nullptr;
  if (checkFileName)
  {
    // The text from the last '.', '/' or '\' to the end must be ".png".
    const char* ext = nullptr;
    for (const char* p = path; *p; ++p)
      if (*p == '.' || *p == '/' || *p == '\\') ext = p;
    if (!ext || strcasecmp(ext, ".png") != 0) return nullptr;
  }
  return Pix_LoadPNG(path, bmp);
}
}  // namespace

Pix_ImageLoader Pix_PNGLoader = {LoadWithCheck, "PNG files (*.PNG)\0*.PNG\0", nullptr};
Pix_ImageLoader* Pix_ImageLoader_list = &Pix_PNGLoader;

Pix_IBitmap* Pix_LoadPNG(const char* path, Pix_IBitmap* bmp)
{
  if (!path) return nullptr;
  Decode d;
  d.file = std::fopen(path, "rb");
  if (!d.file) return nullptr;
  d.given = bmp;
  return RunDecode(d);
}

Pix_IBitmap* Pix_LoadPNGFromMemory(const void* data, size_t length, Pix_IBitmap* bmp)
{
  if (!data || length < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;
  Decode d;
  d.mem = {static_cast<const png_byte*>(data), length, 0};
  d.given = bmp;
  return RunDecode(d);
}

Pix_IBitmap* Pix_LoadPNGFromResource(void*, const char*, Pix_IBitmap*)
{
  return nullptr;
}
