// Drives the X11 editor with real pointer and key events (XTest) on the X server that
// scripts/test starts. GoogleTest comes first: Xlib defines macros that clash with its names.
#include <gtest/gtest.h>

#include "editor/IKnobControl.h"
#include "editor/ISwitchControl.h"
#include "editor/support/EditorTestUtil.h"
#include "editor/support/TestPlug.h"
#include "framework/IParam.h"
#include "platform/linux/IGraphicsLinux.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_SysBitmap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kEditorW = 200, kEditorH = 100;
constexpr int kKnobX = 10, kKnobY = 10, kKnobSize = 40;
constexpr int kSwitchX = 80, kSwitchY = 20, kSwitchSize = 30;

// The host's side: a top-level window on its own connection, and XTest input.
struct Host
{
  Host()
  {
    d = XOpenDisplay(nullptr);
    if (!d) return;
    int ev, err, major, minor;
    hasXTest = XTestQueryExtension(d, &ev, &err, &major, &minor);
    NewWindow();
  }
  ~Host()
  {
    if (!d) return;
    if (window) XDestroyWindow(d, window);
    XCloseDisplay(d);
  }
  void NewWindow()
  {
    XSetWindowAttributes a{};
    a.override_redirect = True;  // no window manager runs: keep the window where it is put
    window = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 400, 300, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect, &a);
    XMapRaised(d, window);
    XSync(d, False);
  }
  void MoveTo(Window w, int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, DefaultScreen(d), rx, ry, CurrentTime);
    XSync(d, False);
  }
  void Button(unsigned button, bool press)
  {
    XTestFakeButtonEvent(d, button, press ? True : False, CurrentTime);
    XSync(d, False);
  }
  void Key(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(d, sym);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
  }
  uint32_t PixelAt(Window w, int x, int y)
  {
    XImage* img = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const uint32_t p = static_cast<uint32_t>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }
  Display* d = nullptr;
  Window window = 0;
  bool hasXTest = false;
};

class IGraphicsLinuxTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (!std::getenv("DISPLAY") || !host.d || !host.hasXTest) GTEST_SKIP() << "no X server with XTest";
    plug = new TestPlug(kAPIVST3);
    gui = new IGraphicsLinux(plug, kEditorW, kEditorH, 0);
    knobStrip = edtest::MakeFilmstrip(kKnobSize, kKnobSize, 31);
    switchStrip = edtest::MakeFilmstrip(kSwitchSize, kSwitchSize, 2);
    knobBitmap = edtest::RecordOf(knobStrip, 31);
    switchBitmap = edtest::RecordOf(switchStrip, 2);
    gui->AttachPanelBackground(&COLOR_GRAY);
    gui->AttachControl(new IKnobMultiControl(plug, kKnobX, kKnobY, TestPlug::kGain, &knobBitmap));
    gui->AttachControl(new ISwitchControl(plug, kSwitchX, kSwitchY, TestPlug::kBypass, &switchBitmap));
    plug->AttachGraphics(gui);
    ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
    Pump();
    plug->TakeEvents();
  }
  void TearDown() override
  {
    delete plug;  // deletes the attached editor, which closes its window
    delete knobStrip;
    delete switchStrip;
  }
  Window EditorWindow() { return static_cast<Window>(reinterpret_cast<uintptr_t>(gui->GetWindow())); }
  // Lets the editor read what the server has queued and run its repaint tick a few times.
  void Pump(int rounds = 6)
  {
    for (int i = 0; i < rounds; ++i)
    {
      XSync(host.d, False);
      usleep(3000);
      gui->Pump();
    }
  }
  double Normalized(int idx) { return plug->GetParam(idx)->GetNormalized(); }

  Host host;
  TestPlug* plug = nullptr;
  IGraphicsLinux* gui = nullptr;
  Pix_MemBitmap* knobStrip = nullptr;
  Pix_MemBitmap* switchStrip = nullptr;
  IBitmap knobBitmap, switchBitmap;
};

}  // namespace

