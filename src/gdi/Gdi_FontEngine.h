#pragma once
// The process-wide text engine of the shim: one FreeType library and the shim's own fontconfig
// configuration (never the process's default one, which the host may be using), plus the font
// name cache that maps a requested name to the face that fontconfig chose for it.
//
// Faces come only from the fonts shipped with the module, in "fonts" inside its resource folder
// (Core_Bundle.h: the bundle's Contents/Resources, or beside a program outside a bundle), so
// text looks the same on every machine. Without them (a broken installation, reported once on
// stderr) the system's fonts stand in.

#include <string>

class Gdi_Face;

// Where a requested name resolved to.
struct Gdi_FaceLocation
{
  std::string file;
  int index = 0;
};

namespace Gdi_FontEngine
{
// Opens a face for `family` (may be empty: the default face) with the given style, at `size`
// pixels. Names are resolved once per process through the font name cache (key: the family with
// " Bold" and " Italic" appended as applicable). Null only when no face at all can be opened.
Gdi_Face* OpenFace(const char* family, bool bold, bool italic, int size);
// Closes a face opened by OpenFace.
void CloseFace(Gdi_Face* face);

// Looks up (and on a miss resolves and stores) the cache entry for a composed name.
bool Resolve(const char* key, const char* family, bool bold, bool italic, Gdi_FaceLocation* out);

// Entries in the font name cache (for tests).
int GetCacheSize();
// True when `key` is in the font name cache (for tests).
bool IsCached(const char* key);

// True while the FreeType library or the fontconfig configuration is loaded (for tests).
bool IsLoaded();

// Releases the name cache; the FreeType library and fontconfig configuration go as soon as no
// face is open.
void Release();
} // namespace Gdi_FontEngine
