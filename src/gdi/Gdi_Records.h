#pragma once
// The shim's context and object records, shared by its implementation files only.

#include "gdi/Gdi.h"

#include <cstdint>
#include <vector>

class Gdi_Face;

enum : uint32_t
{
  kGdiContextMagic = 0x47444331, // "GDC1"
  kGdiObjectMagic = 0x474F4231   // "GOB1"
};

struct HDC__
{
  uint32_t magic = kGdiContextMagic;
  bool released = false;
  uint8_t* raw = nullptr;      // owned allocation (pixels + alignment slack)
  uint32_t* pixels = nullptr;  // first 64-byte boundary inside raw
  int width = 0, height = 0;   // row span = width
  HGDIOBJ__* pen = nullptr;
  HGDIOBJ__* brush = nullptr;
  HGDIOBJ__* font = nullptr;
  int textColor = 0;           // 0x00RRGGBB
  float textRGBA[4] = {0.f, 0.f, 0.f, 1.f}; // the colour object: opaque, channels / 255
  int bkColor = 0xFFFFFF;
  int bkMode = GDI_BKMODE_TRANSPARENT;
  bool antialias = true;       // the context's own setting; font codes 3/4 override it
  RECT clip = {0, 0, 0, 0};    // current clip, inside the pixels
  std::vector<RECT> clipStack; // saved clips
};

struct HGDIOBJ__
{
  uint32_t magic = kGdiObjectMagic;
  bool released = false;
  int type = 0;  // 1 pen, 2 brush, 3 font
  int refs = 0;
  Gdi_Face* face = nullptr; // fonts; null if no face could be opened at all
  float rotation = 0.f;     // degrees
  int antialias = 0;        // 0 leave the context's setting, 3 off, 4 on
};

// A live (not released) context or object, or null. Small integers are never records.
HDC__* Gdi_LiveContext(HDC__* dc);
HGDIOBJ__* Gdi_LiveObject(HGDIOBJ__* obj);

// Record recycling (free lists guarded by one mutex).
HDC__* Gdi_TakeContextRecord();
void Gdi_RecycleContextRecord(HDC__* dc);
HGDIOBJ__* Gdi_TakeObjectRecord();
void Gdi_RecycleObjectRecord(HGDIOBJ__* obj);

// The font a context draws with: the selected live font, else the default font of size 10
// (created once per process). Null only when no face at all can be opened.
HGDIOBJ__* Gdi_ContextFont(HDC__* dc);
// Releases the default font (part of Gdi_Cleanup).
void Gdi_ReleaseDefaultFont();
// Tracks live fonts for diagnostics.
void Gdi_CountFont(int delta);
