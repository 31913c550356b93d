// Paths and resources: the host program, the plug-in's folder, the user's folders and the
// editor's images from the bundle (Core_Bundle.h).

#include <limits.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "core/Core_Bundle.h"
#include "platform/linux/IGraphicsLinux.h"
#include "platform/linux/XdgPaths.h"
#include "raster/Pix_PNG.h"

namespace
{
bool EndsWithPngExtension(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  const char* ext = dot ? dot + 1 : name;
  return strcasecmp(ext, "png") == 0;
}
}  // namespace

void IGraphicsLinux::HostPath(Core_String* path)
{
  if (!path) return;
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return;  // unchanged when unknown
  buf[n] = '\0';
  path->Set(buf);
}

void IGraphicsLinux::PluginPath(Core_String* path)
{
  if (!path) return;
  // The folder that holds the bundle; a module outside a bundle stands for one of its own,
  // its folder.
  const std::string bundle = Core_ModuleBundleFolder();
  if (bundle.empty()) return;
  std::string folder = Core_ModuleIsInBundle() ? XdgPaths::FolderOf(bundle) : bundle;
  if (folder.back() != '/') folder += '/';
  path->Set(folder.c_str());
}

void IGraphicsLinux::DesktopPath(Core_String* path)
{
  if (path) path->Set(XdgPaths::Desktop().c_str());
}

void IGraphicsLinux::AppSupportPath(Core_String* path, bool isSystem)
{
  if (path) path->Set(XdgPaths::AppSupport(isSystem).c_str());
}

void IGraphicsLinux::SandboxSafeAppSupportPath(Core_String* path)
{
  if (path) path->Set(XdgPaths::SandboxSafeAppSupport().c_str());
}

Pix_IBitmap* IGraphicsLinux::OSLoadBitmap(int, const char* name)
{
  if (!name || !EndsWithPngExtension(name)) return nullptr;
  return Pix_LoadPNGFromNamedResource(name);
}
