#pragma once

#include <string>

#include "editor/IBitmap.h"
#include "editor/IGraphics.h"
#include "editor/support/TestPlug.h"
#include "platform/headless/IGraphicsHeadless.h"

class Pix_MemBitmap;

namespace edtest {

// The colour of frame k (0-based) of a generated filmstrip: opaque and distinct per frame.
unsigned int FrameColor(int k);

// A w x (frameH * n) filmstrip whose frame k is filled with FrameColor(k). Caller owns it.
Pix_MemBitmap* MakeFilmstrip(int w, int frameH, int n);
// A w x h bitmap filled with one colour. Caller owns it.
Pix_MemBitmap* MakeSolid(int w, int h, unsigned int color);

// A fresh folder under the test temp area; the images tests write go there.
std::string MakeTempDir(const char* tag);
// Writes bitmap as <dir>/<stem>.png; false on failure.
bool WritePNG(const Pix_MemBitmap* bitmap, const std::string& dir, const char* stem);

// An IBitmap record around a bitmap that the test keeps (not cached).
IBitmap RecordOf(Pix_MemBitmap* bitmap, int n, bool horizontal = false);

// Plug-in plus headless editor with an open window; the plug-in owns the editor once attached.
struct Rig
{
  explicit Rig(int w = 200, int h = 100, const char* resourceDir = "", EAPI api = kAPIVST3);
  ~Rig();
  // Hands the editor to the plug-in (pushes every parameter, prepares the surface).
  void Attach();

  TestPlug* plug;
  IGraphicsHeadless* gui;
  bool attached = false;
};

}  // namespace edtest
