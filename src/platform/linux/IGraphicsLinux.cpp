#include "platform/linux/IGraphicsLinux.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "editor/IControl.h"
#include "framework/IParam.h"
#include "platform/linux/ProcessLauncher.h"
#include "platform/linux/RunLoopClient.h"
#include "platform/linux/X11EventTranslator.h"
#include "platform/linux/X11Window.h"
#include "platform/linux/XdgPaths.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"

namespace {

// Rest time of the pointer before a tooltip shows, in repaint ticks (about half a second).
constexpr int kTooltipRestTicks = 12;
// How long a clipboard request may take before it counts as empty.
constexpr int kClipboardTimeoutMs = 500;

IMouseMod ToIMouseMod(const EditorMouseMods& m) { return IMouseMod(m.left, m.right, m.shift, m.control, m.alt); }

bool EndsWithPngExtension(const char* name) {
  const char* dot = std::strrchr(name, '.');
  const char* ext = dot ? dot + 1 : name;
  return strcasecmp(ext, "png") == 0;
}

// The file of the module that holds this code (the plug-in's .so, or a test executable).
std::string ModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModulePath), &info) && info.dli_fname) return info.dli_fname;
  return std::string();
}

// A bitmap put into an X window through an XImage over its own pixels.
void PutBitmap(Display* d, Window w, GC gc, Visual* v, int depth, Pix_IBitmap* bmp) {
  XImage* image = XCreateImage(d, v, static_cast<unsigned>(depth), ZPixmap, 0, reinterpret_cast<char*>(bmp->getBits()),
                               static_cast<unsigned>(bmp->getWidth()), static_cast<unsigned>(bmp->getHeight()), 32,
                               bmp->getRowSpan() * 4);
  if (!image) return;
  image->byte_order = LSBFirst;
  XPutImage(d, w, gc, image, 0, 0, 0, 0, static_cast<unsigned>(bmp->getWidth()),
            static_cast<unsigned>(bmp->getHeight()));
  image->data = nullptr;
  XDestroyImage(image);
}

// A mapped, borderless window above everything else (menus, tooltips) at root position
// (x, y), in the editor window's visual, which it reports so bitmaps can be put into it.
Window CreateOverlayWindow(Display* d, Window editor, int x, int y, int w, int h, long eventMask, Visual** visual,
                           int* depth)
{
  XWindowAttributes editorAttributes;
  XGetWindowAttributes(d, editor, &editorAttributes);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = eventMask;
  attributes.background_pixmap = None;
  attributes.border_pixel = 0;
  attributes.colormap = editorAttributes.colormap;
  Window window = XCreateWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                0, editorAttributes.depth, InputOutput, editorAttributes.visual,
                                CWOverrideRedirect | CWEventMask | CWBackPixmap | CWBorderPixel | CWColormap,
                                &attributes);
  XMapRaised(d, window);
  *visual = editorAttributes.visual;
  *depth = editorAttributes.depth;
  return window;
}

// Fills the box from (x0, y0) to (x1, y1), exclusive, with an opaque colour.
void FillBox(Pix_IBitmap* bmp, int x0, int y0, int x1, int y1, Pix_Pixel color) {
  Pix_FillRect(bmp, x0, y0, x1 - x0, y1 - y0, color, 1.0f, Pix_ModeCopy);
}

}  // namespace

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
  unsigned long mParent = 0;
  Cursor mInvisibleCursor = 0;
  int mHiddenRootX = 0, mHiddenRootY = 0;
  bool mInEvents = false;

  // Tooltip state.
  Window mTooltipWindow = 0;
  int mTooltipControl = -1;
  int mRestTicks = 0;

  // Popup menus: one window per open (sub)menu.
  struct MenuResult
  {
    IPopupMenu* mMenu = nullptr;
    int mIndex = -1;
  };
  MenuResult RunMenu(IPopupMenu* menu, int rootX, int rootY, int depth);
};

// ---------------------------------------------------------------------------------------------

IGraphicsLinux::IGraphicsLinux(IEffectBase* plug, int w, int h, int fps)
  : IGraphics(plug, w, h, fps), mImpl(new Impl(this))
{
}

IGraphicsLinux::~IGraphicsLinux()
{
  CloseWindow();
  delete mImpl;
}

