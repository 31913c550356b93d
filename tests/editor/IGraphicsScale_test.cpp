// The editor at 100, 150 and 200 %: coordinate mapping, events, the surface and what is
// presented, bitmaps from their large versions, text at the scaled size, vector drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "editor/IBitmapControl.h"
#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/ITextControl.h"
#include "editor/support/EditorTestUtil.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_SysBitmap.h"

using edtest::Rig;

namespace {

const int kPercents[] = {100, 150, 200};

// Records where events reach it (panel coordinates).
class SpotControl : public IControl
{
public:
  SpotControl(IEffectBase* plug, IRECT r, int paramIdx = -1) : IControl(plug, r, paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
  void OnMouseDown(int x, int y, IMouseMod*) override { ++downs, lastX = x, lastY = y; }
  int downs = 0, lastX = 0, lastY = 0;
};

unsigned Rgb(unsigned p)
{
  return p & 0xFFFFFF;
}

}  // namespace

TEST(IScaleMapping, EverySurfacePixelBelongsToThePanelPixelThatDrawsIt)
{
  for (int percent : kPercents)
  {
    SCOPED_TRACE(percent);
    const IScale s(percent);
    EXPECT_EQ(s.ToSurface(1156), 1156 * percent / 100);
    EXPECT_EQ(s.ToSurface(456), 456 * percent / 100);
    for (int v = -20; v < 200; ++v) ASSERT_LT(s.ToSurface(v), s.ToSurface(v + 1)) << v;
    // Panel pixel p draws surface pixels ToSurface(p) ... ToSurface(p + 1) - 1, and exactly
    // those map back to p: drawing and hit testing agree, also left of and above the origin.
    for (int x = -30; x < 300; ++x)
    {
      const int p = s.ToPanel(x);
      ASSERT_LE(s.ToSurface(p), x) << x;
      ASSERT_LT(x, s.ToSurface(p + 1)) << x;
    }
    // Measured lengths never shrink on the way back to the panel.
    for (int len = 0; len < 100; ++len) ASSERT_GE(s.ToSurface(s.LengthToPanel(len)), len);
  }

  // Scales a host or user asks for become the nearest supported one (halfway goes up).
  const struct
  {
    double factor;
    int percent;
  } nearest[] = {{1.0, 100}, {1.24, 100}, {1.25, 150}, {1.5, 150}, {1.74, 150}, {1.75, 200},
                 {2.0, 200}, {3.0, 200}, {0.5, 100}, {0.0, 100}, {-2.0, 100}, {NAN, 100}};
  for (const auto& n : nearest) EXPECT_EQ(IScale::NearestPercent(n.factor), n.percent) << n.factor;
  EXPECT_EQ(IScale(175).mPercent, 200);
  EXPECT_EQ(IScale(120).mPercent, 100);
}

TEST(IScaleMapping, LargeImageNames)
{
  const struct
  {
    const char* name;
    const char* large;  // null: no large version possible
  } cases[] = {{"resources/img/BG.png", "resources/img/2x/BG@2x.png"},
               {"a/b.c/knob.PNG", "a/b.c/2x/knob@2x.png"},
               {"img/photo.jpg", nullptr},
               {"img/.png", nullptr}};
  for (const auto& c : cases)
  {
    char out[64];
    const bool ok = IGraphics::HiResName(c.name, out, sizeof(out));
    EXPECT_EQ(ok, c.large != nullptr) << c.name;
    EXPECT_STREQ(out, c.large ? c.large : "") << c.name;
  }
  char tiny[10];
  EXPECT_FALSE(IGraphics::HiResName("resources/img/BG.png", tiny, sizeof(tiny)));
  EXPECT_STREQ(tiny, "");
  EXPECT_FALSE(IGraphics::HiResName(nullptr, tiny, sizeof(tiny)));
}

// Events arrive in window pixels; controls see panel coordinates, so a control's edges are
// hit exactly where it is drawn (drags: TeskEditorScale.ADragMovesAKnobExactlyAsAt100Percent).
TEST(EditorScale, EventsReachControlsInPanelCoordinates)
{
  for (int percent : kPercents)
  {
    SCOPED_TRACE(percent);
    Rig rig;
    auto* c = new SpotControl(rig.plug, IRECT(10, 10, 20, 20), TestPlug::kGain);
    rig.gui->AttachControl(c);
    rig.Attach();
    ASSERT_TRUE(rig.gui->SetScale(percent) || percent == 100);
    const IScale& s = rig.gui->GetScale();
    IMouseMod left(true);

    const struct
    {
      int wx, wy;
      bool hit;
    } probes[] = {{s.ToSurface(10), s.ToSurface(10), true},         {s.ToSurface(10) - 1, s.ToSurface(15), false},
                  {s.ToSurface(20) - 1, s.ToSurface(20) - 1, true}, {s.ToSurface(20), s.ToSurface(15), false},
                  {s.ToSurface(15), s.ToSurface(10) - 1, false},    {s.ToSurface(15), s.ToSurface(20), false}};
    for (const auto& p : probes)
    {
      const int before = c->downs;
      rig.gui->OnMouseDown(p.wx, p.wy, &left);
      rig.gui->OnMouseUp(p.wx, p.wy, &left);
      EXPECT_EQ(c->downs - before, p.hit ? 1 : 0) << p.wx << "," << p.wy;
    }
    rig.gui->OnMouseDown(s.ToSurface(12), s.ToSurface(19), &left);
    rig.gui->OnMouseUp(s.ToSurface(12), s.ToSurface(19), &left);
    EXPECT_EQ(c->lastX, 12);
    EXPECT_EQ(c->lastY, 19);

    // The host places its parameter menu in the view, that is in window pixels.
    rig.plug->TakeEvents();
    IMouseMod right(false, true);
    rig.gui->OnMouseDown(s.ToSurface(15) + 1, s.ToSurface(15), &right);
    auto ev = rig.plug->TakeEvents();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].mKind, 'M');
    EXPECT_EQ(ev[0].mValue, (s.ToSurface(15) + 1) * 10000.0 + s.ToSurface(15));
  }
}

