// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "platform/linux/X11Window.h"
#include "platform/x11/X11TestUser.h"

#include <X11/Xutil.h>

#include <cstdlib>
#include <vector>

namespace {

// A host-side top-level window on the test's own connection, as a DAW would provide.
class HostWindow {
 public:
  HostWindow() {
    display = XOpenDisplay(nullptr);
    if (!display) return;
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 300, 200, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
  }
  ~HostWindow() {
    if (!display) return;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
  }
  uint32_t PixelAt(Window w, int x, int y) {
    XImage* img = XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const uint32_t p = static_cast<uint32_t>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }
  Display* display = nullptr;
  Window window = 0;
};

uint32_t Pattern(int x, int y) { return 0xFF000000u | (static_cast<uint32_t>(x * 3) << 16) | (y * 5) << 8 | 0x5A; }

}  // namespace

class X11WindowTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    TESK_REQUIRE_X_SERVER(std::getenv("DISPLAY") && host.display, "no X server");
  }
  HostWindow host;
};

TEST_P(X11WindowTest, PresentsTheSurfaceRegionPixelForPixel) {
  const bool shm = GetParam();
  X11Window win;
  ASSERT_TRUE(win.Open(host.window, 64, 48, nullptr, shm));
  if (!shm) {
    EXPECT_FALSE(win.UsesSharedMemory());
  }
  EXPECT_GE(win.ConnectionFd(), 0);

  const int span = 68;  // a row span wider than the surface
  std::vector<uint32_t> surface(static_cast<size_t>(span) * 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) surface[static_cast<size_t>(y) * span + x] = Pattern(x, y);

  ASSERT_TRUE(win.Present(surface.data(), span, 64, 48, 0, 0, 64, 48));
  for (int y : {0, 17, 47})
    for (int x : {0, 31, 63}) EXPECT_EQ(host.PixelAt(win.GetWindow(), x, y), Pattern(x, y) & 0xFFFFFF) << x << "," << y;

  // Only the given region changes.
  for (auto& p : surface) p = 0xFF102030;
  ASSERT_TRUE(win.Present(surface.data(), span, 64, 48, 10, 10, 5, 5));
  EXPECT_EQ(host.PixelAt(win.GetWindow(), 12, 12), 0x102030u);
  EXPECT_EQ(host.PixelAt(win.GetWindow(), 20, 20), Pattern(20, 20) & 0xFFFFFF);

  // Regions outside the surface or window are clipped; empty ones show nothing.
  EXPECT_TRUE(win.Present(surface.data(), span, 64, 48, 60, 40, 100, 100));
  EXPECT_FALSE(win.Present(surface.data(), span, 64, 48, 70, 0, 5, 5));
  EXPECT_FALSE(win.Present(nullptr, span, 64, 48, 0, 0, 5, 5));
  EXPECT_FALSE(win.Present(surface.data(), 10, 64, 48, 0, 0, 5, 5));  // span below width
}

TEST_P(X11WindowTest, OpensAndClosesRepeatedlyAndRefusesBadParents) {
  X11Window win;
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(win.Open(host.window, 40, 30, nullptr, GetParam()));
    EXPECT_TRUE(win.IsOpen());
    win.Close();
    EXPECT_FALSE(win.IsOpen());
  }
  win.Close();  // closing twice is harmless
  EXPECT_FALSE(win.Open(0, 40, 30));
  EXPECT_FALSE(win.Open(host.window, 0, 30));
  EXPECT_FALSE(win.Open(host.window, 40, 30, ":4711"));  // no such server
  EXPECT_FALSE(win.IsOpen());
}

namespace {

int gChainedErrors = 0;
int CountingHandler(Display*, XErrorEvent*) {
  ++gChainedErrors;
  return 0;
}
int OtherHandler(Display*, XErrorEvent*) { return 0; }

// The process-wide handler as it is now (Xlib only offers "set and return the old one").
XErrorHandler InstalledHandler() {
  const XErrorHandler current = XSetErrorHandler(CountingHandler);
  XSetErrorHandler(current);
  return current;
}

// A request that fails on the host's own connection: a window id no client created.
void FailOnHostConnection(Display* d) {
  XUnmapWindow(d, 0x1FFFFFFF);
  XSync(d, False);
}

}  // namespace

// Editor windows handle X errors on their own connections while they are open; the host's
// handler gets the others meanwhile, and is back in place once the last editor connection
// closes, so the module can be unloaded without leaving its handler behind.
TEST(X11ErrorHandler, ChainsWhileEditorsAreOpenAndIsRestoredByTheLastClose) {
  HostWindow host;
  TESK_REQUIRE_X_SERVER(std::getenv("DISPLAY") && host.display, "no X server");
  const XErrorHandler hostsOwn = XSetErrorHandler(CountingHandler);
  gChainedErrors = 0;
  {
    X11Window a, b;
    ASSERT_TRUE(a.Open(host.window, 20, 20));
    ASSERT_TRUE(b.Open(host.window, 20, 20));
    EXPECT_NE(InstalledHandler(), CountingHandler);
    FailOnHostConnection(host.display);
    EXPECT_EQ(gChainedErrors, 1);  // passed on to the host's handler

    a.Close();
    EXPECT_NE(InstalledHandler(), CountingHandler);  // b still needs it
    FailOnHostConnection(host.display);
    EXPECT_EQ(gChainedErrors, 2);
    b.Close();
    EXPECT_EQ(InstalledHandler(), CountingHandler);

    // Opening again takes it again; a handler the host set meanwhile stays where it is.
    ASSERT_TRUE(a.Open(host.window, 20, 20));
    EXPECT_NE(InstalledHandler(), CountingHandler);
    XSetErrorHandler(OtherHandler);
    a.Close();
    EXPECT_EQ(InstalledHandler(), OtherHandler);
  }
  XSetErrorHandler(hostsOwn);
}

INSTANTIATE_TEST_SUITE_P(Presentation, X11WindowTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "SharedMemory" : "XPutImage";
                         });
