// The repaint cycle, drawing operations, presented pixels and the bitmap and font caches.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "editor/BitmapStorage.h"
#include "editor/FontStorage.h"
#include "editor/IBitmapControl.h"
#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/ISwitchControl.h"
#include "editor/ITextControl.h"
#include "editor/support/EditorTestUtil.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"

using edtest::FrameColor;
using edtest::Rig;

namespace {

// Draws whatever the test asks, and counts its draws.
class FnControl : public IControl
{
public:
  FnControl(IEffectBase* plug, IRECT r, std::function<void(IGraphics*)> fn = nullptr)
    : IControl(plug, r), mFn(std::move(fn)) {}
  bool Draw(IGraphics* g) override
  {
    ++draws;
    if (mFn) mFn(g);
    return true;
  }
  int draws = 0;
  std::function<void(IGraphics*)> mFn;
};

unsigned int SurfacePixel(IGraphics* g, int x, int y)
{
  return g->GetPoint(x, y).ToPixel();
}

const unsigned int kBG = 0xFF203040u;

// A resource folder with a 200 x 100 background and a 31-frame 48 x 48 knob filmstrip.
struct ImageRig
{
  ImageRig()
  {
    dir = edtest::MakeTempDir("draw");
    Pix_MemBitmap* bg = edtest::MakeSolid(200, 100, kBG);
    Pix_MemBitmap* knob = edtest::MakeFilmstrip(48, 48, 31);
    EXPECT_TRUE(edtest::WritePNG(bg, dir, "BG"));
    EXPECT_TRUE(edtest::WritePNG(knob, dir, "KNOB"));
    delete bg;
    delete knob;
  }
  std::string dir;
};

}  // namespace

TEST(Redraw, IsDirtyUnionAndEmptyEditor)
{
  Rig rig;
  rig.Attach();
  IRECT r;
  EXPECT_FALSE(rig.gui->IsDirty(&r));
  EXPECT_TRUE(rig.gui->Draw(&r));  // no controls: nothing presented
  EXPECT_EQ(rig.gui->PresentCount(), 0);

  auto* a = new FnControl(rig.plug, IRECT(10, 10, 20, 20));
  auto* b = new FnControl(rig.plug, IRECT(50, 0, 60, 5));
  auto* c = new FnControl(rig.plug, IRECT());
  rig.gui->AttachControl(a);
  rig.gui->AttachControl(b);
  rig.gui->AttachControl(c);
  a->SetClean();
  b->SetClean();
  c->SetClean();
  r = IRECT(1, 2, 3, 4);
  EXPECT_FALSE(rig.gui->IsDirty(&r));
  EXPECT_TRUE(r == IRECT(1, 2, 3, 4));
  a->SetDirty(false);
  b->SetDirty(false);
  r = IRECT();
  EXPECT_TRUE(rig.gui->IsDirty(&r));
  EXPECT_TRUE(r == IRECT(10, 0, 60, 20));
  a->SetClean();
  b->SetClean();
  c->SetDirty(false);  // dirty but without a rectangle
  r = IRECT();
  EXPECT_TRUE(rig.gui->IsDirty(&r));
  EXPECT_TRUE(r.Empty());
}