bool IGraphicsLinux::UsesSharedMemory() const { return mImpl->mWindow.UsesSharedMemory(); }

void* IGraphicsLinux::GetWindow()
{
  return mImpl->mWindow.IsOpen() ? reinterpret_cast<void*>(static_cast<uintptr_t>(mImpl->mWindow.GetWindow()))
                                 : nullptr;
}

void* IGraphicsLinux::OpenWindow(void* parentView)
{
  CloseWindow();
  const unsigned long parent = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parentView));
  if (!mImpl->mWindow.Open(parent, Width(), Height())) return nullptr;
  mImpl->mParent = parent;
  BindUIThread();
  if (!GetDrawBitmap()) PrepDraw();

  // Draw everything once so the first expose already shows the editor.
  SetAllControlsDirty();
  IRECT full(0, 0, Width(), Height());
  Draw(&full);

  if (mRunLoop)
  {
    mImpl->mClient = RunLoopClient::Create(mImpl);
    if (!mImpl->mClient->Start(mRunLoop, mImpl->mWindow.ConnectionFd(), TimerIntervalMs()))
    {
      mImpl->mClient->Detach();
      mImpl->mClient = nullptr;
    }
  }
  UpdateTooltips();
  return GetWindow();
}

void IGraphicsLinux::CloseWindow()
{
  if (!mImpl->mWindow.IsOpen()) return;
  mTextEntry.mOpen = false;
  mTextEntry.mControl = nullptr;
  mTextEntry.mParam = nullptr;
  ShowTooltip(false);
  ReleaseMouseCapture();
  // The run-loop client defers its unregistration when the close comes from inside one of
  // its own callbacks (an event that ends in closing the editor).
  if (mImpl->mClient)
  {
    mImpl->mClient->Detach();
    mImpl->mClient = nullptr;
  }
  if (mCursorHidden) ShowMouseCursor();
  if (mImpl->mInvisibleCursor)
  {
    XFreeCursor(mImpl->D(), mImpl->mInvisibleCursor);
    mImpl->mInvisibleCursor = 0;
  }
  mImpl->mWindow.Close();
  mImpl->mTranslator.Reset();
  mImpl->mParent = 0;
}

void IGraphicsLinux::Resize(int w, int h)
{
  if (w == Width() && h == Height()) return;
  const unsigned long parent = mImpl->mParent;
  const bool wasOpen = mImpl->mWindow.IsOpen();
  if (wasOpen) CloseWindow();
  IGraphics::Resize(w, h);
  if (wasOpen) OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)));
}

// ---------------------------------------------------------------------------------------------
// Repaint and events

void IGraphicsLinux::Pump()
{
  if (!mImpl->mWindow.IsOpen()) return;
  OnXEvents();
  OnTimer();
}

void IGraphicsLinux::OnTimer()
{
  if (!mImpl->mWindow.IsOpen()) return;
  IRECT r;
  if (IsDirty(&r))
  {
    // The region as a windowing system hands it back: one pixel wider and higher.
    if (!r.Empty())
    {
      r.R += 1;
      r.B += 1;
    }
    Draw(&r);
  }

  // Tooltips: shown once the pointer has rested over a control with a tooltip.
  if (TooltipsEnabled() && GetHandleMouseOver())
  {
    const int over = GetMouseOver();
    if (over != mImpl->mTooltipControl)
    {
      ShowTooltip(false);
      mImpl->mTooltipControl = over;
      mImpl->mRestTicks = 0;
    }
    else if (over >= 0 && !mImpl->mTooltipWindow && ++mImpl->mRestTicks >= kTooltipRestTicks)
    {
      ShowTooltip(true);
    }
  }
}

void IGraphicsLinux::OnXEvents()
{
  if (!mImpl->mWindow.IsOpen() || mImpl->mInEvents) return;
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
        // A click inside the field keeps it; a click outside cancels it and is used up.
        if (!mTextEntry.mRect.Contains(ev.x, ev.y)) CloseTextEntry();
        return;
      }
      mPrevX = ev.x;
      mPrevY = ev.y;
      if (ev.type == T::MouseDoubleClick)
        OnMouseDblClick(ev.x, ev.y, &mod);
      else
        OnMouseDown(ev.x, ev.y, &mod);
      break;
    case T::MouseUp:
      if (mTextEntry.mOpen) return;
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
      IRECT r(ev.x, ev.y, ev.x + ev.width, ev.y + ev.height);
      DrawScreen(&r);
      break;
    }
    case T::PointerLeft:
      ShowTooltip(false);
      break;
    default:
      break;
  }
}

