#pragma once

#include "core/Core_Mutex.h"
#include "core/Core_PtrList.h"

class Pix_IFont;

// The process-wide font cache, keyed by size, orientation, style and face name. It owns the
// fonts and deletes them when the module unloads. Every operation takes its own recursive mutex.
class FontStorage
{
public:
  static constexpr int kFaceLen = 32;

  FontStorage() = default;
  ~FontStorage() { RemoveAll(); }
  FontStorage(const FontStorage&) = delete;
  FontStorage& operator=(const FontStorage&) = delete;

  Pix_IFont* Find(int size, int orientation, int style, const char* face);
  // Takes ownership; false (nothing taken) when the entry could not be added.
  bool Add(Pix_IFont* font, int size, int orientation, int style, const char* face);
  void RemoveAll();
  int Count();

private:
  struct Entry
  {
    int mSize, mOrientation, mStyle;
    char mFace[kFaceLen];
    Pix_IFont* mFont;
  };
  Core_PtrList<Entry> mEntries;
  Core_Mutex mMutex;
};

extern FontStorage s_fontCache;
