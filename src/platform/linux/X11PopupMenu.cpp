#include "platform/linux/X11PopupMenu.h"

#include <X11/keysym.h>

#include <algorithm>

#include "editor/IPopupMenu.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_CachedFont.h"

namespace
{
constexpr int kPadding = 3;       // above the first and below the last item
constexpr int kTextLeft = 22;     // room for the check mark
constexpr int kTitleIndent = 8;   // a title item's extra indent
constexpr int kArrowRoom = 18;    // right of the text: the submenu arrow
constexpr int kMinWidth = 60;
constexpr int kMaxWidth = 800;
constexpr int kSubmenuOverlap = 4;

bool Selectable(const IPopupMenuItem* item) { return item && item->GetEnabled() && !item->GetIsSeparator(); }

void FillBox(Pix_IBitmap* bmp, int x0, int y0, int x1, int y1, Pix_Pixel color)
{
  Pix_FillRect(bmp, x0, y0, x1 - x0, y1 - y0, color, 1.0f, Pix_ModeCopy);
}

// Where an item lies in its level's window: top row and height.
struct ItemBox
{
  int top;
  int height;
};
}  // namespace

struct X11PopupMenu::Level
{
  IPopupMenu* menu = nullptr;
  X11Overlay window;
  Pix_MemBitmap canvas;
  std::vector<std::string> labels;
  std::vector<ItemBox> boxes;
  int hover = -1;

  int ItemAt(int y) const
  {
    for (size_t i = 0; i < boxes.size(); ++i)
      if (y >= boxes[i].top && y < boxes[i].top + boxes[i].height) return static_cast<int>(i);
    return -1;
  }
};

X11PopupMenu::X11PopupMenu(Display* d, Window editor, const Style& style) : mDisplay(d), mEditor(editor), mStyle(style)
{
  mStyle.itemHeight = std::max(mStyle.itemHeight, 8);
}

X11PopupMenu::~X11PopupMenu()
{
  ReleaseGrabs();
  CloseLevelsFrom(0);
}

bool X11PopupMenu::Open(IPopupMenu* menu, int rootX, int rootY)
{
  if (!mLevels.empty() || mDone || !OpenLevel(menu, rootX, rootY)) return false;
  Grab();
  return true;
}