TEST(EditorScale, SurfaceAndPresentedRegionsFollowTheScale)
{
  Rig rig(200, 100);
  const IColor grey(255, 90, 90, 90);
  rig.gui->AttachPanelBackground(&grey);
  auto* c = new SpotControl(rig.plug, IRECT(10, 20, 30, 25), TestPlug::kGain);
  rig.gui->AttachControl(c);
  rig.Attach();
  rig.gui->Tick();
  for (int percent : {150, 200, 100})
  {
    SCOPED_TRACE(percent);
    const int presented = rig.gui->PresentCount();
    ASSERT_TRUE(rig.gui->SetScale(percent));
    EXPECT_FALSE(rig.gui->SetScale(percent));
    EXPECT_EQ(rig.gui->WindowWidth(), 2 * percent);
    EXPECT_EQ(rig.gui->WindowHeight(), percent);
    EXPECT_EQ(rig.gui->GetDrawBitmap()->getWidth(), 2 * percent);
    EXPECT_EQ(rig.gui->GetScreen()->getWidth(), 2 * percent);
    EXPECT_EQ(rig.gui->GetScreen()->getHeight(), percent);
    // Everything is drawn again at the new size, and the controls keep their values.
    ASSERT_TRUE(rig.gui->Tick());
    EXPECT_EQ(rig.gui->PresentCount(), presented + 1);
    EXPECT_EQ(*rig.gui->LastPresentedRegion(), rig.gui->PanelToWindow(IRECT(0, 0, 201, 101)));
    EXPECT_EQ(Rgb(rig.gui->GetScreenPixel(2 * percent - 1, percent - 1)), 0x5A5A5Au);
    EXPECT_EQ(rig.gui->NControls(), 2);
    // One control moves: the region presented is its rectangle (grown by one panel pixel to
    // the right and bottom, as a window system hands it back) in window pixels.
    rig.gui->SetParameterFromPlug(TestPlug::kGain, percent / 400.0, true);
    ASSERT_TRUE(rig.gui->Tick());
    EXPECT_EQ(*rig.gui->LastPresentedRegion(), rig.gui->PanelToWindow(IRECT(10, 20, 31, 26)));
    EXPECT_EQ(c->GetValue(), percent / 400.0);
  }
  // Unsupported percentages become the nearest supported one.
  EXPECT_TRUE(rig.gui->SetScale(180));
  EXPECT_EQ(rig.gui->GetScalePercent(), 200);
}

