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

#include "editor/ISwitchControl.h"
#include "platform/x11/X11TestUser.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kEditorW = 200, kEditorH = 100;
constexpr int kKnobX = 10, kKnobY = 10, kKnobSize = 40;
constexpr int kSwitchX = 80, kSwitchY = 20, kSwitchSize = 30;
constexpr int kModeX = 130, kModeY = 20;  // a switch that prompts a menu of the Mode values
// The text style of the Mode switch: its menu wears the text-entry colours.
const IColor kMenuPaper(255, 20, 200, 40), kMenuInk(255, 60, 0, 90);

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
    TESK_REQUIRE_X_SERVER(std::getenv("DISPLAY") && host.d && host.hasXTest, "no X server with XTest");
    plug = new TestPlug(kAPIVST3);
    gui = new IGraphicsLinux(plug, kEditorW, kEditorH, 0);
    knobStrip = edtest::MakeFilmstrip(kKnobSize, kKnobSize, 31);
    switchStrip = edtest::MakeFilmstrip(kSwitchSize, kSwitchSize, 2);
    knobBitmap = edtest::RecordOf(knobStrip, 31);
    switchBitmap = edtest::RecordOf(switchStrip, 2);
    gui->AttachPanelBackground(&COLOR_GRAY);
    gui->AttachControl(new IKnobMultiControl(plug, kKnobX, kKnobY, TestPlug::kGain, &knobBitmap));
    gui->AttachControl(new ISwitchControl(plug, kSwitchX, kSwitchY, TestPlug::kBypass, &switchBitmap));
    IControl* mode = new ISwitchPopUpControl(plug, kModeX, kModeY, TestPlug::kMode, &switchBitmap);
    IText style(12, &COLOR_BLACK, "DejaVu Sans", IText::kStyleNormal, IText::kAlignNear, 0, IText::kQualityDefault,
                &kMenuPaper, &kMenuInk);
    mode->SetTextStyle(&style);
    gui->AttachControl(mode);
    plug->AttachGraphics(gui);
    ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
    Settle();
    plug->TakeEvents();
  }
  void TearDown() override
  {
    delete plug;  // deletes the attached editor, which closes its window
    delete knobStrip;
    delete switchStrip;
  }
  Window EditorWindow() { return static_cast<Window>(reinterpret_cast<uintptr_t>(gui->GetWindow())); }
  // Pumps the editor (events and one repaint tick a round), waiting for its connection between
  // rounds, until done() holds or the deadline passes.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000)
  {
    XSync(host.d, False);
    return tesk_x11::WaitFor(
        [&] {
          gui->Pump();
          if (done()) return true;
          tesk_x11::Readable(gui->ConnectionFd(), 10);
          return false;
        },
        timeoutMs);
  }
  // Hands the editor what is on its connection now (for checks that something did not happen).
  void Settle()
  {
    XSync(host.d, False);
    do
      gui->Pump();
    while (tesk_x11::Readable(gui->ConnectionFd(), 0));
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
  ASSERT_TRUE(PumpUntil([&] { return gui->GetMouseCapture() >= 0; }));
  for (int step = 1; step <= 4; ++step)
  {
    const double last = Normalized(TestPlug::kGain);
    host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20 - step * 5);
    EXPECT_TRUE(PumpUntil([&] { return Normalized(TestPlug::kGain) > last; })) << step;
  }
  host.Button(1, false);
  ASSERT_TRUE(PumpUntil([&] { return gui->GetMouseCapture() < 0; }));
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
  EXPECT_TRUE(PumpUntil([&] { return plug->GetParam(TestPlug::kBypass)->GetValue() == 1.0; }));

  const double before = Normalized(TestPlug::kGain);
  host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20);
  host.Button(4, true);  // wheel up
  host.Button(4, false);
  EXPECT_TRUE(PumpUntil([&] { return Normalized(TestPlug::kGain) > before; }));
}

TEST_F(IGraphicsLinuxTest, WindowShowsTheDrawSurface)
{
  gui->SetParameterFromPlug(TestPlug::kGain, 0.5, true);
  // The knob shows the frame of its value (frame 15 of 31 for 0.5).
  EXPECT_TRUE(PumpUntil(
      [&] { return host.PixelAt(EditorWindow(), kKnobX + 5, kKnobY + 5) == (edtest::FrameColor(15) & 0xFFFFFF); }));
  Pix_SysBitmap* surface = gui->GetDrawBitmap();
  ASSERT_NE(surface, nullptr);
  for (int y = 0; y < kEditorH; y += 7)
    for (int x = 0; x < kEditorW; x += 9)
    {
      const uint32_t expected = surface->getBits()[y * surface->getRowSpan() + x] & 0xFFFFFF;
      ASSERT_EQ(host.PixelAt(EditorWindow(), x, y), expected) << x << "," << y;
    }
}

