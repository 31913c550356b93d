#include "platform/linux/X11Window.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Xlib reports protocol errors through one process-wide handler, and its default ends the
// process. An editor's window can vanish under it (the host destroys its parent first), so
// errors on the editor's own connections are recorded and ignored; errors on any other
// connection go on to whichever handler was installed before. The handler is ours only while
// an editor connection is open: the last one to close puts the previous handler back (unless
// someone replaced ours meanwhile), so no X error reaches this module's code after the host
// unloads it.
std::mutex gErrorMutex;
std::vector<Display*> gOwnDisplays;
std::vector<Display*> gFailedDisplays;
XErrorHandler gPreviousHandler = nullptr;
bool gHandlerInstalled = false;

int OwnConnectionErrorHandler(Display* d, XErrorEvent* e) {
  XErrorHandler previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    if (std::find(gOwnDisplays.begin(), gOwnDisplays.end(), d) != gOwnDisplays.end()) {
      if (std::find(gFailedDisplays.begin(), gFailedDisplays.end(), d) == gFailedDisplays.end())
        gFailedDisplays.push_back(d);
      return 0;
    }
    previous = gPreviousHandler;
  }
  return previous ? previous(d, e) : 0;
}

void RegisterDisplay(Display* d) {
  std::lock_guard<std::mutex> lock(gErrorMutex);
  if (!gHandlerInstalled) {
    gPreviousHandler = XSetErrorHandler(OwnConnectionErrorHandler);
    gHandlerInstalled = true;
  }
  gOwnDisplays.push_back(d);
}

void UnregisterDisplay(Display* d) {
  std::lock_guard<std::mutex> lock(gErrorMutex);
  gOwnDisplays.erase(std::remove(gOwnDisplays.begin(), gOwnDisplays.end(), d), gOwnDisplays.end());
  gFailedDisplays.erase(std::remove(gFailedDisplays.begin(), gFailedDisplays.end(), d), gFailedDisplays.end());
  if (!gOwnDisplays.empty() || !gHandlerInstalled) return;
  // Xlib only offers "set and return the old one": put the previous handler back, and if
  // the one taken out was not ours, return it to its place.
  const XErrorHandler current = XSetErrorHandler(gPreviousHandler);
  if (current != OwnConnectionErrorHandler) XSetErrorHandler(current);
  gPreviousHandler = nullptr;
  gHandlerInstalled = false;
}

// True (and the record cleared) when a request on d failed since the last call.
bool TakeError(Display* d) {
  std::lock_guard<std::mutex> lock(gErrorMutex);
  auto it = std::find(gFailedDisplays.begin(), gFailedDisplays.end(), d);
  if (it == gFailedDisplays.end()) return false;
  gFailedDisplays.erase(it);
  return true;
}

bool IsDirectColour(const Visual* v, int depth) {
  return v && (depth == 24 || depth == 32) && v->c_class == TrueColor && v->red_mask == 0xFF0000 &&
         v->green_mask == 0x00FF00 && v->blue_mask == 0x0000FF;
}

}  // namespace

X11Window::~X11Window() { Close(); }