namespace {

// A resource folder with a two-frame image, its large version and an image without one.
struct Images
{
  Images()
  {
    dir = edtest::MakeTempDir("scale");
    mkdir((dir + "/2x").c_str(), 0755);
    // 1x: frames of 4 x 3 in two colours.
    std::unique_ptr<Pix_MemBitmap> small(new Pix_MemBitmap(4, 6, 4));
    Pix_FillRect(small.get(), 0, 0, 4, 3, kFrame[0], 1.f, 0);
    Pix_FillRect(small.get(), 0, 3, 4, 3, kFrame[1], 1.f, 0);
    EXPECT_TRUE(edtest::WritePNG(small.get(), dir, "pat"));
    // 2x: the same frames with a fine checkerboard of two other shades inside each frame.
    std::unique_ptr<Pix_MemBitmap> large(new Pix_MemBitmap(8, 12, 4));
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 8; ++x)
        large->getBits()[y * large->getRowSpan() + x] = Checker(x, y);
    EXPECT_TRUE(edtest::WritePNG(large.get(), dir + "/2x", "pat@2x"));
    std::unique_ptr<Pix_MemBitmap> solo(new Pix_MemBitmap(2, 2, 4));
    for (int i = 0; i < 4; ++i) solo->getBits()[(i / 2) * solo->getRowSpan() + i % 2] = kSolo[i];
    EXPECT_TRUE(edtest::WritePNG(solo.get(), dir, "solo"));
  }
  static unsigned Checker(int x, int y)
  {
    const int frame = y / 6;
    return ((x + y) % 2 ? kLight : kDark)[frame];
  }
  static constexpr unsigned kFrame[2] = {0xFF808080u, 0xFF2040C0u};
  static constexpr unsigned kLight[2] = {0xFFC0C0C0u, 0xFF4060E0u};
  static constexpr unsigned kDark[2] = {0xFF404040u, 0xFF0020A0u};
  static constexpr unsigned kSolo[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  std::string dir;
};

}  // namespace

// 100 % draws the image itself, 200 % its large version pixel for pixel, 150 % the large
// version area-averaged without bleeding in the neighbouring frame; the large version is read
// once and only when needed. An image without one is enlarged without blur (at 150 % a pixel
// straddling two of its pixels mixes them).
TEST(EditorScale, BitmapsDrawFromTheirLargeVersions)
{
  Images images;
  int patLoads = 0, soloLoads = 0;
  for (int percent : {100, 200, 150, 200})
  {
    SCOPED_TRACE(percent);
    Rig rig(20, 20, images.dir.c_str());
    IBitmap pat = rig.gui->LoadIBitmap(7101, "img/pat.png", 2);
    IBitmap solo = rig.gui->LoadIBitmap(7102, "img/solo.png", 1);
    auto* frames = new IBitmapControl(rig.plug, 2, 3, TestPlug::kLink, &pat);  // Link 0..1: frame 2 at 1
    rig.gui->AttachControl(frames);
    rig.gui->AttachControl(new IBitmapControl(rig.plug, 10, 10, &solo));
    rig.Attach();
    rig.gui->SetParameterFromPlug(TestPlug::kLink, 1.0, true);
    rig.gui->SetScale(percent);
    rig.gui->Tick();
    for (const std::string& n : rig.gui->LoadedNames())
    {
      patLoads += n == "img/2x/pat@2x.png";
      soloLoads += n == "img/2x/solo@2x.png";
    }

    const IScale& s = rig.gui->GetScale();
    // The second frame at (2, 3), 4 x 3 panel pixels.
    for (int y = s.ToSurface(3); y < s.ToSurface(6); ++y)
      for (int x = s.ToSurface(2); x < s.ToSurface(6); ++x)
      {
        const unsigned got = rig.gui->GetScreenPixel(x, y);
        if (percent == 100)
          ASSERT_EQ(got, Images::kFrame[1]);
        else if (percent == 200)
          ASSERT_EQ(got, Images::Checker(x - 4, y - 6 + 6));
        else
        {
          // Between the two shades of the second frame, never towards the first frame's.
          for (int c = 0; c < 3; ++c)
          {
            const int v = (got >> (8 * c)) & 0xFF;
            const int a = (Images::kLight[1] >> (8 * c)) & 0xFF, b = (Images::kDark[1] >> (8 * c)) & 0xFF;
            ASSERT_GE(v, std::min(a, b)) << x << "," << y;
            ASSERT_LE(v, std::max(a, b)) << x << "," << y;
          }
        }
      }
    // No large version: each pixel becomes a sharp block.
    for (int i = 0; i < 4 && percent != 150; ++i)
    {
      const int px = 10 + i % 2, py = 10 + i / 2;
      for (int y = s.ToSurface(py); y < s.ToSurface(py + 1); ++y)
        for (int x = s.ToSurface(px); x < s.ToSurface(px + 1); ++x)
          ASSERT_EQ(rig.gui->GetScreenPixel(x, y), Images::kSolo[i]) << percent << ": " << x << "," << y;
    }
  }
  // The bitmap cache is process-wide: one read of a large version for all three editors, and
  // one look for a large version that does not exist.
  EXPECT_EQ(patLoads, 1);
  EXPECT_EQ(soloLoads, 1);
}

