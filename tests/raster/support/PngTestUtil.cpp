#include "raster/support/PngTestUtil.h"

#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
void Append(png_structp png, png_bytep data, png_size_t n)
{
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

int Channels(int colorType)
{
  switch (colorType)
  {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // palette index
  }
}

// Raw sample of channel c at (x, y) for the given bit depth.
unsigned Sample(int x, int y, int c, int depth)
{
  const unsigned v = unsigned(x * 7919 + y * 104729 + c * 31337 + x * y * 13);
  return depth == 16 ? (v * 2654435761u) >> 16 : v % (1u << depth);
}

unsigned To8(unsigned v, int depth)
{
  if (depth == 16) return v >> 8;
  return v * 255 / ((1u << depth) - 1);
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
  for (int i = 3; i >= 0; --i) out.push_back(uint8_t(v >> (i * 8)));
}
void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
  PutU32(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutU32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// libpng encoding of prepared rows; false on a libpng error.
bool Encode(const PngLayout& s, int paletteSize, png_color* palette, png_byte* palAlpha, int numTrans,
            png_color_16* transColor, png_bytep* rows, std::vector<uint8_t>& out)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_IHDR(png, info, s.w, s.h, s.depth, s.colorType, s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (paletteSize) png_set_PLTE(png, info, palette, paletteSize);
  if (s.trns)
  {
    if (paletteSize)
      png_set_tRNS(png, info, palAlpha, numTrans, nullptr);
    else
      png_set_tRNS(png, info, nullptr, 0, transColor);
  }
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
}  // namespace

std::vector<uint8_t> MakePng(const PngLayout& s, std::vector<Pix_Pixel>& expected)
{
  std::vector<uint8_t> out;
  const int ch = Channels(s.colorType);
  const int paletteSize = s.colorType == PNG_COLOR_TYPE_PALETTE ? (1 << s.depth) : 0;
  png_color palette[256];
  png_byte palAlpha[256];
  for (int i = 0; i < paletteSize; ++i)
  {
    palette[i].red = png_byte(i * 37 + 5);
    palette[i].green = png_byte(i * 91 + 7);
    palette[i].blue = png_byte(i * 53 + 11);
    palAlpha[i] = png_byte(i * 29 + 3);
  }
  const int numTrans = paletteSize / 2 > 0 ? paletteSize / 2 : 1;
  // The transparent grey / colour is the sample of pixel (1, 0).
  png_color_16 transColor = {};
  transColor.gray = png_uint_16(Sample(1, 0, 0, s.depth));
  transColor.red = png_uint_16(Sample(1, 0, 0, s.depth));
  transColor.green = png_uint_16(Sample(1, 0, 1, s.depth));
  transColor.blue = png_uint_16(Sample(1, 0, 2, s.depth));

  expected.assign(size_t(s.w) * s.h, 0);
  std::vector<std::vector<png_byte>> rows(s.h, std::vector<png_byte>((size_t(s.w) * ch * s.depth + 7) / 8 + 1, 0));
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x)
    {
      unsigned v[4];
      for (int c = 0; c < ch; ++c)
      {
        v[c] = Sample(x, y, c, s.depth);
        if (s.colorType == PNG_COLOR_TYPE_PALETTE) v[c] %= unsigned(paletteSize);
        // write the sample
        const size_t bit = (size_t(x) * ch + c) * s.depth;
        if (s.depth == 16)
        {
          rows[y][bit / 8] = png_byte(v[c] >> 8);
          rows[y][bit / 8 + 1] = png_byte(v[c]);
        }
        else
          rows[y][bit / 8] |= png_byte(v[c] << (8 - s.depth - bit % 8));
      }
      unsigned r, g, b, a = 255;
      switch (s.colorType)
      {
        case PNG_COLOR_TYPE_PALETTE:
          r = palette[v[0]].red, g = palette[v[0]].green, b = palette[v[0]].blue;
          if (s.trns && int(v[0]) < numTrans) a = palAlpha[v[0]];
          break;
        case PNG_COLOR_TYPE_GRAY:
          r = g = b = To8(v[0], s.depth);
          if (s.trns && v[0] == transColor.gray) a = 0;
          break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
          r = g = b = To8(v[0], s.depth);
          a = To8(v[1], s.depth);
          break;
        case PNG_COLOR_TYPE_RGB:
          r = To8(v[0], s.depth), g = To8(v[1], s.depth), b = To8(v[2], s.depth);
          if (s.trns && v[0] == transColor.red && v[1] == transColor.green && v[2] == transColor.blue) a = 0;
          break;
        default:
          r = To8(v[0], s.depth), g = To8(v[1], s.depth), b = To8(v[2], s.depth), a = To8(v[3], s.depth);
          break;
      }
      expected[size_t(y) * s.w + x] = Pix_Pixel(a << 24 | r << 16 | g << 8 | b);
    }

  std::vector<png_bytep> ptrs;
  for (auto& r : rows) ptrs.push_back(r.data());
  if (!Encode(s, paletteSize, palette, palAlpha, numTrans, &transColor, ptrs.data(), out)) out.clear();
  return out;
}

std::vector<uint8_t> FixChunkCrcs(const std::vector<uint8_t>& png)
{
  std::vector<uint8_t> out(png.begin(), png.begin() + std::min<size_t>(8, png.size()));
  size_t pos = 8;
  while (pos + 12 <= png.size())
  {
    const uint32_t len = uint32_t(png[pos]) << 24 | uint32_t(png[pos + 1]) << 16 | uint32_t(png[pos + 2]) << 8 | png[pos + 3];
    if (len > png.size() - pos - 12) break;
    char type[5] = {};
    std::memcpy(type, &png[pos + 4], 4);
    PutChunk(out, type, std::vector<uint8_t>(png.begin() + pos + 8, png.begin() + pos + 8 + len));
    pos += 12 + len;
  }
  out.insert(out.end(), png.begin() + std::min(pos, png.size()), png.end());
  return out;
}

std::vector<uint8_t> PngWithHeader(uint32_t w, uint32_t h, int colorType, int depth)
{
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutU32(ihdr, w);
  PutU32(ihdr, h);
  ihdr.push_back(uint8_t(depth));
  ihdr.push_back(uint8_t(colorType));
  ihdr.push_back(0);
  ihdr.push_back(0);
  ihdr.push_back(0);
  PutChunk(out, "IHDR", ihdr);
  // A few bytes of zlib data for the first rows (zeros), not the whole image.
  std::vector<uint8_t> raw(4096, 0), z(8192);
  uLongf zlen = uLongf(z.size());
  compress(z.data(), &zlen, raw.data(), uLong(raw.size()));
  z.resize(zlen);
  PutChunk(out, "IDAT", z);
  PutChunk(out, "IEND", {});
  return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string TempPath(const char* leaf)
{
  static int counter = 0;
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/tesk_raster_" + std::to_string(getpid()) + "_" +
         std::to_string(counter++) + "_" + leaf;
}
