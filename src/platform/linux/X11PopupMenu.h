#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/X11Overlay.h"
#include "raster/Pix_IBitmap.h"
#include "raster/Pix_MemBitmap.h"

class IPopupMenu;
class Pix_IFont;

// A popup menu model (IPopupMenu) shown on X11: one overlay window per open level, the top
// menu and the submenus opened from it, drawn with the raster library.
//
// The menu does not run an event loop of its own: its owner waits for the server and hands
// it the events of its windows (OwnsWindow tells which), until IsDone(). While open it holds
// the pointer and keyboard grabs (when the server grants them), so every pointer event arrives
// at the top window and a press outside every level closes the menu without a choice.
//
// Gestures: a button release on an item chooses it, or opens its submenu; Up and Down move the
// highlight in the deepest level, Return or Right act on it, Left and Escape close the deepest
// level (Escape on the top level closes the menu).
//
// Thread: the UI thread, on the editor's connection.
class X11PopupMenu
{
public:
  // How the menu looks. The font is borrowed (the editor's font cache owns it).
  struct Style
  {
    Pix_IFont* font = nullptr;
    Pix_Pixel face = 0xFFFFFFFF;           // background
    Pix_Pixel text = 0xFF000000;           // item text, check marks and arrows
    Pix_Pixel highlight = 0xFF000000;      // background of the highlighted item
    Pix_Pixel highlightText = 0xFFFFFFFF;  // its text
    Pix_Pixel disabledText = 0xFF808080;
    Pix_Pixel border = 0xFF606060;
    Pix_Pixel separator = 0xFFC0C0C0;
    int itemHeight = 20;  // pixels per item (separators take a third)
  };

  X11PopupMenu(Display* d, Window editor, const Style& style);
  ~X11PopupMenu();
  X11PopupMenu(const X11PopupMenu&) = delete;
  X11PopupMenu& operator=(const X11PopupMenu&) = delete;

  // Shows the menu with its top-left corner at root position (x, y), moved to stay on the
  // screen, and tries to take the grabs. False (nothing shown) for a null or empty menu,
  // a style without a font, or a window that cannot be created.
  bool Open(IPopupMenu* menu, int rootX, int rootY);
  // Takes the grabs that are not held yet (another client may hold one for a while); true
  // when both are held. Call again while waiting.
  bool Grab();
  bool Grabbed() const { return mPointerGrabbed && mKeyboardGrabbed; }

  // True for the window of any open level.
  bool OwnsWindow(Window w) const;
  // Acts on one event of the menu's windows.
  void HandleEvent(const XEvent& e);
  // Closes the menu without a choice.
  void Cancel() { Finish(nullptr, -1); }

  bool IsDone() const { return mDone; }
  // The menu (the top one or a submenu) whose item was chosen, and the item's index; null
  // and -1 when the menu closed without a choice.
  IPopupMenu* ChosenMenu() const { return mChosenMenu; }
  int ChosenIndex() const { return mChosenIndex; }

  static constexpr int kMaxLevels = 8;

private:
  struct Level;

  bool OpenLevel(IPopupMenu* menu, int rootX, int rootY);
  void CloseLevelsFrom(size_t first);
  void Render(Level& level);
  // The level under a root position (the deepest first), or -1; item gets the item under it.
  int LevelAt(int rootX, int rootY, int* item) const;
  void Activate(size_t levelIndex, int item);
  void MoveHighlight(Level& level, int direction);
  void OnKey(const XKeyEvent& e);
  void Finish(IPopupMenu* menu, int index);
  void ReleaseGrabs();

  Display* mDisplay;
  Window mEditor;
  Style mStyle;
  std::vector<std::unique_ptr<Level>> mLevels;
  bool mPointerGrabbed = false;
  bool mKeyboardGrabbed = false;
  bool mDone = false;
  IPopupMenu* mChosenMenu = nullptr;
  int mChosenIndex = -1;
};
