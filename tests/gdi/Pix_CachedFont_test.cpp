// The cached font: native and glyph-cache paths, glyph flags, UTF-8, alignment and measuring.

#include "gdi/Gdi.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_SysBitmap.h"
#include "support/GdiTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace
{
const int W = 240, H = 64;

HGDIOBJ__* MakeFont(int height, const char* face = "DejaVu Sans")
{
  return CreateFont(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, face);
}

// A font owning its shim handle.
std::unique_ptr<Pix_CachedFont> MakeCached(int flags, int height = -14)
{
  auto f = std::make_unique<Pix_CachedFont>();
  f->SetFromHFont(MakeFont(height), flags | Pix_FontOwnsHandle);
  f->SetTextColor(0xFF000000);
  return f;
}

InkBox Ink(const Pix_IBitmap& b)
{
  return FindInk(b.getBits(), b.getWidth(), b.getHeight(), b.getRowSpan(), 0xFFFFFFFF);
}

// Sum of darkness (255 - blue) over the bitmap.
long Darkness(const Pix_IBitmap& b)
{
  long sum = 0;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x) sum += 255 - (b.getBits()[y * b.getRowSpan() + x] & 0xFF);
  return sum;
}

int MeasureWidth(Pix_CachedFont& f, const char* text, int flags = 0)
{
  Pix_Rect r = {5, 7, 5, 7};
  f.DrawText(nullptr, text, -1, &r, flags | Pix_TextCalcRect);
  return r.right - 5;
}
} // namespace

TEST(PixCachedFont, BothPathsDrawTheSameLabel)
{
  auto native = MakeCached(Pix_FontPreferNative);
  auto cached = MakeCached(0);
  ASSERT_TRUE(native->UsesNativeRendering(0));
  ASSERT_FALSE(cached->UsesNativeRendering(0));
  EXPECT_EQ(native->GetLineHeight(), cached->GetLineHeight());
  TEXTMETRIC tm;
  HDC__* dc = Gdi_CreateMemContext(nullptr, 4, 4);
  SelectObject(dc, native->GetHFont());
  GetTextMetrics(dc, &tm);
  Gdi_DeleteGfxContext(dc);
  EXPECT_EQ(native->GetLineHeight(), tm.tmHeight);

  const char* label = "Tesk Drive 4.5 dB -3";
  Pix_SysBitmap a(W, H), b(W, H);
  Pix_Clear(&a, 0xFFFFFFFF);
  Pix_Clear(&b, 0xFFFFFFFF);
  Pix_Rect r = {4, 4, W, H};
  EXPECT_GT(native->DrawText(&a, label, -1, &r, 0), 0);
  EXPECT_EQ(cached->DrawText(&b, label, -1, &r, 0), cached->GetLineHeight());
  InkBox ia = Ink(a), ib = Ink(b);
  ASSERT_FALSE(ia.Empty());
  // Each cached character is placed on whole pixels and rounded on its own, so the two paths
  // may drift apart by about a pixel every few characters: allow 4 over 20 characters.
  EXPECT_NEAR(ia.left, ib.left, 1);
  EXPECT_NEAR(ia.right, ib.right, 4);
  EXPECT_NEAR(ia.top, ib.top, 1);
  EXPECT_NEAR(ia.bottom, ib.bottom, 1);
  // The cached path weights full coverage at 255 / 256, so it is a little lighter.
  long da = Darkness(a), db = Darkness(b);
  EXPECT_NEAR((double)db / da, 1.0, 0.1);

  // Measured widths agree within the same drift.
  EXPECT_NEAR(MeasureWidth(*native, label), MeasureWidth(*cached, label), 4);
}

TEST(PixCachedFont, NativePathWithoutADrawingContextMatchesTheSystemBitmap)
{
  auto font = MakeCached(Pix_FontPreferNative);
  Pix_SysBitmap sys(W, H);
  Pix_MemBitmap mem(W, H, 4);
  Pix_Clear(&sys, 0xFF336699);
  Pix_Clear(&mem, 0xFF336699);
  font->SetTextColor(0xFFFFEE00);
  Pix_Rect r = {10, 10, 200, 50};
  int h1 = font->DrawText(&sys, "Native 123", -1, &r, Pix_TextCenter | Pix_TextVCenter);
  int h2 = font->DrawText(&mem, "Native 123", -1, &r, Pix_TextCenter | Pix_TextVCenter);
  EXPECT_EQ(h1, h2);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_EQ(sys.getBits()[y * sys.getRowSpan() + x], mem.getBits()[y * mem.getRowSpan() + x]) << x << "," << y;
}

