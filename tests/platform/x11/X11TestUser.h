#pragma once
// The user's side of an editor test under X11: waits with deadlines (never fixed sleeps), and a
// "user" on a connection of its own that finds a popup menu when it appears and works it with
// XTest input. If the menu never appears, the user gives up at its deadline by destroying the
// host's window, which closes the menu and the editor: the test fails at once instead of
// waiting for CTest's timeout.

#include <X11/Xlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

class IPopupMenu;

// In a test body or SetUp: without an X server (ok false) the test is skipped on a developer's
// machine but fails under CI (CI=true), where the x11 tests must run.
#define TESK_REQUIRE_X_SERVER(ok, why)                       \
  do                                                         \
  {                                                          \
    if (!(ok))                                               \
    {                                                        \
      if (tesk_x11::UnderCI()) FAIL() << why << " (under CI)"; \
      GTEST_SKIP() << why;                                   \
    }                                                        \
  } while (0)

namespace tesk_x11 {

// True when the environment says CI=true (or 1).
inline bool UnderCI()
{
  const char* ci = std::getenv("CI");
  return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

// True when fd has input within timeoutMs (0: only what is there now).
bool Readable(int fd, int timeoutMs);
// Calls done() until it returns true, at most timeoutMs; true when it did.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);
// The RGB of a window pixel (0xDEADBEEF when it cannot be read).
uint32_t PixelAt(Display* d, Window w, int x, int y);
// The mapped override-redirect children of the root (menus, tooltips) of at most maxHeight
// pixels; windows that vanish while they are looked at are left out.
std::vector<Window> Overlays(Display* d, int maxHeight);

class MenuUser
{
public:
  static constexpr int kDeadlineMs = 5000;

  struct Step
  {
    enum Kind { kClick, kKey, kPressOutside } kind;
    const IPopupMenu* menu;  // kClick: the model shown at that level (for its item layout)
    int item;
    int level;  // 0: the top menu, 1: a submenu opened from it, ...
    unsigned long key;
  };
  static Step Click(const IPopupMenu& menu, int item, int level = 0) { return {Step::kClick, &menu, item, level, 0}; }
  static Step Key(unsigned long keysym) { return {Step::kKey, nullptr, -1, 0, keysym}; }
  static Step PressOutside() { return {Step::kPressOutside, nullptr, -1, 0, 0}; }

  // Opens the user's connection and starts watching for new windows, before the menu opens.
  // hostWindow is destroyed (and set to 0) when the user gives up.
  explicit MenuUser(Window* hostWindow);
  ~MenuUser();
  MenuUser(const MenuUser&) = delete;
  MenuUser& operator=(const MenuUser&) = delete;

  // On the user's thread: waits for the menu, runs mWhileOpen (if set), then the steps.
  void Run(const std::vector<Step>& steps);

  bool Found() const { return mFound; }
  const std::string& Failure() const { return mFailure; }
  Window MenuWindow() const { return mLevels.empty() ? 0 : mLevels.front(); }
  bool WhileOpenHeld() const { return mWhileOpenHeld; }

  // Runs on the user's connection once the top menu shows; its result is WhileOpenHeld().
  std::function<bool(Display*)> mWhileOpen;

private:
  // The window of a menu level, waiting for it to be mapped; 0 after the deadline.
  Window Level(int level);
  // Whether the menu holds the pointer and keyboard grabs (input sent earlier would go astray).
  bool MenuHoldsTheGrabs();
  void GiveUp(const std::string& why);
  void ClickAt(Window w, int x, int y);

  Display* mDisplay = nullptr;
  Window* mHostWindow;
  std::vector<Window> mLevels;
  bool mFound = false;
  bool mWhileOpenHeld = false;
  std::string mFailure;
};

}  // namespace tesk_x11
