// Font creation, metrics and Gdi_DrawText: flags, alignment, measuring, colours, limits.

#include "core/Core_Bundle.h"
#include "gdi/Gdi.h"
#include "gdi/Gdi_FontEngine.h"
#include "gdi/Gdi_Records.h"
#include "support/GdiTestUtil.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
HGDIOBJ__* MakeFont(int height, const char* face = "DejaVu Sans", int weight = 400, char italic = 0,
                    char quality = 0, int width = 0)
{
  return CreateFont(height, width, 0, 0, weight, italic, 0, 0, 0, 0, 0, quality, 0, face);
}

// A context with one font selected, black text on a cleared background.
struct TextFixture : ::testing::Test
{
  static const int W = 200, H = 60;
  HDC__* dc = nullptr;
  HGDIOBJ__* font = nullptr;
  uint32_t* px = nullptr;

  void SetUp() override { Use(MakeFont(-14)); }
  void TearDown() override
  {
    Gdi_DeleteGfxContext(dc);
    DeleteObject(font);
  }
  void Use(HGDIOBJ__* f)
  {
    if (!dc) dc = Gdi_CreateMemContext(nullptr, W, H);
    if (font) DeleteObject(font);
    font = f;
    SelectObject(dc, font);
    px = (uint32_t*)Gdi_GetCtxFrameBuffer(dc);
    Clear(0xFFFFFFFF);
  }
  void Clear(uint32_t c)
  {
    for (int i = 0; i < W * H; ++i) px[i] = c;
  }
  RECT Measure(const char* text, int flags = 0, int length = -1)
  {
    RECT r = {3, 4, 3, 4};
    Gdi_DrawText(dc, text, length, &r, flags | DT_CALCRECT);
    return r;
  }
  int Width(const char* text, int flags = 0) { return Measure(text, flags).right - 3; }
  InkBox Ink() { return FindInk(px, W, H, W, 0xFFFFFFFF); }
};
} // namespace

TEST(GdiFont, SizeRules)
{
  struct Case { int height, width, size; } cases[] = {
      {0, 0, 10}, {1, 0, 10}, {-1, 0, 10}, {-14, 0, 14}, {14, 0, 14}, {0, -22, 22},
      {8192, 0, 8192}, {8193, 0, 10}, {(int)0x80000000, 0, 10}, {2, 0, 2}};
  for (const Case& c : cases)
  {
    HGDIOBJ__* f = MakeFont(c.height, "DejaVu Sans", 400, 0, 0, c.width);
    EXPECT_EQ(Gdi_GetFontSize(f), c.size) << c.height << " " << c.width;
    DeleteObject(f);
  }
  HGDIOBJ__* f = CreateFont(12, 0, 0, 450, 400, 0, 0, 0, 0, 0, 0, 3, 0, nullptr);
  EXPECT_FLOAT_EQ(Gdi_GetFontRotation(f), 45.f);
  EXPECT_EQ(Gdi_GetFontAntialias(f), 3);
  DeleteObject(f);
  f = MakeFont(12, "", 400, 0, 5);
  EXPECT_EQ(Gdi_GetFontAntialias(f), 0);
  DeleteObject(f);
}

