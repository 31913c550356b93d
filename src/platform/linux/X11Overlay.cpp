#include "platform/linux/X11Overlay.h"

#include <X11/Xutil.h>

#include <algorithm>

#include "raster/Pix_IBitmap.h"

bool X11Overlay::Create(Display* d, Window editor, int x, int y, int w, int h, long eventMask)
{
  Destroy();
  XWindowAttributes editorAttributes;
  if (!d || w <= 0 || h <= 0 || !XGetWindowAttributes(d, editor, &editorAttributes)) return false;
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;  // no window manager decoration or placement
  attributes.event_mask = eventMask;
  attributes.background_pixmap = None;  // every pixel is drawn: no flash of background
  attributes.border_pixel = 0;
  attributes.colormap = editorAttributes.colormap;
  mWindow = XCreateWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                          editorAttributes.depth, InputOutput, editorAttributes.visual,
                          CWOverrideRedirect | CWEventMask | CWBackPixmap | CWBorderPixel | CWColormap, &attributes);
  mDisplay = d;
  mGC = XCreateGC(d, mWindow, 0, nullptr);
  mVisual = editorAttributes.visual;
  mDepth = editorAttributes.depth;
  mX = x;
  mY = y;
  mWidth = w;
  mHeight = h;
  XMapRaised(d, mWindow);
  XFlush(d);
  return true;
}

void X11Overlay::Destroy()
{
  if (!mWindow) return;
  XFreeGC(mDisplay, mGC);
  XDestroyWindow(mDisplay, mWindow);
  XFlush(mDisplay);
  mWindow = 0;
  mGC = nullptr;
  mDisplay = nullptr;
}

void X11Overlay::Show(Pix_IBitmap* bitmap)
{
  if (!mWindow || !bitmap || !bitmap->getBits()) return;
  // An image over the bitmap's own pixels (0xAARRGGBB words: the server's byte order is
  // Xlib's concern once the image says LSBFirst).
  XImage* image = XCreateImage(mDisplay, mVisual, static_cast<unsigned>(mDepth), ZPixmap, 0,
                               reinterpret_cast<char*>(bitmap->getBits()), static_cast<unsigned>(bitmap->getWidth()),
                               static_cast<unsigned>(bitmap->getHeight()), 32, bitmap->getRowSpan() * 4);
  if (!image) return;
  image->byte_order = LSBFirst;
  XPutImage(mDisplay, mWindow, mGC, image, 0, 0, 0, 0, static_cast<unsigned>(std::min(mWidth, bitmap->getWidth())),
            static_cast<unsigned>(std::min(mHeight, bitmap->getHeight())));
  image->data = nullptr;  // the pixels belong to the bitmap
  XDestroyImage(image);
  XFlush(mDisplay);
}
