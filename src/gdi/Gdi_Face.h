#pragma once
// One sized font face of the shim's text engine (FreeType), with its metrics, advances and a
// cache of rendered glyph coverage. A face belongs to one font object and is used by one thread
// at a time; opening and closing go through the engine's lock.

#include <cstdint>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;
struct FT_LibraryRec_;

// Coverage of one glyph at one subpixel phase: rows top-down, one byte (0 ... 255) per pixel.
struct Gdi_GlyphImage
{
  int left = 0;  // column of the first pixel, relative to the pen position
  int top = 0;   // row of the first pixel above the baseline (positive = above)
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

class Gdi_Face
{
public:
  // Pen positions are quantised to this many phases per pixel in each direction.
  static const int kPhases = 4;

  // Opens face `index` of `file` at `size` pixels; null when FreeType cannot open it.
  // The caller holds the engine lock (FreeType's library is not thread-safe).
  static Gdi_Face* Open(FT_LibraryRec_* library, const char* file, int index, int size);
  ~Gdi_Face();

  int GetSize() const { return mSize; }
  // Typographic metrics in pixels (descent positive, below the baseline).
  float GetAscent() const { return mAscent; }
  float GetDescent() const { return mDescent; }
  float GetLeading() const { return mLeading; }
  const char* GetPostScriptName() const;

  // Glyph index of a code point; 0 when the face has no glyph for it or it is a control
  // character (such characters take no space and draw nothing).
  unsigned GlyphIndex(uint32_t codePoint);
  // Unhinted advance of a glyph in pixels.
  float Advance(unsigned glyph);
  // Kerning between two glyphs in pixels (0 when the face has no kerning table).
  float Kerning(unsigned left, unsigned right);
  // The glyph rendered with the pen at (phaseX, phaseY) / kPhases of a pixel, antialiased or
  // monochrome (coverage 0 or 255); null when it cannot be rendered.
  const Gdi_GlyphImage* Image(unsigned glyph, int phaseX, int phaseY, bool antialias);

private:
  Gdi_Face() = default;
  Gdi_Face(const Gdi_Face&) = delete;
  Gdi_Face& operator=(const Gdi_Face&) = delete;

  FT_FaceRec_* mFace = nullptr;
  int mSize = 0;
  float mAscent = 0.f, mDescent = 0.f, mLeading = 0.f;
  float mScale = 0.f; // pixels per font unit
  bool mHasKerning = false;
  unsigned mAsciiGlyphs[128];
  std::vector<float> mAdvances; // by glyph index; negative = not loaded yet
  std::unordered_map<uint32_t, Gdi_GlyphImage> mImages;
};