TEST(PixCachedFont, PathChoice)
{
  auto f = MakeCached(Pix_FontPreferNative);
  EXPECT_TRUE(f->UsesNativeRendering(Pix_TextCenter | Pix_TextSingleLine));
  EXPECT_FALSE(f->UsesNativeRendering(Pix_TextUseColorAlpha));
  f->SetLineSpacingAdjust(3);
  EXPECT_FALSE(f->UsesNativeRendering(0));
  EXPECT_TRUE(f->UsesNativeRendering(Pix_TextSingleLine));
  for (int flag : {Pix_FontVertical, Pix_FontAsciiOnly, Pix_FontBlur, Pix_FontInvert, Pix_FontMono, Pix_FontShadow,
                   Pix_FontOutline})
  {
    auto g = MakeCached(Pix_FontPreferNative | flag);
    EXPECT_FALSE(g->UsesNativeRendering(0)) << flag;
  }
  // Very large fonts always go through the shim.
  auto big = MakeCached(0, -300);
  EXPECT_TRUE(big->UsesNativeRendering(Pix_TextUseColorAlpha));
  // No handle: nothing is drawn on either path.
  Pix_CachedFont none;
  Pix_SysBitmap b(8, 8);
  Pix_Rect r = {0, 0, 8, 8};
  EXPECT_FALSE(none.UsesNativeRendering(0));
  EXPECT_EQ(none.DrawText(&b, "x", -1, &r, 0), 0);
  EXPECT_FALSE(none.DrawGlyph(&b, 'x', 0, 0, nullptr));
}

TEST(PixCachedFont, LineFeedsAndMeasuring)
{
  auto f = MakeCached(0);
  const int lh = f->GetLineHeight();
  ASSERT_GT(lh, 0);
  Pix_SysBitmap b(W, H);
  Pix_Clear(&b, 0xFFFFFFFF);
  Pix_Rect r = {0, 0, W, H};
  // Measuring sets the rectangle and draws nothing.
  Pix_Rect m = {3, 4, 0, 0};
  EXPECT_EQ(f->DrawText(&b, "A\nB", -1, &m, Pix_TextCalcRect), 2 * lh);
  EXPECT_EQ(m.right - 3, std::max(MeasureWidth(*f, "A"), MeasureWidth(*f, "B")));
  EXPECT_EQ(m.bottom - 4, 2 * lh);
  EXPECT_TRUE(Ink(b).Empty());
  // Single line: A, a space and B.
  EXPECT_EQ(MeasureWidth(*f, "A\nB", Pix_TextSingleLine), MeasureWidth(*f, "A B"));
  EXPECT_EQ(f->DrawText(&b, "A\r\nB", -1, &m, Pix_TextCalcRect | Pix_TextSingleLine), lh);
  // Carriage returns take no room; empty text returns 0.
  EXPECT_EQ(MeasureWidth(*f, "A\rB"), MeasureWidth(*f, "AB"));
  Pix_Rect e = {1, 2, 3, 4};
  EXPECT_EQ(f->DrawText(&b, "", -1, &e, Pix_TextCalcRect), 0);
  EXPECT_EQ(f->DrawText(&b, "\r", -1, &e, Pix_TextCalcRect), 0);
  EXPECT_EQ(e.right, 3);

  // Drawn: the second line one line height (plus adjustment) below the first.
  f->SetLineSpacingAdjust(5);
  f->DrawText(&b, "I\nI", -1, &r, 0);
  InkBox two = Ink(b);
  Pix_Clear(&b, 0xFFFFFFFF);
  f->DrawText(&b, "I", -1, &r, 0);
  InkBox one = Ink(b);
  EXPECT_EQ(two.bottom - one.bottom, lh + 5);
  EXPECT_EQ(f->DrawText(&b, "I\nI", -1, &m, Pix_TextCalcRect), 2 * lh + 5);
}

TEST(PixCachedFont, AlignmentInTheGlyphCache)
{
  auto f = MakeCached(0);
  Pix_SysBitmap b(W, H);
  const char* text = "Align";
  const int tw = MeasureWidth(*f, text), th = f->GetLineHeight();
  Pix_Rect box = {20, 6, 220, 60};
  auto inkWith = [&](int flags) {
    Pix_Clear(&b, 0xFFFFFFFF);
    Pix_Rect r = box;
    f->DrawText(&b, text, -1, &r, flags | Pix_TextNoClip);
    return Ink(b);
  };
  InkBox left = inkWith(0), right = inkWith(Pix_TextRight), centre = inkWith(Pix_TextCenter);
  InkBox bottom = inkWith(Pix_TextBottom), middle = inkWith(Pix_TextVCenter);
  EXPECT_EQ(right.left - left.left, 200 - tw);
  EXPECT_EQ(centre.left - left.left, (200 - tw) / 2);
  EXPECT_EQ(bottom.top - left.top, 54 - th);
  EXPECT_EQ(middle.top - left.top, (54 - th) / 2);
  // Clipped to the rectangle unless told otherwise.
  Pix_Clear(&b, 0xFFFFFFFF);
  Pix_Rect narrow = {20, 6, 35, 60};
  f->DrawText(&b, text, -1, &narrow, 0);
  InkBox clipped = Ink(b);
  EXPECT_GE(clipped.left, 20);
  EXPECT_LE(clipped.right, 35);
}

