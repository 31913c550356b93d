#pragma once

#include <X11/Xlib.h>

class Pix_IBitmap;

// A borderless window above everything else (a menu, a tooltip) at a root position, in the
// visual of the editor's window, showing a bitmap of the raster library. It lives on the
// editor's connection and belongs to one thread, the UI thread.
class X11Overlay
{
public:
  X11Overlay() = default;
  ~X11Overlay() { Destroy(); }
  X11Overlay(const X11Overlay&) = delete;
  X11Overlay& operator=(const X11Overlay&) = delete;

  // Creates and maps a w x h window at root position (x, y) that reports the events in
  // eventMask; any window it had is destroyed first. False when the editor's window cannot
  // be queried.
  bool Create(Display* d, Window editor, int x, int y, int w, int h, long eventMask);
  void Destroy();

  bool IsOpen() const { return mWindow != 0; }
  Window GetWindow() const { return mWindow; }
  int X() const { return mX; }
  int Y() const { return mY; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

  // Puts the bitmap's top-left corner (as much as fits) into the window.
  void Show(Pix_IBitmap* bitmap);

private:
  Display* mDisplay = nullptr;
  Window mWindow = 0;
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  int mX = 0, mY = 0, mWidth = 0, mHeight = 0;
};