TEST_F(IGraphicsLinuxTest, TextEntryTakesFilteredKeysAndReturnApplies)
{
  IRECT field(10, 60, 90, 80);
  IText style;
  IControl* knob = gui->GetControl(1);
  gui->CreateTextEntry(knob, &style, &field, "0.0", plug->GetParam(TestPlug::kGain));
  ASSERT_TRUE(gui->TextEntryOpen());
  host.Key(XK_5);
  host.Key(XK_x);  // refused by the number filter
  host.Key(XK_period);
  host.Key(XK_5);
  EXPECT_TRUE(PumpUntil([&] { return std::string(gui->GetTextEntryText()) == "5.5"; })) << gui->GetTextEntryText();
  host.Key(XK_Return);
  EXPECT_TRUE(PumpUntil([&] { return !gui->TextEntryOpen(); }));
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 5.5);

  // Escape cancels without applying.
  gui->CreateTextEntry(knob, &style, &field, "0.0", plug->GetParam(TestPlug::kGain));
  host.Key(XK_1);
  host.Key(XK_Escape);
  EXPECT_TRUE(PumpUntil([&] { return !gui->TextEntryOpen(); }));
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 5.5);
}

TEST_F(IGraphicsLinuxTest, AtTwiceTheScaleWindowPixelsAndTheFieldFollow)
{
  ASSERT_TRUE(gui->SetScale(200));
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(host.d, EditorWindow(), &attributes));
  EXPECT_EQ(attributes.width, 2 * kEditorW);
  EXPECT_EQ(attributes.height, 2 * kEditorH);
  Pix_SysBitmap* surface = gui->GetDrawBitmap();
  ASSERT_TRUE(surface && surface->getWidth() == 2 * kEditorW);
  EXPECT_TRUE(PumpUntil([&] {
    for (int y = 0; y < 2 * kEditorH; y += 13)
      for (int x = 0; x < 2 * kEditorW; x += 11)
        if (host.PixelAt(EditorWindow(), x, y) != (surface->getBits()[y * surface->getRowSpan() + x] & 0xFFFFFF))
          return false;
    return true;
  }));

  // The field lies at twice its panel place: a click there keeps it, one outside cancels it.
  IRECT field(10, 60, 90, 80);
  IText style;
  gui->CreateTextEntry(gui->GetControl(1), &style, &field, "0.0", plug->GetParam(TestPlug::kGain));
  host.MoveTo(EditorWindow(), 100, 130);  // panel (50, 65)
  host.Button(1, true);
  host.Button(1, false);
  Settle();
  EXPECT_TRUE(gui->TextEntryOpen());
  host.MoveTo(EditorWindow(), 100, 100);  // panel (50, 50)
  host.Button(1, true);
  host.Button(1, false);
  EXPECT_TRUE(PumpUntil([&] { return !gui->TextEntryOpen(); }));
}