TEST(PixCachedFont, ColourAlphaAndBackground)
{
  auto f = MakeCached(Pix_FontPreferNative, -40); // stems wide enough for full coverage
  Pix_SysBitmap b(W, H);
  Pix_Clear(&b, 0xFFFFFFFF);
  Pix_Rect r = {0, 0, W, H};
  // A translucent colour with the colour-alpha flag goes through the cache at half opacity.
  f->SetTextColor(0x80000000);
  EXPECT_FALSE(f->UsesNativeRendering(Pix_TextUseColorAlpha));
  f->DrawText(&b, "IIII", -1, &r, Pix_TextUseColorAlpha);
  int darkest = 255;
  for (int i = 0; i < W * H; ++i) darkest = std::min<int>(darkest, b.getBits()[i] & 0xFF);
  EXPECT_NEAR(darkest, 128, 3);
  // Alpha 0 draws nothing.
  Pix_Clear(&b, 0xFFFFFFFF);
  f->SetTextColor(0x00000000);
  EXPECT_EQ(f->DrawText(&b, "IIII", -1, &r, Pix_TextUseColorAlpha), 0);
  EXPECT_TRUE(Ink(b).Empty());

  // Opaque background fills each glyph cell first.
  auto g = MakeCached(0);
  g->SetBkMode(1);
  g->SetBkColor(0xFF00FF00);
  Pix_Clear(&b, 0xFFFFFFFF);
  g->DrawText(&b, "M", -1, &r, 0);
  const Pix_CachedFont::Glyph* m = g->GetGlyph('M');
  ASSERT_NE(m, nullptr);
  int green = 0;
  for (int i = 0; i < W * H; ++i) green += b.getBits()[i] == 0xFF00FF00u;
  EXPECT_GT(green, 0);
  EXPECT_LE(green, m->width * m->height);
}

TEST(PixCachedFont, Utf8Decoding)
{
  auto f = MakeCached(0);
  // A stray 0xE9 is the character U+00E9, like its two-byte form.
  EXPECT_EQ(MeasureWidth(*f, "\xE9"), MeasureWidth(*f, "\xC3\xA9"));
  EXPECT_GT(MeasureWidth(*f, "\xE9"), 0);
  // Four-byte characters are drawn as a space.
  EXPECT_EQ(MeasureWidth(*f, "a\xF0\x9F\x8E\xB5" "b"), MeasureWidth(*f, "a b"));
  // A lead byte with a broken continuation: each byte stands for itself.
  EXPECT_EQ(MeasureWidth(*f, "\xC3" "A"), MeasureWidth(*f, "\xC3\x83" "A"));
  // Three-byte characters go to the sorted extra list.
  EXPECT_GT(MeasureWidth(*f, "\xE2\x82\xAC"), 0); // euro sign
  const auto* euro = f->GetGlyph(0x20AC);
  const auto* eAcute = f->GetGlyph(0xE9);
  ASSERT_NE(euro, nullptr);
  ASSERT_NE(eAcute, nullptr);
  EXPECT_EQ(euro->codePoint, 0x20AC);
  EXPECT_EQ(f->GetGlyph(0x20AC), euro); // found again, not rendered twice

  // ASCII-only fonts skip everything else.
  auto ascii = MakeCached(Pix_FontAsciiOnly);
  EXPECT_NE(ascii->GetGlyph('a'), nullptr);
  EXPECT_NE(ascii->GetGlyph('a')->offset, 0); // rendered at once
  EXPECT_EQ(ascii->GetGlyph(0xE9), nullptr);
  EXPECT_EQ(MeasureWidth(*ascii, "a\xC3\xA9"), MeasureWidth(*ascii, "a"));
}