TEST(Redraw, StrictAndNonStrictPasses)
{
  Rig rig;
  auto* bg = new FnControl(rig.plug, IRECT(0, 0, 200, 100));
  auto* left = new FnControl(rig.plug, IRECT(0, 0, 50, 50));
  auto* right = new FnControl(rig.plug, IRECT(100, 0, 150, 50));
  auto* overlap = new FnControl(rig.plug, IRECT(40, 40, 60, 60));
  for (IControl* c : {bg, left, right, overlap}) rig.gui->AttachControl(c);
  rig.Attach();

  EXPECT_TRUE(rig.gui->Tick());  // first pass draws everything
  EXPECT_EQ(left->draws + right->draws + overlap->draws + bg->draws, 4);
  EXPECT_FALSE(rig.gui->Tick());

  // Strict: a hidden dirty control is cleaned but not drawn; its area is redrawn beneath.
  right->Hide(true);
  EXPECT_TRUE(rig.gui->Tick());
  EXPECT_EQ(right->draws, 1);
  EXPECT_EQ(bg->draws, 2);
  EXPECT_TRUE(*rig.gui->LastPresentedRegion() == IRECT(100, 0, 151, 51));
  EXPECT_TRUE(rig.gui->Tick());  // the redraw request of Hide keeps it one more pass
  EXPECT_FALSE(rig.gui->Tick());

  // Non-strict: dirty controls one by one, each with what overlaps it; only it is cleaned.
  rig.gui->SetStrictDrawing(false);
  EXPECT_TRUE(rig.gui->Tick());  // everything was dirtied: the background pass
  EXPECT_TRUE(right->IsDirty());  // hidden and not the background: not cleaned
  EXPECT_EQ(right->draws, 1);
  right->Hide(false);
  right->SetClean();
  right->SetClean();
  int leftDraws = left->draws, rightDraws = right->draws, overlapDraws = overlap->draws, bgDraws = bg->draws;
  left->SetDirty(false);
  IRECT r;
  ASSERT_TRUE(rig.gui->IsDirty(&r));
  rig.gui->Draw(&r);
  EXPECT_EQ(left->draws, leftDraws + 1);
  EXPECT_EQ(overlap->draws, overlapDraws + 1);  // overlaps left, drawn with it
  EXPECT_EQ(bg->draws, bgDraws + 1);
  EXPECT_EQ(right->draws, rightDraws);
  EXPECT_FALSE(left->IsDirty());
  EXPECT_FALSE(overlap->IsDirty());
}

TEST(Redraw, KnobGesturePresentsTheMatchingFilmstripFrame)
{
  ImageRig images;
  Rig rig(200, 100, images.dir.c_str());
  rig.gui->AttachBackground(91001, "resources/img/BG.png");
  IBitmap knobBmp = rig.gui->LoadIBitmap(91002, "resources/img/KNOB.png", 31);
  ASSERT_NE(knobBmp.mData, nullptr);
  EXPECT_EQ(knobBmp.H, 48 * 31);
  auto* knob = new IKnobMultiControl(rig.plug, 20, 20, TestPlug::kGain, &knobBmp);
  rig.gui->AttachControl(knob);
  rig.Attach();

  ASSERT_TRUE(rig.gui->Tick());
  EXPECT_EQ(rig.gui->GetScreenPixel(5, 5), kBG);
  EXPECT_EQ(rig.gui->GetScreenPixel(44, 44), FrameColor(15));  // value 0.5: frame 16 of 31

  IMouseMod m(true, false);
  rig.gui->OnMouseDown(30, 30, &m);
  rig.gui->OnMouseDrag(30, 24, &m);  // +0.025: frame 17
  rig.gui->OnMouseUp(30, 24, &m);
  ASSERT_TRUE(rig.gui->Tick());
  EXPECT_TRUE(*rig.gui->LastPresentedRegion() == IRECT(20, 20, 69, 69));
  EXPECT_EQ(rig.gui->GetScreenPixel(20, 20), FrameColor(16));
  EXPECT_EQ(rig.gui->GetScreenPixel(67, 67), FrameColor(16));
  EXPECT_EQ(rig.gui->GetScreenPixel(68, 68), kBG);

  rig.gui->OnMouseDown(30, 30, &m);
  rig.gui->OnMouseDrag(30, -2000, &m);
  rig.gui->OnMouseUp(30, -2000, &m);
  rig.gui->Tick();
  EXPECT_EQ(rig.gui->GetScreenPixel(44, 44), FrameColor(30));

  rig.gui->SetParameterFromPlug(TestPlug::kGain, 0.0, true);
  rig.gui->Tick();
  EXPECT_EQ(rig.gui->GetScreenPixel(44, 44), FrameColor(0));

  // The presented surface round-trips through a PNG.
  std::string shot = images.dir + "/shot.png";
  ASSERT_TRUE(rig.gui->SaveScreenPNG(shot.c_str()));
  Pix_IBitmap* back = Pix_LoadPNG(shot.c_str(), nullptr);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Pix_GetPixel(back, 44, 44), FrameColor(0));
  EXPECT_EQ(Pix_GetPixel(back, 150, 90), kBG);
  delete back;
}

