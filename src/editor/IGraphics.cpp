#include "editor/IGraphics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "editor/IBitmapControl.h"
#include "editor/IPanelControl.h"
#include "editor/IValueReadout.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_SysBitmap.h"

// The audio thread's hand-over must never fall back to a lock.
static_assert(std::atomic<uint64_t>::is_always_lock_free, "value mailboxes must be lock-free");
static_assert(std::atomic<bool>::is_always_lock_free, "value mailboxes must be lock-free");

IGraphics::IGraphics(IEffectBase* plug, int w, int h, int fps)
  : mPlug(plug), mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : kDefaultFPS),
    mUIThread(std::this_thread::get_id())
{
  int n = plug ? plug->NParams() : 0;
  if (n > 0)
  {
    mPendingValues = new PendingValue[static_cast<size_t>(n)];
    mNPendingValues = n;
  }
}

IGraphics::~IGraphics()
{
  delete mKeyCatcher;
  mKeyCatcher = nullptr;
  mControls.Empty(true);
  DeleteSurfaces();
  delete[] mPendingValues;
  delete mReadout;
}

void IGraphics::DeleteSurfaces()
{
  delete mDrawBitmap;
  mDrawBitmap = nullptr;
  delete mTmpBitmap;
  mTmpBitmap = nullptr;
}

void IGraphics::CreateSurfaces()
{
  DeleteSurfaces();
  mDrawBitmap = new Pix_SysBitmap(WindowWidth(), WindowHeight());
  mTmpBitmap = new Pix_MemBitmap(0, 0, 4);
}

void IGraphics::PrepDraw()
{
  ApplyPendingParamValues();
  CreateSurfaces();
}

// ----- Scale -----

bool IGraphics::SetScale(int percent)
{
  const IScale scale(percent);
  if (scale == mScale) return false;
  // An open text field was placed for the old size.
  ForceEndUserEdit();
  mScale = scale;
  if (mDrawBitmap) CreateSurfaces();
  if (mReadout) mReadout->Reset();
  SetAllControlsDirty();
  ScaleChanged();
  // The host's window holds the editor's: ask for the new size (a closed editor's next
  // opening asks the view's size anyway).
  if (mPlug && WindowIsOpen()) mPlug->ResizeGraphics(WindowWidth(), WindowHeight());
  return true;
}

bool IGraphics::HiResName(const char* name, char* out, int outSize)
{
  if (!name || !out || outSize <= 0) return false;
  out[0] = '\0';
  const char* leaf = name;
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\') leaf = p + 1;
  const char* dot = strrchr(leaf, '.');
  if (!dot || dot == leaf || strcasecmp(dot, ".png") != 0) return false;
  const int n = snprintf(out, static_cast<size_t>(outSize), "%.*s2x/%.*s@2x.png", static_cast<int>(leaf - name), name,
                         static_cast<int>(dot - leaf), leaf);
  if (n < 0 || n >= outSize)
  {
    out[0] = '\0';
    return false;
  }
  return true;
}

// ----- Value readouts -----

void IGraphics::EnableValueReadouts(bool enable)
{
  if (enable && !mReadout)
    mReadout = new IValueReadout(this);
  else if (!enable && mReadout)
  {
    // Its area is drawn over at the next tick.
    IRECT gone = mReadout->IsVisible() ? *mReadout->GetRECT() : mReadout->Invalid();
    delete mReadout;
    mReadout = nullptr;
    for (int i = 0, n = mControls.GetSize(); i < n; ++i)
    {
      IControl* c = mControls.Get(i);
      if (c && c->GetRECT()->Intersects(&gone)) c->SetDirty(false);
    }
  }
}

void IGraphics::InvalidateReadoutArea(IRECT* r)
{
  const IRECT area = mReadout->Invalid();
  if (area.Empty()) return;
  *r = r->Union(&area);
  // Non-strict drawing redraws only dirty controls: dirty those under the area.
  if (!mStrict)
    for (int i = 0, n = mControls.GetSize(); i < n; ++i)
    {
      IControl* c = mControls.Get(i);
      if (c && c->GetRECT()->Intersects(&area)) c->SetDirty(false);
    }
}

void IGraphics::AttachBackground(int id, const char* name)
{
  IBitmap bg = LoadIBitmap(id, name, 1);
  IControl* c = new IBitmapControl(mPlug, 0, 0, -1, &bg, IChannelBlend::kBlendClobber);
  c->SetGUI(this);
  if (!mControls.Insert(0, c)) delete c;
}

void IGraphics::AttachPanelBackground(const IColor* color)
{
  IControl* c = new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color);
  c->SetGUI(this);
  if (!mControls.Insert(0, c)) delete c;
}

