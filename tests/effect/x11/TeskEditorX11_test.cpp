// Tesk's editor inside a host window on the X server scripts/test starts: the built bundle
// is loaded through its entry points, its view is attached with "X11EmbedWindowID", the
// host's run loop drives it, and real pointer events (XTest) move its controls.
// GoogleTest comes first: Xlib defines macros that clash with its names.
#include <gtest/gtest.h>

#include "X11TestHost.h"
#include "platform/x11/X11TestUser.h"
#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"
#include "vst3/IEditorSnapshot.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

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
    NewHostWindow();

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
    host.reset();
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

  // Every sampled window pixel equals the editor's own rendering of itself: the host's loop
  // runs (repaint ticks) until it does, or the deadline passes.
  int MismatchesAgainstSnapshot()
  {
    int mismatches = -1;
    RunUntil([&] { return (mismatches = SnapshotMismatches()) == 0; });
    return mismatches;
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
    XImage* shot = XGetImage(d, EditorWindow(), 0, 0, kW, kH, AllPlanes, ZPixmap);
    if (!shot) return -1;
    int mismatches = 0;
    for (int y = 0; y < kH; y += 5)
      for (int x = 0; x < kW; x += 5)
        if ((static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFF) != (Pix_GetPixel(image.get(), x, y) & 0xFFFFFF))
          ++mismatches;
    XDestroyImage(shot);
    return mismatches;
  }

  Display* d = nullptr;
  Window window = 0;
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