TEST_F(IGraphicsLinuxTest, PopupMenuReturnsTheClickedItemOrNothing)
{
  IPopupMenu sub;
  sub.AddItem("Slow");
  sub.AddItem("Fast");
  IPopupMenu menu;
  menu.AddItem("Low");
  menu.AddItem("Mid");
  menu.AddSeparator();
  menu.AddItem("Off", -1, IPopupMenuItem::kDisabled);
  menu.AddItem("Speed", &sub);
  IRECT anchor(10, 10, 60, 30);
  struct Case
  {
    const char* what;
    std::vector<tesk_x11::MenuUser::Step> steps;
    IPopupMenu* chosenMenu;
    int chosenIndex;
  } cases[] = {
      {"a click on the second item", {tesk_x11::MenuUser::Click(menu, 1)}, &menu, 1},
      {"Escape", {tesk_x11::MenuUser::Key(XK_Escape)}, nullptr, -1},
      {"a press outside the menu", {tesk_x11::MenuUser::PressOutside()}, nullptr, -1},
      {"a click on a disabled item, then Escape",
       {tesk_x11::MenuUser::Click(menu, 3), tesk_x11::MenuUser::Key(XK_Escape)}, nullptr, -1},
      {"keys: Down, Down, Return", {tesk_x11::MenuUser::Key(XK_Down), tesk_x11::MenuUser::Key(XK_Down),
                                    tesk_x11::MenuUser::Key(XK_Return)}, &menu, 1},
      {"the submenu's second item", {tesk_x11::MenuUser::Click(menu, 4), tesk_x11::MenuUser::Click(sub, 1, 1)}, &sub, 1},
  };
  for (const Case& c : cases)
  {
    menu.SetChosenItemIdx(-1);
    sub.SetChosenItemIdx(-1);
    tesk_x11::MenuUser user(&host.window);
    std::thread thread([&] { user.Run(c.steps); });
    IPopupMenu* chosen = gui->CreateIPopupMenu(&menu, &anchor);
    thread.join();
    ASSERT_TRUE(user.Found()) << c.what << ": " << user.Failure();
    EXPECT_EQ(chosen, c.chosenMenu) << c.what;
    if (c.chosenMenu)
    {
      EXPECT_EQ(c.chosenMenu->GetChosenItemIdx(), c.chosenIndex) << c.what;
    }
    EXPECT_FALSE(gui->MenuOpen());
  }
}

// The menu's wait lets the editor go on: host automation is drawn while it is open, and the
// editor's own events stay queued for it until the menu closes.
TEST_F(IGraphicsLinuxTest, WhileAMenuIsOpenTheEditorRepaintsAndKeepsItsEvents)
{
  gui->HandleMouseOver(true);
  IPopupMenu menu;
  menu.AddItem("One");
  menu.AddItem("Two");
  IRECT anchor(150, 60, 190, 70);
  const Window editor = EditorWindow();
  const uint32_t frame30 = edtest::FrameColor(30) & 0xFFFFFF;
  tesk_x11::MenuUser user(&host.window);
  user.mWhileOpen = [&](Display* d) {
    // Another thread moves the gain (as the audio thread does): the knob shows its last frame.
    gui->SetParameterFromPlug(TestPlug::kGain, 1.0, true);
    // A pointer motion over the knob reaches the editor's window meanwhile.
    XEvent motion{};
    motion.xmotion.type = MotionNotify;
    motion.xmotion.window = editor;
    motion.xmotion.x = kKnobX + 5;
    motion.xmotion.y = kKnobY + 5;
    motion.xmotion.same_screen = True;
    XSendEvent(d, editor, False, PointerMotionMask, &motion);
    XSync(d, False);
    return tesk_x11::WaitFor([&] { return tesk_x11::PixelAt(d, editor, kKnobX + 5, kKnobY + 5) == frame30; }, 3000);
  };
  std::thread thread([&] { user.Run({tesk_x11::MenuUser::Key(XK_Escape)}); });
  EXPECT_EQ(gui->CreateIPopupMenu(&menu, &anchor), nullptr);
  thread.join();
  ASSERT_TRUE(user.Found()) << user.Failure();
  EXPECT_TRUE(user.WhileOpenHeld()) << "the knob was not redrawn while the menu was open";
  EXPECT_EQ(gui->GetMouseOver(), -1);  // not handled yet: the motion waits for the editor
  EXPECT_TRUE(PumpUntil([&] { return gui->GetMouseOver() == 1; }));  // the knob
}

// A host may destroy its window while a menu is open: the menu closes without a choice and
// the editor notices it lost its window. (This is also how a test user that cannot work the
// menu ends it at once.)
TEST_F(IGraphicsLinuxTest, AMenuClosesWhenTheHostDestroysItsWindow)
{
  IPopupMenu menu;
  menu.AddItem("One");
  IRECT anchor(10, 10, 60, 30);
  tesk_x11::MenuUser user(&host.window);
  user.mWhileOpen = [&](Display* d) {
    XDestroyWindow(d, host.window);
    XSync(d, False);
    return true;
  };
  std::thread thread([&] { user.Run({}); });
  EXPECT_EQ(gui->CreateIPopupMenu(&menu, &anchor), nullptr);
  thread.join();
  host.window = 0;
  ASSERT_TRUE(user.Found()) << user.Failure();
  EXPECT_TRUE(PumpUntil([&] { return !gui->WindowIsOpen(); }));
}