// Text at 200 % is drawn with the font at twice the size: exactly what a 100 % editor draws
// with a twice-as-large style in a twice-as-large rectangle.
TEST(EditorScale, TextIsDrawnWithTheScaledFont)
{
  const IColor white(255, 255, 255, 255), black(255, 0, 0, 0);
  IText small(12, &black, "DejaVu Sans"), large(24, &black, "DejaVu Sans");
  Rig scaled(100, 40), plain(200, 80);
  scaled.gui->AttachPanelBackground(&white);
  plain.gui->AttachPanelBackground(&white);
  scaled.gui->AttachControl(new ITextControl(scaled.plug, IRECT(5, 5, 95, 35), &small, "Gain -1.50 dB"));
  plain.gui->AttachControl(new ITextControl(plain.plug, IRECT(10, 10, 190, 70), &large, "Gain -1.50 dB"));
  scaled.Attach();
  plain.Attach();
  scaled.gui->SetScale(200);
  scaled.gui->Tick();
  plain.gui->Tick();
  int ink = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 200; ++x)
    {
      ASSERT_EQ(scaled.gui->GetScreenPixel(x, y), plain.gui->GetScreenPixel(x, y)) << x << "," << y;
      ink += Rgb(plain.gui->GetScreenPixel(x, y)) != 0xFFFFFFu;
    }
  EXPECT_GT(ink, 100);

  // Measuring gives panel pixels: half the large text's size, rounded up.
  IRECT m(0, 0, 0, 0), n(0, 0, 0, 0);
  char text[] = "Gain -1.50 dB";
  scaled.gui->MeasureIText(&small, text, &m);
  plain.gui->MeasureIText(&large, text, &n);
  EXPECT_EQ(m.W(), (n.W() + 1) / 2);
  EXPECT_EQ(m.H(), (n.H() + 1) / 2);
}