bool IGraphicsLinux::DrawScreen(IRECT* r)
{
  if (!mImpl->mWindow.IsOpen()) return false;
  Pix_SysBitmap* surface = GetDrawBitmap();
  if (!surface || !surface->getBits()) return false;
  if (mTextEntry.mOpen) DrawTextEntry();
  IRECT area = (r && !r->Empty()) ? *r : IRECT(0, 0, Width(), Height());
  mImpl->mWindow.Present(surface->getBits(), surface->getRowSpan(), surface->getWidth(), surface->getHeight(),
                         area.L, area.T, area.W(), area.H());
  return true;
}

// ---------------------------------------------------------------------------------------------
// Text entry: a one-line field drawn into the editor

void IGraphicsLinux::CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str,
                                     IParam* param)
{
  if (!mImpl->mWindow.IsOpen() || !control || mTextEntry.mOpen) return;
  mTextEntry.mOpen = true;
  mTextEntry.mText = str ? str : "";
  mTextEntry.mRect = textRect ? *textRect : *control->GetRECT();
  mTextEntry.mStyle = text ? *text : IText();
  mTextEntry.mStyle.mCached = nullptr;
  mTextEntry.mFilter = ITextEntryFilter::ForParam(param, control->GetTextEntryLength());
  mTextEntry.mControl = control;
  mTextEntry.mParam = param;
  mSelectAll = true;
  mImpl->mWindow.TakeFocus();
  DrawScreen(&mTextEntry.mRect);
}

void IGraphicsLinux::DrawTextEntry()
{
  IRECT r = mTextEntry.mRect;
  if (r.Empty()) return;
  IText style = mTextEntry.mStyle;
  style.mColor = style.mTextEntryFGColor;
  style.mSize = std::max(1, static_cast<int>(style.mSize * 0.9));
  style.mCached = nullptr;
  IColor bg = style.mTextEntryBGColor;
  FillIRect(&bg, &r);
  IColor frame(255, 90, 140, 220);
  IRECT inner(r.L, r.T, r.R - 1, r.B - 1);
  DrawRect(&frame, &inner);

  std::string shown = mTextEntry.mText;
  IRECT textRect(r.L + 3, r.T + 1, r.R - 3, r.B - 1);
  if (mSelectAll && !shown.empty())
  {
    // The initial text is selected: typing replaces it.
    IRECT measured = textRect;
    MeasureIText(&style, const_cast<char*>(shown.c_str()), &measured);
    IColor selection(255, 180, 205, 245);
    IRECT sel(std::max(measured.L, textRect.L), textRect.T + 1, std::min(measured.R, textRect.R), textRect.B - 1);
    FillIRect(&selection, &sel);
  }
  else
  {
    shown += "|";  // caret
  }
  const int textHeight = style.mSize + 2;
  IRECT line = textRect;
  line.T = r.T + (r.H() - textHeight) / 2;
  DrawIText(&style, shown.c_str(), &line);
}

void IGraphicsLinux::TextEntryKey(void* xkeyevent)
{
  XKeyEvent* k = static_cast<XKeyEvent*>(xkeyevent);
  char buf[32] = {};
  KeySym sym = 0;
  const int n = XLookupString(k, buf, sizeof buf - 1, &sym, nullptr);
  switch (sym)
  {
    case XK_Return:
    case XK_KP_Enter:
      CommitTextEntry();
      return;
    case XK_Escape:
      CloseTextEntry();
      return;
    case XK_BackSpace:
      if (mSelectAll)
        mTextEntry.mText.clear();
      else if (!mTextEntry.mText.empty())
        mTextEntry.mText.pop_back();
      mSelectAll = false;
      break;
    default:
    {
      std::string typed;
      for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(buf[i]) >= 0x20 && buf[i] != 0x7F) typed += buf[i];
      if (typed.empty()) return;
      // A refused edit leaves the field as it was.
      const std::string candidate = (mSelectAll ? std::string() : mTextEntry.mText) + typed;
      if (!mTextEntry.mFilter.Accepts(candidate.c_str())) return;
      mTextEntry.mText = candidate;
      mSelectAll = false;
      break;
    }
  }
  DrawScreen(&mTextEntry.mRect);
}

