#pragma once
// GDI-style drawing contexts and fonts for the raster library and the editor's font creation.
//
// Handles are opaque pointers. Every operation accepts a null or released handle and then does
// nothing (returning 0, null or -1 as stated). Contexts and objects are used by one thread at a
// time (the UI thread); the free lists, the font name cache and the font engine are shared by the
// whole process and guarded internally.
//
// Pixels of a memory context are 32-bit words 0xAARRGGBB (memory order B, G, R, A), row 0 at the
// top, row span = width. Text is drawn antialiased (greyscale coverage, no subpixel smoothing) in
// the context's text colour; the destination alpha moves toward 255 with the coverage.

#include <cstdint>

struct HDC__;     // drawing context
struct HGDIOBJ__; // GDI object (pen 1, brush 2, font 3)

typedef HDC__* HDC;
typedef HGDIOBJ__* HGDIOBJ;

struct RECT
{
  int left, top, right, bottom;
};

// Five 32-bit fields in this order.
struct TEXTMETRIC
{
  int tmHeight;
  int tmAscent;
  int tmDescent;
  int tmInternalLeading;
  int tmAveCharWidth;
};

enum { LF_FACESIZE = 32 };

struct LOGFONT
{
  int lfHeight;
  int lfWidth;
  int lfEscapement;
  int lfOrientation;
  int lfWeight;
  char lfItalic;
  char lfUnderline;
  char lfStrikeOut;
  char lfCharSet;
  char lfOutPrecision;
  char lfClipPrecision;
  char lfQuality;
  char lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE]; // need not be zero-terminated when full
};

// Object types, and the small tokens that stand for the default objects in SelectObject.
enum
{
  GDI_OBJ_PEN = 1,
  GDI_OBJ_BRUSH = 2,
  GDI_OBJ_FONT = 3
};
#define GDI_DEFAULT_PEN ((HGDIOBJ__*)(intptr_t)1)
#define GDI_DEFAULT_BRUSH ((HGDIOBJ__*)(intptr_t)2)
#define GDI_DEFAULT_FONT ((HGDIOBJ__*)(intptr_t)3)

// Gdi_DrawText flags.
enum
{
  DT_CENTER = 0x1,      // centre horizontally
  DT_RIGHT = 0x2,       // right-align
  DT_VCENTER = 0x4,     // centre vertically
  DT_BOTTOM = 0x8,      // bottom-align
  DT_SINGLELINE = 0x20, // a line feed counts as a space
  DT_NOCLIP = 0x100,    // do not clip to the rectangle
  DT_CALCRECT = 0x400,  // measure only: set right and bottom
  DT_NOPREFIX = 0x800   // "&" is an ordinary character
};

// Background modes: 1 draws text over a filled background; anything else is transparent.
enum { GDI_BKMODE_OPAQUE = 1, GDI_BKMODE_TRANSPARENT = 2 };

// Font quality codes that change antialiasing (others leave the context's setting).
enum { GDI_QUALITY_NONANTIALIASED = 3, GDI_QUALITY_ANTIALIASED = 4 };

enum { GDI_FW_BOLD = 700 };

// Longest text, in bytes after ampersand and carriage-return removal, that Gdi_DrawText handles;
// longer text is cut at a character boundary.
enum { GDI_MAX_TEXT = 4095 };

// Largest memory context: rows x width x 4 bytes (plus alignment slack) must fit a signed
// 32-bit byte count, so that pixel offsets computed in int never overflow.
enum { GDI_MAX_CONTEXT_BYTES = 0x7FFFFFFF - 63 };

// --- Drawing contexts -------------------------------------------------------------------------