int IGraphics::AttachControl(IControl* control)
{
  if (!control) return -1;
  control->SetGUI(this);
  if (!mControls.Add(control))
  {
    delete control;
    return -1;
  }
  return mControls.GetSize() - 1;
}

void IGraphics::AttachKeyCatcher(IControl* control)
{
  if (control == mKeyCatcher) return;
  delete mKeyCatcher;
  mKeyCatcher = control;
  if (control) control->SetGUI(this);
}

// ----- Parameters -----

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
  if (!normalized)
  {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  if (std::this_thread::get_id() == mUIThread.load(std::memory_order_acquire))
  {
    ApplyPendingParamValues();  // older values from other threads first
    ApplyParameterFromPlug(paramIdx, value);
  }
  else
    PendingFromPlug(paramIdx, value);
}

void IGraphics::PendingFromPlug(int paramIdx, double normalizedValue)
{
  if (paramIdx < 0 || paramIdx >= mNPendingValues) return;
  uint64_t bits;
  memcpy(&bits, &normalizedValue, sizeof(bits));
  PendingValue& slot = mPendingValues[paramIdx];
  slot.mBits.store(bits, std::memory_order_relaxed);
  slot.mPending.store(true, std::memory_order_release);
  mAnyPending.store(true, std::memory_order_release);
}

void IGraphics::ApplyPendingParamValues()
{
  if (!mAnyPending.exchange(false, std::memory_order_acq_rel)) return;
  for (int i = 0; i < mNPendingValues; ++i)
  {
    PendingValue& slot = mPendingValues[i];
    if (!slot.mPending.exchange(false, std::memory_order_acq_rel)) continue;
    uint64_t bits = slot.mBits.load(std::memory_order_relaxed);
    double v;
    memcpy(&v, &bits, sizeof(v));
    ApplyParameterFromPlug(i, v);
  }
}

void IGraphics::ApplyParameterFromPlug(int paramIdx, double normalizedValue)
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (!c) continue;
    if (c->ParamIdx() == paramIdx) c->SetValueFromPlug(normalizedValue);
    int aux = c->AuxParamIdx(paramIdx);
    if (aux >= 0) c->SetAuxParamValueFromPlug(aux, normalizedValue);
  }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue)
{
  IControl* c = mControls.Get(controlIdx);
  if (c) c->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx) c->SetValueFromUserInput(normalizedValue);
  }
}

void IGraphics::SetAllControlsDirty()
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
    if (IControl* c = mControls.Get(i)) c->SetDirty(false);
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx) c->Hide(hide);
  }
}

void IGraphics::GrayOutControl(int paramIdx, bool gray)
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx) c->GrayOut(gray);
  }
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized)
{
  if (!normalized)
  {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    lo = param->GetNormalized(lo);
    hi = param->GetNormalized(hi);
  }
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->ParamIdx() == paramIdx) c->Clamp(lo, hi);
  }
}

void IGraphics::AssignParamNameToolTips()
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (!c || c->ParamIdx() < 0) continue;
    IParam* param = mPlug ? mPlug->GetParam(c->ParamIdx()) : nullptr;
    if (param) c->SetTooltip(param->GetNameForHost());
  }
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

void IGraphics::ShareValueFromGUI(int paramIdx, double value, IControl* from)
{
  if (paramIdx < 0) return;
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (!c || c == from) continue;
    int aux = c->AuxParamIdx(paramIdx);
    if (aux >= 0) c->SetAuxParamValueFromPlug(aux, value);
  }
}

// ----- Events -----

int IGraphics::FindControlAt(int x, int y, bool mouseOver)
{
  for (int i = mControls.GetSize() - 1; i >= 0; --i)
  {
    IControl* c = mControls.Get(i);
    if (!c || c->IsHidden()) continue;
    if (c->IsGrayed() && !(mouseOver && c->GetMOWhenGrayed())) continue;
    if (c->IsHit(x, y)) return i;
  }
  return -1;
}

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver)
{
  if (mMouseCapture >= 0 && mControls.Get(mMouseCapture)) return mMouseCapture;
  return FindControlAt(x, y, mouseOver);
}

void IGraphics::ReleaseMouseCapture()
{
  mMouseCapture = -1;
  mMouseX = mMouseY = -1;
  // No capture, no gesture (a menu took the release, or the window closed mid-drag).
  if (mReadout) mReadout->GestureEnd();
}