void IGraphicsLinux::CommitTextEntry()
{
  if (!mTextEntry.mOpen) return;
  const std::string text = mTextEntry.mText;
  IControl* control = mTextEntry.mControl;
  IParam* param = mTextEntry.mParam;
  CloseTextEntry();
  if (param)
    SetFromStringAfterPrompt(control, param, text.c_str());
  else if (control)
    control->TextFromTextEntry(text.c_str());
}

void IGraphicsLinux::CloseTextEntry()
{
  if (!mTextEntry.mOpen) return;
  mTextEntry.mOpen = false;
  mTextEntry.mControl = nullptr;
  mTextEntry.mParam = nullptr;
  // What the field covered is drawn again at the next tick.
  SetAllControlsDirty();
  if (mImpl->mWindow.IsOpen() && mImpl->mParent)
  {
    XSetInputFocus(mImpl->D(), mImpl->mParent, RevertToParent, CurrentTime);
    XFlush(mImpl->D());
  }
}

void IGraphicsLinux::ForceEndUserEdit() { CloseTextEntry(); }

// ---------------------------------------------------------------------------------------------
// Popup menus: override-redirect windows with a nested event loop

namespace {

struct MenuLayout
{
  static constexpr int kItemHeight = 20;
  static constexpr int kSeparatorHeight = 7;
  static constexpr int kPadding = 3;
  std::vector<int> mTops;
  std::vector<std::string> mLabels;
  int mWidth = 0;
  int mHeight = 0;

  int ItemAt(int y) const
  {
    for (size_t i = 0; i < mTops.size(); ++i)
    {
      const int next = i + 1 < mTops.size() ? mTops[i + 1] : mHeight - kPadding;
      if (y >= mTops[i] && y < next) return static_cast<int>(i);
    }
    return -1;
  }
};

bool Selectable(const IPopupMenuItem* item)
{
  return item && item->GetEnabled() && !item->GetIsSeparator();
}

}  // namespace