TEST(GdiFont, FaceNamesResolveThroughTheCacheWithStyleSuffixes)
{
  HGDIOBJ__* mono = MakeFont(12, "Monaco");
  HGDIOBJ__* bold = MakeFont(12, "Monaco", 700);
  HGDIOBJ__* boldItalic = MakeFont(12, "Monaco", 800, 1);
  HGDIOBJ__* unknown = MakeFont(12, "No Such Face Anywhere");
  // Monaco is a monospaced face: the shipped monospaced face stands in (the shipped fonts have
  // no oblique: italic keeps the upright face).
  EXPECT_STREQ(Gdi_GetFontFaceName(mono), "DejaVuSansMono");
  EXPECT_STREQ(Gdi_GetFontFaceName(bold), "DejaVuSansMono-Bold");
  EXPECT_STREQ(Gdi_GetFontFaceName(boldItalic), "DejaVuSansMono-Bold");
  EXPECT_STRNE(Gdi_GetFontFaceName(unknown), ""); // falls back to the default face
  // The cache keys carry the style suffixes in a fixed order.
  EXPECT_TRUE(Gdi_FontEngine::IsCached("Monaco"));
  EXPECT_TRUE(Gdi_FontEngine::IsCached("Monaco Bold"));
  EXPECT_TRUE(Gdi_FontEngine::IsCached("Monaco Bold Italic"));
  EXPECT_FALSE(Gdi_FontEngine::IsCached("Monaco Italic Bold"));
  DeleteObject(mono);
  DeleteObject(bold);
  DeleteObject(boldItalic);
  DeleteObject(unknown);

  // A face name in a full LOGFONT array need not be terminated.
  LOGFONT lf = {};
  lf.lfHeight = -16;
  lf.lfWeight = 700;
  memset(lf.lfFaceName, 'x', sizeof(lf.lfFaceName));
  HGDIOBJ__* f = CreateFontIndirect(&lf);
  EXPECT_EQ(Gdi_GetFontSize(f), 16);
  DeleteObject(f);
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

// A machine's own fonts and fontconfig set-up must not change the editor's text. This one
// installs nothing: it points fontconfig at a folder of its own where another face answers to
// "Monaco" and to the generic families, and checks that every face still comes from the
// shipped fonts.
TEST(GdiFont, FacesComeFromTheShippedFontsWhateverTheSystemHas)
{
  const std::string shipped = std::string(Core_ModuleResourceFolder()) + "/fonts";
  char tmpl[] = "/tmp/tesk-fontconfig-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  {
    std::ifstream in(shipped + "/DejaVuSerif.ttf", std::ios::binary);
    std::ofstream out(dir + "/Other.ttf", std::ios::binary);
    ASSERT_TRUE(in && out);
    out << in.rdbuf();
    std::ofstream conf(dir + "/fonts.conf");
    conf << "<?xml version=\"1.0\"?><fontconfig><dir>" << dir << "</dir><cachedir>" << dir << "/cache</cachedir>"
         << "<match><test name=\"family\"><string>Monaco</string></test>"
         << "<edit name=\"family\" mode=\"prepend\" binding=\"strong\"><string>DejaVu Serif</string></edit></match>"
         << "<alias><family>monospace</family><prefer><family>DejaVu Serif</family></prefer></alias>"
         << "<alias><family>sans-serif</family><prefer><family>DejaVu Serif</family></prefer></alias>"
         << "</fontconfig>\n";
  }
  const char* previous = std::getenv("FONTCONFIG_FILE");
  const std::string saved = previous ? previous : "";
  setenv("FONTCONFIG_FILE", (dir + "/fonts.conf").c_str(), 1);
  // A fresh engine reads its configuration anew.
  Gdi_ReleaseDefaultFont();
  Gdi_FontEngine::Release();
  ASSERT_FALSE(Gdi_FontEngine::IsLoaded());

  struct Case
  {
    const char* family;
    bool bold, italic;
    const char* file;
  } cases[] = {
      {"Monaco", false, false, "DejaVuSansMono.ttf"},   {"Monaco", true, false, "DejaVuSansMono-Bold.ttf"},
      {"Monaco", true, true, "DejaVuSansMono-Bold.ttf"}, {"DejaVu Sans", false, false, "DejaVuSans.ttf"},
      {"", false, false, "DejaVuSans.ttf"},             {"No Such Face", false, false, "DejaVuSans.ttf"},
      {"DejaVu Serif", true, false, "DejaVuSerif-Bold.ttf"},
  };
  for (const Case& c : cases)
  {
    std::string key = std::string(c.family) + (c.bold ? " Bold" : "") + (c.italic ? " Italic" : "");
    Gdi_FaceLocation location;
    ASSERT_TRUE(Gdi_FontEngine::Resolve(key.c_str(), c.family, c.bold, c.italic, &location)) << key;
    EXPECT_EQ(location.file, shipped + "/" + c.file) << key;
  }

  if (previous)
    setenv("FONTCONFIG_FILE", saved.c_str(), 1);
  else
    unsetenv("FONTCONFIG_FILE");
  Gdi_FontEngine::Release();
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST_F(TextFixture, MetricsFollowTheRoundingRules)
{
  // DejaVu Sans: ascender 1901, descender 483, no line gap, 2048 units per em.
  for (int size : {10, 14, 27, 100})
  {
    Use(MakeFont(-size));
    TEXTMETRIC tm;
    ASSERT_EQ(GetTextMetrics(dc, &tm), 1);
    int ascent = (int)(1901.0 * size / 2048), descent = (int)(483.0 * size / 2048);
    int sum = ascent + descent;
    EXPECT_EQ(tm.tmAscent, ascent) << size;
    EXPECT_EQ(tm.tmDescent, descent) << size;
    EXPECT_EQ(tm.tmInternalLeading, 0) << size;
    EXPECT_EQ(tm.tmHeight, sum + 1) << size;
    EXPECT_EQ(tm.tmAveCharWidth, sum * 2 / 3) << size;
    // A single measured line: floor(ascent + descent + leading + 1.5), plus one.
    RECT r = Measure("Hg");
    EXPECT_EQ(r.bottom - 4, (int)std::floor((1901.0 + 483.0) * size / 2048 + 1.5) + 1) << size;
  }
  // With the default font slot the label font of size 10 is used.
  SelectObject(dc, GDI_DEFAULT_FONT);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(GetTextMetrics(dc, nullptr), 0);
}

TEST_F(TextFixture, WidthsFollowTheFontsAdvances)
{
  // DejaVu Sans Mono advances are 1233 units: 20 characters at 14 px = 168.6 -> 169.
  Use(MakeFont(-14, "DejaVu Sans Mono"));
  EXPECT_EQ(Width("ABCDEFGHIJKLMNOPQRST"), (int)std::floor(20 * 1233.0 * 14 / 2048 + 0.5));
  EXPECT_EQ(Width("i"), Width("W"));
}

TEST_F(TextFixture, EmptyTextMeasuresNothing)
{
  RECT r = {1, 2, 3, 4};
  EXPECT_EQ(Gdi_DrawText(dc, "", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, "\r\r", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, "&", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, "abc", 0, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, "abc", -2, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, nullptr, -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(Gdi_DrawText(dc, "abc", -1, nullptr, 0), 0);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
}

TEST_F(TextFixture, AmpersandsAreDroppedUnlessNoPrefix)
{
  EXPECT_EQ(Width("A&B"), Width("AB"));
  EXPECT_EQ(Width("A&B", DT_NOPREFIX), Width("A&B", DT_NOPREFIX));
  EXPECT_GT(Width("A&B", DT_NOPREFIX), Width("AB"));
  EXPECT_EQ(Width("A&&B"), Width("A&B", DT_NOPREFIX));
  EXPECT_EQ(Width("AB&"), Width("AB"));
  // The character after "&" is taken as it stands, even a carriage return.
  EXPECT_EQ(Width("A&\rB"), Width("AB"));
  // Length counts bytes of the source, before ampersands are removed.
  EXPECT_EQ(Width("A&BCD", 0), Width("ABCD"));
  RECT r = {0, 0, 0, 0};
  Gdi_DrawText(dc, "A&BCD", 3, &r, DT_CALCRECT);
  EXPECT_EQ(r.right, Width("AB"));

  // Drawn: the letters without the ampersand.
  RECT box = {0, 0, W, H};
  Gdi_DrawText(dc, "A&B", -1, &box, 0);
  InkBox withPrefix = Ink();
  Clear(0xFFFFFFFF);
  Gdi_DrawText(dc, "AB", -1, &box, 0);
  InkBox plain = Ink();
  EXPECT_EQ(withPrefix.count, plain.count);
  EXPECT_EQ(withPrefix.right, plain.right);
}

TEST_F(TextFixture, LineFeedsMakeLinesUnlessSingleLine)
{
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  RECT one = Measure("AB CD");
  int lineHeight = one.bottom - 4 - 1;
  // Carriage return and line feed with single line: one line with a space.
  RECT single = Measure("AB\r\nCD", DT_SINGLELINE);
  EXPECT_EQ(single.right, one.right);
  EXPECT_EQ(single.bottom, one.bottom);
  // Without it: two lines, as wide as the widest.
  RECT two = Measure("AB\r\nCDEFG");
  EXPECT_EQ(two.right - 3, Width("CDEFG"));
  EXPECT_EQ(two.bottom - 4, 2 * lineHeight + 1);
  // A final line feed opens no further line; an empty line in between counts.
  EXPECT_EQ(Measure("AB\n").bottom, one.bottom);
  EXPECT_EQ(Measure("A\n\nB").bottom - 4, 3 * lineHeight + 1);

  // Drawn, the second line starts one line height below the first.
  RECT box = {0, 0, W, H};
  Gdi_DrawText(dc, "I\nI", -1, &box, 0);
  InkBox both = Ink();
  Clear(0xFFFFFFFF);
  Gdi_DrawText(dc, "I", -1, &box, 0);
  InkBox first = Ink();
  EXPECT_EQ(both.bottom - first.bottom, lineHeight);
  EXPECT_EQ(both.left, first.left);
}

TEST_F(TextFixture, AlignmentMovesTheTextByWholePixels)
{
  const char* text = "Tesk";
  RECT m = Measure(text);
  int w = m.right - 3, h = m.bottom - 4;
  RECT box = {10, 5, 181, 56};
  auto inkWith = [&](int flags) {
    Clear(0xFFFFFFFF);
    RECT r = box;
    EXPECT_EQ(Gdi_DrawText(dc, text, -1, &r, flags | DT_NOCLIP), h);
    return Ink();
  };
  InkBox left = inkWith(0);
  ASSERT_FALSE(left.Empty());
  InkBox right = inkWith(DT_RIGHT);
  InkBox centre = inkWith(DT_CENTER);
  InkBox bottom = inkWith(DT_BOTTOM);
  InkBox middle = inkWith(DT_VCENTER | DT_CENTER);
  int bw = box.right - box.left, bh = box.bottom - box.top;
  EXPECT_EQ(right.left - left.left, bw - w);
  EXPECT_EQ(centre.left - left.left, bw / 2 - w / 2);
  EXPECT_EQ(bottom.top - left.top, bh - h);
  EXPECT_EQ(middle.top - left.top, bh / 2 - h / 2);
  EXPECT_EQ(middle.left - left.left, bw / 2 - w / 2);
  EXPECT_EQ(right.count, left.count); // same shape, only moved
}

TEST_F(TextFixture, TextIsClippedToTheRectangleUnlessNoClip)
{
  RECT r = {20, 10, 40, 40};
  Gdi_DrawText(dc, "WWWWWW", -1, &r, 0);
  InkBox clipped = Ink();
  EXPECT_GE(clipped.left, 20);
  EXPECT_LE(clipped.right, 40);
  Clear(0xFFFFFFFF);
  Gdi_DrawText(dc, "WWWWWW", -1, &r, DT_NOCLIP);
  EXPECT_GT(Ink().right, 40);
}

TEST_F(TextFixture, ColoursAntialiasingAndOpaqueBackground)
{
  SetTextColor(dc, 0x2040C0);
  RECT r = {0, 0, W, H};
  int h = Gdi_DrawText(dc, "Hill", -1, &r, 0);
  int full = 0, partial = 0;
  for (int i = 0; i < W * H; ++i)
  {
    if (px[i] == 0xFF2040C0u) ++full;
    else if (px[i] != 0xFFFFFFFFu)
    {
      ++partial;
      uint32_t c = px[i];
      // Between text colour and background in every channel.
      EXPECT_GE((c >> 16) & 0xFF, 0x20u);
      EXPECT_GE((c >> 8) & 0xFF, 0x40u);
      EXPECT_GE(c & 0xFF, 0xC0u);
    }
  }
  EXPECT_GT(full, 10);
  EXPECT_GT(partial, 0); // antialiased edges

  // Quality 3 turns antialiasing off: every pixel is either text or background.
  Use(MakeFont(-14, "DejaVu Sans", 400, 0, GDI_QUALITY_NONANTIALIASED));
  SetTextColor(dc, 0);
  Gdi_DrawText(dc, "Hello, world", -1, &r, 0);
  int other = 0, ink = 0;
  for (int i = 0; i < W * H; ++i)
  {
    ink += px[i] == 0xFF000000u;
    other += px[i] != 0xFF000000u && px[i] != 0xFFFFFFFFu;
  }
  EXPECT_GT(ink, 0);
  EXPECT_EQ(other, 0);

  // Opaque mode fills the text's box (x, y, w, h) with the background colour first.
  Clear(0x00000000);
  SetBkMode(dc, GDI_BKMODE_OPAQUE);
  SetBkColor(dc, 0x00FF00);
  RECT m = Measure("Hi");
  RECT at = {10, 10, 150, 50};
  h = Gdi_DrawText(dc, "Hi", -1, &at, 0);
  int w = m.right - 3;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
    {
      bool inside = x >= 10 && x < 10 + w && y >= 10 && y < 10 + h;
      if (!inside) ASSERT_EQ(px[y * W + x], 0u) << x << "," << y;
      else ASSERT_EQ(px[y * W + x] >> 24, 0xFFu);
    }
  // Transparent mode leaves the background alone; alpha grows only under the glyphs.
  Clear(0x00000000);
  SetBkMode(dc, GDI_BKMODE_TRANSPARENT);
  SetTextColor(dc, 0xFFFFFF);
  Gdi_DrawText(dc, "Hi", -1, &at, 0);
  InkBox box = FindInk(px, W, H, W, 0);
  EXPECT_LT(box.count, w * h);
}

TEST_F(TextFixture, LongTextIsCutAtTheLimit)
{
  std::string longText(10000, 'A');
  RECT r = {0, 0, 0, 0};
  EXPECT_GT(Gdi_DrawText(dc, longText.c_str(), -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r.right, Width(std::string(GDI_MAX_TEXT, 'A').c_str()) + 0);
  // Ampersands removed before the limit applies; drawing the long text is safe too.
  RECT box = {0, 0, W, H};
  EXPECT_GT(Gdi_DrawText(dc, longText.c_str(), (int)longText.size(), &box, 0), 0);
  // A cut never leaves half a character: 4094 letters and a two-byte "é".
  std::string tail(GDI_MAX_TEXT - 1, 'A');
  tail += "\xC3\xA9";
  EXPECT_EQ(Width(tail.c_str()), Width(std::string(GDI_MAX_TEXT - 1, 'A').c_str()));
}

TEST_F(TextFixture, Utf8AndStrayBytes)
{
  // "é" as UTF-8 and as a lone Latin-1 byte draw the same character.
  EXPECT_EQ(Width("caf\xC3\xA9"), Width("caf\xE9"));
  EXPECT_GT(Width("caf\xC3\xA9"), Width("caf"));
  // Control characters take no space.
  EXPECT_EQ(Width("a\tb\x01"), Width("ab"));
}

TEST_F(TextFixture, ExtremeRectanglesAreSafe)
{
  RECT huge = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  for (int flags : {0, DT_RIGHT | DT_BOTTOM, DT_CENTER | DT_VCENTER})
  {
    RECT r = huge;
    EXPECT_GT(Gdi_DrawText(dc, "edge", -1, &r, flags), 0);
  }
  RECT far = {INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX};
  EXPECT_GT(Gdi_DrawText(dc, "edge", -1, &far, DT_CALCRECT), 0);
  EXPECT_EQ(far.right, INT_MAX);
  EXPECT_EQ(far.bottom, INT_MAX);
}
