// Image resources of the plug-in bundle: <bundle>/Contents/Resources/, found from the module
// that holds this library.

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "raster/Pix_PNG.h"

namespace
{
const char* LastComponent(const char* name)
{
  const char* leaf = name;
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\') leaf = p + 1;
  return leaf;
}

// Directory part of a path ("" for a bare file name).
std::string DirOf(const std::string& path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
}  // namespace

bool Pix_ResourcePath(const char* modulePath, const char* name, char* out, size_t outSize)
{
  if (!modulePath || !name || !out || outSize == 0) return false;
  const std::string archDir = DirOf(modulePath);      // .../Contents/x86_64-linux
  const std::string contents = DirOf(archDir);        // .../Contents
  const size_t slash = contents.rfind('/');
  const std::string contentsLeaf = slash == std::string::npos ? contents : contents.substr(slash + 1);
  std::string path;
  if (contentsLeaf == "Contents")
    path = contents + "/Resources/" + LastComponent(name);
  else
    path = (archDir.empty() ? std::string(".") : archDir) + "/" + LastComponent(name);
  if (path.size() + 1 > outSize) return false;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return true;
}

Pix_IBitmap* Pix_LoadPNGFromNamedResource(const char* name, Pix_IBitmap* bmp)
{
  if (!name || !*name || std::strlen(name) > 400) return nullptr;
  Dl_info info;
  std::memset(&info, 0, sizeof(info));
  char path[1536 + 512];
  if (dladdr(reinterpret_cast<void*>(&Pix_LoadPNGFromNamedResource), &info) && info.dli_fname &&
      std::strlen(info.dli_fname) < 1536 && Pix_ResourcePath(info.dli_fname, name, path, sizeof(path)))
  {
    if (Pix_IBitmap* r = Pix_LoadPNG(path, bmp)) return r;
    // Outside a bundle the name may also be a path of its own (relative to the working folder).
    if (std::strstr(path, "/Contents/Resources/")) return nullptr;
  }
  return Pix_LoadPNG(name, bmp);
}