TEST(Drawing, FrameSelectionAndClippingToTheDrawRectangle)
{
  Rig rig;
  Pix_MemBitmap* strip = edtest::MakeFilmstrip(48, 48, 31);
  IBitmap rec = edtest::RecordOf(strip, 31);
  int state = 1;
  IRECT dest(0, 0, 48, 48);
  auto* c = new FnControl(rig.plug, IRECT(0, 0, 200, 100), [&](IGraphics* g) {
    IColor black = COLOR_BLACK;
    IRECT all(0, 0, 200, 100);
    g->FillIRect(&black, &all);
    g->DrawBitmap(&rec, &dest, state, nullptr);
  });
  rig.gui->AttachControl(c);
  rig.Attach();

  for (int s : {1, 2, 31})
  {
    state = s;
    IRECT r(0, 0, 200, 100);
    rig.gui->Draw(&r);
    EXPECT_EQ(SurfacePixel(rig.gui, 10, 10), FrameColor(s - 1)) << s;
  }

  // Horizontal frames pick columns.
  Pix_MemBitmap* wide = new Pix_MemBitmap(40, 10, 4);
  for (int k = 0; k < 4; ++k) Pix_FillRect(wide, k * 10, 0, 10, 10, FrameColor(k), 1.0f, 0);
  IBitmap wideRec = edtest::RecordOf(wide, 4, true);
  c->mFn = [&](IGraphics* g) {
    IRECT d(100, 50, 110, 60);
    g->DrawBitmap(&wideRec, &d, 3, nullptr);
  };
  IRECT r(0, 0, 200, 100);
  rig.gui->Draw(&r);
  EXPECT_EQ(SurfacePixel(rig.gui, 105, 55), FrameColor(2));

  // Blits are clipped to the draw rectangle: only its part of the destination changes.
  IColor white = COLOR_WHITE;
  c->mFn = [&](IGraphics* g) {
    IRECT outside(150, 60, 198, 98);
    IRECT partial(0, 0, 48, 48);
    g->DrawBitmap(&rec, &outside, 1, nullptr);  // entirely outside the draw rectangle
    g->DrawBitmap(&rec, &partial, 31, nullptr);
  };
  {
    // Start from white everywhere (FillIRect is not clipped).
    FnControl painter(rig.plug, IRECT(), [&](IGraphics* g) {
      IRECT all(0, 0, 200, 100);
      g->FillIRect(&white, &all);
    });
    painter.Draw(rig.gui);
  }
  IRECT part(10, 10, 20, 20);
  rig.gui->Draw(&part);
  EXPECT_EQ(SurfacePixel(rig.gui, 15, 15), FrameColor(30));
  EXPECT_EQ(SurfacePixel(rig.gui, 25, 25), COLOR_WHITE.ToPixel());
  EXPECT_EQ(SurfacePixel(rig.gui, 160, 70), COLOR_WHITE.ToPixel());
  EXPECT_TRUE(*rig.gui->GetDrawRECT() == part);

  delete strip;
  delete wide;
}

