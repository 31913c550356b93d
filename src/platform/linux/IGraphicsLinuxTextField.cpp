// The text field: a one-line field drawn into the editor over the control that asked for it;
// it holds the keyboard focus while it is open. Its rectangle is in panel coordinates (the
// core's drawing maps it to the window); what is presented is mapped to window pixels.

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>

#include "editor/IControl.h"
#include "platform/linux/IGraphicsLinuxImpl.h"

void IGraphicsLinux::CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str,
                                     IParam* param)
{
  if (!mImpl->mWindow.IsOpen() || !control || mTextEntry.mOpen) return;
  mTextEntry.mOpen = true;
  mTextEntry.mText = str ? str : "";
  // Panel coordinates, as the control gives them; shown in window pixels.
  mTextEntry.mRect = textRect ? *textRect : *control->GetRECT();
  mTextEntry.mStyle = text ? *text : IText();
  mTextEntry.mStyle.mCached = nullptr;
  mTextEntry.mFilter = TextEntryFilterFor(control, param);
  mTextEntry.mControl = control;
  mTextEntry.mParam = param;
  mSelectAll = true;
  mImpl->mWindow.TakeFocus();
  PresentTextEntry();
}

void IGraphicsLinux::PresentTextEntry()
{
  IRECT area = PanelToWindow(mTextEntry.mRect);
  DrawScreen(&area);
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
  PresentTextEntry();
}

void IGraphicsLinux::CommitTextEntry()
{
  if (!mTextEntry.mOpen) return;
  const std::string text = mTextEntry.mText;
  IControl* control = mTextEntry.mControl;
  IParam* param = mTextEntry.mParam;
  CloseTextEntry(false);
  TextEntryCommitted(control, param, text.c_str());
}

void IGraphicsLinux::CloseTextEntry(bool cancelled)
{
  if (!mTextEntry.mOpen) return;
  if (cancelled) TextEntryCancelled(mTextEntry.mControl);
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
