#include "gdi/Gdi_FontEngine.h"
#include "core/Core_Bundle.h"
#include "core/Core_StaticInstance.h"

#include "gdi/Gdi_Face.h"

#include <dirent.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

namespace
{
// Engine state. Allocated once and never destroyed, so that calls made during static
// destruction still find a valid mutex.
struct Engine
{
  std::mutex lock;
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  bool configTried = false;
  int openFaces = 0;
  bool releaseRequested = false;
};

Engine& TheEngine()
{
  return Core_StaticInstance<Engine>();
}

// Font name cache: sorted by strcmp of the key, searched by bisection, own lock.
struct CacheEntry
{
  std::string key;
  Gdi_FaceLocation location;
};

struct NameCache
{
  std::mutex lock;
  std::vector<CacheEntry> entries;
};

NameCache& TheCache()
{
  return Core_StaticInstance<NameCache>();
}

std::vector<CacheEntry>::iterator FindSlot(std::vector<CacheEntry>& entries, const char* key)
{
  return std::lower_bound(entries.begin(), entries.end(), key,
                          [](const CacheEntry& e, const char* k) { return strcmp(e.key.c_str(), k) < 0; });
}

// Face names of monospaced system fonts of other platforms; without them installed, they
// fall back to the platform's monospaced face rather than the default proportional one.
bool IsMonospaceName(const char* family)
{
  static const char* const kNames[] = {"Monaco", "Menlo", "Courier", "Courier New", "Consolas",
                                       "Lucida Console", "Andale Mono", "SF Mono"};
  for (const char* n : kNames)
    if (!strcasecmp(family, n)) return true;
  return false;
}

// Must hold the engine lock.
bool EnsureLibrary(Engine& e)
{
  e.releaseRequested = false;
  if (!e.library && FT_Init_FreeType(&e.library) != 0) e.library = nullptr;
  return e.library != nullptr;
}

// The font files (.ttf, .otf, .ttc) directly in folder, sorted by name.
std::vector<std::string> FontFilesIn(const std::string& folder)
{
  std::vector<std::string> files;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return files;
  while (dirent* entry = readdir(dir))
  {
    const char* dot = std::strrchr(entry->d_name, '.');
    if (dot && (!strcasecmp(dot, ".ttf") || !strcasecmp(dot, ".otf") || !strcasecmp(dot, ".ttc")))
      files.push_back(folder + "/" + entry->d_name);
  }
  closedir(dir);
  std::sort(files.begin(), files.end());
  return files;
}

// The shim's own fontconfig configuration: only the fonts shipped in the module's font folder,
// with the generic families and any unknown name mapped onto them, so a face resolves to the
// same file on every machine, whatever fonts it has installed and however its fontconfig is set
// up. Null when the folder holds no font.
FcConfig* LoadBundledConfig(const std::string& folder)
{
  static const char kRules[] = R"(<?xml version="1.0"?>
<fontconfig>
  <alias binding="same"><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>serif</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias binding="same"><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <match target="pattern"><edit name="family" mode="append_last"><string>sans-serif</string></edit></match>
</fontconfig>
)";
  FcConfig* config = FcConfigCreate();
  if (!config) return nullptr;
  bool ok = FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kRules), FcFalse);
  // File by file: adding the folder would make fontconfig write a cache of it into the user's
  // home (or complain on stderr when it cannot).
  for (const std::string& file : FontFilesIn(folder))
    ok = ok && FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str()));
  FcFontSet* fonts = ok ? FcConfigGetFonts(config, FcSetApplication) : nullptr;
  if (fonts && fonts->nfont > 0) return config;
  FcConfigDestroy(config);
  return nullptr;
}