IGraphicsLinux::Impl::MenuResult IGraphicsLinux::Impl::RunMenu(IPopupMenu* menu, int rootX, int rootY, int depth)
{
  MenuResult result;
  Display* d = D();
  if (!d || !menu || menu->GetNItems() == 0 || depth > 8) return result;

  IText style(12, &COLOR_BLACK, "DejaVu Sans", IText::kStyleNormal, IText::kAlignNear);
  Pix_IFont* font = mOwner->CacheFont(&style);
  if (!font) return result;

  Pix_MemBitmap measureScratch(1, 1, 4);
  MenuLayout layout;
  int y = MenuLayout::kPadding;
  int widest = 60;
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    IPopupMenuItem* item = menu->GetItem(i);
    char label[512];
    menu->GetItemLabel(i, label, sizeof label);
    layout.mLabels.push_back(label);
    layout.mTops.push_back(y);
    if (item && item->GetIsSeparator())
    {
      y += MenuLayout::kSeparatorHeight;
      continue;
    }
    Pix_Rect calc = {0, 0, 0, 0};
    font->DrawText(&measureScratch, label, -1, &calc, Pix_TextCalcRect | Pix_TextSingleLine);
    widest = std::max(widest, calc.right - calc.left);
    y += MenuLayout::kItemHeight;
  }
  layout.mWidth = std::min(widest + 44, 800);
  layout.mHeight = y + MenuLayout::kPadding;

  // Keep the menu on the screen.
  const int screenW = DisplayWidth(d, DefaultScreen(d));
  const int screenH = DisplayHeight(d, DefaultScreen(d));
  rootX = std::max(0, std::min(rootX, screenW - layout.mWidth));
  rootY = std::max(0, std::min(rootY, screenH - layout.mHeight));

  Visual* visual = nullptr;
  int colourDepth = 0;
  Window w = CreateOverlayWindow(d, mWindow.GetWindow(), rootX, rootY, layout.mWidth, layout.mHeight,
                                 ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask,
                                 &visual, &colourDepth);
  GC gc = XCreateGC(d, w, 0, nullptr);
  XSync(d, False);
  // Grab the pointer and keyboard so a click anywhere else closes the menu. The grab may fail
  // (another client holds one); the menu still works inside its own window.
  for (int attempt = 0; attempt < 20; ++attempt)
  {
    if (XGrabPointer(d, w, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
      break;
    usleep(5000);
  }
  XGrabKeyboard(d, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);

  Pix_MemBitmap canvas(layout.mWidth, layout.mHeight, 4);
  int hover = -1;
  auto render = [&]() {
    const Pix_Pixel face = 0xFFF4F4F6, border = 0xFF8A8D93, hoverFill = 0xFF3D7BD9;
    FillBox(&canvas, 0, 0, layout.mWidth, layout.mHeight, face);
    FillBox(&canvas, 0, 0, layout.mWidth, 1, border);
    FillBox(&canvas, 0, layout.mHeight - 1, layout.mWidth, layout.mHeight, border);
    FillBox(&canvas, 0, 0, 1, layout.mHeight, border);
    FillBox(&canvas, layout.mWidth - 1, 0, layout.mWidth, layout.mHeight, border);
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
      IPopupMenuItem* item = menu->GetItem(i);
      const int top = layout.mTops[i];
      if (item && item->GetIsSeparator())
      {
        FillBox(&canvas, 6, top + 3, layout.mWidth - 6, top + 4, 0xFFC8CACF);
        continue;
      }
      const bool highlighted = i == hover && Selectable(item);
      if (highlighted)
        FillBox(&canvas, 2, top, layout.mWidth - 2, top + MenuLayout::kItemHeight, hoverFill);
      Pix_Pixel ink = 0xFF1C1D20;
      if (highlighted) ink = 0xFFFFFFFF;
      if (item && !item->GetEnabled()) ink = 0xFF9A9CA1;
      font->SetTextColor(ink);
      const int indent = item && item->GetIsTitle() ? 30 : 22;
      Pix_Rect tr = {indent, top, layout.mWidth - 16, top + MenuLayout::kItemHeight};
      font->DrawText(&canvas, layout.mLabels[i].c_str(), -1, &tr, Pix_TextVCenter | Pix_TextSingleLine);
      if (item && item->GetChecked())
      {
        Pix_Rect cr = {6, top, 20, top + MenuLayout::kItemHeight};
        font->DrawText(&canvas, "\xE2\x9C\x93", -1, &cr, Pix_TextVCenter | Pix_TextSingleLine);
      }
      if (item && item->GetSubmenu())
      {
        Pix_Rect ar = {layout.mWidth - 16, top, layout.mWidth - 4, top + MenuLayout::kItemHeight};
        font->DrawText(&canvas, "\xE2\x96\xB8", -1, &ar, Pix_TextVCenter | Pix_TextSingleLine);
      }
    }
    PutBitmap(d, w, gc, visual, colourDepth, &canvas);
    XFlush(d);
  };
  render();

  bool done = false;
  while (!done)
  {
    XEvent e;
    XNextEvent(d, &e);
    if (e.xany.window != w)
    {
      // The editor keeps showing itself while the menu is open.
      if (e.type == Expose && e.xany.window == mWindow.GetWindow())
      {
        IRECT r(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height);
        mOwner->DrawScreen(&r);
      }
      continue;
    }
    switch (e.type)
    {
      case Expose:
        render();
        break;
      case MotionNotify:
      {
        const bool inside = e.xmotion.x >= 0 && e.xmotion.x < layout.mWidth && e.xmotion.y >= 0 &&
                            e.xmotion.y < layout.mHeight;
        const int now = inside ? layout.ItemAt(e.xmotion.y) : -1;
        if (now != hover)
        {
          hover = now;
          render();
        }
        break;
      }
      case ButtonPress:
      {
        const bool inside = e.xbutton.x >= 0 && e.xbutton.x < layout.mWidth && e.xbutton.y >= 0 &&
                            e.xbutton.y < layout.mHeight;
        if (!inside) done = true;  // a click elsewhere closes the menu without a choice
        break;
      }
      case ButtonRelease:
      {
        if (e.xbutton.button != Button1 && e.xbutton.button != Button3) break;
        const bool inside = e.xbutton.x >= 0 && e.xbutton.x < layout.mWidth && e.xbutton.y >= 0 &&
                            e.xbutton.y < layout.mHeight;
        const int idx = inside ? layout.ItemAt(e.xbutton.y) : -1;
        IPopupMenuItem* item = menu->GetItem(idx);
        if (!Selectable(item)) break;
        if (item->GetSubmenu())
        {
          result = RunMenu(item->GetSubmenu(), rootX + layout.mWidth - 4, rootY + layout.mTops[idx], depth + 1);
          // The submenu took the grab; take it back while this menu stays open.
          if (result.mMenu) done = true;
          else
            XGrabPointer(d, w, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime);
          break;
        }
        result.mMenu = menu;
        result.mIndex = idx;
        done = true;
        break;
      }
      case KeyPress:
      {
        const KeySym sym = XLookupKeysym(&e.xkey, 0);
        if (sym == XK_Escape) done = true;
        if (sym == XK_Down || sym == XK_Up)
        {
          const int n = menu->GetNItems();
          int next = hover;
          for (int step = 0; step < n; ++step)
          {
            next = sym == XK_Down ? (next + 1) % n : (next <= 0 ? n - 1 : next - 1);
            if (Selectable(menu->GetItem(next))) break;
          }
          hover = next;
          render();
        }
        if ((sym == XK_Return || sym == XK_KP_Enter) && Selectable(menu->GetItem(hover)) &&
            !menu->GetItem(hover)->GetSubmenu())
        {
          result.mMenu = menu;
          result.mIndex = hover;
          done = true;
        }
        break;
      }
      default:
        break;
    }
  }

  XUngrabKeyboard(d, CurrentTime);
  XUngrabPointer(d, CurrentTime);
  XFreeGC(d, gc);
  XDestroyWindow(d, w);
  XFlush(d);
  return result;
}