TEST(Drawing, PixelsOutsideTheSurfaceAndVectorOperations)
{
  Rig rig(64, 32);
  IColor red = COLOR_RED;
  EXPECT_TRUE(rig.gui->GetPoint(1, 1) == COLOR_TRANSPARENT);  // before the surface exists
  EXPECT_TRUE(rig.gui->ForcePixel(&red, 1, 1));
  rig.Attach();

  EXPECT_TRUE(rig.gui->ForcePixel(&red, 3, 4));
  EXPECT_EQ(SurfacePixel(rig.gui, 3, 4), red.ToPixel());
  for (auto xy : {std::pair<int, int>{-1, 0}, {0, -1}, {64, 0}, {0, 32}, {1 << 30, 1 << 30}})
  {
    EXPECT_TRUE(rig.gui->ForcePixel(&red, xy.first, xy.second));
    EXPECT_TRUE(rig.gui->GetPoint(xy.first, xy.second) == COLOR_TRANSPARENT);
  }

  IColor blue = COLOR_BLUE;
  IRECT box(10, 10, 20, 20);
  rig.gui->FillIRect(&blue, &box);
  EXPECT_EQ(SurfacePixel(rig.gui, 19, 19), blue.ToPixel());
  EXPECT_NE(SurfacePixel(rig.gui, 20, 20), blue.ToPixel());
  IChannelBlend half(IChannelBlend::kBlendClobber, 0.5f);
  IColor white = COLOR_WHITE;
  rig.gui->FillIRect(&white, &box, &half);
  IColor mixed = rig.gui->GetPoint(15, 15);
  EXPECT_GT(mixed.R, 100);
  EXPECT_LT(mixed.R, 160);

  IColor green = COLOR_GREEN;
  rig.gui->DrawVerticalLine(&green, 30, 2, 8);
  EXPECT_EQ(SurfacePixel(rig.gui, 30, 5), green.ToPixel());
  IRECT area(40, 0, 60, 20);
  rig.gui->DrawHorizontalLine(&green, &area, 0.0f);  // 0 is the bottom edge
  EXPECT_EQ(SurfacePixel(rig.gui, 50, 20), green.ToPixel());
  rig.gui->DrawRadialLine(&green, 5.0f, 25.0f, 0.0f, 0.0f, 4.0f);  // straight up
  EXPECT_EQ(SurfacePixel(rig.gui, 5, 22), green.ToPixel());
  rig.gui->DrawPoint(&red, 61.6f, 1.4f);
  EXPECT_EQ(SurfacePixel(rig.gui, 62, 1), red.ToPixel());
  IRECT rr(0, 0, 10, 10);
  EXPECT_TRUE(rig.gui->FillRoundRect(&red, &rr, nullptr, 3, false));
  EXPECT_EQ(SurfacePixel(rig.gui, 5, 5), red.ToPixel());
  EXPECT_TRUE(rig.gui->DrawRect(&red, &area));
  EXPECT_EQ(SurfacePixel(rig.gui, 40, 10), red.ToPixel());
  int xs[3] = {0, 10, 0}, ys[3] = {31, 31, 21};
  EXPECT_TRUE(rig.gui->FillIConvexPolygon(&blue, xs, ys, 3));
  EXPECT_TRUE(rig.gui->FillIConvexPolygon(&blue, nullptr, nullptr, 0));
  EXPECT_NE(rig.gui->GetBits(), nullptr);
}

