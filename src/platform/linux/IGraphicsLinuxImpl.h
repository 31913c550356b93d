#pragma once
// The X11 state behind IGraphicsLinux, shared by the files that implement it. Internal to the
// platform library: it brings in Xlib, whose macros the public header keeps away from callers.
// UI thread only.

#include <X11/Xlib.h>

#include "platform/linux/IGraphicsLinux.h"
#include "platform/linux/RunLoopClient.h"
#include "platform/linux/X11EventTranslator.h"
#include "platform/linux/X11Overlay.h"
#include "platform/linux/X11Window.h"

struct IGraphicsLinux::Impl : RunLoopClient::Listener
{
  explicit Impl(IGraphicsLinux* owner) : mOwner(owner) {}

  void OnRunLoopTimer() override { mOwner->OnTimer(); }
  void OnRunLoopEvent(int) override { mOwner->OnXEvents(); }

  Display* D() const { return mWindow.GetDisplay(); }

  IGraphicsLinux* mOwner;
  X11Window mWindow;
  X11EventTranslator mTranslator;
  RunLoopClient* mClient = nullptr;
  unsigned long mParent = 0;  // the host's window
  Cursor mInvisibleCursor = 0;
  int mHiddenRootX = 0, mHiddenRootY = 0;
  bool mInEvents = false;  // inside OnXEvents: it does not run again from within itself
  bool mMenuOpen = false;  // a popup menu is showing (RunMenu is waiting for it)
  bool mHidden = false;    // the window was found not viewable: nothing is drawn until shown
  bool mSwallowRelease = false;  // the press that cancelled a text field takes its release along

  // Tooltip: the window showing, the control the pointer rests over and for how many ticks.
  X11Overlay mTooltip;
  int mTooltipControl = -1;
  int mRestTicks = 0;
};
