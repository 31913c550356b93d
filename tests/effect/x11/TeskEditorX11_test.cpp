// Tesk's editor inside a host window on the X server scripts/test starts: the built bundle
// is loaded through its entry points, its view is attached with "X11EmbedWindowID", the
// host's run loop drives it, and real pointer events (XTest) move its controls.
// GoogleTest comes first: Xlib defines macros that clash with its names.
#include <gtest/gtest.h>

#include "X11TestHost.h"
#include "editor/IPopupMenu.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "platform/x11/X11TestUser.h"
#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"
#include "vst3/IEditorSnapshot.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>
#include <memory>
#include <string>

using namespace Steinberg;

namespace {

constexpr int kW = 1156, kH = 456;

std::string TempPng(const char* tag)
{
  return std::string("/tmp/tesk-x11-") + tag + "-" + std::to_string(getpid()) + ".png";
}

class TeskEditorX11 : public ::testing::Test
{
protected:
  void SetUp() override
  {
    d = std::getenv("DISPLAY") ? XOpenDisplay(nullptr) : nullptr;
    int ev, err, major, minor;
    TESK_REQUIRE_X_SERVER(d && XTestQueryExtension(d, &ev, &err, &major, &minor), "no X server with XTest");
    // The user's settings of this test alone: no scale chosen yet.
    char tmpl[] = "/tmp/tesk-x11-config-XXXXXX";
    configDir = mkdtemp(tmpl);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadConfig = old != nullptr;
    if (old) oldConfig = old;
    setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
    NewHostWindow();
    frame.mOnResize = [this](int w, int h) {
      if (window) XResizeWindow(d, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
      XSync(d, False);
    };

    host = tesk_test::OpenTesk();
    ASSERT_TRUE(host);
    ASSERT_EQ(host->Controller()->setComponentHandler(&handler), kResultOk);
    view = host->Controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), kW);
    EXPECT_EQ(size.getHeight(), kH);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
    EXPECT_EQ(view->canResize(), kResultFalse);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), "X11EmbedWindowID"),
              kResultOk);
    Settle();
    handler.Take();
  }

  void TearDown() override
  {
    if (view)
    {
      view->removed();
      view->release();
    }
    handler.DropMenu();
    host.reset();
    if (!configDir.empty())
    {
      if (hadConfig)
        setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
      else
        unsetenv("XDG_CONFIG_HOME");
      const std::string cmd = "rm -rf '" + configDir + "'";
      EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    if (d)
    {
      if (window) XDestroyWindow(d, window);
      XCloseDisplay(d);
    }
  }

  void NewHostWindow()
  {
    XSetWindowAttributes a{};
    a.override_redirect = True;  // no window manager: the window stays where it is put
    window = XCreateWindow(d, DefaultRootWindow(d), 0, 0, kW, kH, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect, &a);
    XMapRaised(d, window);
    XSync(d, False);
  }

  Window EditorWindow()
  {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    Window editor = 0;
    if (XQueryTree(d, window, &root, &parent, &children, &n) && n > 0) editor = children[n - 1];
    if (children) XFree(children);
    return editor;
  }

  // Hands the editor what the host's requests caused and is on its connection now.
  void Settle()
  {
    XSync(d, False);
    loop.RunPending();
  }
  // Runs the host's loop until done() holds; false after the deadline.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs = 3000)
  {
    XSync(d, False);
    return loop.RunUntil(done, timeoutMs);
  }
  // Runs the host's loop until the editor has sent an edit that ends a gesture.
  std::vector<tesk_x11::RecordingHandler::Edit> EditsUntilGestureEnds()
  {
    std::vector<tesk_x11::RecordingHandler::Edit> edits;
    RunUntil([&] {
      for (const auto& e : handler.Take()) edits.push_back(e);
      return !edits.empty() && edits.back().kind == 'E';
    });
    return edits;
  }
  void MoveTo(int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, DefaultScreen(d), rx, ry, CurrentTime);
    Settle();
  }
  void Button(unsigned button, bool press)
  {
    XTestFakeButtonEvent(d, button, press ? True : False, CurrentTime);
    Settle();
  }
  void Click(int x, int y)
  {
    MoveTo(x, y);
    Button(1, true);
    Button(1, false);
  }

  // A new view for the editor, at the host's content scale factor (0: the host gives none),
  // in the host's window sized as the view asks.
  void Reopen(double factor = 0.0)
  {
    if (view)
    {
      view->removed();
      view->release();
    }
    view = host->Controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    if (factor > 0.0)
    {
      IPlugViewContentScaleSupport* scale = nullptr;
      ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scale)), kResultOk);
      EXPECT_EQ(scale->setContentScaleFactor(static_cast<float>(factor)), kResultOk);
      scale->release();
    }
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    XResizeWindow(d, window, static_cast<unsigned>(size.getWidth()), static_cast<unsigned>(size.getHeight()));
    XSync(d, False);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), "X11EmbedWindowID"),
              kResultOk);
    Settle();
    handler.Take();
  }
  // The view's size now.
  int ViewWidth()
  {
    ViewRect size;
    return view && view->getSize(&size) == kResultOk ? size.getWidth() : 0;
  }
  int ViewHeight()
  {
    ViewRect size;
    return view && view->getSize(&size) == kResultOk ? size.getHeight() : 0;
  }
  // The part of the editor's window that is on the screen (the window may be larger).
  int VisibleWidth() { return std::min(ViewWidth(), DisplayWidth(d, DefaultScreen(d))); }
  int VisibleHeight() { return std::min(ViewHeight(), DisplayHeight(d, DefaultScreen(d))); }
  // The panel point (x, y) in the window at scale percent.
  static int At(int percent, int v) { return v * percent / 100; }

  // Every sampled window pixel equals the editor's own rendering of itself: the host's loop
  // runs (repaint ticks) until it does, or the deadline passes.
  int MismatchesAgainstSnapshot()
  {
    int mismatches = -1;
    RunUntil([&] { return (mismatches = SnapshotMismatches()) == 0; });
    return mismatches;
  }
  // The window's pixels in a rectangle, as RGB.
  std::vector<uint32_t> Pixels(int x, int y, int w, int h)
  {
    std::vector<uint32_t> out;
    XImage* shot = XGetImage(d, EditorWindow(), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                             ZPixmap);
    if (!shot) return out;
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) out.push_back(static_cast<uint32_t>(XGetPixel(shot, i, j)) & 0xFFFFFF);
    XDestroyImage(shot);
    return out;
  }
  void Key(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(d, sym);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    Settle();
  }
  void Type(const char* text)
  {
    for (const char* c = text; *c; ++c)
      Key(*c == '-' ? XK_minus : *c == '.' ? XK_period : *c == ' ' ? XK_space : static_cast<KeySym>(*c));
  }
  // Shift + double click at window pixel (x, y).
  void ShiftDoubleClick(int x, int y)
  {
    MoveTo(x, y);
    const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    XTestFakeKeyEvent(d, shift, True, CurrentTime);
    for (int i = 0; i < 2; ++i)
    {
      XTestFakeButtonEvent(d, 1, True, CurrentTime);
      XTestFakeButtonEvent(d, 1, False, CurrentTime);
    }
    XTestFakeKeyEvent(d, shift, False, CurrentTime);
    Settle();
  }
  std::string Settings()
  {
    std::ifstream in(configDir + "/Quillfen/Tesk.conf");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int SnapshotMismatches()
  {
    IEditorSnapshot* snapshot = nullptr;
    if (host->Controller()->queryInterface(IEditorSnapshot_iid, reinterpret_cast<void**>(&snapshot)) != kResultOk)
      return -1;
    const std::string path = TempPng("snapshot");
    const tresult saved = snapshot->saveEditorSnapshot(path.c_str());
    snapshot->release();
    if (saved != kResultOk) return -1;
    std::unique_ptr<Pix_IBitmap> image(Pix_LoadPNG(path.c_str()));
    unlink(path.c_str());
    if (!image) return -1;
    const int w = VisibleWidth(), h = VisibleHeight();
    if (image->getWidth() != ViewWidth() || image->getHeight() != ViewHeight()) return -1;
    XImage* shot = XGetImage(d, EditorWindow(), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                             ZPixmap);
    if (!shot) return -1;
    int mismatches = 0;
    for (int y = 0; y < h; y += 5)
      for (int x = 0; x < w; x += 5)
        if ((static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFF) != (Pix_GetPixel(image.get(), x, y) & 0xFFFFFF))
          ++mismatches;
    XDestroyImage(shot);
    return mismatches;
  }

  Display* d = nullptr;
  Window window = 0;
  std::string configDir, oldConfig;
  bool hadConfig = false;
  std::unique_ptr<VstHost> host;
  tesk_x11::PollRunLoop loop;
  tesk_x11::TestPlugFrame frame{&loop};
  tesk_x11::RecordingHandler handler;
  IPlugView* view = nullptr;
};

}  // namespace

