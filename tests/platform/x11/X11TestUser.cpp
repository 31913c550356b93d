// GoogleTest is not needed here; Xlib's macros stay in this file.
#include "platform/x11/X11TestUser.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "editor/IPopupMenu.h"

namespace tesk_x11 {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline)
{
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(0, left));
}

}  // namespace

bool Readable(int fd, int timeoutMs)
{
  if (fd < 0) return false;
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;)
  {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    poll(nullptr, 0, 2);  // the condition is re-checked every 2 ms until the deadline
  }
}

uint32_t PixelAt(Display* d, Window w, int x, int y)
{
  XImage* img = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return 0xDEADBEEF;
  const uint32_t p = static_cast<uint32_t>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
  XDestroyImage(img);
  return p;
}

std::vector<Window> Overlays(Display* d, int maxHeight)
{
  std::vector<Window> found;
  XSync(d, False);
  const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n))
    for (unsigned i = 0; i < n; ++i)
    {
      XWindowAttributes a;
      if (XGetWindowAttributes(d, children[i], &a) && a.override_redirect && a.map_state == IsViewable &&
          a.height <= maxHeight)
        found.push_back(children[i]);
    }
  if (children) XFree(children);
  XSync(d, False);
  XSetErrorHandler(previous);
  return found;
}

MenuUser::MenuUser(Window* hostWindow) : mHostWindow(hostWindow)
{
  mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) return;
  // Menus are override-redirect children of the root: their mapping is reported here.
  XSelectInput(mDisplay, DefaultRootWindow(mDisplay), SubstructureNotifyMask);
  XSync(mDisplay, False);
}

MenuUser::~MenuUser()
{
  if (mDisplay) XCloseDisplay(mDisplay);
}

Window MenuUser::Level(int level)
{
  const auto deadline = Clock::now() + std::chrono::milliseconds(kDeadlineMs);
  while (static_cast<int>(mLevels.size()) <= level)
  {
    if (XPending(mDisplay) == 0)
    {
      if (!Readable(ConnectionNumber(mDisplay), MsLeft(deadline))) return 0;
      continue;
    }
    XEvent e;
    XNextEvent(mDisplay, &e);
    if (e.type == MapNotify && e.xmap.override_redirect && e.xmap.window != *mHostWindow)
      mLevels.push_back(e.xmap.window);
    else if (e.type == DestroyNotify)
      mLevels.erase(std::remove(mLevels.begin(), mLevels.end(), e.xdestroywindow.window), mLevels.end());
  }
  return mLevels[level];
}

bool MenuUser::MenuHoldsTheGrabs()
{
  // A grab this client can take is not held by anyone: give it back at once.
  const Window root = DefaultRootWindow(mDisplay);
  const int pointer =
      XGrabPointer(mDisplay, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (pointer == GrabSuccess) XUngrabPointer(mDisplay, CurrentTime);
  const int keyboard = XGrabKeyboard(mDisplay, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (keyboard == GrabSuccess) XUngrabKeyboard(mDisplay, CurrentTime);
  XSync(mDisplay, False);
  return pointer == AlreadyGrabbed && keyboard == AlreadyGrabbed;
}

void MenuUser::GiveUp(const std::string& why)
{
  mFailure = why;
  if (!mDisplay || !*mHostWindow) return;
  XDestroyWindow(mDisplay, *mHostWindow);
  XSync(mDisplay, False);
  *mHostWindow = 0;
}

void MenuUser::ClickAt(Window w, int x, int y)
{
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(mDisplay, w, DefaultRootWindow(mDisplay), x, y, &rx, &ry, &child);
  XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rx, ry, CurrentTime);
  XTestFakeButtonEvent(mDisplay, 1, True, CurrentTime);
  XTestFakeButtonEvent(mDisplay, 1, False, CurrentTime);
  XSync(mDisplay, False);
}

void MenuUser::Run(const std::vector<Step>& steps)
{
  if (!mDisplay) return GiveUp("no X connection");
  if (!Level(0)) return GiveUp("the menu did not show");
  if (!WaitFor([this] { return MenuHoldsTheGrabs(); }, kDeadlineMs)) return GiveUp("the menu took no grab");
  mFound = true;
  if (mWhileOpen) mWhileOpenHeld = mWhileOpen(mDisplay);
  for (const Step& step : steps)
  {
    switch (step.kind)
    {
      case Step::kKey:
      {
        const KeyCode code = XKeysymToKeycode(mDisplay, step.key);
        XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
        XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
        XSync(mDisplay, False);
        break;
      }
      case Step::kPressOutside:
      {
        const int w = DisplayWidth(mDisplay, DefaultScreen(mDisplay));
        const int h = DisplayHeight(mDisplay, DefaultScreen(mDisplay));
        XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), w - 5, h - 5, CurrentTime);
        XTestFakeButtonEvent(mDisplay, 1, True, CurrentTime);
        XTestFakeButtonEvent(mDisplay, 1, False, CurrentTime);
        XSync(mDisplay, False);
        break;
      }
      case Step::kClick:
      {
        const Window w = Level(step.level);
        if (!w) return GiveUp("menu level " + std::to_string(step.level) + " did not show");
        // The menu's layout: 3 pixels of padding above and below, items of one height, and
        // separators of a third of it (at least 5 pixels). Find the height from the window's.
        XWindowAttributes a;
        if (!XGetWindowAttributes(mDisplay, w, &a)) return GiveUp("the menu window went away");
        int items = 0, separators = 0;
        for (int i = 0; i < step.menu->GetNItems(); ++i)
          (step.menu->GetItem(i)->GetIsSeparator() ? separators : items)++;
        int itemHeight = 0;
        for (int h = 8; h < 200 && !itemHeight; ++h)
          if (6 + items * h + separators * std::max(5, h / 3) == a.height) itemHeight = h;
        if (!itemHeight) return GiveUp("unexpected menu height " + std::to_string(a.height));
        int top = 3;
        for (int i = 0; i < step.item; ++i)
          top += step.menu->GetItem(i)->GetIsSeparator() ? std::max(5, itemHeight / 3) : itemHeight;
        ClickAt(w, 30, top + itemHeight / 2);
        break;
      }
    }
  }
}

}  // namespace tesk_x11
