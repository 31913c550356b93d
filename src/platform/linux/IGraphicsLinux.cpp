// The editor's window: opening inside the host's window, closing, resizing, presenting the
// draw surface and the pointer's cursor.

#include <cstdint>

#include "editor/IValueReadout.h"
#include "platform/linux/IGraphicsLinuxImpl.h"
#include "raster/Pix_SysBitmap.h"

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

int IGraphicsLinux::PresentCount() const { return mImpl->mWindow.PresentCount(); }

bool IGraphicsLinux::WindowHidden() const { return mImpl->mHidden; }

unsigned long IGraphicsLinux::RequestCount() const
{
  return mImpl->mWindow.IsOpen() ? XNextRequest(mImpl->D()) - 1 : 0;
}

int IGraphicsLinux::ConnectionFd() const { return mImpl->mWindow.ConnectionFd(); }

void* IGraphicsLinux::GetWindow()
{
  return mImpl->mWindow.IsOpen() ? reinterpret_cast<void*>(static_cast<uintptr_t>(mImpl->mWindow.GetWindow()))
                                 : nullptr;
}

void* IGraphicsLinux::OpenWindow(void* parentView)
{
  CloseWindow();
  const unsigned long parent = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parentView));
  if (!mImpl->mWindow.Open(parent, WindowWidth(), WindowHeight())) return nullptr;
  mImpl->mParent = parent;
  mImpl->mHidden = false;
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
  if (mTextEntry.mOpen) TextEntryCancelled(mTextEntry.mControl);
  mTextEntry.mOpen = false;
  mTextEntry.mControl = nullptr;
  mTextEntry.mParam = nullptr;
  ShowTooltip(false);
  ReleaseMouseCapture();
  // Nothing points at a closed window: a readout would otherwise greet the next opening.
  if (mReadout) mReadout->Reset();
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
  mImpl->mHidden = false;
}

void IGraphicsLinux::ScaleChanged()
{
  if (!mImpl->mWindow.IsOpen()) return;
  ShowTooltip(false);
  mImpl->mWindow.Resize(WindowWidth(), WindowHeight());
  // Everything is dirty: the new size is drawn whole at once, without waiting for a tick.
  if (!mImpl->mHidden)
  {
    IRECT full(0, 0, Width(), Height());
    Draw(&full);
  }
}

void IGraphicsLinux::WindowHiddenNow()
{
  if (mImpl->mHidden) return;
  mImpl->mHidden = true;
  ShowTooltip(false);
  if (mReadout) mReadout->Reset();
}

void IGraphicsLinux::WindowShownNow()
{
  if (!mImpl->mHidden || !mImpl->mWindow.IsOpen()) return;
  mImpl->mHidden = false;
  // What changed meanwhile was not drawn: draw everything, up to date, before the exposures
  // show the surface.
  SetAllControlsDirty();
  IRECT full(0, 0, Width(), Height());
  Draw(&full);
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

bool IGraphicsLinux::DrawScreen(IRECT* r)
{
  if (!mImpl->mWindow.IsOpen()) return false;
  Pix_SysBitmap* surface = GetDrawBitmap();
  if (!surface || !surface->getBits()) return false;
  if (mTextEntry.mOpen) DrawTextEntry();
  IRECT area = (r && !r->Empty()) ? *r : IRECT(0, 0, WindowWidth(), WindowHeight());
  mImpl->mWindow.Present(surface->getBits(), surface->getRowSpan(), surface->getWidth(), surface->getHeight(),
                         area.L, area.T, area.W(), area.H());
  return true;
}

// ---------------------------------------------------------------------------------------------
// The cursor

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