IPopupMenu* IGraphicsLinux::CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect)
{
  ReleaseMouseCapture();
  if (!mImpl->mWindow.IsOpen() || !menu) return nullptr;
  IRECT anchor = textRect ? *textRect : IRECT();
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(mImpl->D(), mImpl->mWindow.GetWindow(), DefaultRootWindow(mImpl->D()), anchor.L, anchor.B,
                        &rootX, &rootY, &child);
  Impl::MenuResult r = mImpl->RunMenu(menu, rootX, rootY, 0);
  if (!r.mMenu || r.mIndex < 0) return nullptr;
  r.mMenu->SetChosenItemIdx(r.mIndex);
  return r.mMenu;
}

// ---------------------------------------------------------------------------------------------
// Tooltips and the cursor

void IGraphicsLinux::ShowTooltip(bool show)
{
  Display* d = mImpl->D();
  if (mImpl->mTooltipWindow)
  {
    if (d) XDestroyWindow(d, mImpl->mTooltipWindow);
    mImpl->mTooltipWindow = 0;
    if (d) XFlush(d);
  }
  if (!show || !d) return;
  IControl* c = GetControl(mImpl->mTooltipControl);
  if (!c || c->IsHidden() || !c->GetTooltip() || !*c->GetTooltip()) return;

  IText style(11, &COLOR_BLACK, "DejaVu Sans", IText::kStyleNormal, IText::kAlignNear);
  Pix_IFont* font = CacheFont(&style);
  if (!font) return;
  Pix_MemBitmap measureScratch(1, 1, 4);
  Pix_Rect calc = {0, 0, 0, 0};
  font->DrawText(&measureScratch, c->GetTooltip(), -1, &calc, Pix_TextCalcRect | Pix_TextSingleLine);
  const int w = std::min(calc.right - calc.left + 10, 600), h = std::max(calc.bottom - calc.top, 12) + 6;
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, mImpl->mWindow.GetWindow(), DefaultRootWindow(d), mPrevX + 12, mPrevY + 18, &rootX,
                        &rootY, &child);
  Visual* visual = nullptr;
  int depth = 0;
  Window tip = CreateOverlayWindow(d, mImpl->mWindow.GetWindow(), rootX, rootY, w, h, NoEventMask, &visual, &depth);
  Pix_MemBitmap canvas(w, h, 4);
  FillBox(&canvas, 0, 0, w, h, 0xFF55575C);
  FillBox(&canvas, 1, 1, w - 1, h - 1, 0xFFFFFBE6);
  font->SetTextColor(0xFF1C1D20);
  Pix_Rect tr = {5, 0, w - 5, h};
  font->DrawText(&canvas, c->GetTooltip(), -1, &tr, Pix_TextVCenter | Pix_TextSingleLine);
  XSync(d, False);
  GC gc = XCreateGC(d, tip, 0, nullptr);
  PutBitmap(d, tip, gc, visual, depth, &canvas);
  XFreeGC(d, gc);
  XFlush(d);
  mImpl->mTooltipWindow = tip;
}