TEST_F(TeskEditorX11, RegistersWithTheHostsRunLoopAndShowsThePanel)
{
  EXPECT_EQ(loop.Timers(), 1u);
  EXPECT_EQ(loop.LastInterval(), 40u);  // 25 repaints a second
  EXPECT_EQ(loop.EventHandlers(), 1u);
  ASSERT_NE(EditorWindow(), 0u);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

TEST_F(TeskEditorX11, KnobDragIsOneGestureForTheHost)
{
  const int cx = 862 + 54, cy = 38 + 40;  // HGAINL
  MoveTo(cx, cy);
  Button(1, true);
  for (int step = 1; step <= 5; ++step) MoveTo(cx, cy - 6 * step);
  Button(1, false);
  const auto edits = EditsUntilGestureEnds();
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, 'B');
  EXPECT_EQ(edits.back().kind, 'E');
  double last = 0.5;
  for (size_t i = 1; i + 1 < edits.size(); ++i)
  {
    EXPECT_EQ(edits[i].kind, 'P');
    EXPECT_EQ(edits[i].id, static_cast<Vst::ParamID>(tesk_test::HGAINL));
    EXPECT_GT(edits[i].value, last);  // dragging up raises the gain step by step
    last = edits[i].value;
  }
  EXPECT_GT(host->CurrentNormalized(tesk_test::HGAINL), 0.5);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

TEST_F(TeskEditorX11, SwitchesWheelAndDoubleClick)
{
  Click(10, 442);  // OVER, bottom-left corner
  auto edits = EditsUntilGestureEnds();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[1].id, static_cast<Vst::ParamID>(tesk_test::OVER));
  EXPECT_EQ(edits[1].value, 1.0);

  Click(862 + 50, 124 + 28);  // HFREQL: selection 0 -> 1
  edits = EditsUntilGestureEnds();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[1].id, static_cast<Vst::ParamID>(tesk_test::HFREQL));
  EXPECT_DOUBLE_EQ(edits[1].value, 0.5);

  MoveTo(371 + 54, 38 + 40);  // MGAIN1L
  Button(4, true);            // wheel up
  Button(4, false);
  EXPECT_TRUE(RunUntil([&] { return host->CurrentNormalized(tesk_test::MGAIN1L) > 0.5; }));
  handler.Take();

  // A double click puts the knob back to its default, 0 dB.
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  EXPECT_TRUE(RunUntil([&] { return host->CurrentNormalized(tesk_test::MGAIN1L) == 0.5; }));
}

