#include "editor/BitmapStorage.h"

#include "raster/Pix_IBitmap.h"

BitmapStorage s_bitmapCache;

Pix_IBitmap* BitmapStorage::Find(int id)
{
  if (id < 0) return nullptr;
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && e->mID == id) return e->mBitmap;
  }
  return nullptr;
}

bool BitmapStorage::Add(Pix_IBitmap* bitmap, int id)
{
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  Entry* e = new Entry{id, bitmap};
  if (!mEntries.Add(e))
  {
    delete e;
    return false;
  }
  return true;
}

bool BitmapStorage::Remove(Pix_IBitmap* bitmap)
{
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && e->mBitmap == bitmap)
    {
      mEntries.Delete(i, false);
      delete e->mBitmap;
      delete e;
      return true;
    }
  }
  return false;
}

void BitmapStorage::RemoveAll()
{
  Core_MutexLock lock(mMutex);
  for (int i = mEntries.GetSize() - 1; i >= 0; --i)
  {
    Entry* e = mEntries.Get(i);
    if (e)
    {
      delete e->mBitmap;
      delete e;
    }
    mEntries.Delete(i, false);
  }
}

int BitmapStorage::Count()
{
  Core_MutexLock lock(mMutex);
  return mEntries.GetSize();
}