void IGraphicsLinux::UpdateTooltips()
{
  // X11 has no tooltip areas to register: the tick shows the tooltip of the control the
  // pointer rests over. Forget any tooltip that is showing, its control may be gone.
  ShowTooltip(false);
  mImpl->mTooltipControl = -1;
  mImpl->mRestTicks = 0;
}

void IGraphicsLinux::HideMouseCursor()
{
  if (mCursorHidden || !mImpl->mWindow.IsOpen()) return;
  Display* d = mImpl->D();
  if (!mImpl->mInvisibleCursor)
  {
    static const char kEmpty[1] = {0};
    Pixmap blank = XCreateBitmapFromData(d, mImpl->mWindow.GetWindow(), kEmpty, 1, 1);
    XColor black{};
    mImpl->mInvisibleCursor = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
    XFreePixmap(d, blank);
  }
  Window root, child;
  int winX = 0, winY = 0;
  unsigned int mask = 0;
  if (XQueryPointer(d, mImpl->mWindow.GetWindow(), &root, &child, &mImpl->mHiddenRootX, &mImpl->mHiddenRootY, &winX,
                    &winY, &mask))
  {
    mHiddenMousePointX = winX;
    mHiddenMousePointY = winY;
  }
  XDefineCursor(d, mImpl->mWindow.GetWindow(), mImpl->mInvisibleCursor);
  XFlush(d);
  mCursorHidden = true;
}

void IGraphicsLinux::ShowMouseCursor()
{
  if (!mCursorHidden) return;
  mCursorHidden = false;
  if (!mImpl->mWindow.IsOpen()) return;
  Display* d = mImpl->D();
  XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, mImpl->mHiddenRootX, mImpl->mHiddenRootY);
  XUndefineCursor(d, mImpl->mWindow.GetWindow());
  XFlush(d);
}

// ---------------------------------------------------------------------------------------------
// Clipboard, dialogs, URLs, paths and resources

bool IGraphicsLinux::GetTextFromClipboard(Core_String* str)
{
  if (str) str->Set("");
  if (!str || !mImpl->mWindow.IsOpen()) return false;
  Display* d = mImpl->D();
  const Window w = mImpl->mWindow.GetWindow();
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom property = XInternAtom(d, "TESK_CLIPBOARD", False);
  if (XGetSelectionOwner(d, clipboard) == None) return false;
  XConvertSelection(d, clipboard, utf8, property, w, CurrentTime);
  XFlush(d);

  // Wait (bounded) for the owner's answer; other events stay queued for the editor.
  XEvent e;
  bool answered = false;
  for (int waited = 0; waited < kClipboardTimeoutMs && !answered; waited += 10)
  {
    if (XCheckTypedWindowEvent(d, w, SelectionNotify, &e))
    {
      answered = true;
      break;
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 10);
  }
  if (!answered || e.xselection.property == None) return false;

  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const long kMaxLongs = 1 << 18;  // 1 MiB of text at most
  bool ok = false;
  if (XGetWindowProperty(d, w, property, 0, kMaxLongs, True, AnyPropertyType, &type, &format, &count, &remaining,
                         &data) == Success &&
      data && format == 8 && count > 0)
  {
    const std::string text(reinterpret_cast<const char*>(data), count);
    str->Set(text.c_str());
    ok = true;
  }
  if (data) XFree(data);
  return ok;
}

int IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, int type)
{
  // Without zenity the answer is the default button.
  if (!ProcessLauncher::IsAvailable("zenity")) return 1;
  std::vector<std::string> args = {"zenity", "--no-markup", "--title=" + std::string(caption ? caption : ""),
                                   "--text=" + std::string(text ? text : "")};
  switch (type)
  {
    case 1:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=OK");
      args.push_back("--cancel-label=Cancel");
      break;
    case 3:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=Yes");
      args.push_back("--cancel-label=No");
      args.push_back("--extra-button=Cancel");
      break;
    case 4:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=Yes");
      args.push_back("--cancel-label=No");
      break;
    default:
      args.insert(args.begin() + 1, "--info");
      break;
  }
  std::string out;
  const int status = ProcessLauncher::RunAndCapture(args, &out);
  if (status == 0) return 1;
  if (type == 3 && out == "Cancel") return 2;
  if (status == 1 && (type == 1 || type == 3 || type == 4)) return 7;
  return 0;
}

void IGraphicsLinux::PromptForFile(Core_String* file, EFileAction action, Core_String* dir, char* extensions)
{
  if (!file) return;
  if (!mImpl->mWindow.IsOpen())
  {
    file->Set("");
    return;
  }
  const std::string proposed = file->Get() ? file->Get() : "";
  std::string folder = dir && dir->Get() && *dir->Get() ? dir->Get() : "";
  if (folder.empty())
  {
    folder = XdgPaths::Desktop();
    if (dir) dir->Set(folder.c_str());
  }
  file->Set("");
  if (!ProcessLauncher::IsAvailable("zenity")) return;  // nothing chosen

  std::vector<std::string> args = {"zenity", "--file-selection"};
  if (action == kFileSave)
  {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  std::string start = folder;
  if (start.empty() || start.back() != '/') start += "/";
  args.push_back("--filename=" + start + proposed);
  if (extensions && *extensions)
  {
    std::string patterns;
    std::string all(extensions);
    size_t pos = 0;
    while (pos <= all.size())
    {
      size_t end = all.find(' ', pos);
      if (end == std::string::npos) end = all.size();
      if (end > pos) patterns += (patterns.empty() ? "*." : " *.") + all.substr(pos, end - pos);
      pos = end + 1;
    }
    if (!patterns.empty()) args.push_back("--file-filter=" + patterns);
  }
  std::string chosen;
  if (ProcessLauncher::RunAndCapture(args, &chosen) == 0 && !chosen.empty())
  {
    file->Set(chosen.c_str());
    if (dir) dir->Set(XdgPaths::FolderOf(chosen).c_str());
  }
}

bool IGraphicsLinux::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url || !*url) return true;  // nothing that could be opened
  std::string target(url);
  if (target.find("http") == std::string::npos && target.compare(0, 7, "file://") != 0 && target[0] != '/')
  {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) target = std::string(cwd) + "/" + target;
  }
  return ProcessLauncher::StartDetached({"xdg-open", target});
}

void IGraphicsLinux::HostPath(Core_String* path)
{
  if (!path) return;
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return;  // unchanged when unknown
  buf[n] = '\0';
  path->Set(buf);
}

void IGraphicsLinux::PluginPath(Core_String* path)
{
  if (!path) return;
  // <folder>/Name.vst3/Contents/<arch>/Name.so: the folder that holds the bundle.
  std::string module = ModulePath();
  const size_t contents = module.rfind(".vst3/Contents/");
  std::string bundle = contents != std::string::npos ? module.substr(0, contents + 5) : module;
  path->Set(XdgPaths::FolderOf(bundle).c_str());
}

void IGraphicsLinux::DesktopPath(Core_String* path)
{
  if (path) path->Set(XdgPaths::Desktop().c_str());
}

void IGraphicsLinux::AppSupportPath(Core_String* path, bool isSystem)
{
  if (path) path->Set(XdgPaths::AppSupport(isSystem).c_str());
}

void IGraphicsLinux::SandboxSafeAppSupportPath(Core_String* path)
{
  if (path) path->Set(XdgPaths::SandboxSafeAppSupport().c_str());
}

Pix_IBitmap* IGraphicsLinux::OSLoadBitmap(int, const char* name)
{
  if (!name || !EndsWithPngExtension(name)) return nullptr;
  return Pix_LoadPNGFromNamedResource(name);
}