// A switch that prompts for its value opens its menu in its own text style and sets the
// parameter to the chosen position; the press and release around it reach the editor.
TEST_F(IGraphicsLinuxTest, AControlsMenuWearsItsTextStyleAndSetsItsParameter)
{
  IPopupMenu modeMenu;  // what the switch shows: the Mode parameter's three texts
  modeMenu.AddItem("Low");
  modeMenu.AddItem("Mid");
  modeMenu.AddItem("High");
  const uint32_t expectedPaper = kMenuPaper.ToPixel() & 0xFFFFFF;
  tesk_x11::MenuUser user(&host.window);
  uint32_t paper = 0, border = 0;
  user.mWhileOpen = [&](Display* d) {
    const bool drawn = tesk_x11::WaitFor(
        [&] { return (paper = tesk_x11::PixelAt(d, user.MenuWindow(), 2, 1)) == expectedPaper; }, 2000);
    border = tesk_x11::PixelAt(d, user.MenuWindow(), 0, 0);
    return drawn;
  };
  std::thread thread([&] { user.Run({tesk_x11::MenuUser::Click(modeMenu, 2)}); });
  host.MoveTo(EditorWindow(), kModeX + 10, kModeY + 10);
  host.Button(1, true);
  host.Button(1, false);
  // The press opens the menu inside a pump, which returns once the menu is closed.
  EXPECT_TRUE(PumpUntil([&] { return plug->GetParam(TestPlug::kMode)->GetValue() == 2.0; }));
  thread.join();
  ASSERT_TRUE(user.Found()) << user.Failure();
  EXPECT_TRUE(user.WhileOpenHeld());
  EXPECT_EQ(paper, expectedPaper);
  EXPECT_NE(border, paper);
  EXPECT_EQ(plug->GetParam(TestPlug::kMode)->GetValue(), 2.0);  // "High"
  const std::string kinds = plug->TakeEventKinds();
  EXPECT_EQ(kinds.front(), 'B');
  EXPECT_NE(kinds.find('P'), std::string::npos) << kinds;
}

TEST_F(IGraphicsLinuxTest, ClosingFromEitherSideAndReopeningIsSafe)
{
  for (int i = 0; i < 10; ++i)
  {
    gui->CloseWindow();
    EXPECT_FALSE(gui->WindowIsOpen());
    ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
    Settle();
  }
  // The host destroys its window first: the editor notices and closes without X errors ending
  // the process.
  XDestroyWindow(host.d, host.window);
  host.window = 0;
  EXPECT_TRUE(PumpUntil([&] { return !gui->WindowIsOpen(); }));
  gui->CloseWindow();

  host.NewWindow();
  ASSERT_NE(gui->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(host.window))), nullptr);
  Settle();
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
  std::promise<void> owning;
  std::thread owner([&owning] {
    Display* d = XOpenDisplay(nullptr);
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    XSync(d, False);
    owning.set_value();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline)
    {
      if (!XPending(d))
      {
        tesk_x11::Readable(ConnectionNumber(d), 50);
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
  ASSERT_EQ(owning.get_future().wait_for(std::chrono::seconds(3)), std::future_status::ready);
  EXPECT_TRUE(gui->GetTextFromClipboard(&text));
  EXPECT_STREQ(text.Get(), "-3.5 dB");
  owner.join();
}

TEST_F(IGraphicsLinuxTest, TooltipShowsAfterThePointerRests)
{
  gui->EnableTooltips(true);
  gui->HandleMouseOver(true);
  gui->GetControl(1)->SetTooltip("Gain");
  auto tooltipShown = [this] { return !tesk_x11::Overlays(host.d, 39).empty(); };
  // The rest is counted in repaint ticks: each pump is one.
  host.MoveTo(EditorWindow(), kKnobX + 20, kKnobY + 20);
  ASSERT_TRUE(PumpUntil([&] { return gui->GetMouseOver() == 1; }));
  EXPECT_FALSE(tooltipShown());
  for (int tick = 0; tick < 12; ++tick) gui->Pump();
  XSync(host.d, False);
  EXPECT_TRUE(tooltipShown());
  host.MoveTo(EditorWindow(), 150, 80);  // off the control
  EXPECT_TRUE(PumpUntil([&] { return !tooltipShown(); }));
}

// The text field at 200 %: drawn over the control in window pixels, a click inside keeps it,
// Return applies, a click outside cancels.
TEST_F(IGraphicsLinuxTest, TheTextFieldFollowsTheScale)
{
  gui->SetScale(200);
  Settle();
  ASSERT_TRUE(gui->PromptTypedValue(1));  // the knob
  ASSERT_TRUE(gui->TextEntryOpen());
  const IRECT field = gui->PanelToWindow(IRECT(0, 21, 76, 39));  // over the knob, in the panel
  const uint32_t paper = 0xFAFAF6;
  EXPECT_TRUE(PumpUntil([&] { return host.PixelAt(EditorWindow(), field.L + 3, field.T + 3) == paper; }));
  host.MoveTo(EditorWindow(), field.R - 3, field.B - 3);
  host.Button(1, true);
  host.Button(1, false);
  host.Key(XK_2);
  host.Key(XK_Return);
  EXPECT_TRUE(PumpUntil([&] { return !gui->TextEntryOpen(); }));
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 2.0);
  EXPECT_EQ(plug->TakeEventKinds(), "BPE");

  ASSERT_TRUE(gui->PromptTypedValue(1));
  host.Key(XK_5);
  host.MoveTo(EditorWindow(), field.R + 10, field.B + 10);
  host.Button(1, true);
  host.Button(1, false);
  EXPECT_TRUE(PumpUntil([&] { return !gui->TextEntryOpen(); }));
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->GetValue(), 2.0);
  EXPECT_EQ(plug->TakeEventKinds(), "");
}

