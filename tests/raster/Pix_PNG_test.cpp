// PNG decoding of every colour type and bit depth, failure handling, mutated input, the loader
// entry, resource paths and saving.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "raster/Pix_Blit.h"
#include "raster/Pix_ImageLoader.h"
#include "raster/Pix_PNG.h"
#include "raster/support/PngTestUtil.h"
#include "raster/support/RasterTestUtil.h"

namespace
{
void ExpectPixels(const Pix_IBitmap* b, int w, int h, const std::vector<Pix_Pixel>& want, const char* what)
{
  ASSERT_NE(b, nullptr) << what;
  ASSERT_EQ(b->getWidth(), w) << what;
  ASSERT_EQ(b->getHeight(), h) << what;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(At(*b, x, y), want[size_t(y) * w + x]) << what << " at " << x << "," << y;
}

std::vector<uint8_t> SmallRgba(std::vector<Pix_Pixel>* want = nullptr)
{
  std::vector<Pix_Pixel> ignored;
  return MakePng({5, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, want ? *want : ignored);
}
}  // namespace

TEST(PixPNG, EveryColourTypeAndDepth)
{
  struct Kind
  {
    int type;
    std::vector<int> depths;
  } kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
               {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
               {PNG_COLOR_TYPE_RGB, {8, 16}},
               {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
               {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}};
  for (const Kind& k : kinds)
    for (int depth : k.depths)
      for (bool interlace : {false, true})
        for (bool trns : {false, true})
        {
          if (trns && (k.type & PNG_COLOR_MASK_ALPHA)) continue;
          const PngLayout layout = {13, 11, k.type, depth, interlace, trns};
          std::vector<Pix_Pixel> want;
          const std::vector<uint8_t> png = MakePng(layout, want);
          ASSERT_FALSE(png.empty());
          const std::string what = "type " + std::to_string(k.type) + " depth " + std::to_string(depth) +
                                   (interlace ? " interlaced" : "") + (trns ? " tRNS" : "");
          std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromMemory(png.data(), png.size()));
          ExpectPixels(b.get(), 13, 11, want, what.c_str());
          EXPECT_EQ(b->getRowSpan(), 16);  // new bitmaps use alignment 4
        }
}

TEST(PixPNG, KnownValues)
{
  // 1-bit grey: black and white; 16-bit: high byte; no alpha: 255.
  std::vector<Pix_Pixel> want;
  auto png = MakePng({4, 2, PNG_COLOR_TYPE_GRAY, 1, false, false}, want);
  std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromMemory(png.data(), png.size()));
  ASSERT_TRUE(b);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_TRUE(At(*b, x, y) == 0xFF000000u || At(*b, x, y) == 0xFFFFFFFFu);
  png = MakePng({4, 2, PNG_COLOR_TYPE_RGB, 8, false, false}, want);
  b.reset(Pix_LoadPNGFromMemory(png.data(), png.size()));
  ASSERT_TRUE(b);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(*b, x, y) >> 24, 255u);
}

TEST(PixPNG, FileAndExistingBitmaps)
{
  std::vector<Pix_Pixel> want;
  const auto png = MakePng({9, 7, PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false}, want);
  const std::string path = TempPath("file.png");
  ASSERT_TRUE(WriteFile(path, png));
  std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNG(path.c_str()));
  ExpectPixels(b.get(), 9, 7, want, "file");

  // An existing bitmap of another size is resized, filled and returned; flipped bitmaps keep
  // the image upright on screen, from a file and from memory.
  Pix_MemBitmap mine(30, 2, 4);
  EXPECT_EQ(Pix_LoadPNG(path.c_str(), &mine), &mine);
  ExpectPixels(&mine, 9, 7, want, "existing");
  FlippedBitmap flipped(1, 1);
  EXPECT_EQ(Pix_LoadPNG(path.c_str(), &flipped), &flipped);
  ExpectPixels(&flipped, 9, 7, want, "flipped file");
  FlippedBitmap flipped2(1, 1);
  EXPECT_EQ(Pix_LoadPNGFromMemory(png.data(), png.size(), &flipped2), &flipped2);
  ExpectPixels(&flipped2, 9, 7, want, "flipped memory");
  std::remove(path.c_str());

  EXPECT_EQ(Pix_LoadPNG(path.c_str()), nullptr);  // gone
  EXPECT_EQ(Pix_LoadPNG(nullptr), nullptr);
  EXPECT_EQ(Pix_LoadPNGFromResource(nullptr, "x.png"), nullptr);
}

