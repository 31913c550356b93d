#pragma once
// Drawing primitives: points, lines, circles, arcs, rounded rectangles, filled polygons and the
// rotated blit.
//
// Every primitive colours pixels the way Pix_FillRect does (same combine modes, same colour and
// alpha handling, Pix_ModeSourceAlpha multiplies alpha by the colour's alpha / 255); antialiased
// edges scale the weight by the pixel's coverage. Everything is clipped to the destination;
// null or empty bitmaps draw nothing.
//
// Geometry: pixel (x, y) is the unit square centred on the point (x, y). Integer coordinates
// therefore name pixel centres; a shape with float coordinates covers the pixels whose centres
// it contains (or, antialiased, the fraction of each pixel it covers).

#include "raster/Pix_IBitmap.h"

// Combines one pixel with the colour.
void Pix_PutPixel(Pix_IBitmap* dest, int x, int y, Pix_Pixel color, float alpha, int mode);

// Line from (x1, y1) to (x2, y2), both ends included. Without antialiasing the end points are
// rounded and every pixel of the Bresenham line is drawn once; with it, a one-pixel-wide line
// whose pixels are weighted by their distance from the ideal line; the line extends half a pixel
// beyond each end point, so pixel-centre end points give solid end pixels.
void Pix_Line(Pix_IBitmap* dest, float x1, float y1, float x2, float y2, Pix_Pixel color, float alpha, int mode,
              bool aa);

// Vertical span of column x covering y0 ... y1 (y0 <= y1; in the geometry above pixel row r
// covers r - 0.5 ... r + 0.5), antialiased: pixels partly inside are weighted by the part
// covered. Drawing a function graph column by column with spans that reach from one column's
// value to the next gives an even, gap-free line of any thickness.
void Pix_VSpan(Pix_IBitmap* dest, int x, float y0, float y1, Pix_Pixel color, float alpha, int mode);
// The spans of n neighbouring columns at once: column x + i from y0[i] to y1[i]; a column with
// y1[i] < y0[i] (or NaN) is left alone.
void Pix_VSpans(Pix_IBitmap* dest, int x, int n, const float* y0, const float* y1, Pix_Pixel color, float alpha,
                int mode);

// One-pixel-wide circle outline of radius r around (cx, cy).
void Pix_Circle(Pix_IBitmap* dest, float cx, float cy, float r, Pix_Pixel color, float alpha, int mode, bool aa);

// Filled disc of radius r around (cx, cy); antialiased edges when aa.
void Pix_FillCircle(Pix_IBitmap* dest, float cx, float cy, float r, Pix_Pixel color, float alpha, int mode,
                    bool aa);

// Part of a circle outline from minAngle to maxAngle (radians, 0 pointing up, clockwise
// positive, as the editor's radial lines; maxAngle < minAngle draws nothing, a span of 2 pi or
// more draws the full circle).
void Pix_Arc(Pix_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle, Pix_Pixel color,
             float alpha, int mode, bool aa);

// Outline of the w x h rectangle at (x, y) (pixels x ... x + w - 1) with corners rounded by
// cornerRadius (limited to half the smaller side).
void Pix_RoundRect(Pix_IBitmap* dest, int x, int y, int w, int h, int cornerRadius, Pix_Pixel color, float alpha,
                   int mode, bool aa);

// Filled triangle; a pixel is inside when its centre is inside (or on a top or left edge), so
// triangles that share an edge never draw a pixel twice.
void Pix_FillTriangle(Pix_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3, Pix_Pixel color,
                      float alpha, int mode);

// Filled convex polygon of n vertices (n >= 3, any winding), same pixel rule as the triangle.
// Null arrays or n < 3 draw nothing.
void Pix_FillConvexPolygon(Pix_IBitmap* dest, const int* x, const int* y, int n, Pix_Pixel color, float alpha,
                           int mode);

// Rotated blit. The source rectangle (srcx, srcy, srcw, srch) is mapped onto the destination
// rectangle (dstx, dsty, dstw, dsth) and turned by angle radians (clockwise on screen) about the
// destination rectangle's centre moved by (rotxcent, rotycent). Parts turned outside the
// destination rectangle are drawn too (clipped only to the destination bitmap).
// cliptosrcrect: sample only inside the source rectangle (else anywhere inside the source
// bitmap). Pix_ModeFilter samples bilinearly, with antialiased edges; otherwise the nearest pixel.
// The combine is that of Pix_Blit with the mode's low byte and source-alpha bit. The rotation
// centre, before the offsets, is the true middle of the destination rectangle for even and odd
// sizes alike; offsets are in pixels. Source and destination must be different bitmaps.
void Pix_RotatedBlit(Pix_IBitmap* dest, const Pix_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                     float srcy, float srcw, float srch, double angle, bool cliptosrcrect, float alpha, int mode,
                     float rotxcent = 0.f, float rotycent = 0.f);
