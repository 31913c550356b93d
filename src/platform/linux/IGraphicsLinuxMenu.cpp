// Popup menus: an X11PopupMenu shown below the anchor, and a wait for it that never blocks in
// Xlib and leaves the editor's own events queued for it.

#include <poll.h>

#include <algorithm>
#include <chrono>

#include "editor/IControl.h"
#include "platform/linux/IGraphicsLinuxImpl.h"
#include "platform/linux/X11PopupMenu.h"
#include "raster/Pix_CachedFont.h"

namespace
{
Pix_Pixel Mix(const IColor& a, const IColor& b, int percentOfA)
{
  auto mix = [percentOfA](int x, int y) { return (x * percentOfA + y * (100 - percentOfA)) / 100; };
  return IColor(255, mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)).ToPixel();
}

// The menu wears the text style of the control that asked for it, as a text field for that
// control would: its face and size, its text-entry colours, and the two swapped for the
// highlighted item.
X11PopupMenu::Style MenuStyle(const IText& text, Pix_IFont* font)
{
  const IColor ink(255, text.mTextEntryFGColor.R, text.mTextEntryFGColor.G, text.mTextEntryFGColor.B);
  const IColor paper(255, text.mTextEntryBGColor.R, text.mTextEntryBGColor.G, text.mTextEntryBGColor.B);
  X11PopupMenu::Style style;
  style.font = font;
  style.face = paper.ToPixel();
  style.text = ink.ToPixel();
  style.highlight = ink.ToPixel();
  style.highlightText = paper.ToPixel();
  style.disabledText = Mix(ink, paper, 45);
  style.border = Mix(ink, paper, 60);
  style.separator = Mix(ink, paper, 25);
  style.itemHeight = std::max(18, (font ? font->GetLineHeight() : 0) + 6);
  return style;
}

// Which queued events the menu's wait takes: those of the menu's windows, the editor's
// exposures (it keeps showing itself), and while the grabs are not held a press on the editor
// (it closes the menu, as a press anywhere else does). Everything else stays queued for the
// editor. The destruction of the editor's window is noted and left queued: the menu closes,
// then the editor's own handling closes the editor.
struct MenuEventFilter
{
  const X11PopupMenu* popup;
  Window editor;
  bool editorGone;
};

Bool TakeMenuEvent(Display*, XEvent* e, XPointer arg)
{
  MenuEventFilter* f = reinterpret_cast<MenuEventFilter*>(arg);
  if (f->popup->OwnsWindow(e->xany.window)) return True;
  if (e->xany.window != f->editor) return False;
  if (e->type == DestroyNotify) f->editorGone = true;
  return e->type == Expose || (e->type == ButtonPress && !f->popup->Grabbed());
}
}  // namespace

bool IGraphicsLinux::MenuOpen() const { return mImpl->mMenuOpen; }

IPopupMenu* IGraphicsLinux::CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect)
{
  IControl* asking = GetControl(GetMouseCapture());
  ReleaseMouseCapture();
  if (!mImpl->mWindow.IsOpen() || !menu || mImpl->mMenuOpen) return nullptr;

  IText text = asking ? *asking->GetText() : IText();
  text.mCached = nullptr;
  // The menu grows with the editor.
  text.mSize = GetScale().SizeToSurface(text.mSize);
  Pix_IFont* font = CacheFont(&text);
  if (!font) return nullptr;

  Display* d = mImpl->D();
  const Window editor = mImpl->mWindow.GetWindow();
  // The control's rectangle is in panel coordinates; the menu opens below it on the screen.
  IRECT anchor = textRect ? PanelToWindow(*textRect) : IRECT();
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, editor, DefaultRootWindow(d), anchor.L, anchor.B, &rootX, &rootY, &child);

  ShowTooltip(false);
  X11PopupMenu popup(d, editor, MenuStyle(text, font));
  if (!popup.Open(menu, rootX, rootY)) return nullptr;
  mImpl->mMenuOpen = true;
  RunMenu(&popup);
  mImpl->mMenuOpen = false;

  IPopupMenu* chosen = popup.ChosenMenu();
  if (!chosen || popup.ChosenIndex() < 0) return nullptr;
  chosen->SetChosenItemIdx(popup.ChosenIndex());
  return chosen;
}

void IGraphicsLinux::RunMenu(X11PopupMenu* popup)
{
  using Clock = std::chrono::steady_clock;
  Display* d = mImpl->D();
  const auto interval = std::chrono::milliseconds(TimerIntervalMs());
  auto nextTick = Clock::now() + interval;
  MenuEventFilter filter{popup, mImpl->mWindow.GetWindow(), false};
  while (!popup->IsDone())
  {
    XEvent e;
    // Reads what the server has sent without waiting, then takes only the menu's events.
    while (!popup->IsDone() && XCheckIfEvent(d, &e, TakeMenuEvent, reinterpret_cast<XPointer>(&filter)))
    {
      if (popup->OwnsWindow(e.xany.window))
        popup->HandleEvent(e);
      else if (e.type == Expose)
      {
        IRECT r(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height);
        DrawScreen(&r);
      }
      else
        popup->Cancel();  // a press on the editor while the menu has no grab
    }
    if (filter.editorGone) popup->Cancel();
    if (popup->IsDone()) break;

    // Host automation keeps showing while the menu is open.
    const auto now = Clock::now();
    if (now >= nextTick)
    {
      OnTimer();
      nextTick = now + interval;
    }
    popup->Grab();
    // Wait for the server, at most until the next repaint tick.
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now()).count();
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(std::max<long long>(1, wait)));
  }
}
