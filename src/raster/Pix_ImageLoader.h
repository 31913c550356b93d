#pragma once
// Registry of image loaders: a singly linked list, the PNG loader at its head from module start.

#include "raster/Pix_IBitmap.h"

struct Pix_ImageLoader
{
  // Loads the file into bmp (resized) or into a new bitmap the caller owns; null on failure.
  // checkFileName: refuse paths whose extension this loader does not handle.
  Pix_IBitmap* (*loadfunc)(const char* filename, int checkFileName, Pix_IBitmap* bmp);
  // Pairs of description and pattern, each zero-terminated, the list ended by an empty string.
  const char* extlist;
  Pix_ImageLoader* _next;
};

// Head of the loader list (read-only after module start).
extern Pix_ImageLoader* Pix_ImageLoader_list;
// The PNG loader: extensions "PNG files (*.PNG)", "*.PNG".
extern Pix_ImageLoader Pix_PNGLoader;
