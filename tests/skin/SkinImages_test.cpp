// The committed editor images are exactly what tesk-skin draws. Images are compared by their
// decoded pixels: the PNG bytes change with the cairo, libpng and zlib versions that encode
// them even when the image does not.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"

namespace
{
std::set<std::string> PngNames(const std::string& dir)
{
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str()))
  {
    while (dirent* e = readdir(d))
    {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.insert(name);
    }
    closedir(d);
  }
  return names;
}

// The names of the images whose decoded pixels differ between the two folders; an image only
// one folder has, or one that does not decode, differs as well.
std::vector<std::string> PixelDifferences(const std::string& a, const std::string& b)
{
  std::set<std::string> names = PngNames(a);
  for (const std::string& n : PngNames(b)) names.insert(n);
  std::vector<std::string> differ;
  for (const std::string& name : names)
  {
    std::unique_ptr<Pix_IBitmap> x(Pix_LoadPNG((a + "/" + name).c_str()));
    std::unique_ptr<Pix_IBitmap> y(Pix_LoadPNG((b + "/" + name).c_str()));
    bool same = x && y && x->getWidth() == y->getWidth() && x->getHeight() == y->getHeight();
    for (int row = 0; same && row < x->getHeight(); ++row)
      for (int col = 0; same && col < x->getWidth(); ++col)
        same = Pix_GetPixel(x.get(), col, row) == Pix_GetPixel(y.get(), col, row);
    if (!same) differ.push_back(name);
  }
  return differ;
}

struct TempDir
{
  TempDir()
  {
    char tmpl[] = "/tmp/tesk-skin-XXXXXX";
    path = mkdtemp(tmpl) ? tmpl : "";
  }
  ~TempDir()
  {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
  std::string path;
};
}  // namespace

TEST(Skin, ImagesCompareByTheirPixelsNotTheirBytes)
{
  TempDir copy;
  ASSERT_FALSE(copy.path.empty());
  // The background, encoded again by another encoder: other bytes, the same pixels.
  std::unique_ptr<Pix_IBitmap> bg(Pix_LoadPNG(TESK_IMAGE_DIR "/BG.png"));
  ASSERT_TRUE(bg);
  ASSERT_TRUE(Pix_SavePNG(bg.get(), (copy.path + "/BG.png").c_str()));
  const std::string committedOnly = copy.path + "/committed";
  std::system(("mkdir -p '" + committedOnly + "' && cp '" TESK_IMAGE_DIR "/BG.png' '" + committedOnly + "/'").c_str());
  EXPECT_TRUE(PixelDifferences(committedOnly, copy.path).empty());

  // One pixel changed is a difference; so is a missing image.
  bg->getBits()[7 * bg->getRowSpan() + 5] ^= 0x00010000;
  ASSERT_TRUE(Pix_SavePNG(bg.get(), (copy.path + "/BG.png").c_str()));
  EXPECT_EQ(PixelDifferences(committedOnly, copy.path), std::vector<std::string>{"BG.png"});
  std::remove((copy.path + "/BG.png").c_str());
  EXPECT_EQ(PixelDifferences(committedOnly, copy.path), std::vector<std::string>{"BG.png"});
}

TEST(Skin, RegeneratesTheCommittedImages)
{
  TempDir drawn;
  ASSERT_FALSE(drawn.path.empty());
  ASSERT_EQ(std::system(("'" TESK_SKIN_PATH "' '" + drawn.path + "' >/dev/null").c_str()), 0);
  // The panel's 34 images at 1x, and their large versions in 2x/.
  for (const std::string sub : {"", "/2x"}) {
    SCOPED_TRACE("images" + sub);
    EXPECT_EQ(PngNames(drawn.path + sub).size(), 34u);
    EXPECT_EQ(PngNames(TESK_IMAGE_DIR + sub).size(), 34u);
    EXPECT_TRUE(PixelDifferences(TESK_IMAGE_DIR + sub, drawn.path + sub).empty())
        << "the committed images differ from what tesk-skin draws: run scripts/skin";
  }
}
