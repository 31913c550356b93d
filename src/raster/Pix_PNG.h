#pragma once
// PNG decoding into 32-bit bitmaps (libpng) and saving bitmaps as PNG.
//
// Decoded pixels are straight (not premultiplied) 0xAARRGGBB words; images without alpha get
// alpha 255; 16-bit channels keep their high byte; palettes, grey and transparency chunks are
// expanded; interlaced images load like any other. No gamma or colour-space correction.
// Every failure (missing file, bad signature, truncated or corrupt data, an image larger than
// Pix_MaxImagePixels, allocation failure) returns null; nothing is printed. When a bitmap is passed
// in, it is resized and filled and returned; it is never deleted, but may have been resized
// before a failure. Otherwise a new Pix_MemBitmap (alignment 4) is returned, owned by the caller.
// Thread-safe as long as each call uses its own bitmap.

#include <cstddef>

#include "raster/Pix_IBitmap.h"

// Largest image the decoder accepts: 2^26 pixels (256 MB of pixels), each side at most 65535.
constexpr int64_t Pix_MaxImagePixels = int64_t(1) << 26;

Pix_IBitmap* Pix_LoadPNG(const char* path, Pix_IBitmap* bmp = nullptr);
// Decodes a PNG held in memory; needs at least the 8-byte signature.
Pix_IBitmap* Pix_LoadPNGFromMemory(const void* data, size_t length, Pix_IBitmap* bmp = nullptr);
// Loads an image among the resources of the module that holds this library, by the last path
// component of name (names longer than 400 characters are refused): see Core_Bundle.h. A module
// outside a bundle (tests, tools) looks next to itself, then at name as given. An image that
// cannot be loaded is reported once on stderr (Core_ReportMissingResource).
Pix_IBitmap* Pix_LoadPNGFromNamedResource(const char* name, Pix_IBitmap* bmp = nullptr);
// Embedded resources by module handle do not exist on this platform: always null.
Pix_IBitmap* Pix_LoadPNGFromResource(void* module, const char* name, Pix_IBitmap* bmp = nullptr);

// Writes the bitmap as an 8-bit RGBA, non-interlaced PNG (straight alpha, rows top to bottom).
// False for a null or empty bitmap or on any write error (a partly written file is removed).
bool Pix_SavePNG(const Pix_IBitmap* bmp, const char* path);
