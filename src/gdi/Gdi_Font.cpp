// Font objects: creation, the default font and font queries.

#include "gdi/Gdi.h"
#include "core/Core_StaticInstance.h"
#include "gdi/Gdi_Face.h"
#include "gdi/Gdi_FontEngine.h"
#include "gdi/Gdi_Records.h"

#include <cstring>
#include <mutex>
#include <string>

namespace
{
const int kMaxFaceName = 899;
const int kDefaultSize = 10;

struct DefaultFont
{
  std::mutex lock;    // creation and release
  std::mutex useLock; // drawing
  HGDIOBJ__* font = nullptr;
};

DefaultFont& TheDefault()
{
  return Core_StaticInstance<DefaultFont>();
}

// Face name limited to kMaxFaceName characters (or `limit` bytes of a fixed array).
std::string FaceName(const char* face, size_t limit)
{
  if (!face) return std::string();
  size_t n = strnlen(face, limit < (size_t)kMaxFaceName ? limit : (size_t)kMaxFaceName);
  return std::string(face, n);
}
} // namespace

HGDIOBJ__* CreateFont(int height, int width, int /*escapement*/, int orientation, int weight,
                      char italic, char /*underline*/, char /*strikeOut*/, char /*charSet*/,
                      char /*outPrecision*/, char /*clipPrecision*/, char quality,
                      char /*pitchAndFamily*/, const char* face)
{
  // |height|, else |width|; computed in 64 bits so that INT_MIN does not overflow.
  int64_t size = height ? height : width;
  if (size < 0) size = -size;
  if (size > 8192 || size < 2) size = kDefaultSize;

  HGDIOBJ__* obj = Gdi_TakeObjectRecord();
  if (!obj) return nullptr;
  obj->type = GDI_OBJ_FONT;
  obj->refs = 1;
  obj->rotation = orientation / 10.f;
  obj->antialias = quality == GDI_QUALITY_NONANTIALIASED ? 3 : quality == GDI_QUALITY_ANTIALIASED ? 4 : 0;
  std::string name = FaceName(face, (size_t)kMaxFaceName);
  obj->face = Gdi_FontEngine::OpenFace(name.c_str(), weight >= GDI_FW_BOLD, italic != 0, (int)size);
  Gdi_CountFont(1);
  return obj;
}

HGDIOBJ__* CreateFontIndirect(const LOGFONT* lf)
{
  if (!lf) return nullptr;
  std::string name = FaceName(lf->lfFaceName, sizeof(lf->lfFaceName));
  return CreateFont(lf->lfHeight, lf->lfWidth, lf->lfOrientation, lf->lfOrientation, lf->lfWeight,
                    lf->lfItalic, lf->lfUnderline, lf->lfStrikeOut, lf->lfCharSet, lf->lfOutPrecision,
                    lf->lfClipPrecision, lf->lfQuality, lf->lfPitchAndFamily, name.c_str());
}

HGDIOBJ__* Gdi_ContextFont(HDC__* dc)
{
  if (HGDIOBJ__* f = Gdi_LiveObject(dc ? dc->font : nullptr))
    if (f->type == GDI_OBJ_FONT && f->face) return f;
  DefaultFont& d = TheDefault();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!Gdi_LiveObject(d.font))
    d.font = CreateFont(kDefaultSize, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "");
  return (d.font && d.font->face) ? d.font : nullptr;
}

std::mutex* Gdi_SharedFontLock(HGDIOBJ__* font)
{
  DefaultFont& d = TheDefault();
  std::lock_guard<std::mutex> guard(d.lock);
  return (font && font == d.font) ? &d.useLock : nullptr;
}

void Gdi_ReleaseDefaultFont()
{
  DefaultFont& d = TheDefault();
  std::lock_guard<std::mutex> guard(d.lock);
  if (d.font) DeleteObject(d.font);
  d.font = nullptr;
}

static HGDIOBJ__* LiveFont(HGDIOBJ__* obj)
{
  obj = Gdi_LiveObject(obj);
  return (obj && obj->type == GDI_OBJ_FONT) ? obj : nullptr;
}

int Gdi_GetFontSize(HGDIOBJ__* font)
{
  font = LiveFont(font);
  return (font && font->face) ? font->face->GetSize() : 0;
}

float Gdi_GetFontRotation(HGDIOBJ__* font)
{
  font = LiveFont(font);
  return font ? font->rotation : 0.f;
}

int Gdi_GetFontAntialias(HGDIOBJ__* font)
{
  font = LiveFont(font);
  return font ? font->antialias : 0;
}

const char* Gdi_GetFontFaceName(HGDIOBJ__* font)
{
  font = LiveFont(font);
  return (font && font->face) ? font->face->GetPostScriptName() : "";
}