TEST(Bitmaps, MissingOrCorruptImagesDrawNothing)
{
  std::string dir = edtest::MakeTempDir("bad");
  FILE* f = fopen((dir + "/BROKEN.png").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("\x89PNG\r\n\x1a\n this is not an image", f);
  fclose(f);

  Rig rig(64, 32, dir.c_str());
  for (const char* name : std::initializer_list<const char*>{"resources/img/NOPE.png", "resources/img/BROKEN.png",
                                                             "BROKEN.jpg", "", nullptr})
  {
    IBitmap b = rig.gui->LoadIBitmap(92001, name, 3);
    EXPECT_EQ(b.mData, nullptr);
    EXPECT_EQ(b.W, 0);
    EXPECT_EQ(b.H, 0);
  }
  IBitmap missing = rig.gui->LoadIBitmap(92002, "resources/img/NOPE.png", 31);
  auto* knob = new IKnobMultiControl(rig.plug, 0, 0, TestPlug::kGain, &missing);
  auto* bmp = new IBitmapControl(rig.plug, 0, 0, -1, &missing);
  rig.gui->AttachControl(knob);
  rig.gui->AttachControl(bmp);
  rig.gui->AttachBackground(92003, "resources/img/NOPE.png");
  rig.Attach();
  EXPECT_TRUE(rig.gui->Tick());
  EXPECT_TRUE(rig.gui->ScaleBitmap(&missing, 10, 10).mData == nullptr);
  IRECT crop(0, 0, 4, 4);
  EXPECT_TRUE(rig.gui->CropBitmap(&missing, &crop).mData == nullptr);
  int before = s_bitmapCache.Count();
  rig.gui->RetainBitmap(&missing);
  rig.gui->ReleaseBitmap(&missing);
  EXPECT_EQ(s_bitmapCache.Count(), before);
}

TEST(Bitmaps, CacheIsSharedAcrossEditorsAndOwnsDerivedBitmaps)
{
  ImageRig images;
  Rig one(200, 100, images.dir.c_str());
  Rig two(200, 100, images.dir.c_str());

  IBitmap a = one.gui->LoadIBitmap(93001, "resources/img/KNOB.png", 31);
  IBitmap b = two.gui->LoadIBitmap(93001, "somewhere/else/BG.png", 31);  // same id: first image
  EXPECT_EQ(a.mData, b.mData);
  EXPECT_EQ(b.H, 48 * 31);
  EXPECT_EQ(one.gui->LoadCount(), 1);
  EXPECT_EQ(two.gui->LoadCount(), 0);
  IBitmap upper = two.gui->LoadIBitmap(93002, "resources/img/KNOB.PNG", 31);  // found by its stem
  EXPECT_NE(upper.mData, nullptr);
  EXPECT_NE(upper.mData, a.mData);  // another id: decoded again

  int before = s_bitmapCache.Count();
  IBitmap scaled = one.gui->ScaleBitmap(&a, 24, 24 * 31);
  ASSERT_NE(scaled.mData, nullptr);
  EXPECT_EQ(scaled.N, 31);
  EXPECT_FALSE(scaled.mFramesAreHorizontal);
  EXPECT_EQ(Pix_GetPixel(scaled.mData, 12, 12), FrameColor(0));
  IRECT frame3(0, 96, 48, 144);
  IBitmap cropped = one.gui->CropBitmap(&a, &frame3);
  ASSERT_NE(cropped.mData, nullptr);
  EXPECT_EQ(cropped.W, 48);
  EXPECT_EQ(Pix_GetPixel(cropped.mData, 0, 0), FrameColor(2));
  EXPECT_EQ(s_bitmapCache.Count(), before + 2);
  one.gui->ReleaseBitmap(&scaled);
  one.gui->ReleaseBitmap(&cropped);
  EXPECT_EQ(s_bitmapCache.Count(), before);

  Pix_MemBitmap* own = edtest::MakeSolid(4, 4, 0xFF00FF00u);
  IBitmap ownRec = edtest::RecordOf(own, 1);
  one.gui->RetainBitmap(&ownRec);  // the cache owns it from now on
  EXPECT_EQ(s_bitmapCache.Count(), before + 1);
  one.gui->ReleaseBitmap(&ownRec);
  EXPECT_EQ(s_bitmapCache.Count(), before);
}

TEST(Drawing, RotatedMaskAndRotatedBitmapStayInTheirBox)
{
  Rig rig(64, 64);
  Pix_MemBitmap* base = edtest::MakeSolid(21, 21, 0xFF3366CCu);
  Pix_MemBitmap* mask = edtest::MakeSolid(21, 21, 0x80FFFFFFu);
  Pix_MemBitmap* top = edtest::MakeSolid(5, 5, 0xFFFFFFFFu);
  IBitmap baseRec = edtest::RecordOf(base, 1), maskRec = edtest::RecordOf(mask, 1), topRec = edtest::RecordOf(top, 1);
  auto* c = new IKnobRotatingMaskControl(rig.plug, 10, 10, TestPlug::kGain, &baseRec, &maskRec, &topRec);
  auto* rot = new IKnobRotaterControl(rig.plug, 40, 40, TestPlug::kGain, &topRec);
  rig.gui->AttachPanelBackground(&COLOR_BLACK);
  rig.gui->AttachControl(c);
  rig.gui->AttachControl(rot);
  rig.Attach();
  rig.gui->Tick();
  EXPECT_NE(SurfacePixel(rig.gui, 20, 20), COLOR_BLACK.ToPixel());
  EXPECT_EQ(SurfacePixel(rig.gui, 9, 9), COLOR_BLACK.ToPixel());
  EXPECT_EQ(SurfacePixel(rig.gui, 31, 31), COLOR_BLACK.ToPixel());
  EXPECT_NE(SurfacePixel(rig.gui, 42, 42), COLOR_BLACK.ToPixel());
  // Again with another angle: the scratch bitmap is reused.
  rig.gui->SetParameterFromPlug(TestPlug::kGain, 1.0, true);
  rig.gui->Tick();
  EXPECT_NE(SurfacePixel(rig.gui, 20, 20), COLOR_BLACK.ToPixel());
  delete base;
  delete mask;
  delete top;
}

TEST(Text, DrawingMeasuringAndTheFontCache)
{
  Rig rig(120, 40);
  rig.Attach();
  IText t(12, &COLOR_WHITE);
  IRECT r(10, 5, 100, 20);
  EXPECT_TRUE(rig.gui->DrawIText(&t, "", &r));
  EXPECT_TRUE(rig.gui->DrawIText(&t, nullptr, &r));
  EXPECT_EQ(t.mCached, nullptr);  // nothing drawn, no font made

  IRECT all(0, 0, 120, 40);
  rig.gui->FillIRect(&COLOR_BLACK, &all);
  EXPECT_TRUE(rig.gui->DrawIText(&t, "abc", &r));
  ASSERT_NE(t.mCached, nullptr);
  int lit = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) lit += SurfacePixel(rig.gui, x, y) != COLOR_BLACK.ToPixel();
  EXPECT_GT(lit, 5);

  IText red(12, &COLOR_RED);
  EXPECT_EQ(rig.gui->CacheFont(&red), t.mCached);  // differs only in colour: same font
  IText bold(12, &COLOR_WHITE, nullptr, IText::kStyleBold);
  EXPECT_NE(rig.gui->CacheFont(&bold), t.mCached);
  IText tiny(1, &COLOR_WHITE);
  EXPECT_NE(rig.gui->CacheFont(&tiny), nullptr);

  IRECT near(10, 5, 100, 20), centre(10, 5, 100, 20), far(10, 5, 100, 20);
  t.mAlign = IText::kAlignNear;
  rig.gui->MeasureIText(&t, const_cast<char*>("abc"), &near);
  int w = near.W(), h = near.H();
  EXPECT_EQ(near.L, 10);
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  t.mAlign = IText::kAlignCenter;
  rig.gui->MeasureIText(&t, const_cast<char*>("abc"), &centre);
  EXPECT_EQ(centre.L, 55 - w / 2);
  EXPECT_EQ(centre.W(), w);
  t.mAlign = IText::kAlignFar;
  rig.gui->MeasureIText(&t, const_cast<char*>("abc"), &far);
  EXPECT_TRUE(far == IRECT(100 - w, 5, 100, 5 + h));

  // A text control and a caption draw their text.
  auto* caption = new ICaptionControl(rig.plug, IRECT(0, 20, 120, 40), TestPlug::kGain, &t, true);
  rig.gui->AttachControl(caption);
  rig.gui->Tick();
  EXPECT_STREQ(caption->GetTextString(), "0.0 dB");
}