TEST_F(IGraphicsLinuxTest, KnobDragSendsOneGestureAndMovesTheParameter)
{
  const double before = Normalized(TestPlug::kGain);
  host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20);
  host.Button(1, true);
  Pump();
  for (int step = 1; step <= 4; ++step)
  {
    host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20 - step * 5);
    Pump(2);
  }
  host.Button(1, false);
  Pump();
  const std::string kinds = plug->TakeEventKinds();
  ASSERT_GE(kinds.size(), 3u) << kinds;
  EXPECT_EQ(kinds.front(), 'B');
  EXPECT_EQ(kinds.back(), 'E');
  EXPECT_EQ(kinds.find_first_not_of('P', 1), kinds.size() - 1) << kinds;  // only performs in between
  EXPECT_GT(Normalized(TestPlug::kGain), before);
}

TEST_F(IGraphicsLinuxTest, SwitchClickAndWheelChangeParameters)
{
  host.MoveTo(EditorWindow(), kSwitchX + 10, kSwitchY + 10);
  host.Button(1, true);
  host.Button(1, false);
  Pump();
  EXPECT_EQ(plug->GetParam(TestPlug::kBypass)->GetValue(), 1.0);

  const double before = Normalized(TestPlug::kGain);
  host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20);
  host.Button(4, true);  // wheel up
  host.Button(4, false);
  Pump();
  EXPECT_GT(Normalized(TestPlug::kGain), before);
}

TEST_F(IGraphicsLinuxTest, WindowShowsTheDrawSurface)
{
  gui->SetParameterFromPlug(TestPlug::kGain, 0.5, true);
  Pump();
  Pix_SysBitmap* surface = gui->GetDrawBitmap();
  ASSERT_NE(surface, nullptr);
  for (int y = 0; y < kEditorH; y += 7)
    for (int x = 0; x < kEditorW; x += 9)
    {
      const uint32_t expected = surface->getBits()[y * surface->getRowSpan() + x] & 0xFFFFFF;
      ASSERT_EQ(host.PixelAt(EditorWindow(), x, y), expected) << x << "," << y;
    }
  // The knob shows the frame of its value (frame 15 of 31 for 0.5).
  EXPECT_EQ(host.PixelAt(EditorWindow(), kKnobX + 5, kKnobY + 5), edtest::FrameColor(15) & 0xFFFFFF);
}

TEST_F(IGraphicsLinuxTest, TextEntryTakesFilteredKeysAndReturnApplies)
{
  IRECT field(10, 60, 90, 80);
  IText style;
  IControl* knob = gui->GetControl(1);
  gui->CreateTextEntry(knob, &style, &field, "0.0", plug->GetParam(TestPlug::kGain));
  Pump();
  ASSERT_TRUE(gui->TextEntryOpen());
  host.Key(XK_5);
  host.Key(XK_x);  // refused by the number filter
  host.Key(XK_period);
  host.Key(XK_5);
  Pump();
  EXPECT_STREQ(gui->GetTextEntryText(), "5.5");
  host.Key(XK_Return);
  Pump();
  EXPECT_FALSE(gui->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 5.5);

  // Escape cancels without applying.
  gui->CreateTextEntry(knob, &style, &field, "0.0", plug->GetParam(TestPlug::kGain));
  Pump();
  host.Key(XK_1);
  host.Key(XK_Escape);
  Pump();
  EXPECT_FALSE(gui->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 5.5);
}

