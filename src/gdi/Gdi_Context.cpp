// Memory contexts, record free lists, object selection, colours, clipping and module cleanup.

#include "gdi/Gdi.h"
#include "core/Core_StaticInstance.h"
#include "gdi/Gdi_FontEngine.h"
#include "gdi/Gdi_Records.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace
{
const int kMaxFreeContexts = 100;
const int kMaxFreeObjects = 200;

// Plain arrays and a never-destroyed mutex: records may be released during static destruction.
struct FreeLists
{
  std::mutex lock;
  HDC__* contexts[kMaxFreeContexts];
  int contextCount = 0;
  HGDIOBJ__* objects[kMaxFreeObjects];
  int objectCount = 0;
  bool cleanedUp = false; // after Gdi_Cleanup, released records are freed at once
};

FreeLists& TheLists()
{
  return Core_StaticInstance<FreeLists>();
}

std::atomic<int> gLiveFonts{0};

bool IsHandle(const void* p) { return (uintptr_t)p > 0xFFFF; }

RECT Intersect(const RECT& a, const RECT& b)
{
  RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Releases everything process-wide when the module unloads.
struct ReleaseAtUnload
{
  ~ReleaseAtUnload() { Gdi_Cleanup(); }
} gReleaseAtUnload;
} // namespace

HDC__* Gdi_LiveContext(HDC__* dc)
{
  return (IsHandle(dc) && dc->magic == kGdiContextMagic && !dc->released) ? dc : nullptr;
}

HGDIOBJ__* Gdi_LiveObject(HGDIOBJ__* obj)
{
  return (IsHandle(obj) && obj->magic == kGdiObjectMagic && !obj->released) ? obj : nullptr;
}

HDC__* Gdi_TakeContextRecord()
{
  HDC__* dc = nullptr;
  {
    FreeLists& l = TheLists();
    std::lock_guard<std::mutex> guard(l.lock);
    l.cleanedUp = false;
    if (l.contextCount > 0) dc = l.contexts[--l.contextCount];
  }
  if (dc)
  {
    std::vector<RECT> stack;
    stack.swap(dc->clipStack); // keep the capacity
    stack.clear();
    *dc = HDC__();
    dc->clipStack.swap(stack);
    return dc;
  }
  return new (std::nothrow) HDC__;
}

void Gdi_RecycleContextRecord(HDC__* dc)
{
  dc->released = true;
  {
    FreeLists& l = TheLists();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!l.cleanedUp && l.contextCount < kMaxFreeContexts)
    {
      l.contexts[l.contextCount++] = dc;
      return;
    }
  }
  delete dc;
}

HGDIOBJ__* Gdi_TakeObjectRecord()
{
  HGDIOBJ__* obj = nullptr;
  {
    FreeLists& l = TheLists();
    std::lock_guard<std::mutex> guard(l.lock);
    l.cleanedUp = false;
    if (l.objectCount > 0) obj = l.objects[--l.objectCount];
  }
  if (obj)
  {
    *obj = HGDIOBJ__();
    return obj;
  }
  return new (std::nothrow) HGDIOBJ__;
}

void Gdi_RecycleObjectRecord(HGDIOBJ__* obj)
{
  obj->released = true;
  {
    FreeLists& l = TheLists();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!l.cleanedUp && l.objectCount < kMaxFreeObjects)
    {
      l.objects[l.objectCount++] = obj;
      return;
    }
  }
  delete obj;
}

void Gdi_CountFont(int delta) { gLiveFonts += delta; }

HDC__* Gdi_CreateMemContext(HDC__* /*ref*/, int w, int h)
{
  if (w <= 0 || h <= 0) return nullptr;
  // Reject sizes whose byte count would not fit a signed 32-bit value.
  if ((int64_t)w * 4 * (int64_t)h > (int64_t)GDI_MAX_CONTEXT_BYTES) return nullptr;
  size_t bytes = (size_t)w * 4 * (size_t)h + 63;
  uint8_t* raw = (uint8_t*)calloc(bytes, 1);
  if (!raw) return nullptr;
  HDC__* dc = Gdi_TakeContextRecord();
  if (!dc)
  {
    free(raw);
    return nullptr;
  }
  dc->raw = raw;
  dc->pixels = (uint32_t*)(((uintptr_t)raw + 63) & ~(uintptr_t)63);
  dc->width = w;
  dc->height = h;
  dc->clip = {0, 0, w, h};
  SetTextColor(dc, 0);
  return dc;
}

void* Gdi_GetCtxFrameBuffer(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  return dc ? dc->pixels : nullptr;
}

int Gdi_GetCtxWidth(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  return dc ? dc->width : 0;
}