TEST_F(TeskEditorX11, HostChangesMoveTheControls)
{
  // Automation from the host: the controller's value plus a processed block.
  tesk_test::SetPlain(*host, tesk_test::OUTL, 12.0);
  tesk_test::SetPlain(*host, tesk_test::LINK, 1.0);
  tesk_test::Render(*host, tesk_test::TestSignal(2, 512), 512);

  // OUTL shows its last frame once the next repaint ticks.
  std::unique_ptr<Pix_IBitmap> strip(Pix_LoadPNG((std::string(TESK_IMAGE_DIR) + "/OUTL.png").c_str()));
  ASSERT_TRUE(strip);
  const int fh = strip->getHeight() / 31;
  int mismatches = -1;
  RunUntil([&] {
    XImage* shot = XGetImage(d, EditorWindow(), 981, 38, strip->getWidth(), fh, AllPlanes, ZPixmap);
    if (!shot) return false;
    mismatches = 0;
    for (int y = 0; y < fh; y += 2)
      for (int x = 0; x < strip->getWidth(); x += 2)
        if ((static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFF) !=
            (Pix_GetPixel(strip.get(), x, 30 * fh + y) & 0xFFFFFF))
          ++mismatches;
    XDestroyImage(shot);
    return mismatches == 0;
  });
  EXPECT_EQ(mismatches, 0);
  EXPECT_TRUE(handler.Take().empty());  // nothing is echoed back to the host
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

TEST_F(TeskEditorX11, OpensAndClosesRepeatedlyAndSurvivesTheHostRemovingItsWindow)
{
  for (int i = 0; i < 8; ++i)
  {
    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(loop.Timers(), 0u);
    EXPECT_EQ(loop.EventHandlers(), 0u);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), "X11EmbedWindowID"),
              kResultOk);
    Settle();
    EXPECT_EQ(loop.Timers(), 1u);
  }
  EXPECT_EQ(loop.Refs(), 3u);  // the test's own, the view's and the editor's timer client's

  // The host destroys its window before telling the view.
  XDestroyWindow(d, window);
  window = 0;
  // The editor notices on its connection and lets go of the run loop.
  EXPECT_TRUE(RunUntil([&] { return loop.Timers() == 0u; }));
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(loop.Timers(), 0u);
  EXPECT_EQ(loop.Refs(), 1u);

  // And it can open the editor again in a new window.
  NewHostWindow();
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