// A memory context of w x h zeroed pixels, or null when w or h is not positive, the size is
// too large (GDI_MAX_CONTEXT_BYTES) or memory cannot be had. ref is not used.
HDC__* Gdi_CreateMemContext(HDC__* ref, int w, int h);
// The memory context's pixels, aligned to 64 bytes; null for no context.
void* Gdi_GetCtxFrameBuffer(HDC__* dc);
// Releases the context and its pixels; the record is recycled. Selected objects are not deleted.
void Gdi_DeleteGfxContext(HDC__* dc);

// Width and height of a memory context (0 for no context).
int Gdi_GetCtxWidth(HDC__* dc);
int Gdi_GetCtxHeight(HDC__* dc);

// --- Fonts and objects ------------------------------------------------------------------------

// Size = |height|, or |width| when height is 0; sizes above 8192 or below 2 become 10.
// weight >= 700 selects bold, italic != 0 italic; quality 3 turns antialiasing off, 4 on.
// Rotation is orientation / 10 degrees (kept, not applied to drawing). face may be null.
// Never fails unless memory is exhausted: an unknown face falls back to the default face.
HGDIOBJ__* CreateFont(int height, int width, int escapement, int orientation, int weight,
                      char italic, char underline, char strikeOut, char charSet,
                      char outPrecision, char clipPrecision, char quality, char pitchAndFamily,
                      const char* face);
HGDIOBJ__* CreateFontIndirect(const LOGFONT* lf);

// Makes obj the context's current object of its type; returns the previous one (the type number
// when there was none). The tokens 1, 2, 3 clear that slot. Anything else returns null.
HGDIOBJ__* SelectObject(HDC__* dc, HGDIOBJ__* obj);
// Drops one reference; the last releases the object. The default tokens are ignored.
// Returns 1 when the handle was a live object, else 0.
int DeleteObject(HGDIOBJ__* obj);

// Size of a font object in pixels, its rotation in degrees and its antialiasing code; 0 for
// anything that is not a live font.
int Gdi_GetFontSize(HGDIOBJ__* font);
float Gdi_GetFontRotation(HGDIOBJ__* font);
int Gdi_GetFontAntialias(HGDIOBJ__* font);
// The PostScript name of the face a font object resolved to ("" for no font).
const char* Gdi_GetFontFaceName(HGDIOBJ__* font);

// --- Colours, modes, metrics, text ------------------------------------------------------------

// Colours are 0x00RRGGBB. Setters return the previous value (-1 / 0 for no context).
int SetTextColor(HDC__* dc, int colour);
int GetTextColor(HDC__* dc); // -1 for no context
int SetBkColor(HDC__* dc, int colour);
int SetBkMode(HDC__* dc, int mode);

// Fills tm with the selected font's metrics (the default font of size 10 when none) and returns
// 1; without a context tm gets the fixed defaults 16, 12, 4, 3, 10 and the call returns 0.
int GetTextMetrics(HDC__* dc, TEXTMETRIC* tm);

// Draws or measures UTF-8 text (length in bytes, or -1 up to the terminating zero); returns the
// text height in pixels, 0 for empty text or bad arguments. See the DT_ flags.
int Gdi_DrawText(HDC__* dc, const char* text, int length, RECT* r, int flags);

// --- Clipping ---------------------------------------------------------------------------------

// Push saves the clip, Set intersects it with r, Pop restores the last saved clip.
void Gdi_PushClipRegion(HDC__* dc);
void Gdi_SetClipRegion(HDC__* dc, const RECT* r);
void Gdi_PopClipRegion(HDC__* dc);

// --- Process-wide state -----------------------------------------------------------------------

// Releases the free lists, the font name cache, the default font, the font engine (FreeType
// and the shim's own fontconfig configuration). Fonts still alive keep the engine until they are
// deleted. Safe to call more than once; it also runs when the module unloads. Any later call to
// the shim starts afresh.
void Gdi_Cleanup();

// Diagnostics for tests: records waiting in the free lists, and live fonts.
int Gdi_GetFreeContextCount();
int Gdi_GetFreeObjectCount();
int Gdi_GetLiveFontCount();
