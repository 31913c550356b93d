// Paths and resources: the host program, the plug-in's folder, the user's folders, the
// user's settings file and the editor's images from the bundle (Core_Bundle.h).

#include <limits.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Core_Bundle.h"
#include "framework/IEffectBase.h"
#include "platform/linux/IGraphicsLinux.h"
#include "platform/linux/UserSettings.h"
#include "platform/linux/XdgPaths.h"
#include "raster/Pix_PNG.h"

namespace
{
// The settings key of the editor's scale, in percent.
constexpr const char* kScaleKey = "editor-scale";

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

std::string IGraphicsLinux::SettingsPath() const
{
  return mPlug ? UserSettings::FilePath(mPlug->GetMfrName(), mPlug->GetEffectName()) : std::string();
}

int IGraphicsLinux::LoadScalePreference()
{
  std::string value;
  if (!UserSettings::Read(SettingsPath(), kScaleKey, &value)) return 0;
  // A whole number of percent; anything else is no choice.
  char* end = nullptr;
  const long percent = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end || percent < 25 || percent > 800) return 0;
  return static_cast<int>(percent);
}

bool IGraphicsLinux::SaveScalePreference(int percent)
{
  return UserSettings::Write(SettingsPath(), kScaleKey, std::to_string(percent));
}

Pix_IBitmap* IGraphicsLinux::OSLoadBitmap(int, const char* name)
{
  if (!name || !EndsWithPngExtension(name)) return nullptr;
  return Pix_LoadPNGFromNamedResource(name);
}