int Gdi_GetCtxHeight(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  return dc ? dc->height : 0;
}

void Gdi_DeleteGfxContext(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  if (!dc) return;
  free(dc->raw);
  dc->raw = nullptr;
  dc->pixels = nullptr;
  dc->width = dc->height = 0;
  dc->pen = dc->brush = dc->font = nullptr;
  Gdi_RecycleContextRecord(dc);
}

HGDIOBJ__* SelectObject(HDC__* dc, HGDIOBJ__* obj)
{
  dc = Gdi_LiveContext(dc);
  if (!dc) return nullptr;
  intptr_t token = (intptr_t)obj;
  int type = 0;
  if (token >= GDI_OBJ_PEN && token <= GDI_OBJ_FONT)
    type = (int)token;
  else if (HGDIOBJ__* live = Gdi_LiveObject(obj))
    type = live->type;
  HGDIOBJ__** slot = type == GDI_OBJ_PEN ? &dc->pen : type == GDI_OBJ_BRUSH ? &dc->brush
                   : type == GDI_OBJ_FONT ? &dc->font : nullptr;
  if (!slot) return nullptr;
  HGDIOBJ__* previous = *slot;
  *slot = (token == type) ? nullptr : obj;
  return previous ? previous : (HGDIOBJ__*)(intptr_t)type;
}

int DeleteObject(HGDIOBJ__* obj)
{
  obj = Gdi_LiveObject(obj);
  if (!obj) return 0;
  if (--obj->refs > 0) return 1;
  if (obj->face)
  {
    Gdi_FontEngine::CloseFace(obj->face);
    obj->face = nullptr;
  }
  if (obj->type == GDI_OBJ_FONT) Gdi_CountFont(-1);
  Gdi_RecycleObjectRecord(obj);
  return 1;
}

int SetTextColor(HDC__* dc, int colour)
{
  dc = Gdi_LiveContext(dc);
  if (!dc) return -1;
  int previous = dc->textColor;
  dc->textColor = colour & 0xFFFFFF;
  dc->textRGBA[0] = ((colour >> 16) & 0xFF) / 255.f;
  dc->textRGBA[1] = ((colour >> 8) & 0xFF) / 255.f;
  dc->textRGBA[2] = (colour & 0xFF) / 255.f;
  dc->textRGBA[3] = 1.f;
  return previous;
}

int GetTextColor(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  return dc ? dc->textColor : -1;
}

int SetBkColor(HDC__* dc, int colour)
{
  dc = Gdi_LiveContext(dc);
  if (!dc) return -1;
  int previous = dc->bkColor;
  dc->bkColor = colour & 0xFFFFFF;
  return previous;
}

int SetBkMode(HDC__* dc, int mode)
{
  dc = Gdi_LiveContext(dc);
  if (!dc) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

void Gdi_PushClipRegion(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  if (dc) dc->clipStack.push_back(dc->clip);
}

void Gdi_SetClipRegion(HDC__* dc, const RECT* r)
{
  dc = Gdi_LiveContext(dc);
  if (dc && r) dc->clip = Intersect(dc->clip, *r);
}

void Gdi_PopClipRegion(HDC__* dc)
{
  dc = Gdi_LiveContext(dc);
  if (!dc || dc->clipStack.empty()) return;
  dc->clip = dc->clipStack.back();
  dc->clipStack.pop_back();
}

void Gdi_Cleanup()
{
  HDC__* contexts[kMaxFreeContexts];
  HGDIOBJ__* objects[kMaxFreeObjects];
  int nc, no;
  {
    FreeLists& l = TheLists();
    std::lock_guard<std::mutex> guard(l.lock);
    nc = l.contextCount;
    no = l.objectCount;
    std::copy(l.contexts, l.contexts + nc, contexts);
    std::copy(l.objects, l.objects + no, objects);
    l.contextCount = l.objectCount = 0;
    l.cleanedUp = true;
  }
  for (int i = 0; i < nc; ++i) delete contexts[i];
  for (int i = 0; i < no; ++i) delete objects[i];
  Gdi_ReleaseDefaultFont(); // its record is freed at once (cleanedUp)
  Gdi_FontEngine::Release();
}

int Gdi_GetFreeContextCount()
{
  FreeLists& l = TheLists();
  std::lock_guard<std::mutex> guard(l.lock);
  return l.contextCount;
}

int Gdi_GetFreeObjectCount()
{
  FreeLists& l = TheLists();
  std::lock_guard<std::mutex> guard(l.lock);
  return l.objectCount;
}

int Gdi_GetLiveFontCount() { return gLiveFonts; }