// The host hides its window without closing the editor: ticks draw nothing and send nothing
// while values change; shown again, the window is up to date at once.
TEST_F(IGraphicsLinuxTest, AHiddenWindowDrawsNothingAndIsUpToDateWhenShown)
{
  const uint32_t frame0 = edtest::FrameColor(0) & 0xFFFFFF, frame30 = edtest::FrameColor(30) & 0xFFFFFF;
  gui->SetParameterFromPlug(TestPlug::kGain, 0.0, true);
  ASSERT_TRUE(PumpUntil([&] { return host.PixelAt(EditorWindow(), kKnobX + 5, kKnobY + 5) == frame0; }));

  // (A value from the plug-in is drawn twice, on two ticks.)
  for (int tick = 0; tick < 3; ++tick) gui->Pump();
  // Nothing changes: ticks send no request at all.
  const unsigned long idle = gui->RequestCount();
  for (int tick = 0; tick < 10; ++tick) gui->Pump();
  EXPECT_EQ(gui->RequestCount(), idle);

  XUnmapWindow(host.d, host.window);
  XSync(host.d, False);
  // The first tick with something to draw finds out; from then on ticks send nothing.
  std::thread automation([&] { gui->SetParameterFromPlug(TestPlug::kGain, 0.25, true); });
  automation.join();
  ASSERT_TRUE(PumpUntil([&] { return gui->WindowHidden(); }));
  const int presented = gui->PresentCount();
  const unsigned long requests = gui->RequestCount();
  for (int i = 0; i <= 30; ++i)
  {
    std::thread audio([&] { gui->SetParameterFromPlug(TestPlug::kGain, i / 30.0, true); });
    audio.join();
    gui->Pump();
  }
  EXPECT_EQ(gui->PresentCount(), presented);
  EXPECT_EQ(gui->RequestCount(), requests);

  XMapWindow(host.d, host.window);
  XSync(host.d, False);
  EXPECT_TRUE(PumpUntil([&] { return host.PixelAt(EditorWindow(), kKnobX + 5, kKnobY + 5) == frame30; }));
  EXPECT_FALSE(gui->WindowHidden());
  EXPECT_GT(gui->PresentCount(), presented);
}

// The user's scale is kept in $XDG_CONFIG_HOME/<vendor>/<product>.conf; a file that does not
// say a number of percent means no choice.
TEST_F(IGraphicsLinuxTest, TheScaleChoiceIsKeptInTheUsersSettings)
{
  char tmpl[] = "/tmp/tesk-x11-config-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  const std::string file = dir + "/Tesk/TestPlug.conf";  // the test plug-in's vendor and name
  EXPECT_EQ(gui->SettingsPath(), file);
  EXPECT_EQ(gui->LoadScalePreference(), 0);
  EXPECT_TRUE(gui->SaveScalePreference(150));
  EXPECT_EQ(gui->LoadScalePreference(), 150);
  for (const char* text : {"editor-scale = big\n", "editor-scale = 5\n", "editor-scale = 150%\n"})
  {
    FILE* f = std::fopen(file.c_str(), "w");
    std::fputs(text, f);
    std::fclose(f);
    EXPECT_EQ(gui->LoadScalePreference(), 0) << text;
  }
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}