// Must hold the engine lock.
FcConfig* EnsureConfig(Engine& e)
{
  e.releaseRequested = false;
  if (!e.config && !e.configTried)
  {
    e.configTried = true;
    const std::string folder = std::string(Core_ModuleResourceFolder()) + "/fonts";
    e.config = LoadBundledConfig(folder);
    if (!e.config)
    {
      // A broken installation: text in the system's fonts beats no text at all.
      Core_ReportMissingResource((folder + " (the editor's fonts)").c_str());
      e.config = FcInitLoadConfigAndFonts();
    }
  }
  return e.config;
}

// Must hold the engine lock. Frees the library and configuration once asked to and idle.
void ReleaseIfIdle(Engine& e)
{
  if (!e.releaseRequested || e.openFaces > 0) return;
  if (e.library) FT_Done_FreeType(e.library);
  e.library = nullptr;
  if (e.config) FcConfigDestroy(e.config);
  e.config = nullptr;
  e.configTried = false;
}

bool Match(const char* family, bool bold, bool italic, Gdi_FaceLocation* out)
{
  Engine& e = TheEngine();
  std::lock_guard<std::mutex> guard(e.lock);
  FcConfig* config = EnsureConfig(e);
  if (!config) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (family && *family) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)family);
  if (family && IsMonospaceName(family)) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)"monospace");
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  bool ok = false;
  if (match)
  {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
    {
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
      out->file = (const char*)file;
      out->index = index;
      ok = true;
    }
    FcPatternDestroy(match);
  }
  return ok;
}
} // namespace

namespace Gdi_FontEngine
{
bool Resolve(const char* key, const char* family, bool bold, bool italic, Gdi_FaceLocation* out)
{
  NameCache& c = TheCache();
  {
    std::lock_guard<std::mutex> guard(c.lock);
    auto it = FindSlot(c.entries, key);
    if (it != c.entries.end() && it->key == key)
    {
      *out = it->location;
      return true;
    }
  }
  // Resolve outside the cache lock: fontconfig can take a while on first use.
  Gdi_FaceLocation location;
  if (!Match(family, bold, italic, &location)) return false;
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = FindSlot(c.entries, key);
  if (it == c.entries.end() || it->key != key) c.entries.insert(it, CacheEntry{key, location});
  *out = location;
  return true;
}

Gdi_Face* OpenFace(const char* family, bool bold, bool italic, int size)
{
  if (!family) family = "";
  std::string key = family;
  if (bold) key += " Bold";
  if (italic) key += " Italic";
  Gdi_FaceLocation location;
  Gdi_Face* face = nullptr;
  if (Resolve(key.c_str(), family, bold, italic, &location))
  {
    Engine& e = TheEngine();
    std::lock_guard<std::mutex> guard(e.lock);
    if (EnsureLibrary(e))
    {
      face = Gdi_Face::Open(e.library, location.file.c_str(), location.index, size);
      if (face) e.openFaces++;
    }
  }
  // A face that cannot be opened falls back to the default face.
  if (!face && (*family || bold || italic)) return OpenFace("", false, false, size);
  return face;
}

void CloseFace(Gdi_Face* face)
{
  if (!face) return;
  Engine& e = TheEngine();
  std::lock_guard<std::mutex> guard(e.lock);
  delete face;
  e.openFaces--;
  ReleaseIfIdle(e);
}

int GetCacheSize()
{
  NameCache& c = TheCache();
  std::lock_guard<std::mutex> guard(c.lock);
  return (int)c.entries.size();
}

bool IsCached(const char* key)
{
  NameCache& c = TheCache();
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = FindSlot(c.entries, key);
  return it != c.entries.end() && it->key == key;
}

bool IsLoaded()
{
  Engine& e = TheEngine();
  std::lock_guard<std::mutex> guard(e.lock);
  return e.library != nullptr || e.config != nullptr;
}

void Release()
{
  {
    NameCache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    std::vector<CacheEntry>().swap(c.entries);
  }
  Engine& e = TheEngine();
  std::lock_guard<std::mutex> guard(e.lock);
  e.releaseRequested = true;
  ReleaseIfIdle(e);
}
} // namespace Gdi_FontEngine