void IGraphics::OnMouseDown(int wx, int wy, IMouseMod* mod)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  ReleaseMouseCapture();
  int idx = FindControlAt(x, y, false);
  IControl* c = mControls.Get(idx);
  if (!c) return;
  mMouseCapture = idx;
  mMouseX = x;
  mMouseY = y;
  int p = c->ParamIdx();
  if (mPlug && mPlug->GetAPI() == kAPIVST3 && p >= 0 && mod && mod->R)
  {
    ReleaseMouseCapture();
    // The host places its menu in the view's (window) coordinates.
    mPlug->PopupHostContextMenuForParam(p, wx, wy);
    return;
  }
  if (idx == 0 && p < 0 && mod && mod->R)
  {
    // The panel's background has the editor's own menu: its size. (The menu takes the
    // capture and the button's release.)
    PopupScaleMenu(x, y);
    ReleaseMouseCapture();
    return;
  }
  if (p >= 0 && mPlug) mPlug->BeginInformHostOfParamChange(p);
  c->OnMouseDown(x, y, mod);
  if (mReadout && p >= 0 && mControls.Get(idx) == c) mReadout->GestureBegin(idx);
}

void IGraphics::OnMouseUp(int wx, int wy, IMouseMod* mod)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  int idx = GetMouseControlIdx(x, y, false);
  ReleaseMouseCapture();
  IControl* c = mControls.Get(idx);
  if (!c) return;
  c->OnMouseUp(x, y, mod);
  int p = c->ParamIdx();
  if (p >= 0 && mPlug) mPlug->EndInformHostOfParamChange(p);
  if (mReadout) mReadout->GestureEnd();
}

void IGraphics::OnMouseDrag(int wx, int wy, IMouseMod* mod)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  IControl* c = mMouseCapture >= 0 ? mControls.Get(mMouseCapture) : nullptr;
  if (!c) return;
  if (x == mMouseX && y == mMouseY) return;
  int dX = x - mMouseX, dY = y - mMouseY;
  mMouseX = x;
  mMouseY = y;
  c->OnMouseDrag(x, y, dX, dY, mod);
  if (mReadout) mReadout->GestureChanged();
}

void IGraphics::OnMouseDblClick(int wx, int wy, IMouseMod* mod)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  ReleaseMouseCapture();
  int idx = FindControlAt(x, y, false);
  IControl* c = mControls.Get(idx);
  if (!c) return;
  // Shift + double click types a value, on controls whose double click is not a click.
  if (mod && mod->S && c->ParamIdx() >= 0 && !c->GetDblAsSingleClick())
  {
    PromptTypedValue(idx);
    return;
  }
  if (c->GetDblAsSingleClick())
  {
    mMouseCapture = idx;
    mMouseX = x;
    mMouseY = y;
    c->OnMouseDown(x, y, mod);
    if (mReadout && c->ParamIdx() >= 0) mReadout->GestureBegin(idx);
  }
  else
  {
    c->OnMouseDblClick(x, y, mod);
    if (mReadout && c->ParamIdx() >= 0) mReadout->Pulse(idx);
  }
}

void IGraphics::OnMouseWheel(int wx, int wy, IMouseMod* mod, int d)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  const int idx = GetMouseControlIdx(x, y, false);
  IControl* c = mControls.Get(idx);
  if (!c) return;
  c->OnMouseWheel(x, y, mod, d);
  if (mReadout && c->ParamIdx() >= 0) mReadout->Pulse(idx);
}

bool IGraphics::OnMouseOver(int wx, int wy, IMouseMod* mod)
{
  if (!mHandleMouseOver) return false;
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  int idx = GetMouseControlIdx(x, y, true);
  IControl* c = mControls.Get(idx);
  if (mReadout) mReadout->PointerOver(c && c->ParamIdx() >= 0 ? idx : -1);
  if (!c) return true;
  mMouseX = x;
  mMouseY = y;
  c->OnMouseOver(x, y, mod);
  if (mMouseOver >= 0 && mMouseOver != idx)
    if (IControl* prev = mControls.Get(mMouseOver)) prev->OnMouseOut();
  mMouseOver = idx;
  return true;
}

void IGraphics::OnMouseOut()
{
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
    if (IControl* c = mControls.Get(i)) c->OnMouseOut();
  mMouseOver = -1;
  if (mReadout) mReadout->PointerLeft();
}

bool IGraphics::OnKeyDown(int wx, int wy, int key)
{
  const int x = WindowToPanel(wx), y = WindowToPanel(wy);
  ApplyPendingParamValues();
  int idx = GetMouseControlIdx(x, y, false);
  IControl* c = idx > 0 ? mControls.Get(idx) : nullptr;
  if (!c) c = mKeyCatcher;
  if (!c) return false;
  return c->OnKeyDown(x, y, key);
}