TEST_F(IGraphicsLinuxTest, PopupMenuReturnsTheClickedItemOrNothing)
{
  // A second connection plays the user: it waits for the menu window, then clicks item 2.
  auto clickWhenMenuShows = [](int itemIndex, bool escape) {
    Display* d = XOpenDisplay(nullptr);
    Window menuWindow = 0;
    for (int tries = 0; tries < 400 && !menuWindow; ++tries)
    {
      Window root, parent, *children = nullptr;
      unsigned n = 0;
      XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n);
      for (unsigned i = 0; i < n; ++i)
      {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.override_redirect && a.map_state == IsViewable &&
            a.width < 400 && a.height < 200 && a.height > 20)
          menuWindow = children[i];
      }
      if (children) XFree(children);
      if (!menuWindow) usleep(5000);
    }
    if (menuWindow)
    {
      usleep(20000);
      if (escape)
      {
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Escape), True, CurrentTime);
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Escape), False, CurrentTime);
      }
      else
      {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(d, menuWindow, DefaultRootWindow(d), 30, 3 + 20 * itemIndex + 10, &rx, &ry, &child);
        XTestFakeMotionEvent(d, DefaultScreen(d), rx, ry, CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
      }
      XSync(d, False);
    }
    XCloseDisplay(d);
  };

  IPopupMenu menu;
  menu.AddItem("Low");
  menu.AddItem("Mid");
  menu.AddItem("High");
  IRECT anchor(10, 10, 60, 30);
  std::thread user(clickWhenMenuShows, 1, false);
  IPopupMenu* chosen = gui->CreateIPopupMenu(&menu, &anchor);
  user.join();
  ASSERT_EQ(chosen, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);

  std::thread cancel(clickWhenMenuShows, 0, true);
  EXPECT_EQ(gui->CreateIPopupMenu(&menu, &anchor), nullptr);
  cancel.join();
}

TEST_F(IGraphicsLinuxTest, ClosingFromEitherSideAndReopeningIsSafe)
{
  for (int i = 0; i < 10; ++i)
  {
    gui->CloseWindow();
    EXPECT_FALSE(gui->WindowIsOpen());
    ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
    Pump(1);
  }
  // The host destroys its window first: the editor notices and closes without X errors ending
  // the process.
  XDestroyWindow(host.d, host.window);
  host.window = 0;
  XSync(host.d, False);
  Pump();
  EXPECT_FALSE(gui->WindowIsOpen());
  gui->CloseWindow();

  host.NewWindow();
  ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
  Pump();
  EXPECT_TRUE(gui->WindowIsOpen());
}

TEST_F(IGraphicsLinuxTest, ResourcesAndPaths)
{
  EXPECT_EQ(gui->OSLoadBitmap(1, nullptr), nullptr);
  EXPECT_EQ(gui->OSLoadBitmap(1, "resources/img/BG.jpg"), nullptr);
  EXPECT_STREQ(gui->GetGUIAPI(), "X11 GUI");
  EXPECT_EQ(gui->TimerIntervalMs(), 40u);
  Core_String path;
  gui->PluginPath(&path);
  ASSERT_NE(path.Get(), nullptr);
  EXPECT_EQ(path.Get()[path.GetLength() - 1], '/');
  EXPECT_TRUE(gui->OpenURL(""));  // nothing to open
}

namespace {

// A stand-in for zenity on PATH: records its arguments, prints a canned answer and exits
// with a canned status, so dialogs can be checked without a desktop.
class FakeZenity
{
public:
  FakeZenity(const std::string& answer, int status)
  {
    char tmpl[] = "/tmp/tesk-zenity-XXXXXX";
    mDir = mkdtemp(tmpl);
    const std::string script = mDir + "/zenity";
    FILE* f = std::fopen(script.c_str(), "w");
    std::fprintf(f, "#!/bin/sh\nfor a in \"$@\"; do printf '%%s\\n' \"$a\"; done > '%s/args'\nprintf '%%s\\n' '%s'\nexit %d\n",
                 mDir.c_str(), answer.c_str(), status);
    std::fclose(f);
    chmod(script.c_str(), 0755);
    const char* path = std::getenv("PATH");
    mOldPath = path ? path : "";
    setenv("PATH", (mDir + ":" + mOldPath).c_str(), 1);
  }
  ~FakeZenity()
  {
    setenv("PATH", mOldPath.c_str(), 1);
    std::string cmd = "rm -rf '" + mDir + "'";
    (void)std::system(cmd.c_str());
  }
  std::string Args() const
  {
    std::string out;
    FILE* f = std::fopen((mDir + "/args").c_str(), "r");
    if (!f) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, f)) out += buf;
    std::fclose(f);
    return out;
  }

private:
  std::string mDir, mOldPath;
};

}  // namespace