TEST(PixCachedFont, GlyphFlagsShapeTheMasks)
{
  auto plain = MakeCached(0, -20);
  const auto* g = plain->GetGlyph('O');
  ASSERT_NE(g, nullptr);
  ASSERT_GT(g->width, 0);
  const uint8_t* mask = plain->GetMask(g);
  auto count = [](const uint8_t* m, int n, int lo, int hi) {
    int c = 0;
    for (int i = 0; i < n; ++i) c += m[i] >= lo && m[i] <= hi;
    return c;
  };
  const int n = g->width * g->height;
  EXPECT_GT(count(mask, n, 1, 254), 0); // antialiased
  // Columns are trimmed to the ink: first and last columns have coverage.
  bool firstCol = false, lastCol = false;
  for (int y = 0; y < g->height; ++y)
  {
    firstCol |= mask[y * g->width] != 0;
    lastCol |= mask[y * g->width + g->width - 1] != 0;
  }
  EXPECT_TRUE(firstCol && lastCol);
  EXPECT_GT(g->advance, g->width - 2);

  auto mono = MakeCached(Pix_FontMono, -20);
  const auto* gm = mono->GetGlyph('O');
  EXPECT_EQ(count(mono->GetMask(gm), gm->width * gm->height, 1, 254), 0);

  auto inverted = MakeCached(Pix_FontInvert, -20);
  const auto* gi = inverted->GetGlyph('O');
  // The background becomes full coverage, so the mask keeps the whole cell width.
  EXPECT_GT(gi->width, g->width);
  EXPECT_GT(count(inverted->GetMask(gi), gi->width * gi->height, 255, 255), n / 2);

  auto blurred = MakeCached(Pix_FontBlur, -20);
  const auto* gb = blurred->GetGlyph('O');
  EXPECT_GT(count(blurred->GetMask(gb), gb->width * gb->height, 1, 255), count(mask, n, 1, 255));

  for (int effect : {Pix_FontShadow, Pix_FontOutline})
  {
    auto fx = MakeCached(effect, -20);
    const auto* ge = fx->GetGlyph('O');
    const uint8_t* me = fx->GetMask(ge);
    const int ne = ge->width * ge->height;
    EXPECT_EQ(count(me, ne, 1, 127) + count(me, ne, 129, 254), 0) << effect;
    EXPECT_GT(count(me, ne, 128, 128), 0) << effect;
    EXPECT_GT(count(me, ne, 255, 255), 0) << effect;
    // Effect pixels draw in the effect colour, glyph pixels in the text colour.
    Pix_SysBitmap b(60, 40);
    Pix_Clear(&b, 0xFFFFFFFF);
    fx->SetEffectColor(0xFFFF0000);
    Pix_Rect r = {0, 0, 60, 40};
    fx->DrawText(&b, "O", -1, &r, 0);
    int red = 0, black = 0;
    for (int i = 0; i < b.getRowSpan() * 40; ++i)
    {
      red += (b.getBits()[i] & 0xFFFFFF) == 0xFF0000;
      black += (b.getBits()[i] & 0xFFFFFF) == 0x000000;
    }
    EXPECT_EQ(red, count(me, ne, 128, 128)) << effect;
    EXPECT_EQ(black, count(me, ne, 255, 255)) << effect;
  }
  // The shadow lies to the lower right: the last row and column hold shadow only.
  auto shadow = MakeCached(Pix_FontShadow, -20);
  const auto* gs = shadow->GetGlyph('l');
  const uint8_t* ms = shadow->GetMask(gs);
  for (int y = 0; y < gs->height; ++y) EXPECT_NE(ms[y * gs->width + gs->width - 1], 255);
}

TEST(PixCachedFont, VerticalTextTurnsMasksAndMovesThePenDown)
{
  auto h = MakeCached(0, -20);
  auto down = MakeCached(Pix_FontVertical, -20);
  auto up = MakeCached(Pix_FontVertical | Pix_FontBottomUp, -20);
  const auto* gh = h->GetGlyph('L');
  const auto* gd = down->GetGlyph('L');
  const auto* gu = up->GetGlyph('L');
  ASSERT_GT(gh->width, 0);
  EXPECT_EQ(gd->width, gh->height);
  EXPECT_EQ(gd->height, gh->width);
  ASSERT_EQ(gu->width, gd->width);
  ASSERT_EQ(gu->height, gd->height);
  // Top-down and bottom-up masks are half a turn apart.
  const uint8_t* md = down->GetMask(gd);
  const uint8_t* mu = up->GetMask(gu);
  const int n = gd->width * gd->height;
  for (int i = 0; i < n; ++i) ASSERT_EQ(md[i], mu[n - 1 - i]);

  Pix_SysBitmap b(W, H * 3);
  Pix_Clear(&b, 0xFFFFFFFF);
  Pix_Rect r = {10, 10, W, H * 3};
  int width = down->DrawText(&b, "LLLL", -1, &r, 0);
  EXPECT_EQ(width, down->GetLineHeight());
  InkBox ink = Ink(b);
  EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left));
  Pix_Rect m = {0, 0, 0, 0};
  EXPECT_EQ(down->DrawText(&b, "LLLL", -1, &m, Pix_TextCalcRect), down->GetLineHeight());
  EXPECT_EQ(m.bottom, 4 * gh->advance);
  // Bottom-up text fills the same rows of the rectangle from the other end.
  Pix_Clear(&b, 0xFFFFFFFF);
  up->DrawText(&b, "LLLL", -1, &r, 0);
  InkBox inkUp = Ink(b);
  EXPECT_NEAR(inkUp.top, ink.top, 3);
  EXPECT_NEAR(inkUp.bottom, ink.bottom, 3);
}