TEST(PixPNG, BadInputReturnsNull)
{
  const auto png = SmallRgba();
  Pix_MemBitmap mine(3, 3, 4);
  Pix_Pixel* bits = mine.getBits();
  // Too short or no signature: the bitmap is not touched.
  EXPECT_EQ(Pix_LoadPNGFromMemory(png.data(), 7, &mine), nullptr);
  std::vector<uint8_t> wrong = png;
  wrong[1] = 'Q';
  EXPECT_EQ(Pix_LoadPNGFromMemory(wrong.data(), wrong.size(), &mine), nullptr);
  EXPECT_EQ(Pix_LoadPNGFromMemory(nullptr, 100, &mine), nullptr);
  EXPECT_EQ(mine.getWidth(), 3);
  EXPECT_EQ(mine.getBits(), bits);

  // Every truncation fails cleanly, a missing end chunk included.
  for (size_t n = 0; n < png.size(); ++n)
    EXPECT_EQ(Pix_LoadPNGFromMemory(png.data(), n), nullptr) << n;
  const std::string path = TempPath("truncated.png");
  ASSERT_TRUE(WriteFile(path, std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2)));
  EXPECT_EQ(Pix_LoadPNG(path.c_str()), nullptr);
  std::remove(path.c_str());

  // A flipped byte anywhere after the signature: bad CRC, or bad data with a good CRC.
  for (size_t i = 8; i < png.size(); ++i)
  {
    std::vector<uint8_t> bad = png;
    bad[i] ^= 0x5A;
    std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromMemory(bad.data(), bad.size()));
    if (b)
    {
      EXPECT_EQ(b->getWidth() * b->getHeight(), 20) << i;  // only harmless bytes may pass
    }
  }
  // Absurd declared sizes are refused before any pixel memory is taken.
  for (auto dims : {std::pair<uint32_t, uint32_t>{100000, 100000}, {65535, 65535}, {0x7FFFFFFF, 1}, {1, 0x7FFFFFFF}, {0, 5}})
  {
    const auto huge = PngWithHeader(dims.first, dims.second, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    EXPECT_EQ(Pix_LoadPNGFromMemory(huge.data(), huge.size()), nullptr) << dims.first << "x" << dims.second;
  }
  // A plausible size whose data ends early fails too.
  const auto shortData = PngWithHeader(2000, 2000, PNG_COLOR_TYPE_RGB, 8);
  EXPECT_EQ(Pix_LoadPNGFromMemory(shortData.data(), shortData.size()), nullptr);
}

TEST(PixPNG, MutatedInputNeverCrashes)
{
  std::vector<std::vector<uint8_t>> seeds;
  std::vector<Pix_Pixel> want;
  seeds.push_back(MakePng({16, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, want));
  seeds.push_back(MakePng({7, 12, PNG_COLOR_TYPE_PALETTE, 4, true, true}, want));
  seeds.push_back(MakePng({10, 5, PNG_COLOR_TYPE_GRAY, 16, true, true}, want));
  seeds.push_back(MakePng({6, 6, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false}, want));
  PixelRng rng;
  int decoded = 0;
  for (int iter = 0; iter < 3000; ++iter)
  {
    std::vector<uint8_t> m = seeds[iter % seeds.size()];
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e)
    {
      const size_t at = 8 + rng() % (m.size() - 8);
      switch (rng() % 4)
      {
        case 0: m[at] = uint8_t(rng()); break;
        case 1: m[at] ^= uint8_t(1u << (rng() % 8)); break;
        case 2: m.insert(m.begin() + at, uint8_t(rng())); break;
        default: m.resize(std::max<size_t>(9, at)); break;
      }
    }
    // Mostly with repaired CRCs, so the mutation reaches the header and image data.
    if (iter % 4 != 0) m = FixChunkCrcs(m);
    std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromMemory(m.data(), m.size()));
    if (b)
    {
      ++decoded;
      ASSERT_GT(b->getWidth(), 0);
      ASSERT_LE(int64_t(b->getWidth()) * b->getHeight(), Pix_MaxImagePixels);
      // Read every pixel, so a short buffer would show under the address sanitizer.
      Pix_Pixel acc = 0;
      for (int y = 0; y < b->getHeight(); ++y)
        for (int x = 0; x < b->getWidth(); ++x) acc ^= At(*b, x, y);
      (void)acc;
    }
  }
  EXPECT_GT(decoded, 0);  // some mutations are harmless (ancillary bytes, equal values)
}