void IGraphics::OnGUIIdle()
{
  ApplyPendingParamValues();
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
    if (IControl* c = mControls.Get(i)) c->OnGUIIdle();
}

// ----- Redraw -----

bool IGraphics::IsDirty(IRECT* r)
{
  ApplyPendingParamValues();
  if (!r) return false;
  bool dirty = false;
  if (mReadout)
  {
    mReadout->Tick(nullptr);
    if (!mReadout->Invalid().Empty())
    {
      InvalidateReadoutArea(r);
      dirty = true;
    }
  }
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && c->IsDirty())
    {
      *r = r->Union(c->GetRECT());
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(IRECT* r)
{
  ApplyPendingParamValues();
  int n = mControls.GetSize();
  if (n == 0 || !r) return true;

  if (mStrict)
  {
    mDrawRECT = *r;
    for (int i = 0; i < n; ++i)
    {
      IControl* c = mControls.Get(i);
      if (!c) continue;
      if (!c->IsHidden() && r->Intersects(c->GetRECT())) c->Draw(this);
      c->SetClean();
    }
  }
  else
  {
    IControl* bg = mControls.Get(0);
    if (bg && bg->IsDirty())
    {
      mDrawRECT = *bg->GetRECT();
      for (int i = 0; i < n; ++i)
      {
        IControl* c = mControls.Get(i);
        if (!c || (i != 0 && c->IsHidden())) continue;
        c->Draw(this);
        c->SetClean();
      }
    }
    else
    {
      for (int j = 1; j < n; ++j)
      {
        IControl* cj = mControls.Get(j);
        if (!cj || !cj->IsDirty()) continue;
        mDrawRECT = *cj->GetRECT();
        for (int k = 0; k < n; ++k)
        {
          IControl* ck = mControls.Get(k);
          if (!ck || ck->IsHidden()) continue;
          if (k == j || ck->GetRECT()->Intersects(&mDrawRECT)) ck->Draw(this);
        }
        cj->SetClean();
      }
    }
  }
  if (mReadout)
  {
    if (mReadout->IsVisible() && r->Intersects(mReadout->GetRECT()))
    {
      mDrawRECT = *r;
      mReadout->Draw(this);
    }
    mReadout->Drawn();
  }
  IRECT window = mScale.ToSurface(*r);
  return DrawScreen(&window);
}

// ----- Prompting -----

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* textRect)
{
  if (!control || !param || !textRect) return;
  int kind = param->GetKind();
  if (kind == IParam::kTypeEnum || (kind == IParam::kTypeBool && param->GetNDisplayTexts() > 0))
  {
    IPopupMenu menu;
    char current[32] = "";
    param->GetDisplayForHost(param->GetValue(), false, current, true);
    current[sizeof(current) - 1] = '\0';
    for (int i = 0, n = param->GetNDisplayTexts(); i < n; ++i)
    {
      const char* text = param->GetDisplayText(i);
      int flags = strcmp(text, current) == 0 ? IPopupMenuItem::kChecked : IPopupMenuItem::kNoFlags;
      menu.AddItem(text, -1, flags);
    }
    IPopupMenu* chosen = CreateIPopupMenu(&menu, textRect);
    if (chosen && chosen->GetChosenItemIdx() >= 0)
      control->SetValueFromUserInput(param->GetNormalized(static_cast<double>(chosen->GetChosenItemIdx())));
  }
  else
  {
    char current[32] = "";
    param->GetDisplayForHost(param->GetValue(), false, current, false);
    current[sizeof(current) - 1] = '\0';
    mTypedValueControl = nullptr;  // a prompt's field, with the prompt's rules
    CreateTextEntry(control, control->GetText(), textRect, current, param);
  }
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text)
{
  if (!param || !control) return;
  if (!text) text = "";
  double value;
  int kind = param->GetKind();
  if (kind == IParam::kTypeBool || kind == IParam::kTypeEnum)
  {
    int v = 0;
    param->MapDisplayText(text, &v);
    value = v;
  }
  else
    value = atof(text);
  control->SetValueFromUserInput(param->GetNormalized(value));
}

void IGraphics::Resize(int w, int h)
{
  mWidth = w;
  mHeight = h;
  ReleaseMouseCapture();
  mMouseOver = -1;
  if (mReadout) mReadout->Reset();
  // An open text field refers to a control that is about to be deleted.
  ForceEndUserEdit();
  mTypedValueControl = nullptr;
  mControls.Empty(true);
  DeleteSurfaces();
  PrepDraw();
  // The host sizes the window, which shows the panel at the editor's scale.
  if (mPlug) mPlug->ResizeGraphics(WindowWidth(), WindowHeight());
}