TEST(PixCachedFont, CombineModesAndGlyphDrawing)
{
  auto f = MakeCached(Pix_FontMono, -20);
  Pix_SysBitmap b(40, 40);
  Pix_Clear(&b, 0xFF404040);
  f->SetTextColor(0xFF202020);
  f->SetCombineMode(Pix_ModeAdd, 1.f);
  EXPECT_TRUE(f->DrawGlyph(&b, 'I', 10, 5, nullptr));
  int added = 0;
  for (int i = 0; i < b.getRowSpan() * 40; ++i) added += b.getBits()[i] == 0xFF606060u;
  EXPECT_GT(added, 0);
  // Clipped away entirely: nothing drawn.
  Pix_Rect off = {0, 0, 5, 5};
  EXPECT_FALSE(f->DrawGlyph(&b, 'I', 30, 30, &off));
  EXPECT_FALSE(f->DrawGlyph(&b, ' ', 10, 5, nullptr));
  EXPECT_FALSE(f->DrawGlyph(nullptr, 'I', 10, 5, nullptr));
}

TEST(PixCachedFont, HandlesAndScratchLifetime)
{
  Gdi_Cleanup();
  const int fontsBefore = Gdi_GetLiveFontCount();
  const int cachedBefore = Pix_CachedFont::GetLiveFontCount();
  {
    Pix_CachedFont f;
    EXPECT_EQ(Pix_CachedFont::GetLiveFontCount(), cachedBefore + 1);
    HGDIOBJ__* a = MakeFont(12);
    HGDIOBJ__* b = MakeFont(13);
    f.SetFromHFont(a, Pix_FontOwnsHandle);
    f.SetFromHFont(a, Pix_FontOwnsHandle); // the same handle is kept
    EXPECT_EQ(Gdi_GetFontSize(a), 12);
    f.SetFromHFont(b, Pix_FontOwnsHandle); // the owned old handle goes
    EXPECT_EQ(Gdi_GetFontSize(a), 0);
    HGDIOBJ__* c = MakeFont(14);
    f.SetFromHFont(c, 0); // b was owned: deleted; c is not owned
    EXPECT_EQ(Gdi_GetFontSize(b), 0);
    f.SetFromHFont(nullptr, 0);
    EXPECT_EQ(Gdi_GetFontSize(c), 14);
    DeleteObject(c);
  }
  EXPECT_EQ(Pix_CachedFont::GetLiveFontCount(), cachedBefore);
  EXPECT_EQ(Gdi_GetLiveFontCount(), fontsBefore);
}

TEST(PixCachedFont, LongAndBadInput)
{
  auto f = MakeCached(0);
  auto n = MakeCached(Pix_FontPreferNative);
  Pix_SysBitmap b(W, H);
  Pix_Rect r = {0, 0, W, H};
  std::string longText(20000, 'x');
  EXPECT_EQ(f->DrawText(&b, longText.c_str(), -1, &r, 0), f->GetLineHeight());
  EXPECT_GT(n->DrawText(&b, longText.c_str(), -1, &r, 0), 0);
  EXPECT_EQ(f->DrawText(&b, nullptr, -1, &r, 0), 0);
  EXPECT_EQ(f->DrawText(&b, "x", -1, nullptr, 0), 0);
  EXPECT_EQ(f->DrawText(&b, "x", -5, &r, 0), 0);
  EXPECT_EQ(f->DrawText(nullptr, "x", -1, &r, 0), 0);
  EXPECT_EQ(n->DrawText(nullptr, "x", -1, &r, 0), 0);
  // A byte count never reads past a terminating zero.
  Pix_Rect m = {5, 7, 5, 7};
  f->DrawText(nullptr, "ab\0cd", 5, &m, Pix_TextCalcRect);
  EXPECT_EQ(m.right - 5, MeasureWidth(*f, "ab"));
}