bool X11PopupMenu::Grab()
{
  if (mLevels.empty() || mDone) return false;
  const Window top = mLevels.front()->window.GetWindow();
  // Pointer events go to the top window wherever they happen (owner events off): the menu
  // sorts them by root position, and a press elsewhere closes it.
  if (!mPointerGrabbed)
    mPointerGrabbed = XGrabPointer(mDisplay, top, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                   GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  if (!mKeyboardGrabbed)
    mKeyboardGrabbed = XGrabKeyboard(mDisplay, top, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  return Grabbed();
}

void X11PopupMenu::ReleaseGrabs()
{
  if (mPointerGrabbed) XUngrabPointer(mDisplay, CurrentTime);
  if (mKeyboardGrabbed) XUngrabKeyboard(mDisplay, CurrentTime);
  if (mPointerGrabbed || mKeyboardGrabbed) XFlush(mDisplay);
  mPointerGrabbed = mKeyboardGrabbed = false;
}

bool X11PopupMenu::OpenLevel(IPopupMenu* menu, int rootX, int rootY)
{
  if (!menu || menu->GetNItems() == 0 || !mStyle.font || mLevels.size() >= static_cast<size_t>(kMaxLevels))
    return false;
  auto level = std::make_unique<Level>();
  level->menu = menu;

  Pix_MemBitmap measureScratch(1, 1, 4);
  int y = kPadding;
  int widest = kMinWidth;
  const int separatorHeight = std::max(5, mStyle.itemHeight / 3);
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    IPopupMenuItem* item = menu->GetItem(i);
    char label[512];
    menu->GetItemLabel(i, label, sizeof label);
    level->labels.push_back(label);
    const bool separator = item && item->GetIsSeparator();
    const int height = separator ? separatorHeight : mStyle.itemHeight;
    level->boxes.push_back({y, height});
    y += height;
    if (separator) continue;
    Pix_Rect calc = {0, 0, 0, 0};
    mStyle.font->DrawText(&measureScratch, label, -1, &calc, Pix_TextCalcRect | Pix_TextSingleLine);
    widest = std::max(widest, calc.right - calc.left + (item && item->GetIsTitle() ? kTitleIndent : 0));
  }
  const int width = std::min(widest + kTextLeft + kArrowRoom + 4, kMaxWidth);
  const int height = y + kPadding;

  // Keep the menu on the screen.
  const int screenW = DisplayWidth(mDisplay, DefaultScreen(mDisplay));
  const int screenH = DisplayHeight(mDisplay, DefaultScreen(mDisplay));
  rootX = std::max(0, std::min(rootX, screenW - width));
  rootY = std::max(0, std::min(rootY, screenH - height));

  if (!level->canvas.resize(width, height) ||
      !level->window.Create(mDisplay, mEditor, rootX, rootY, width, height,
                            ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask))
    return false;
  mLevels.push_back(std::move(level));
  Render(*mLevels.back());
  return true;
}

void X11PopupMenu::CloseLevelsFrom(size_t first)
{
  while (mLevels.size() > first) mLevels.pop_back();  // each level's window goes with it
}

bool X11PopupMenu::OwnsWindow(Window w) const
{
  for (const auto& level : mLevels)
    if (level->window.GetWindow() == w) return true;
  return false;
}

void X11PopupMenu::Render(Level& level)
{
  Pix_MemBitmap& canvas = level.canvas;
  const int w = canvas.getWidth(), h = canvas.getHeight();
  FillBox(&canvas, 0, 0, w, h, mStyle.face);
  FillBox(&canvas, 0, 0, w, 1, mStyle.border);
  FillBox(&canvas, 0, h - 1, w, h, mStyle.border);
  FillBox(&canvas, 0, 0, 1, h, mStyle.border);
  FillBox(&canvas, w - 1, 0, w, h, mStyle.border);
  Pix_IFont* font = mStyle.font;
  for (int i = 0; i < level.menu->GetNItems(); ++i)
  {
    IPopupMenuItem* item = level.menu->GetItem(i);
    const ItemBox box = level.boxes[i];
    if (item && item->GetIsSeparator())
    {
      const int mid = box.top + box.height / 2;
      FillBox(&canvas, 6, mid, w - 6, mid + 1, mStyle.separator);
      continue;
    }
    const bool highlighted = i == level.hover && Selectable(item);
    if (highlighted) FillBox(&canvas, 2, box.top, w - 2, box.top + box.height, mStyle.highlight);
    Pix_Pixel ink = highlighted ? mStyle.highlightText : mStyle.text;
    if (item && !item->GetEnabled()) ink = mStyle.disabledText;
    font->SetTextColor(ink);
    const int left = kTextLeft + (item && item->GetIsTitle() ? kTitleIndent : 0);
    Pix_Rect tr = {left, box.top, w - kArrowRoom, box.top + box.height};
    font->DrawText(&canvas, level.labels[i].c_str(), -1, &tr, Pix_TextVCenter | Pix_TextSingleLine);
    if (item && item->GetChecked())
    {
      Pix_Rect cr = {6, box.top, kTextLeft - 2, box.top + box.height};
      font->DrawText(&canvas, "\xE2\x9C\x93", -1, &cr, Pix_TextVCenter | Pix_TextSingleLine);
    }
    if (item && item->GetSubmenu())
    {
      Pix_Rect ar = {w - kArrowRoom + 4, box.top, w - 4, box.top + box.height};
      font->DrawText(&canvas, "\xE2\x96\xB8", -1, &ar, Pix_TextVCenter | Pix_TextSingleLine);
    }
  }
  level.window.Show(&canvas);
}

int X11PopupMenu::LevelAt(int rootX, int rootY, int* item) const
{
  *item = -1;
  for (size_t i = mLevels.size(); i-- > 0;)
  {
    const X11Overlay& win = mLevels[i]->window;
    const int x = rootX - win.X(), y = rootY - win.Y();
    if (x >= 0 && x < win.Width() && y >= 0 && y < win.Height())
    {
      *item = mLevels[i]->ItemAt(y);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void X11PopupMenu::Activate(size_t levelIndex, int item)
{
  Level& level = *mLevels[levelIndex];
  IPopupMenuItem* it = level.menu->GetItem(item);
  if (!Selectable(it)) return;
  if (!it->GetSubmenu())
  {
    Finish(level.menu, item);
    return;
  }
  // A submenu opens beside its item; one opened from another item of this level closes.
  CloseLevelsFrom(levelIndex + 1);
  level.hover = item;
  Render(level);
  const X11Overlay& win = level.window;
  OpenLevel(it->GetSubmenu(), win.X() + win.Width() - kSubmenuOverlap, win.Y() + level.boxes[item].top);
}

void X11PopupMenu::MoveHighlight(Level& level, int direction)
{
  const int n = level.menu->GetNItems();
  int next = level.hover;
  for (int step = 0; step < n; ++step)
  {
    next = direction > 0 ? (next + 1) % n : (next <= 0 ? n - 1 : next - 1);
    if (Selectable(level.menu->GetItem(next))) break;
  }
  level.hover = next;
  Render(level);
}

void X11PopupMenu::OnKey(const XKeyEvent& e)
{
  XKeyEvent copy = e;
  const KeySym sym = XLookupKeysym(&copy, 0);
  Level& deepest = *mLevels.back();
  const size_t depth = mLevels.size() - 1;
  switch (sym)
  {
    case XK_Escape:
      if (depth == 0)
        Cancel();
      else
        CloseLevelsFrom(depth);
      break;
    case XK_Left:
      if (depth > 0) CloseLevelsFrom(depth);
      break;
    case XK_Down:
    case XK_Up:
      MoveHighlight(deepest, sym == XK_Down ? 1 : -1);
      break;
    case XK_Return:
    case XK_KP_Enter:
    case XK_Right:
    {
      IPopupMenuItem* item = deepest.menu->GetItem(deepest.hover);
      if (sym == XK_Right && !(item && item->GetSubmenu())) break;
      Activate(depth, deepest.hover);
      break;
    }
    default:
      break;
  }
}

void X11PopupMenu::HandleEvent(const XEvent& e)
{
  if (mDone || mLevels.empty()) return;
  switch (e.type)
  {
    case Expose:
      if (e.xexpose.count == 0)
        for (auto& level : mLevels)
          if (level->window.GetWindow() == e.xexpose.window) Render(*level);
      break;
    case MotionNotify:
    {
      int item = -1;
      const int at = LevelAt(e.xmotion.x_root, e.xmotion.y_root, &item);
      if (at < 0) break;
      Level& level = *mLevels[at];
      if (item != level.hover)
      {
        level.hover = item;
        Render(level);
      }
      break;
    }
    case ButtonPress:
    {
      int item = -1;
      if (LevelAt(e.xbutton.x_root, e.xbutton.y_root, &item) < 0) Cancel();  // a press elsewhere
      break;
    }
    case ButtonRelease:
    {
      // The release of the press that opened the menu lands outside it and does nothing.
      if (e.xbutton.button != Button1 && e.xbutton.button != Button3) break;
      int item = -1;
      const int at = LevelAt(e.xbutton.x_root, e.xbutton.y_root, &item);
      if (at >= 0 && item >= 0) Activate(static_cast<size_t>(at), item);
      break;
    }
    case KeyPress:
      OnKey(e.xkey);
      break;
    default:
      break;
  }
}

void X11PopupMenu::Finish(IPopupMenu* menu, int index)
{
  if (mDone) return;
  mDone = true;
  mChosenMenu = menu;
  mChosenIndex = menu ? index : -1;
  ReleaseGrabs();
  CloseLevelsFrom(0);
}