TEST(Drawing, ControlFamilyDrawsWhatItShows)
{
  Rig rig(120, 60);
  rig.gui->AttachPanelBackground(&COLOR_BLACK);

  // Greyed controls draw at a quarter of their weight.
  Pix_MemBitmap* white = edtest::MakeSolid(10, 20, 0xFFFFFFFFu);
  IBitmap whiteRec = edtest::RecordOf(white, 2);
  auto* greyed = new IBitmapControl(rig.plug, 0, 0, -1, &whiteRec, IChannelBlend::kBlendClobber);
  rig.gui->AttachControl(greyed);
  greyed->GrayOut(true);

  // Overlay: drawn only when on.
  auto* overlay = new IBitmapOverlayControl(rig.plug, 20, 0, TestPlug::kBypass, &whiteRec, IRECT(20, 20, 30, 30));
  rig.gui->AttachControl(overlay);

  // A line knob pointing straight up at value 0.5 with symmetric angles.
  auto* line = new IKnobLineControl(rig.plug, IRECT(40, 0, 60, 20), TestPlug::kGain, &COLOR_GREEN, 0.0, 8.0);

  // Bitmap text: glyph frames from space upward, 4 x 6 each.
  Pix_MemBitmap* glyphs = new Pix_MemBitmap(4, 6 * 40, 4);
  for (int k = 0; k < 40; ++k) Pix_FillRect(glyphs, 0, k * 6, 4, 6, FrameColor(k), 1.0f, 0);
  IBitmap glyphRec = edtest::RecordOf(glyphs, 40);
  IText nearStyle;
  nearStyle.mAlign = IText::kAlignNear;
  auto* btext = new IBitmapTextControl(rig.plug, IRECT(70, 0, 90, 6), &glyphRec, "!#", &nearStyle, 4, 6, 1,
                                       false, false);
  rig.gui->AttachControl(line);
  rig.gui->AttachControl(btext);
  rig.Attach();
  rig.gui->Tick();

  IColor g = rig.gui->GetPoint(5, 5);
  EXPECT_GT(g.R, 40);
  EXPECT_LT(g.R, 90);  // about a quarter of white over black
  EXPECT_EQ(SurfacePixel(rig.gui, 25, 5), COLOR_BLACK.ToPixel());
  EXPECT_TRUE(*overlay->GetTargetRECT() == IRECT(20, 20, 30, 30));
  EXPECT_EQ(SurfacePixel(rig.gui, 50, 4), COLOR_GREEN.ToPixel());
  EXPECT_EQ(SurfacePixel(rig.gui, 50, 16), COLOR_BLACK.ToPixel());
  EXPECT_EQ(SurfacePixel(rig.gui, 71, 2), FrameColor(1));   // '!' is frame 2
  EXPECT_EQ(SurfacePixel(rig.gui, 76, 2), FrameColor(3));   // '#' after 4 + 1 pixels
  EXPECT_EQ(SurfacePixel(rig.gui, 74, 2), COLOR_BLACK.ToPixel());

  IMouseMod m(true, false);
  rig.gui->OnMouseDown(25, 25, &m);  // the overlay's target area while off
  rig.gui->OnMouseUp(25, 25, &m);
  rig.gui->Tick();
  EXPECT_EQ(SurfacePixel(rig.gui, 25, 5), 0xFFFFFFFFu);
  EXPECT_TRUE(*overlay->GetTargetRECT() == *overlay->GetRECT());

  btext->SetTextFromPlug("!!!!!!!!");  // one line: what fits (4 characters)
  rig.gui->Tick();
  EXPECT_EQ(SurfacePixel(rig.gui, 86, 2), FrameColor(1));
  delete white;
  delete glyphs;
}
