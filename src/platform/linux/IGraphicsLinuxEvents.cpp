// The event loop: the host's run loop calls OnXEvents when the editor's connection has data
// and OnTimer at the frame rate; both turn what arrived into editor calls.

#include "framework/IEffectBase.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "platform/linux/IGraphicsLinuxImpl.h"

namespace
{
// Rest time of the pointer before a tooltip shows, in repaint ticks (about half a second).
constexpr int kTooltipRestTicks = 12;

IMouseMod ToIMouseMod(const EditorMouseMods& m) { return IMouseMod(m.left, m.right, m.shift, m.control, m.alt); }
}  // namespace

void IGraphicsLinux::Pump()
{
  if (!mImpl->mWindow.IsOpen()) return;
  OnXEvents();
  OnTimer();
}

void IGraphicsLinux::OnTimer()
{
  if (!mImpl->mWindow.IsOpen()) return;
  // The plug-in's moment on the UI thread (it may tell the host things, which may close us).
  if (IEffectBase* plug = GetPlug()) plug->OnEditorTick();
  if (!mImpl->mWindow.IsOpen()) return;
  // Events already read from the connection (by a wait that took only some of them) do not
  // make it readable again: hand them to the editor here. A menu's wait leaves them for later.
  if (!mImpl->mMenuOpen && !mImpl->mInEvents && XEventsQueued(mImpl->D(), QueuedAlready) > 0) OnXEvents();
  if (!mImpl->mWindow.IsOpen()) return;
  // Hidden: nothing is drawn and nothing sent until the server reports the window visible.
  // Values keep arriving in the editor's mailboxes and are drawn then.
  if (mImpl->mHidden) return;
  IRECT r;
  if (IsDirty(&r))
  {
    // Something to draw: only if it can be seen. (Only the window's own unmapping is
    // reported, not an ancestor's, so this asks; a tick with nothing to draw asks nothing.)
    if (!mImpl->mWindow.Viewable())
    {
      WindowHiddenNow();
      return;
    }
    // The region as a windowing system hands it back: one pixel wider and higher.
    if (!r.Empty())
    {
      r.R += 1;
      r.B += 1;
    }
    Draw(&r);
  }

  // Tooltips: shown once the pointer has rested over a control with a tooltip.
  if (TooltipsEnabled() && GetHandleMouseOver() && !mImpl->mMenuOpen)
  {
    const int over = GetMouseOver();
    if (over != mImpl->mTooltipControl)
    {
      ShowTooltip(false);
      mImpl->mTooltipControl = over;
      mImpl->mRestTicks = 0;
    }
    else if (over >= 0 && !mImpl->mTooltip.IsOpen() && ++mImpl->mRestTicks >= kTooltipRestTicks)
    {
      ShowTooltip(true);
    }
  }
}

void IGraphicsLinux::OnXEvents()
{
  if (!mImpl->mWindow.IsOpen() || mImpl->mInEvents || mImpl->mMenuOpen) return;
  mImpl->mInEvents = true;
  Display* d = mImpl->D();
  while (mImpl->mWindow.IsOpen() && XPending(d) > 0)
  {
    XEvent e;
    XNextEvent(d, &e);
    HandleEvent(&e);
  }
  mImpl->mInEvents = false;
}

void IGraphicsLinux::HandleEvent(void* xevent)
{
  XEvent& e = *static_cast<XEvent*>(xevent);
  if (e.xany.window != mImpl->mWindow.GetWindow()) return;
  if (e.type == DestroyNotify)
  {
    // The host destroyed the parent (and so this window) without closing the editor first.
    CloseWindow();
    return;
  }

  if (e.type == KeyPress && mTextEntry.mOpen)
  {
    TextEntryKey(&e.xkey);
    return;
  }

  KeySym sym = 0;
  if (e.type == KeyPress)
  {
    char buf[8];
    XLookupString(&e.xkey, buf, sizeof buf, &sym, nullptr);
    // Letters map case-insensitively: take the unshifted symbol of the key.
    KeySym lower = XLookupKeysym(&e.xkey, 0);
    if (EditorKeyFromKeySym(sym) < 0 && EditorKeyFromKeySym(lower) >= 0) sym = lower;
  }

  const EditorEvent ev = mImpl->mTranslator.Translate(e, sym);
  IMouseMod mod = ToIMouseMod(ev.mods);
  using T = EditorEvent::Type;

  if (ev.type == T::MouseDown || ev.type == T::MouseDoubleClick || ev.type == T::MouseUp ||
      ev.type == T::MouseDrag || ev.type == T::MouseOver || ev.type == T::MouseWheel)
  {
    if (ev.type != T::MouseOver) ShowTooltip(false);
    mImpl->mRestTicks = 0;
  }

  switch (ev.type)
  {
    case T::MouseDown:
    case T::MouseDoubleClick:
      if (mTextEntry.mOpen)
      {
        // A click inside the field keeps it; a click outside cancels it and is used up, its
        // release too.
        if (!mTextEntry.mRect.Contains(WindowToPanel(ev.x), WindowToPanel(ev.y)))
        {
          CloseTextEntry();
          mImpl->mSwallowRelease = true;
        }
        return;
      }
      mPrevX = ev.x;
      mPrevY = ev.y;
      mImpl->mSwallowRelease = false;
      if (ev.type == T::MouseDoubleClick)
        OnMouseDblClick(ev.x, ev.y, &mod);
      else
        OnMouseDown(ev.x, ev.y, &mod);
      break;
    case T::MouseUp:
      if (mTextEntry.mOpen) return;
      if (mImpl->mSwallowRelease)
      {
        mImpl->mSwallowRelease = false;
        return;
      }
      mPrevX = ev.x;
      mPrevY = ev.y;
      OnMouseUp(ev.x, ev.y, &mod);
      break;
    case T::MouseDrag:
      mPrevX = ev.x;
      mPrevY = ev.y;
      if (!mTextEntry.mOpen) OnMouseDrag(ev.x, ev.y, &mod);
      break;
    case T::MouseOver:
      mPrevX = ev.x;
      mPrevY = ev.y;
      OnMouseOver(ev.x, ev.y, &mod);
      break;
    case T::MouseWheel:
      mPrevX = ev.x;
      mPrevY = ev.y;
      if (mTextEntry.mOpen) CloseTextEntry();
      OnMouseWheel(ev.x, ev.y, &mod, ev.wheel);
      break;
    case T::KeyDown:
      if (OnKeyDown(mPrevX, mPrevY, ev.key)) break;
      [[fallthrough]];
    case T::KeyUnmapped:
      // Keys the editor does not use belong to the host: hand them to the parent window.
      if (mImpl->mParent)
      {
        XEvent forward = e;
        forward.xkey.window = mImpl->mParent;
        XSendEvent(mImpl->D(), mImpl->mParent, True, KeyPressMask, &forward);
        XFlush(mImpl->D());
      }
      break;
    case T::Exposed:
    {
      // An exposure also means the window can be seen (a compositor may report nothing else).
      if (mImpl->mHidden) WindowShownNow();
      IRECT r(ev.x, ev.y, ev.x + ev.width, ev.y + ev.height);
      DrawScreen(&r);
      break;
    }
    case T::PointerLeft:
      ShowTooltip(false);
      // Readouts and mouse-over states end with the pointer's stay.
      OnMouseOut();
      break;
    case T::Shown:
      WindowShownNow();
      break;
    case T::Hidden:
      WindowHiddenNow();
      break;
    default:
      break;
  }
}