TEST(PixPNG, LoaderEntry)
{
  ASSERT_EQ(Pix_ImageLoader_list, &Pix_PNGLoader);
  EXPECT_STREQ(Pix_PNGLoader.extlist, "PNG files (*.PNG)");
  EXPECT_STREQ(Pix_PNGLoader.extlist + strlen(Pix_PNGLoader.extlist) + 1, "*.PNG");
  std::vector<Pix_Pixel> want;
  const auto png = SmallRgba(&want);
  const std::string path = TempPath("LOADER.PNG"), jpg = TempPath("image.jpg"), noext = TempPath("png");
  ASSERT_TRUE(WriteFile(path, png));
  ASSERT_TRUE(WriteFile(jpg, png));
  ASSERT_TRUE(WriteFile(noext, png));
  std::unique_ptr<Pix_IBitmap> b(Pix_PNGLoader.loadfunc(path.c_str(), 1, nullptr));
  ExpectPixels(b.get(), 5, 4, want, "upper-case extension");
  EXPECT_EQ(Pix_PNGLoader.loadfunc(jpg.c_str(), 1, nullptr), nullptr);
  EXPECT_EQ(Pix_PNGLoader.loadfunc(noext.c_str(), 1, nullptr), nullptr);
  b.reset(Pix_PNGLoader.loadfunc(jpg.c_str(), 0, nullptr));  // no check: the content decides
  ExpectPixels(b.get(), 5, 4, want, "unchecked");
  std::remove(path.c_str());
  std::remove(jpg.c_str());
  std::remove(noext.c_str());
}

TEST(PixPNG, NamedResources)
{
  // Outside a bundle the test program finds images next to itself.
  char exe[1024];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  std::string dir(exe);
  dir.resize(dir.rfind('/'));
  const std::string leaf = "tesk_named_" + std::to_string(getpid()) + ".png";
  std::vector<Pix_Pixel> want;
  ASSERT_TRUE(WriteFile(dir + "/" + leaf, SmallRgba(&want)));
  std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromNamedResource(("resources/img/" + leaf).c_str()));
  ExpectPixels(b.get(), 5, 4, want, "named");
  std::remove((dir + "/" + leaf).c_str());

  // A missing image is no longer drawn as silently nothing: it is reported, once.
  std::fflush(stderr);
  FILE* capture = std::tmpfile();
  const int saved = dup(2);
  dup2(fileno(capture), 2);
  EXPECT_EQ(Pix_LoadPNGFromNamedResource(("resources/img/" + leaf).c_str()), nullptr);
  EXPECT_EQ(Pix_LoadPNGFromNamedResource(("other/" + leaf).c_str()), nullptr);
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::rewind(capture);
  std::string report;
  char line[1200];
  while (std::fgets(line, sizeof line, capture)) report += line;
  std::fclose(capture);
  EXPECT_EQ(report, std::string(exe).substr(dir.size() + 1) + ": missing resource " + dir + "/" + leaf + "\n");

  EXPECT_EQ(Pix_LoadPNGFromNamedResource(std::string(401, 'a').c_str()), nullptr);
  EXPECT_EQ(Pix_LoadPNGFromNamedResource(nullptr), nullptr);
}

TEST(PixPNG, SaveRoundTrip)
{
  PixelRng rng;
  Pix_MemBitmap src(37, 23, 4);
  FillWith(src, [&](int, int) { return Pix_Pixel(rng()); });
  const std::string path = TempPath("saved.png");
  ASSERT_TRUE(Pix_SavePNG(&src, path.c_str()));
  std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNG(path.c_str()));
  ASSERT_TRUE(b);
  ASSERT_EQ(b->getWidth(), 37);
  ASSERT_EQ(b->getHeight(), 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(At(*b, x, y), At(src, x, y));

  FlippedBitmap flipped(4, 3);
  FillWith(flipped, [](int x, int y) { return Pix_Pixel(0xFF000000u | (y << 8) | x); });
  ASSERT_TRUE(Pix_SavePNG(&flipped, path.c_str()));
  b.reset(Pix_LoadPNG(path.c_str()));
  ASSERT_TRUE(b);
  EXPECT_EQ(Pix_GetPixel(b.get(), 3, 0), 0xFF000003u);
  EXPECT_EQ(Pix_GetPixel(b.get(), 1, 2), 0xFF000201u);
  std::remove(path.c_str());

  Pix_MemBitmap empty;
  EXPECT_FALSE(Pix_SavePNG(&empty, path.c_str()));
  EXPECT_FALSE(Pix_SavePNG(nullptr, path.c_str()));
  EXPECT_FALSE(Pix_SavePNG(&src, "/nonexistent-folder/x.png"));
  EXPECT_FALSE(Pix_SavePNG(&src, nullptr));
}

TEST(PixPNG, LargeImagesLoad)
{
  // Well above the editor's biggest image, below the decoder's limits.
  std::vector<Pix_Pixel> want;
  const auto png = MakePng({2400, 1300, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, want);
  std::unique_ptr<Pix_IBitmap> b(Pix_LoadPNGFromMemory(png.data(), png.size()));
  ExpectPixels(b.get(), 2400, 1300, want, "large");
}