// The scale an editor opens at: the user's choice (saved by the platform, or made in this
// editor when it could not be saved), else the host's display scale, else 100 %.
TEST(EditorScale, TheUsersChoiceComesBeforeTheHostsFactor)
{
  const struct
  {
    int saved;          // the platform's preference (0: none)
    int chosenUnsaved;  // chosen in this editor's menu, saving failed (0: none)
    double host;        // the host's factor (0: none)
    int percent;
  } cases[] = {
      {0, 0, 0.0, 100},   {0, 0, 2.0, 200},   {0, 0, 1.3, 150},   {150, 0, 0.0, 150},
      {150, 0, 2.0, 150}, {100, 0, 2.0, 100}, {175, 0, 1.0, 200}, {150, 200, 1.0, 200},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.saved << " " << c.chosenUnsaved << " " << c.host);
    Rig rig(200, 100);
    IColor grey(255, 90, 90, 90);
    rig.gui->AttachPanelBackground(&grey);
    rig.Attach();
    if (c.chosenUnsaved)
    {
      rig.gui->SetCanSaveScale(false);
      rig.gui->ScriptMenuChoice(1 + (c.chosenUnsaved - 100) / 50);
      IMouseMod right(false, true);
      rig.gui->OnMouseDown(5, 5, &right);
    }
    rig.gui->SetSavedScale(c.saved);
    rig.gui->SetHostScaleFactor(c.host);
    EXPECT_EQ(rig.gui->PreferredScalePercent(), c.percent);
    EXPECT_EQ(rig.gui->GetScalePercent(), c.percent);  // the host's factor applies at once
    rig.gui->SetScale(100);
    EXPECT_EQ(rig.gui->ApplyPreferredScale(), c.percent != 100);
    EXPECT_EQ(rig.gui->GetScalePercent(), c.percent);
  }
}

// A right click on the panel's background opens Tesk's scale menu (on a parameter control it
// stays the host's menu); a choice applies, is saved and asks the host for the new size.
TEST(EditorScale, TheBackgroundsMenuChoosesAndSavesTheScale)
{
  Rig rig(200, 100);
  IColor grey(255, 90, 90, 90);
  rig.gui->AttachPanelBackground(&grey);
  rig.gui->AttachControl(new SpotControl(rig.plug, IRECT(10, 10, 20, 20), TestPlug::kGain));
  rig.Attach();
  rig.plug->TakeEvents();
  IMouseMod right(false, true);

  rig.gui->ScriptMenuChoice(3);  // "200 %"
  rig.gui->OnMouseDown(100, 50, &right);
  rig.gui->OnMouseUp(100, 50, &right);
  ASSERT_EQ(rig.gui->Menus().size(), 1u);
  const auto& menu = rig.gui->Menus()[0];
  EXPECT_EQ(menu.mLabels, (std::vector<std::string>{"Editor size", "100 %", "150 %", "200 %"}));
  EXPECT_EQ(menu.mFlags, (std::vector<int>{IPopupMenuItem::kDisabled, IPopupMenuItem::kChecked, 0, 0}));
  EXPECT_EQ(menu.mRect, IRECT(100, 50, 101, 51));  // at the pointer, in panel coordinates
  EXPECT_EQ(rig.gui->GetScalePercent(), 200);
  EXPECT_EQ(rig.gui->GetSavedScale(), 200);
  EXPECT_EQ(rig.plug->mResizedW, 400);
  EXPECT_EQ(rig.plug->mResizedH, 200);
  EXPECT_EQ(rig.plug->TakeEventKinds(), "");  // no edit gesture

  // At 200 % the same place is at twice the window pixels; the current scale is checked, and
  // closing the menu without a choice changes nothing.
  rig.gui->OnMouseDown(200, 100, &right);
  ASSERT_EQ(rig.gui->Menus().size(), 2u);
  EXPECT_EQ(rig.gui->Menus()[1].mFlags, (std::vector<int>{IPopupMenuItem::kDisabled, 0, 0, IPopupMenuItem::kChecked}));
  EXPECT_EQ(rig.gui->GetScalePercent(), 200);

  // A parameter control's right click is the host's menu, not the scale menu.
  rig.gui->OnMouseDown(30, 30, &right);
  EXPECT_EQ(rig.gui->Menus().size(), 2u);
  EXPECT_EQ(rig.plug->TakeEventKinds(), "M");

  // Closed, the editor changes scale without asking the host (it asks the size on opening).
  rig.gui->CloseWindow();
  rig.plug->mResizedW = 0;
  EXPECT_TRUE(rig.gui->SetScale(150));
  EXPECT_EQ(rig.plug->mResizedW, 0);
}