namespace {

// Panel places: LGAINL's knob (108 x 80 at 244, 38), a plain part of the background, the
// response curve's plot.
constexpr int kKnobX = 298, kKnobY = 78;
constexpr int kBackgroundX = 30, kBackgroundY = 250;
constexpr int kPlotL = 384, kPlotT = 195, kPlotW = 758, kPlotH = 48;
// The typed value's field over that knob (its width, 18 pixels high, centred) and its paper.
constexpr int kFieldX = 246, kFieldY = 71;
constexpr uint32_t kFieldPaper = 0xFAFAF6;

double Normalized(double db)
{
  return (db + 18.0) / 36.0;  // LGAINL: -18 ... +18 dB
}

}  // namespace

TEST_F(TeskEditorX11, OpensAtEveryScaleAsItDrawsItself)
{
  const struct
  {
    double factor;  // the host's content scale factor
    int percent;
  } cases[] = {{1.5, 150}, {2.0, 200}, {1.25, 150}, {1.0, 100}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.factor);
    Reopen(c.factor);
    EXPECT_EQ(ViewWidth(), kW * c.percent / 100);
    EXPECT_EQ(ViewHeight(), kH * c.percent / 100);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(d, EditorWindow(), &a));
    EXPECT_EQ(a.width, ViewWidth());
    EXPECT_EQ(a.height, ViewHeight());
    EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
  }
}

TEST_F(TeskEditorX11, ADragAtTwiceTheSizeMovesTheValueExactlyAsAtNormalSize)
{
  auto drag = [&](int percent) {
    const int x = At(percent, kKnobX), y = At(percent, kKnobY);
    MoveTo(x, y);
    Button(1, true);
    for (int step = 1; step <= 5; ++step) MoveTo(x, y - At(percent, 6 * step));
    Button(1, false);
    std::vector<double> values;
    for (const auto& e : EditsUntilGestureEnds())
      if (e.kind == 'P') values.push_back(e.value);
    return values;
  };
  const std::vector<double> atNormalSize = drag(100);
  ASSERT_EQ(atNormalSize.size(), 5u);
  EXPECT_GT(atNormalSize.back(), atNormalSize.front());

  tesk_test::SetPlain(*host, tesk_test::LGAINL, 0.0);
  tesk_test::Render(*host, tesk_test::TestSignal(2, 512), 512);
  Reopen(2.0);
  ASSERT_TRUE(RunUntil([&] { return host->CurrentNormalized(tesk_test::LGAINL) == 0.5; }));
  EXPECT_EQ(drag(200), atNormalSize);
}

