#pragma once
// Blits, fills and pixel access on Pix_IBitmaps.
//
// Conventions shared by every drawing function of the raster library:
// - alpha is a float weight; the integer weight is w = trunc(alpha x 256) (256 = full strength).
//   NaN counts as 0 and the weight is limited to -4096 ... 4096 so integer formulas cannot
//   overflow.
// - mode is the mode word of Pix_IBitmap.h.
// - null bitmaps, empty bitmaps and empty or out-of-range rectangles draw nothing; everything
//   is clipped to the destination. No function reports an error.
// - Coordinates are screen coordinates: row 0 is the top row, also for flipped bitmaps.

#include "raster/Pix_IBitmap.h"

// Blits the source rectangle (defaults to the whole source when srcrect is null) to (dstx, dsty).
// A negative left or top of the source rectangle is clipped to 0 and moves the destination by
// the same amount. Filter bits are ignored. The source and destination may be the same bitmap.
void Pix_Blit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, const Pix_Rect* srcrect,
              float alpha, int mode);
// The same with the source rectangle (srcx, srcy, srcx + srcw, srcy + srch).
void Pix_Blit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
              int srch, float alpha, int mode);

// Fills the rectangle with a colour: combine mode 1 ... 5 with source (R, G, B, k) where
// k = trunc(alpha x 256), or copy (mode 0) with word-wide shortcuts for k = 64, 128, 192, 256.
// With Pix_ModeSourceAlpha, alpha is first multiplied by the colour's alpha / 255.
void Pix_FillRect(Pix_IBitmap* dest, int x, int y, int w, int h, Pix_Pixel color, float alpha, int mode);

// Every pixel (width, not row span) := color.
void Pix_Clear(Pix_IBitmap* dest, Pix_Pixel color);
// Every pixel of the clipped rectangle := (pixel & mask) | orbits.
void Pix_ClearRect(Pix_IBitmap* dest, int x, int y, int w, int h, Pix_Pixel mask, Pix_Pixel orbits);
// Resizes dest to the source size and copies the source into it (all four channels).
void Pix_Copy(Pix_IBitmap* dest, const Pix_IBitmap* src);
// The pixel at (x, y), or 0 for a null bitmap or a position outside it.
Pix_Pixel Pix_GetPixel(const Pix_IBitmap* bmp, int x, int y);

// Scales the source rectangle (float coordinates) onto the destination rectangle. A negative
// destination width or height mirrors the image within (dstx, dsty, |dstw|, |dsth|).
// Mode Pix_ModeFilter: bilinear when enlarging or mildly shrinking, a 3 x 3 or 5 x 5 box average
// when both steps are at least 1.7; otherwise the nearest pixel. Then combined as Pix_Blit does.
// Source and destination must be different bitmaps.
void Pix_ScaledBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                    float srcy, float srcw, float srch, float alpha, int mode);

// Resamples by area: destination pixel (dstx + i, dsty + j) of the dstw x dsth rectangle shows
// the source area [srcx + i x stepx, srcx + (i + 1) x stepx) x [srcy + j x stepy, ...), every
// source pixel weighted by the part of it inside that area. Shrinking by any factor therefore
// averages each source pixel exactly once, and enlarging mixes neighbours only where a
// destination pixel straddles a source pixel edge. Only source pixels inside srcClip (the whole
// source when null) are read: an area reaching outside it is cut at the clip, an area wholly
// outside takes the nearest pixel inside. Colour is weighted by alpha. Steps are source pixels
// per destination pixel, above 0 and at most 7; anything else draws nothing. Combined as
// Pix_Blit does (filter bits ignored). Source and destination must be different bitmaps.
void Pix_AreaBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, double srcx,
                  double srcy, double stepx, double stepy, const Pix_Rect* srcClip, float alpha, int mode);

// Integer weight of a float alpha: trunc(alpha x 256), NaN -> 0, limited to -4096 ... 4096.
int Pix_AlphaToWeight(float alpha);
