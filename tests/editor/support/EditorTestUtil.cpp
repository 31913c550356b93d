#include "editor/support/EditorTestUtil.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_PNG.h"

namespace edtest {

unsigned int FrameColor(int k)
{
  unsigned int r = static_cast<unsigned int>((k * 8) & 0xFF);
  unsigned int g = static_cast<unsigned int>((255 - k * 8) & 0xFF);
  unsigned int b = static_cast<unsigned int>((k * 3 + 1) & 0xFF);
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

Pix_MemBitmap* MakeFilmstrip(int w, int frameH, int n)
{
  Pix_MemBitmap* b = new Pix_MemBitmap(w, frameH * n, 4);
  for (int k = 0; k < n; ++k) Pix_FillRect(b, 0, k * frameH, w, frameH, FrameColor(k), 1.0f, 0);
  return b;
}

Pix_MemBitmap* MakeSolid(int w, int h, unsigned int color)
{
  Pix_MemBitmap* b = new Pix_MemBitmap(w, h, 4);
  Pix_FillRect(b, 0, 0, w, h, color, 1.0f, 0);
  return b;
}

std::string MakeTempDir(const char* tag)
{
  const char* base = getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/tesk_editor_" + tag + "_" +
                    std::to_string(static_cast<long>(getpid()));
  mkdir(dir.c_str(), 0755);
  return dir;
}

bool WritePNG(const Pix_MemBitmap* bitmap, const std::string& dir, const char* stem)
{
  std::string path = dir + "/" + stem + ".png";
  return Pix_SavePNG(bitmap, path.c_str());
}

IBitmap RecordOf(Pix_MemBitmap* bitmap, int n, bool horizontal)
{
  return IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), n, horizontal);
}

Rig::Rig(int w, int h, const char* resourceDir, EAPI api)
{
  plug = new TestPlug(api);
  gui = new IGraphicsHeadless(plug, w, h, 0, resourceDir);
  gui->OpenWindow(nullptr);
}

void Rig::Attach()
{
  plug->AttachGraphics(gui);
  attached = true;
}

Rig::~Rig()
{
  if (!attached) delete gui;
  delete plug;  // deletes an attached editor
}

}  // namespace edtest