TEST_F(TeskEditorX11, TheReadoutAppearsOverARestingPointerAndGoesWhenItLeaves)
{
  // The strip above the knob, where the readout shows.
  auto strip = [&] { return Pixels(kKnobX - 110, 14, 220, 24); };
  const std::vector<uint32_t> before = strip();
  ASSERT_FALSE(before.empty());
  MoveTo(kKnobX, kKnobY);
  EXPECT_TRUE(RunUntil([&] { return strip() != before; }));
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);  // the editor's own drawing shows it too
  // Out of the host's window.
  XTestFakeMotionEvent(d, DefaultScreen(d), DisplayWidth(d, DefaultScreen(d)) - 5,
                       DisplayHeight(d, DefaultScreen(d)) - 5, CurrentTime);
  EXPECT_TRUE(RunUntil([&] { return strip() == before; }));
}

TEST_F(TeskEditorX11, TypedValuesApplyOnceAndCancel)
{
  auto fieldShows = [&] { return Pixels(kFieldX, kFieldY, 1, 1) == std::vector<uint32_t>{kFieldPaper}; };
  const double start = host->CurrentNormalized(tesk_test::LGAINL);

  // Return applies: exactly one begin, perform, end for the value. (The first click of the
  // double click is a press and release of the knob that changes nothing.)
  ShiftDoubleClick(kKnobX, kKnobY);
  ASSERT_TRUE(RunUntil(fieldShows));
  handler.Take();
  Type("-1.5");
  Key(XK_Return);
  auto edits = EditsUntilGestureEnds();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[0].kind, 'B');
  EXPECT_EQ(edits[1].kind, 'P');
  EXPECT_EQ(edits[2].kind, 'E');
  for (const auto& e : edits) EXPECT_EQ(e.id, static_cast<Vst::ParamID>(tesk_test::LGAINL));
  EXPECT_DOUBLE_EQ(edits[1].value, Normalized(-1.5));
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(tesk_test::LGAINL), Normalized(-1.5));
  EXPECT_NE(Normalized(-1.5), start);
  EXPECT_TRUE(RunUntil([&] { return !fieldShows(); }));
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);

  // Escape, a click elsewhere and text that is no value change nothing.
  const struct
  {
    const char* typed;
    int how;  // 0 Escape, 1 a click on the background, 2 Return
  } cancels[] = {{"3", 0}, {"9", 1}, {"loud", 2}};
  for (const auto& c : cancels)
  {
    SCOPED_TRACE(c.typed);
    ShiftDoubleClick(kKnobX, kKnobY);
    ASSERT_TRUE(RunUntil(fieldShows));
    handler.Take();
    Type(c.typed);
    if (c.how == 0) Key(XK_Escape);
    if (c.how == 1) Click(kBackgroundX, kBackgroundY);
    if (c.how == 2) Key(XK_Return);
    EXPECT_TRUE(RunUntil([&] { return !fieldShows(); }));
    EXPECT_TRUE(handler.Take().empty());
    EXPECT_DOUBLE_EQ(host->CurrentNormalized(tesk_test::LGAINL), Normalized(-1.5));
  }
}

