#pragma once
// Encodes small test PNGs with libpng in every colour type and bit depth, together with the
// pixels the decoder should produce.

#include <cstdint>
#include <string>
#include <vector>

#include "raster/Pix_IBitmap.h"

struct PngLayout
{
  int w, h;
  int colorType;  // PNG_COLOR_TYPE_*
  int depth;
  bool interlace;
  bool trns;  // add a transparency chunk (palette alphas, or one transparent grey / colour)
};

// Encoded PNG bytes; expected receives w x h pixels, row-major, top row first.
std::vector<uint8_t> MakePng(const PngLayout& layout, std::vector<Pix_Pixel>& expected);

// Splits a PNG into chunks and rebuilds it with recomputed CRCs (for mutation tests).
std::vector<uint8_t> FixChunkCrcs(const std::vector<uint8_t>& png);

// A PNG whose header declares w x h pixels (valid CRCs) followed by a tiny IDAT and IEND.
std::vector<uint8_t> PngWithHeader(uint32_t w, uint32_t h, int colorType, int depth);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A fresh path in the temporary folder.
std::string TempPath(const char* leaf);
