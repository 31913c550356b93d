#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

// The editor's X11 child window: its own connection to the server, a child of the
// host's window, and the presentation of a 32-bit surface into it.
//
// Thread: the UI thread only (the one that runs the host's run loop). Each window owns
// its X connection, so no other code shares Xlib state with it.
class X11Window {
 public:
  X11Window() = default;
  ~X11Window();
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  // Opens a connection (display name null: $DISPLAY), creates a width x height child
  // of parent with the parent's visual, selects input, structure and visibility events and
  // maps it. False, with
  // nothing left open, when the server, the parent or a 24/32-bit TrueColor visual
  // cannot be had. An open window is closed first. allowSharedMemory false always
  // presents through XPutImage (as over a remote connection).
  bool Open(unsigned long parent, int width, int height, const char* displayName = nullptr,
            bool allowSharedMemory = true);
  void Close();
  // Gives the window (and the shared-memory image) a new size; what it showed is redrawn by
  // the caller. False, size unchanged, for a size outside 1..16384.
  bool Resize(int width, int height);
  // Whether the window can be seen now: mapped and every ancestor mapped (the host may hide
  // its window without closing the editor). One round trip to the server; false when closed.
  bool Viewable();

  bool IsOpen() const { return mDisplay != nullptr; }
  Display* GetDisplay() const { return mDisplay; }
  Window GetWindow() const { return mWindow; }
  int ConnectionFd() const;
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  bool UsesSharedMemory() const { return mShmImage != nullptr; }

  // Puts the area (x, y, w, h) of a surface of 0xAARRGGBB pixels (row span in pixels)
  // into the same place of the window; the area is clipped to surface and window.
  // Uses the shared-memory extension when the server offers it, else an XImage over
  // the surface's own pixels. False when nothing could be shown.
  bool Present(const uint32_t* pixels, int rowSpan, int surfaceWidth, int surfaceHeight, int x, int y, int w,
               int h);

  // Moves keyboard focus to the window (text entry needs the keys).
  void TakeFocus();

  // Requests made by Present (for tests of when the editor draws).
  int PresentCount() const { return mPresentCount; }

 private:
  bool CreateSharedImage();
  void DestroySharedImage();

  Display* mDisplay = nullptr;
  Window mWindow = 0;
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  Colormap mColormap = 0;
  int mWidth = 0;
  int mHeight = 0;
  XImage* mShmImage = nullptr;
  XShmSegmentInfo mShmInfo{};
  bool mUseSharedMemory = false;
  int mPresentCount = 0;
};