TEST_F(TeskEditorX11, TheHostsParameterMenuEntersValuesAndResetsToTheDefault)
{
  auto fieldShows = [&] { return Pixels(kFieldX, kFieldY, 1, 1) == std::vector<uint32_t>{kFieldPaper}; };
  handler.mChoose = "Enter value~";
  MoveTo(kKnobX, kKnobY);
  Button(3, true);
  Button(3, false);
  ASSERT_NE(handler.mMenu, nullptr);
  EXPECT_EQ(handler.mMenu->mNames, (std::vector<std::string>{"Enter value~", "Reset to default"}));
  ASSERT_TRUE(RunUntil(fieldShows));
  EXPECT_TRUE(handler.Take().empty());  // a right click is no gesture
  Type("40");  // beyond the range: clamped
  Key(XK_Return);
  auto edits = EditsUntilGestureEnds();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_DOUBLE_EQ(edits[1].value, 1.0);

  handler.mChoose = "Reset to default";
  Button(3, true);
  Button(3, false);
  edits = EditsUntilGestureEnds();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[1].kind, 'P');
  EXPECT_DOUBLE_EQ(edits[1].value, 0.5);
  EXPECT_DOUBLE_EQ(host->CurrentNormalized(tesk_test::LGAINL), 0.5);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

TEST_F(TeskEditorX11, TheCurveFollowsHostAutomation)
{
  auto plot = [&] { return Pixels(kPlotL, kPlotT, kPlotW, kPlotH); };
  const std::vector<uint32_t> flat = plot();
  ASSERT_FALSE(flat.empty());
  tesk_test::SetPlain(*host, tesk_test::MGAIN2L, 4.5);
  tesk_test::SetPlain(*host, tesk_test::LFREQR, 1.0);
  tesk_test::Render(*host, tesk_test::TestSignal(2, 512), 512);
  EXPECT_TRUE(RunUntil([&] { return plot() != flat; }));
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
  EXPECT_TRUE(handler.Take().empty());
}

TEST_F(TeskEditorX11, TheScaleMenuSavesTheChoiceAndTheNextEditorOpensAtIt)
{
  IPopupMenu shown;  // what the menu shows, for the user to find its items
  shown.AddItem("Editor size", -1, IPopupMenuItem::kDisabled);
  shown.AddItem("100 %", -1, IPopupMenuItem::kChecked);
  shown.AddItem("150 %");
  shown.AddItem("200 %");
  tesk_x11::MenuUser user(&window);
  std::thread thread([&] { user.Run({tesk_x11::MenuUser::Click(shown, 3)}); });
  MoveTo(kBackgroundX, kBackgroundY);
  Button(3, true);  // the menu runs inside the editor's handling of the press
  Button(3, false);
  thread.join();
  ASSERT_TRUE(user.Found()) << user.Failure();

  EXPECT_TRUE(RunUntil([&] { return frame.mResizeRequests > 0; }));
  EXPECT_EQ(frame.mLastResize.getWidth(), 2 * kW);
  EXPECT_EQ(frame.mLastResize.getHeight(), 2 * kH);
  EXPECT_EQ(ViewWidth(), 2 * kW);
  EXPECT_NE(Settings().find("editor-scale = 200"), std::string::npos) << Settings();
  EXPECT_TRUE(handler.Take().empty());
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);

  // The next editor opens at the user's choice, whatever the host's factor.
  Reopen(1.0);
  EXPECT_EQ(ViewWidth(), 2 * kW);
  EXPECT_EQ(ViewHeight(), 2 * kH);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}

TEST_F(TeskEditorX11, AHiddenWindowIsUpToDateWhenShownAgain)
{
  XUnmapWindow(d, window);
  XSync(d, False);
  tesk_test::SetPlain(*host, tesk_test::OUTL, -12.0);
  tesk_test::SetPlain(*host, tesk_test::MGAIN2L, -4.5);
  tesk_test::Render(*host, tesk_test::TestSignal(2, 512), 512);
  // Repaint ticks run while it is hidden.
  const long ticks = loop.TimerCalls();
  ASSERT_TRUE(RunUntil([&] { return loop.TimerCalls() >= ticks + 5; }));
  XMapWindow(d, window);
  XSync(d, False);
  EXPECT_EQ(MismatchesAgainstSnapshot(), 0);
}