TEST_F(IGraphicsLinuxTest, FileDialogAndMessageBoxGoThroughZenity)
{
  {
    FakeZenity zenity("/data/mixes/song.fxp", 0);
    Core_String file, dir;
    file.Set("preset.fxp");
    dir.Set("/data/mixes");
    char extensions[] = "fxp fxb";
    gui->PromptForFile(&file, kFileSave, &dir, extensions);
    EXPECT_STREQ(file.Get(), "/data/mixes/song.fxp");
    EXPECT_STREQ(dir.Get(), "/data/mixes/");
    const std::string args = zenity.Args();
    EXPECT_NE(args.find("--save\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--filename=/data/mixes/preset.fxp\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--file-filter=*.fxp *.fxb\n"), std::string::npos) << args;
  }
  {
    FakeZenity cancelled("", 1);
    Core_String file, dir;
    file.Set("x.fxp");
    dir.Set("/somewhere");
    gui->PromptForFile(&file, kFileOpen, &dir, nullptr);
    EXPECT_STREQ(file.Get(), "");
    EXPECT_STREQ(dir.Get(), "/somewhere");
  }
  {
    FakeZenity yes("", 0);
    EXPECT_EQ(gui->ShowMessageBox("Replace?", "Tesk", 4), 1);
    EXPECT_NE(yes.Args().find("--no-markup\n"), std::string::npos);  // texts are never markup
  }
  {
    FakeZenity no("", 1);
    EXPECT_EQ(gui->ShowMessageBox("Replace?", "Tesk", 4), 7);
  }
  {
    FakeZenity cancel("Cancel", 1);
    EXPECT_EQ(gui->ShowMessageBox("Save first?", "Tesk", 3), 2);
  }
}

TEST_F(IGraphicsLinuxTest, ClipboardTextComesFromTheClipboardOwner)
{
  Core_String text;
  // Nobody owns the clipboard yet on a fresh server, or someone else does: both are fine as
  // long as the call comes back. Then another client takes it and serves one request.
  std::atomic<bool> owning{false};
  std::thread owner([&owning] {
    Display* d = XOpenDisplay(nullptr);
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    XSync(d, False);
    owning = true;
    for (int waited = 0; waited < 3000; waited += 5)
    {
      if (!XPending(d))
      {
        usleep(5000);
        continue;
      }
      XEvent e;
      XNextEvent(d, &e);
      if (e.type != SelectionRequest) continue;
      const XSelectionRequestEvent& req = e.xselectionrequest;
      static const char kText[] = "-3.5 dB";
      XChangeProperty(d, req.requestor, req.property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(kText), sizeof kText - 1);
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = req.requestor;
      reply.xselection.selection = req.selection;
      reply.xselection.target = req.target;
      reply.xselection.property = req.property;
      reply.xselection.time = req.time;
      XSendEvent(d, req.requestor, False, 0, &reply);
      XSync(d, False);
      break;
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
  });
  while (!owning) usleep(1000);
  EXPECT_TRUE(gui->GetTextFromClipboard(&text));
  EXPECT_STREQ(text.Get(), "-3.5 dB");
  owner.join();
}

TEST_F(IGraphicsLinuxTest, TooltipShowsAfterThePointerRests)
{
  gui->EnableTooltips(true);
  gui->HandleMouseOver(true);
  gui->GetControl(1)->SetTooltip("Gain");
  auto tooltipShown = [this] {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    bool shown = false;
    XQueryTree(host.d, DefaultRootWindow(host.d), &root, &parent, &children, &n);
    for (unsigned i = 0; i < n; ++i)
    {
      XWindowAttributes a;
      if (children[i] != host.window && XGetWindowAttributes(host.d, children[i], &a) && a.override_redirect &&
          a.map_state == IsViewable && a.height < 40)
        shown = true;
    }
    if (children) XFree(children);
    return shown;
  };
  host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20);
  Pump(2);
  EXPECT_FALSE(tooltipShown());
  Pump(20);  // about half a second of ticks
  EXPECT_TRUE(tooltipShown());
  host.MoveTo(EditorWindow(), 150, 80);  // off the control
  Pump(3);
  EXPECT_FALSE(tooltipShown());
}
