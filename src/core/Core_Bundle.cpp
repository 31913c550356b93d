#include "core/Core_Bundle.h"

#include "core/Core_StaticInstance.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace
{
constexpr size_t kMaxPath = PATH_MAX + 1;

bool Fail(char* out, size_t size)
{
  if (out && size > 0) out[0] = '\0';
  return false;
}

bool Copy(const char* s, char* out, size_t size)
{
  const size_t n = std::strlen(s);
  if (n + 1 > size) return Fail(out, size);
  std::memcpy(out, s, n + 1);
  return true;
}

// Cuts the last component (and its slash) off path; the root stays "/". The component goes
// to leaf when leaf is given. False when path has no slash.
bool StripLast(std::string* path, std::string* leaf)
{
  const size_t slash = path->rfind('/');
  if (slash == std::string::npos) return false;
  if (leaf) *leaf = path->substr(slash + 1);
  path->resize(slash == 0 ? 1 : slash);
  return true;
}

bool EndsWith(const std::string& s, const char* suffix)
{
  const size_t m = std::strlen(suffix);
  return s.size() >= m && s.compare(s.size() - m, m, suffix) == 0;
}

// The module's three paths, computed once.
struct ModulePaths
{
  char file[kMaxPath] = "";
  char bundle[kMaxPath] = "";
  char resources[kMaxPath] = "";
  bool inBundle = false;
};

const ModulePaths& TheModule()
{
  static const ModulePaths* paths = [] {
    static ModulePaths p;
    Dl_info info{};
    char resolved[kMaxPath];
    if (dladdr(reinterpret_cast<void*>(&Core_ModuleFile), &info) && info.dli_fname && info.dli_fname[0])
    {
      // A program started through PATH may be known by its bare name: ask the kernel.
      if (!std::strchr(info.dli_fname, '/'))
      {
        const ssize_t n = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        resolved[n > 0 ? n : 0] = '\0';
      }
      else if (!realpath(info.dli_fname, resolved))
      {
        Copy(info.dli_fname, resolved, sizeof resolved);
      }
      Copy(resolved, p.file, sizeof p.file);
    }
    if (p.file[0] && Core_BundleFolderOf(p.file, p.bundle, sizeof p.bundle))
    {
      Core_ResourceFolderOf(p.bundle, p.resources, sizeof p.resources);
      p.inBundle = Core_IsBundleFolder(p.bundle);
    }
    return &p;
  }();
  return *paths;
}

struct ReportedResources
{
  std::mutex lock;
  std::vector<std::string> texts;
};
}  // namespace

bool Core_BundleFolderOf(const char* modulePath, char* out, size_t size)
{
  if (!out || size == 0) return false;
  out[0] = '\0';
  if (!modulePath || !modulePath[0]) return false;
  char resolved[kMaxPath];
  std::string path = realpath(modulePath, resolved) ? resolved : modulePath;
  if (!StripLast(&path, nullptr)) return false;
  // NAME.vst3/Contents/<arch>/NAME.so: the bundle is two folders further up.
  std::string bundle = path, arch, contents;
  if (StripLast(&bundle, &arch) && StripLast(&bundle, &contents) && contents == "Contents" &&
      Core_IsBundleFolder(bundle.c_str()))
    return Copy(bundle.c_str(), out, size);
  return Copy(path.c_str(), out, size);
}

bool Core_IsBundleFolder(const char* folder)
{
  return folder && EndsWith(folder, ".vst3") && std::strlen(folder) > 5 && folder[std::strlen(folder) - 6] != '/';
}

bool Core_ResourceFolderOf(const char* bundleFolder, char* out, size_t size)
{
  if (!out || size == 0) return false;
  if (!bundleFolder || !bundleFolder[0]) return Fail(out, size);
  std::string folder = bundleFolder;
  if (Core_IsBundleFolder(bundleFolder)) folder += "/Contents/Resources";
  return Copy(folder.c_str(), out, size);
}

bool Core_ResourcePathOf(const char* bundleFolder, const char* name, char* out, size_t size)
{
  if (!out || size == 0) return false;
  if (!name) return Fail(out, size);
  const char* slash = std::strrchr(name, '/');
  const char* leaf = slash ? slash + 1 : name;
  char folder[kMaxPath];
  if (!leaf[0] || !Core_ResourceFolderOf(bundleFolder, folder, sizeof folder)) return Fail(out, size);
  std::string path = folder;
  if (path.back() != '/') path += '/';
  path += leaf;
  return Copy(path.c_str(), out, size);
}

const char* Core_ModuleFile() { return TheModule().file; }
const char* Core_ModuleBundleFolder() { return TheModule().bundle; }
const char* Core_ModuleResourceFolder() { return TheModule().resources; }
bool Core_ModuleIsInBundle() { return TheModule().inBundle; }

bool Core_ModuleResourcePath(const char* name, char* out, size_t size)
{
  return Core_ResourcePathOf(Core_ModuleBundleFolder(), name, out, size);
}

bool Core_ReportMissingResource(const char* what)
{
  if (!what) what = "";
  ReportedResources& reported = Core_StaticInstance<ReportedResources>();
  {
    std::lock_guard<std::mutex> guard(reported.lock);
    for (const std::string& t : reported.texts)
      if (t == what) return false;
    reported.texts.emplace_back(what);
  }
  const char* file = Core_ModuleFile();
  const char* slash = std::strrchr(file, '/');
  std::fprintf(stderr, "%s: missing resource %s\n", slash ? slash + 1 : (file[0] ? file : "module"), what);
  return true;
}