bool X11Window::Open(unsigned long parent, int width, int height, const char* displayName,
                     bool allowSharedMemory) {
  Close();
  if (parent == 0 || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  mDisplay = XOpenDisplay(displayName);
  if (!mDisplay) return false;
  RegisterDisplay(mDisplay);

  XWindowAttributes parentAttributes;
  if (!XGetWindowAttributes(mDisplay, static_cast<Window>(parent), &parentAttributes) ||
      !IsDirectColour(parentAttributes.visual, parentAttributes.depth)) {
    UnregisterDisplay(mDisplay);
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    return false;
  }
  mVisual = parentAttributes.visual;
  mDepth = parentAttributes.depth;
  mWidth = width;
  mHeight = height;

  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                          KeyReleaseMask | EnterWindowMask | LeaveWindowMask | StructureNotifyMask |
                          FocusChangeMask | VisibilityChangeMask;
  attributes.background_pixmap = None;  // the editor paints every pixel: no flash of background
  attributes.border_pixel = 0;
  mColormap = XCreateColormap(mDisplay, static_cast<Window>(parent), mVisual, AllocNone);
  attributes.colormap = mColormap;
  mWindow = XCreateWindow(mDisplay, static_cast<Window>(parent), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, mDepth, InputOutput, mVisual,
                          CWEventMask | CWBackPixmap | CWBorderPixel | CWColormap, &attributes);
  mGC = XCreateGC(mDisplay, mWindow, 0, nullptr);
  XMapWindow(mDisplay, mWindow);
  mUseSharedMemory = allowSharedMemory;
  if (mUseSharedMemory) CreateSharedImage();
  XSync(mDisplay, False);
  return true;
}

bool X11Window::Resize(int width, int height) {
  if (!mDisplay || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  if (width == mWidth && height == mHeight) return true;
  DestroySharedImage();
  mWidth = width;
  mHeight = height;
  XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (mUseSharedMemory) CreateSharedImage();
  XSync(mDisplay, False);
  return true;
}

bool X11Window::Viewable() {
  if (!mDisplay) return false;
  XWindowAttributes a;
  // A window destroyed under the editor fails the query (the error is recorded and ignored).
  return XGetWindowAttributes(mDisplay, mWindow, &a) && a.map_state == IsViewable;
}

void X11Window::Close() {
  if (!mDisplay) return;
  DestroySharedImage();
  if (mGC) XFreeGC(mDisplay, mGC);
  if (mWindow) XDestroyWindow(mDisplay, mWindow);
  if (mColormap) XFreeColormap(mDisplay, mColormap);
  XSync(mDisplay, False);
  UnregisterDisplay(mDisplay);
  XCloseDisplay(mDisplay);
  mDisplay = nullptr;
  mWindow = 0;
  mGC = nullptr;
  mColormap = 0;
  mVisual = nullptr;
  mWidth = mHeight = 0;
  mUseSharedMemory = false;
}

int X11Window::ConnectionFd() const { return mDisplay ? ConnectionNumber(mDisplay) : -1; }

bool X11Window::CreateSharedImage() {
  if (!XShmQueryExtension(mDisplay)) return false;
  mShmImage = XShmCreateImage(mDisplay, mVisual, static_cast<unsigned>(mDepth), ZPixmap, nullptr, &mShmInfo,
                              static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight));
  if (!mShmImage) return false;
  if (mShmImage->bits_per_pixel != 32) {
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  const size_t bytes = static_cast<size_t>(mShmImage->bytes_per_line) * static_cast<size_t>(mHeight);
  mShmInfo.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (mShmInfo.shmid < 0) {
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  mShmInfo.shmaddr = mShmImage->data = static_cast<char*>(shmat(mShmInfo.shmid, nullptr, 0));
  mShmInfo.readOnly = False;
  bool ok = mShmInfo.shmaddr != reinterpret_cast<char*>(-1);
  if (ok) {
    XSync(mDisplay, False);
    TakeError(mDisplay);
    ok = XShmAttach(mDisplay, &mShmInfo) != 0;
    XSync(mDisplay, False);  // a remote server refuses the attach: the error arrives here
    ok = ok && !TakeError(mDisplay);
  }
  // Marked for removal now: the segment goes away with the last detach, even after a crash.
  shmctl(mShmInfo.shmid, IPC_RMID, nullptr);
  if (!ok) {
    if (mShmInfo.shmaddr != reinterpret_cast<char*>(-1)) shmdt(mShmInfo.shmaddr);
    mShmImage->data = nullptr;
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  return true;
}

void X11Window::DestroySharedImage() {
  if (!mShmImage) return;
  XShmDetach(mDisplay, &mShmInfo);
  XSync(mDisplay, False);
  shmdt(mShmInfo.shmaddr);
  mShmImage->data = nullptr;
  XDestroyImage(mShmImage);
  mShmImage = nullptr;
}

bool X11Window::Present(const uint32_t* pixels, int rowSpan, int surfaceWidth, int surfaceHeight, int x, int y,
                        int w, int h) {
  if (!mDisplay || !pixels || rowSpan < surfaceWidth) return false;
  const int right = std::min({x + w, surfaceWidth, mWidth});
  const int bottom = std::min({y + h, surfaceHeight, mHeight});
  x = std::max(x, 0);
  y = std::max(y, 0);
  if (right <= x || bottom <= y) return false;
  w = right - x;
  h = bottom - y;
  ++mPresentCount;

  if (mShmImage) {
    const int span = mShmImage->bytes_per_line / 4;
    uint32_t* dst = reinterpret_cast<uint32_t*>(mShmImage->data);
    for (int row = y; row < bottom; ++row)
      std::memcpy(dst + static_cast<size_t>(row) * span + x, pixels + static_cast<size_t>(row) * rowSpan + x,
                  static_cast<size_t>(w) * 4);
    XShmPutImage(mDisplay, mWindow, mGC, mShmImage, x, y, x, y, static_cast<unsigned>(w),
                 static_cast<unsigned>(h), False);
    // The segment is rewritten on the next call: wait until the server has read it.
    XSync(mDisplay, False);
    return true;
  }

  // An image over the surface's own pixels; Xlib converts byte order when the server needs it.
  XImage* image = XCreateImage(mDisplay, mVisual, static_cast<unsigned>(mDepth), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)),
                               static_cast<unsigned>(surfaceWidth), static_cast<unsigned>(surfaceHeight), 32,
                               rowSpan * 4);
  if (!image) return false;
  image->byte_order = LSBFirst;
  XPutImage(mDisplay, mWindow, mGC, image, x, y, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  image->data = nullptr;  // the pixels belong to the surface
  XDestroyImage(image);
  // Wait for the server: what a caller presents is on screen when the call returns.
  XSync(mDisplay, False);
  return true;
}

void X11Window::TakeFocus() {
  if (!mDisplay) return;
  XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
  XFlush(mDisplay);
}
