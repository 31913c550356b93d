// Image resources of the plug-in bundle, found by Core_ModuleResourcePath.

#include <cstring>

#include "core/Core_Bundle.h"
#include "raster/Pix_PNG.h"

Pix_IBitmap* Pix_LoadPNGFromNamedResource(const char* name, Pix_IBitmap* bmp)
{
  if (!name || !*name || std::strlen(name) > 400) return nullptr;
  char path[4096 + 512];
  const bool located = Core_ModuleResourcePath(name, path, sizeof(path));
  if (located)
  {
    if (Pix_IBitmap* r = Pix_LoadPNG(path, bmp)) return r;
  }
  // Outside a bundle the name may also be a path of its own (relative to the working folder).
  if (!Core_ModuleIsInBundle())
  {
    if (Pix_IBitmap* r = Pix_LoadPNG(name, bmp)) return r;
  }
  // Without the image the editor would silently draw nothing in its place.
  Core_ReportMissingResource(located ? path : name);
  return nullptr;
}
