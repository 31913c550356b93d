#include "editor/FontStorage.h"

#include <cstring>

#include "raster/Pix_CachedFont.h"

FontStorage s_fontCache;

Pix_IFont* FontStorage::Find(int size, int orientation, int style, const char* face)
{
  if (!face) face = "";
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && e->mSize == size && e->mOrientation == orientation && e->mStyle == style &&
        strncmp(e->mFace, face, kFaceLen - 1) == 0)
      return e->mFont;
  }
  return nullptr;
}

bool FontStorage::Add(Pix_IFont* font, int size, int orientation, int style, const char* face)
{
  if (!font) return false;
  Entry* e = new Entry();
  e->mSize = size;
  e->mOrientation = orientation;
  e->mStyle = style;
  strncpy(e->mFace, face ? face : "", kFaceLen - 1);
  e->mFace[kFaceLen - 1] = '\0';
  e->mFont = font;
  Core_MutexLock lock(mMutex);
  if (!mEntries.Add(e))
  {
    delete e;
    return false;
  }
  return true;
}

void FontStorage::RemoveAll()
{
  Core_MutexLock lock(mMutex);
  for (int i = mEntries.GetSize() - 1; i >= 0; --i)
  {
    Entry* e = mEntries.Get(i);
    if (e)
    {
      delete e->mFont;
      delete e;
    }
    mEntries.Delete(i, false);
  }
}

int FontStorage::Count()
{
  Core_MutexLock lock(mMutex);
  return mEntries.GetSize();
}
